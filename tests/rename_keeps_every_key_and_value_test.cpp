#include <gtest/gtest.h>

#include <memory>

#include "registry/KeyHandle.h"
#include "registry/RegistryRoutines.h"
#include "tests/TestRegistries.h"
#include "tests/support/Utf8.h"

namespace wof {
namespace {

const std::string kParent = std::string(kScratchKey) + "\\Rename";
const std::string kSource = kParent + "\\ddeexec";
const std::string kDestination = kParent + "\\ddeexec.bak";

class RenameTest : public testing::Test {
protected:
    void SetUp() override { DeleteTree(*registry_, kHkeyClassesRoot, kScratchKey); }
    void TearDown() override { DeleteTree(*registry_, kHkeyClassesRoot, kScratchKey); }

    void Key(const std::string& path, const std::string& cls) {
        KeyHandle key(*registry_);
        std::uint32_t disposition = 0;
        const std::u16string wideClass = Utf16FromUtf8(cls);
        ASSERT_EQ(registry_->CreateKeyExW(kHkeyClassesRoot, Utf16FromUtf8(path), &wideClass, kKeyAllAccess,
                                          key.put(), &disposition),
                  kErrorSuccess);
    }
    void Value(const std::string& path, const std::string& name, std::uint32_t type,
               const std::vector<std::uint8_t>& data) {
        SetValue(*registry_, kHkeyClassesRoot, path, name, type, data);
    }
    RegStatus Rename() {
        return routines_.RenameRegKey(codec_->FromAnsi(kSource), L"ddeexec.bak", kHkeyClassesRoot);
    }

    std::unique_ptr<Registry> registry_ = MakeTestRegistry();
    std::unique_ptr<AnsiCodec> codec_ = MakeTestCodec();
    RegistryRoutines routines_{*registry_, *codec_};
};

// Every value type, each also with no bytes at all, a 64 KiB value and
// names at the registry's limits, over three levels with classes.
TEST_F(RenameTest, MovesAThreeLevelTreeExactly) {
    std::vector<std::uint8_t> big(64 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::uint32_t types[] = {kRegNone,  kRegSz,   kRegExpandSz, kRegBinary, kRegDword,
                                   kRegDwordBigEndian, kRegLink, kRegMultiSz, kRegQword};
    const std::string longKeyName(kMaxKeyNameChars, 'k');
    const std::string longValueName(kMaxValueNameChars, 'v');

    Value(kSource, "", kRegSz, SzBytes("[FileOpen(\"%1\")]"));
    const std::string levels[] = {kSource + "\\Application", kSource + "\\Application\\Level2",
                                  kSource + "\\Application\\Level2\\Level3"};
    for (int level = 0; level < 3; ++level) {
        Key(levels[level], "Class" + std::to_string(level + 1));
        for (std::uint32_t type : types) {
            Value(levels[level], "filled" + std::to_string(type), type, Bytes(std::string("data\0more\0\0", 11) + std::to_string(type)));
            Value(levels[level], "empty" + std::to_string(type), type, {});
        }
    }
    Value(kSource + "\\Topic", "", kRegSz, SzBytes("System"));
    Value(kSource + "\\Topic", "big", kRegBinary, big);
    Key(kSource + "\\Empty", "");
    Value(kSource + "\\" + longKeyName, longValueName, kRegSz, SzBytes("long names"));
    const auto before = ReadTree(*registry_, kHkeyClassesRoot, kSource);
    ASSERT_TRUE(before);

    EXPECT_EQ(Rename(), kErrorSuccess);
    EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kSource), std::nullopt);
    EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kDestination), before);
}

// Text the ANSI code page cannot carry, in key names, classes, value names
// and every string type, as well as string data of an odd length: moved
// unchanged, not as question marks.
TEST_F(RenameTest, MovesTextOutsideTheAnsiCodePageUnchanged) {
    const std::string key = kSource + "\\Ключ 鍵";
    Key(kSource, "");
    Key(key, "Класс");
    Value(key, "Имя", kRegSz, SzBytes("Текст 鍵 \xF0\x9F\x93\x84"));
    Value(key, "", kRegExpandSz, SzBytes("%ПУТЬ%\\Ω"));
    Value(key, "список", kRegMultiSz, TextBytes(std::string("один\0два\0\0", 17)));
    Value(key, "odd", kRegSz, {0x41, 0x04, 0x42});
    Value(kSource, "Ω", kRegBinary, Bytes("bytes"));
    const auto before = ReadTree(*registry_, kHkeyClassesRoot, kSource);
    ASSERT_TRUE(before);

    EXPECT_EQ(Rename(), kErrorSuccess);
    EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kSource), std::nullopt);
    EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kDestination), before);
}

TEST_F(RenameTest, TopKeyKeepsItsClassUnderItsNewName) {
    Key(kSource, "Класс DDE");
    Value(kSource + "\\Topic", "", kRegSz, SzBytes("System"));
    const auto expected = ReadTree(*registry_, kHkeyClassesRoot, kSource);
    ASSERT_TRUE(expected);
    ASSERT_EQ(expected->cls, "Класс DDE");

    EXPECT_EQ(Rename(), kErrorSuccess);
    EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kDestination), expected);
}

}  // namespace
}  // namespace wof
