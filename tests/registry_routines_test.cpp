#include <gtest/gtest.h>

#include <memory>

#include "registry/RegistryRoutines.h"
#include "tests/TestRegistries.h"

namespace wof {
namespace {

const std::string kKey = std::string(kScratchKey) + "\\Routines";

class RegistryRoutinesTest : public testing::Test {
protected:
    void SetUp() override { DeleteTree(*registry_, kHkeyClassesRoot, kScratchKey); }
    void TearDown() override { DeleteTree(*registry_, kHkeyClassesRoot, kScratchKey); }

    std::wstring W(const std::string& text) { return codec_->FromAnsi(text); }
    void Set(const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
        SetValue(*registry_, kHkeyClassesRoot, kKey, name, type, data);
    }
    std::wstring Get(const std::string& name) { return routines_.GetRegString(W(kKey), W(name)); }
    std::optional<RegValue> Value(const std::string& path, const std::string& name) {
        return routines_.ReadRegValue(W(path), W(name));
    }
    // What a read answers and the status it gives, to be compared as one.
    template <typename T>
    std::pair<std::optional<T>, RegStatus> Answer(
        std::optional<T> (RegistryRoutines::*read)(const std::wstring&, const std::wstring&, RegStatus*),
        const std::string& path, const std::wstring& name) {
        RegStatus status = -1;
        std::optional<T> answer = (routines_.*read)(W(path), name, &status);
        return {answer, status};
    }

    std::unique_ptr<Registry> registry_ = MakeTestRegistry();
    std::unique_ptr<AnsiCodec> codec_ = MakeTestCodec();
    RegistryRoutines routines_{*registry_, *codec_};
};

TEST_F(RegistryRoutinesTest, GetRegStringReadsAnyStoredValueAsText) {
    Set("padded", kRegSz, SzBytes("  two sides  "));
    Set("multi", kRegMultiSz, TextBytes(std::string("a\0bc\0\0", 6)));
    Set("long", kRegSz, SzBytes(std::string(300, 'L') + "/dde"));
    Set("empty", kRegSz, SzBytes(""));
    Set("zero", kRegBinary, {});
    Set("unterminated", kRegBinary, Bytes("abc"));
    Set("", kRegSz, SzBytes("default"));

    EXPECT_EQ(Get("padded"), L"two sides");
    EXPECT_EQ(Get("multi"), std::wstring(L"a\0bc\0", 5));
    EXPECT_EQ(Get("long"), W(std::string(300, 'L') + "/dde"));
    EXPECT_EQ(Get("empty"), L"");
    EXPECT_EQ(Get("zero"), L"");
    EXPECT_EQ(Get("unterminated"), L"abc");
    EXPECT_EQ(Get(""), L"default");
    EXPECT_EQ(Get("missing"), L"");
    EXPECT_EQ(routines_.GetRegString(W(kKey + "\\Missing"), L""), L"");
}

TEST_F(RegistryRoutinesTest, ReadRegValueTellsMissingFromEmpty) {
    Set("zero", kRegNone, {});
    using Read = std::pair<std::optional<RegValue>, RegStatus>;
    EXPECT_EQ(Answer(&RegistryRoutines::ReadRegValue, kKey, L"zero"), Read(RegValue{kRegNone, {}}, kErrorSuccess));
    EXPECT_EQ(Answer(&RegistryRoutines::ReadRegValue, kKey, L"missing"), Read(std::nullopt, kErrorFileNotFound));
    EXPECT_EQ(Answer(&RegistryRoutines::ReadRegValue, kKey + "\\Missing", L""), Read(std::nullopt, kErrorFileNotFound));
}

// The value the registry takes "Command" for, spelled as stored; one that
// only starts like it is another value.
TEST_F(RegistryRoutinesTest, StoredValueNameIsTheKeysOwnSpelling) {
    Set("Command.bk", kRegSz, SzBytes("backup"));
    Set("cOMMAND", kRegSz, SzBytes("descriptor"));
    using Name = std::pair<std::optional<std::wstring>, RegStatus>;
    const auto stored = &RegistryRoutines::StoredValueName;
    EXPECT_EQ(Answer(stored, kKey, L"Command"), Name(L"cOMMAND", kErrorSuccess));
    EXPECT_EQ(Answer(stored, kKey, L"Comman"), Name(std::nullopt, kErrorFileNotFound));
    EXPECT_EQ(Answer(stored, kKey + "\\Missing", L"Command"), Name(std::nullopt, kErrorFileNotFound));
}

TEST_F(RegistryRoutinesTest, SetRegStringCreatesThePathAndStoresTextWithItsNul) {
    const std::string deep = kKey + "\\A\\B\\C";
    EXPECT_EQ(routines_.SetRegString(W(deep), L"name", L"  value  "), kErrorSuccess);
    EXPECT_EQ(routines_.SetRegString(W(deep), L"", L""), kErrorSuccess);
    EXPECT_EQ(Value(deep, "name"), (RegValue{kRegSz, SzBytes("  value  ")}));
    EXPECT_EQ(Value(deep, ""), (RegValue{kRegSz, SzBytes("")}));
    EXPECT_EQ(routines_.GetRegString(W(deep), L"name"), L"value");
}

TEST_F(RegistryRoutinesTest, DelSettingRemovesOneValueAndCreatesAMissingKey) {
    Set("gone", kRegSz, SzBytes("x"));
    Set("kept", kRegSz, SzBytes("y"));
    EXPECT_EQ(routines_.DelSetting(kHkeyClassesRoot, W(kKey), L"gone"), kErrorSuccess);
    EXPECT_EQ(Value(kKey, "gone"), std::nullopt);
    EXPECT_EQ(Value(kKey, "kept"), (RegValue{kRegSz, SzBytes("y")}));
    EXPECT_EQ(routines_.DelSetting(kHkeyClassesRoot, W(kKey), L"gone"), kErrorFileNotFound);

    EXPECT_EQ(routines_.DelSetting(kHkeyClassesRoot, W(kKey + "\\New"), L"none"), kErrorFileNotFound);
    EXPECT_TRUE(routines_.KeyExists(W(kKey + "\\New")));
}

TEST_F(RegistryRoutinesTest, RenameMovesALeafKeyWithItsValue) {
    SetValue(*registry_, kHkeyClassesRoot, kKey + "\\old", "", kRegSz, SzBytes("value"));
    EXPECT_EQ(routines_.RenameRegKey(W(kKey + "\\old"), L"new", kHkeyClassesRoot), kErrorSuccess);
    EXPECT_FALSE(routines_.KeyExists(W(kKey + "\\old")));
    EXPECT_EQ(Value(kKey + "\\new", ""), (RegValue{kRegSz, SzBytes("value")}));
    EXPECT_EQ(routines_.hNewKey, 0u);
}

TEST_F(RegistryRoutinesTest, RenameOntoAnExistingKeyLeavesBothAsTheyWere) {
    SetValue(*registry_, kHkeyClassesRoot, kKey + "\\old\\child", "v", kRegSz, SzBytes("old"));
    SetValue(*registry_, kHkeyClassesRoot, kKey + "\\new", "v", kRegSz, SzBytes("new"));
    const std::optional<KeySnapshot> before = ReadTree(*registry_, kHkeyClassesRoot, kKey);

    EXPECT_NE(routines_.RenameRegKey(W(kKey + "\\old"), L"new", kHkeyClassesRoot), kErrorSuccess);
    EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kKey), before);
}

TEST_F(RegistryRoutinesTest, RenameOfAMissingKeyChangesNothing) {
    SetValue(*registry_, kHkeyClassesRoot, kKey, "v", kRegSz, SzBytes("x"));
    const std::optional<KeySnapshot> before = ReadTree(*registry_, kHkeyClassesRoot, kKey);
    EXPECT_EQ(routines_.RenameRegKey(W(kKey + "\\missing"), L"new", kHkeyClassesRoot), kErrorFileNotFound);
    EXPECT_EQ(ReadTree(*registry_, kHkeyClassesRoot, kKey), before);
}

TEST_F(RegistryRoutinesTest, RenameOfATopLevelKeyStaysTopLevel) {
    const std::string top = std::string(kScratchKey) + "Top";
    const std::string renamed = std::string(kScratchKey) + "Renamed";
    DeleteTree(*registry_, kHkeyClassesRoot, top);
    DeleteTree(*registry_, kHkeyClassesRoot, renamed);
    SetValue(*registry_, kHkeyClassesRoot, top + "\\sub", "v", kRegDword, {1, 0, 0, 0});

    EXPECT_EQ(routines_.RenameRegKey(W(top), W(renamed), kHkeyClassesRoot), kErrorSuccess);
    EXPECT_FALSE(routines_.KeyExists(W(top)));
    EXPECT_EQ(Value(renamed + "\\sub", "v"), (RegValue{kRegDword, {1, 0, 0, 0}}));
    DeleteTree(*registry_, kHkeyClassesRoot, renamed);
}

}  // namespace
}  // namespace wof
