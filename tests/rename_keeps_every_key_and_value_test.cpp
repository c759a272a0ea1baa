#include <gtest/gtest.h>

#include <memory>

#include "registry/RegistryRoutines.h"
#include "tests/TestRegistries.h"

namespace wof {
namespace {

const std::string kParent = std::string(kScratchKey) + "\\Rename";
const std::string kSource = kParent + "\\ddeexec";
const std::string kDestination = kParent + "\\ddeexec.bak";

class RenameTest : public testing::Test {
protected:
    void SetUp() override { DeleteTree(*registry_, kHkeyClassesRoot, kScratchKey); }
    void TearDown() override { DeleteTree(*registry_, kHkeyClassesRoot, kScratchKey); }

    // Writes tree as the source, renames it and expects it whole under the
    // new name, its top key's class included, and nothing left of the source.
    void ExpectMovedExactly(const KeySnapshot& tree) {
        WriteTree(*registry_, kHkeyClassesRoot, kSource, tree);
        ASSERT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kSource), tree) << "the tree did not read back as written";
        EXPECT_EQ(routines_.RenameRegKey(codec_->FromAnsi(kSource), L"ddeexec.bak", kHkeyClassesRoot),
                  kErrorSuccess);
        EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kSource), std::nullopt);
        EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kDestination), tree);
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
    KeySnapshot tree{"", "", {SzValue("", "[FileOpen(\"%1\")]")}, {}};
    KeySnapshot* level = &tree;
    for (const char* name : {"Application", "Level2", "Level3"}) {
        level->subkeys.push_back({name, std::string("Class of ") + name, {}, {}});
        level = &level->subkeys.back();
        for (const auto& [type, typeName] : kValueTypes) {
            level->values.push_back({std::string("filled ") + typeName, type,
                                     Bytes(std::string("data\0more\0\0", 11) + typeName)});
            level->values.push_back({std::string("empty ") + typeName, type, {}});
        }
    }
    tree.subkeys.push_back({"Topic", "", {SzValue("", "System"), {"big", kRegBinary, big}}, {}});
    tree.subkeys.push_back({"Empty", "", {}, {}});
    tree.subkeys.push_back(
        {std::string(kMaxKeyNameChars, 'k'), "", {SzValue(std::string(kMaxValueNameChars, 'v'), "long names")}, {}});
    ExpectMovedExactly(tree);
}

// Text the ANSI code page cannot carry, in key names, classes, value names
// and every string type, as well as string data of an odd length: moved
// unchanged, not as question marks.
TEST_F(RenameTest, MovesTextOutsideTheAnsiCodePageUnchanged) {
    const KeySnapshot key{"Ключ 鍵",
                          "Класс",
                          {SzValue("Имя", "Текст 鍵 \xF0\x9F\x93\x84"),
                           {"", kRegExpandSz, SzBytes("%ПУТЬ%\\Ω")},
                           {"список", kRegMultiSz, TextBytes(std::string("один\0два\0\0", 17))},
                           {"odd", kRegSz, {0x41, 0x04, 0x42}}},
                          {}};
    ExpectMovedExactly({"", "", {{"Ω", kRegBinary, Bytes("bytes")}}, {key}});
}

TEST_F(RenameTest, TopKeyKeepsItsClassUnderItsNewName) {
    ExpectMovedExactly({"", "Класс DDE", {}, {{"Topic", "", {SzValue("", "System")}, {}}}});
}

}  // namespace
}  // namespace wof
