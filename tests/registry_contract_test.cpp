// The behaviour the routines rely on from the registry calls, pinned with
// exact statuses. Natively it checks the in-memory registry; built for
// Windows and run under Wine it checks the real registry, which is the
// reference whenever the two disagree.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "registry/Utf16.h"
#include "tests/TestRegistries.h"
#include "tests/support/Utf8.h"

namespace wof {
namespace {

constexpr std::uint32_t kUnset = 0xBEEF;

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override {
        registry_ = MakeTestRegistry();
        DeleteTree(*registry_, kHkeyClassesRoot, kScratchKey);
        ASSERT_EQ(kErrorSuccess,
                  registry_->CreateKeyEx(kHkeyClassesRoot, kScratchKey, nullptr, kKeyAllAccess, &scratch_, nullptr));
    }

    void TearDown() override {
        for (HKey key : open_) registry_->CloseKey(key);
        registry_->CloseKey(scratch_);
        DeleteTree(*registry_, kHkeyClassesRoot, kScratchKey);
    }

    // Opens or creates path below the scratch key; the fixture closes it.
    HKey Create(const std::string& path, const std::string* cls = nullptr) {
        HKey key = 0;
        EXPECT_EQ(kErrorSuccess, registry_->CreateKeyEx(scratch_, path, cls, kKeyAllAccess, &key, nullptr)) << path;
        open_.push_back(key);
        return key;
    }

    HKey CreateW(const std::u16string& path, const std::u16string* cls = nullptr) {
        HKey key = 0;
        EXPECT_EQ(kErrorSuccess, registry_->CreateKeyExW(scratch_, path, cls, kKeyAllAccess, &key, nullptr));
        open_.push_back(key);
        return key;
    }

    HKey Open(const std::string& path, std::uint32_t access = kKeyAllAccess) {
        HKey key = 0;
        EXPECT_EQ(kErrorSuccess, registry_->OpenKeyEx(scratch_, path, access, &key)) << path;
        open_.push_back(key);
        return key;
    }

    RegStatus OpenStatus(const std::string& path) {
        HKey key = 0;
        RegStatus status = registry_->OpenKeyEx(scratch_, path, kKeyRead, &key);
        if (status == kErrorSuccess) registry_->CloseKey(key);
        return status;
    }

    // String data must carry its NUL: the registry adds one it finds just
    // past the given size.
    void Set(HKey key, const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
        ASSERT_EQ(kErrorSuccess, registry_->SetValueExW(key, Utf16FromUtf8(name), type, data.data(),
                                                        static_cast<std::uint32_t>(data.size())));
    }

    // Reads a value whole; the type is REG_NONE and the data empty when the
    // value is missing.
    SnapshotValue Read(HKey key, const std::string& name) {
        SnapshotValue value{name, kRegNone, std::vector<std::uint8_t>(256)};
        std::uint32_t size = static_cast<std::uint32_t>(value.data.size());
        RegStatus status = registry_->QueryValueExW(key, Utf16FromUtf8(name), &value.type, value.data.data(), &size);
        value.data.resize(status == kErrorSuccess ? size : 0);
        return value;
    }

    // The names of key's subkeys, as the tree reader lists them.
    std::vector<std::string> SubkeyNames(HKey key) {
        std::vector<std::string> names;
        const std::optional<KeySnapshot> tree = ReadTree(*registry_, key, "");
        for (const KeySnapshot& sub : tree->subkeys) names.push_back(sub.name);
        return names;
    }

    std::unique_ptr<Registry> registry_;
    HKey scratch_ = 0;
    std::vector<HKey> open_;
};

TEST_F(RegistryContract, OpenFindsKeysWithoutRegardToCaseAndStrayBackslashes) {
    Create("Alpha\\Beta");
    struct Case {
        const char* path;
        RegStatus status;
    };
    const Case cases[] = {
        {"Alpha", kErrorSuccess},           {"ALPHA\\beta", kErrorSuccess},  {"alpha\\Beta\\", kErrorSuccess},
        {"Alpha\\\\Beta", kErrorSuccess},   {"Missing", kErrorFileNotFound}, {"Alpha\\Missing", kErrorFileNotFound},
        {"Alpha\\Beta\\Gamma", kErrorFileNotFound}, {"\\Alpha", kErrorBadPathname},
    };
    for (const Case& c : cases) EXPECT_EQ(c.status, OpenStatus(c.path)) << c.path;
}

TEST_F(RegistryContract, FailedOpenAndCreateClearTheResult) {
    HKey key = 0x1234;
    EXPECT_EQ(kErrorFileNotFound, registry_->OpenKeyEx(scratch_, "Missing", kKeyRead, &key));
    EXPECT_EQ(0u, key);
    key = 0x1234;
    std::uint32_t disposition = 77;
    EXPECT_EQ(kErrorBadPathname, registry_->CreateKeyEx(scratch_, "\\Bad", nullptr, kKeyAllAccess, &key,
                                                        &disposition));
    EXPECT_EQ(0u, key);
    EXPECT_EQ(77u, disposition);
    EXPECT_EQ(kErrorFileNotFound, OpenStatus("Bad"));
}

TEST_F(RegistryContract, CreateKeyExMakesEveryMissingKeyAndReportsWhetherItWasNew) {
    const std::string cls = "Klass";
    HKey key = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(kErrorSuccess, registry_->CreateKeyEx(scratch_, "One\\Two\\Three", &cls, kKeyAllAccess, &key,
                                                    &disposition));
    open_.push_back(key);
    EXPECT_EQ(kRegCreatedNewKey, disposition);
    EXPECT_NE(0u, key);
    EXPECT_EQ(kErrorSuccess, OpenStatus("One"));
    EXPECT_EQ(kErrorSuccess, OpenStatus("One\\Two"));

    // The class given at creation is what enumeration shows.
    HKey two = Open("One\\Two", kKeyRead);
    char16_t name[16];
    std::uint32_t nameSize = std::size(name);
    char16_t clsOut[16];
    std::uint32_t clsSize = std::size(clsOut);
    ASSERT_EQ(kErrorSuccess, registry_->EnumKeyExW(two, 0, name, &nameSize, clsOut, &clsSize));
    EXPECT_EQ(u"Three", std::u16string(name, nameSize));
    EXPECT_EQ(u"Klass", std::u16string(clsOut, clsSize));

    for (const char* again : {"One\\Two\\Three", "ONE\\two", "One"}) {
        HKey reopened = 0;
        disposition = 0;
        ASSERT_EQ(kErrorSuccess, registry_->CreateKeyEx(scratch_, again, nullptr, kKeyAllAccess, &reopened,
                                                        &disposition));
        open_.push_back(reopened);
        EXPECT_EQ(kRegOpenedExistingKey, disposition) << again;
    }
    EXPECT_EQ(std::vector<std::string>{"One"}, SubkeyNames(scratch_));
}

TEST_F(RegistryContract, CreateKeyOpensOrCreatesAWritableKey) {
    for (int round = 0; round < 2; ++round) {
        HKey key = 0;
        ASSERT_EQ(kErrorSuccess, registry_->CreateKey(scratch_, "Plain\\Key", &key)) << round;
        open_.push_back(key);
        Set(key, "Round", kRegBinary, {static_cast<std::uint8_t>(round)});
        EXPECT_EQ(std::vector<std::uint8_t>{static_cast<std::uint8_t>(round)}, Read(Open("Plain\\Key"), "Round").data);
    }
    EXPECT_EQ(std::vector<std::string>{"Key"}, SubkeyNames(Open("Plain")));
}

TEST_F(RegistryContract, DeletingSubkeyZeroShiftsTheRestDown) {
    for (const char* name : {"k1", "k2", "k3"}) Create(name);
    std::vector<std::string> deleted;
    for (int i = 0; i < 5; ++i) {
        char16_t name[16];
        std::uint32_t size = std::size(name);
        RegStatus status = registry_->EnumKeyExW(scratch_, 0, name, &size, nullptr, nullptr);
        if (status == kErrorNoMoreItems) break;
        ASSERT_EQ(kErrorSuccess, status);
        const std::u16string found(name, size);
        ASSERT_EQ(kErrorSuccess, registry_->DeleteKeyW(scratch_, found));
        deleted.push_back(Utf8FromUtf16(found));
    }
    EXPECT_EQ((std::vector<std::string>{"k1", "k2", "k3"}), deleted);
}

TEST_F(RegistryContract, DeletingValueZeroShiftsTheRestDown) {
    HKey key = Create("Values");
    for (const char* name : {"v1", "v2", "v3", ""}) Set(key, name, kRegBinary, {1});
    std::vector<std::string> deleted;
    for (int i = 0; i < 6; ++i) {
        char16_t name[16];
        std::uint32_t size = std::size(name);
        RegStatus status = registry_->EnumValueW(key, 0, name, &size, nullptr, nullptr, nullptr);
        if (status == kErrorNoMoreItems) break;
        ASSERT_EQ(kErrorSuccess, status);
        deleted.push_back(Utf8FromUtf16(std::u16string(name, size)));
        ASSERT_EQ(kErrorSuccess, registry_->DeleteValue(key, deleted.back()));
    }
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ((std::vector<std::string>{"", "v1", "v2", "v3"}), deleted);
    EXPECT_TRUE(ReadTree(*registry_, key, "")->values.empty());
}

TEST_F(RegistryContract, DeleteValueReportsMissingValues) {
    HKey key = Create("Values");
    Set(key, "Gone", kRegBinary, {1});
    EXPECT_EQ(kErrorSuccess, registry_->DeleteValue(key, "GONE"));
    EXPECT_EQ(kRegNone, Read(key, "Gone").type);
    EXPECT_EQ(kErrorFileNotFound, registry_->DeleteValue(key, "Gone"));
    EXPECT_EQ(kErrorFileNotFound, registry_->DeleteValue(key, "Never"));
}

TEST_F(RegistryContract, DeleteKeyRefusesParentsAndMissingKeys) {
    Create("Parent\\Child");
    EXPECT_EQ(kErrorAccessDenied, registry_->DeleteKey(scratch_, "Parent"));
    EXPECT_EQ(kErrorSuccess, OpenStatus("Parent\\Child"));
    EXPECT_EQ(kErrorFileNotFound, registry_->DeleteKey(scratch_, "Missing"));
    EXPECT_EQ(kErrorSuccess, registry_->DeleteKey(scratch_, "PARENT\\child"));
    EXPECT_EQ(kErrorFileNotFound, OpenStatus("Parent\\Child"));
    EXPECT_EQ(kErrorFileNotFound, registry_->DeleteKey(scratch_, "Parent\\Child"));
    EXPECT_EQ(kErrorSuccess, registry_->DeleteKey(scratch_, "Parent"));
    EXPECT_TRUE(SubkeyNames(scratch_).empty());
}

// The W calls, with the buffer and size rules the routines build on.

// RenameRegKey refuses a destination that CreateKeyExW did not make new;
// MoveSubKeys opens and deletes each subkey by the name enumeration gave.
TEST_F(RegistryContract, WideKeyCallsTakeNamesAsGivenAndTellANewKeyFromAnOldOne) {
    const std::u16string name = u"Ключ 鍵";
    HKey key = 0;
    for (std::uint32_t expected : {kRegCreatedNewKey, kRegOpenedExistingKey}) {
        std::uint32_t disposition = 0;
        ASSERT_EQ(kErrorSuccess, registry_->CreateKeyExW(scratch_, name, nullptr, kKeyAllAccess, &key, &disposition));
        EXPECT_EQ(kErrorSuccess, registry_->CloseKey(key));
        EXPECT_EQ(expected, disposition);
    }
    EXPECT_EQ(std::vector<std::string>{"Ключ 鍵"}, SubkeyNames(scratch_));
    ASSERT_EQ(kErrorSuccess, registry_->OpenKeyExW(scratch_, name, kKeyRead, &key));
    EXPECT_EQ(kErrorSuccess, registry_->CloseKey(key));
    EXPECT_EQ(kErrorSuccess, registry_->DeleteKeyW(scratch_, name));
    EXPECT_EQ(kErrorFileNotFound, registry_->OpenKeyExW(scratch_, name, kKeyRead, &key));
}

// Each value is read the two ways the routines read: as ReadRegValue does
// (the size and type with no buffer, then a buffer of exactly that size)
// and as CopyRegValues does (a name buffer of kMaxValueNameChars + 1, data
// grown to the size ERROR_MORE_DATA reports). SetValueExactly relies on
// the bytes given, and no more, being stored.
TEST_F(RegistryContract, ValuesComeBackWithTheTypeAndBytesSetValueExWWasGiven) {
    HKey key = Create("Values");
    const SnapshotValue values[] = {
        SzValue("Sz", "open"),
        {"Unterminated", kRegSz, TextBytes("abc")},
        {"Odd", kRegSz, {0x41, 0x04, 0x42}},
        {"Имя 鍵", kRegExpandSz, SzBytes("%ПУТЬ%\\Ω")},
        {"Multi", kRegMultiSz, TextBytes(std::string("a\0bc\0\0", 6))},
        {"Empty", kRegSz, {}},
        {std::string(kMaxValueNameChars, 'v'), kRegNone, {}},
        {"", kRegDword, {0x01, 0x00, 0x00, 0x80}},
    };
    // To be overwritten with another type and fewer bytes.
    Set(key, "Sz", kRegBinary, std::vector<std::uint8_t>(32, 7));
    for (const SnapshotValue& value : values) {
        // What follows the data is not NUL, so there is no terminator to pick up.
        std::vector<std::uint8_t> guarded = value.data;
        guarded.insert(guarded.end(), 2, 0xFF);
        ASSERT_EQ(kErrorSuccess, registry_->SetValueExW(key, Utf16FromUtf8(value.name), value.type,
                                                        value.data.empty() ? nullptr : guarded.data(),
                                                        static_cast<std::uint32_t>(value.data.size())));
    }

    for (const SnapshotValue& value : values) {
        const std::u16string name = Utf16FromUtf8(value.name);
        std::uint32_t type = 99;
        std::uint32_t size = kUnset;
        ASSERT_EQ(kErrorSuccess, registry_->QueryValueExW(key, name, &type, nullptr, &size)) << value.name;
        EXPECT_EQ(value.type, type) << value.name;
        ASSERT_EQ(value.data.size(), size) << value.name;
        if (size == 0) continue;
        std::vector<std::uint8_t> data(size);
        std::uint32_t shortSize = size - 1;
        EXPECT_EQ(kErrorMoreData, registry_->QueryValueExW(key, name, &type, data.data(), &shortSize)) << value.name;
        ASSERT_EQ(kErrorSuccess, registry_->QueryValueExW(key, name, &type, data.data(), &size)) << value.name;
        EXPECT_EQ(value.data, data) << value.name;
    }
    std::uint32_t size = kUnset;
    EXPECT_EQ(kErrorFileNotFound, registry_->QueryValueExW(key, u"Missing", nullptr, nullptr, &size));

    KeySnapshot listed;
    std::u16string name(kMaxValueNameChars + 1, u'#');
    std::vector<std::uint8_t> data(1);
    RegStatus status = kErrorSuccess;
    for (std::uint32_t index = 0; status == kErrorSuccess && index <= std::size(values); ++index) {
        std::uint32_t nameSize = static_cast<std::uint32_t>(name.size());
        std::uint32_t type = 99;
        std::uint32_t dataSize = 0;
        status = registry_->EnumValueW(key, index, &name[0], &nameSize, &type, data.data(), &dataSize);
        if (status == kErrorMoreData) {
            data.resize(dataSize + 1);
            nameSize = static_cast<std::uint32_t>(name.size());
            status = registry_->EnumValueW(key, index, &name[0], &nameSize, &type, data.data(), &dataSize);
        }
        if (status == kErrorSuccess) {
            listed.values.push_back({Utf8FromUtf16(name.substr(0, nameSize)), type,
                                     std::vector<std::uint8_t>(data.begin(), data.begin() + dataSize)});
        }
    }
    EXPECT_EQ(kErrorNoMoreItems, status);
    EXPECT_EQ((KeySnapshot{"", "", {std::begin(values), std::end(values)}, {}}), listed);
}

// MoveSubKeys gives the name kMaxKeyNameChars + 1 characters and doubles
// the class buffer on ERROR_MORE_DATA; ReadClass asks QueryInfoKeyW for the
// class length with no buffer, then passes one character more for the NUL.
// A class too long for its buffer must be refused, not cut: Windows
// documents ERROR_MORE_DATA for QueryInfoKeyW, Wine answers
// ERROR_INSUFFICIENT_BUFFER, and either stops the rename.
TEST_F(RegistryContract, NamesAndClassesAreCountedInCharactersAndNeverCut) {
    const std::u16string longName(kMaxKeyNameChars, u'k');
    const std::u16string text = u"Ключ 鍵";
    const std::u16string cls = u"Класс DDE";
    const std::uint32_t clsChars = static_cast<std::uint32_t>(cls.size());
    const HKey plain = CreateW(u"Long\\" + longName);
    const HKey classed = CreateW(u"Text\\" + text, &cls);
    std::u16string name(kMaxKeyNameChars + 1, u'#');
    std::u16string clsOut(cls.size() + 1, u'#');
    std::uint32_t nameSize = 0;
    std::uint32_t clsSize = 0;
    auto enumerate = [&](HKey parent, std::uint32_t index, std::uint32_t clsBuffer) {
        nameSize = static_cast<std::uint32_t>(name.size());
        clsSize = clsBuffer;
        return registry_->EnumKeyExW(parent, index, &name[0], &nameSize, &clsOut[0], &clsSize);
    };

    ASSERT_EQ(kErrorSuccess, enumerate(Open("Long", kKeyRead), 0, 1));
    EXPECT_EQ(longName, name.substr(0, nameSize));
    EXPECT_EQ(0u, clsSize);
    EXPECT_EQ(kErrorNoMoreItems, enumerate(Open("Long", kKeyRead), 1, 1));
    EXPECT_EQ(kErrorMoreData, enumerate(Open("Text", kKeyRead), 0, clsChars));
    ASSERT_EQ(kErrorSuccess, enumerate(Open("Text", kKeyRead), 0, clsChars + 1));
    EXPECT_EQ(text, name.substr(0, nameSize));
    EXPECT_EQ(cls, clsOut.substr(0, clsSize));

    for (const auto& [key, expected] : {std::pair{plain, std::u16string()}, std::pair{classed, cls}}) {
        std::uint32_t size = kUnset;
        ASSERT_EQ(kErrorSuccess, registry_->QueryInfoKeyW(key, nullptr, &size));
        ASSERT_EQ(expected.size(), size);
        size += 1;
        ASSERT_EQ(kErrorSuccess, registry_->QueryInfoKeyW(key, &clsOut[0], &size));
        EXPECT_EQ(expected, clsOut.substr(0, size));
    }
    clsSize = clsChars;
    const RegStatus refused = registry_->QueryInfoKeyW(classed, &clsOut[0], &clsSize);
    EXPECT_TRUE(refused == kErrorMoreData || refused == kErrorInsufficientBuffer) << refused;
}

TEST_F(RegistryContract, HandleOfADeletedKeyAnswersKeyDeleted) {
    HKey key = Create("Doomed");
    Set(key, "v", kRegBinary, {1});
    ASSERT_EQ(kErrorSuccess, registry_->DeleteKey(scratch_, "Doomed"));

    HKey out = 0x1234;
    std::uint32_t size = 16;
    char16_t name[16];
    std::uint8_t data[16];
    EXPECT_EQ(kErrorKeyDeleted, registry_->OpenKeyEx(key, "", kKeyRead, &out));
    EXPECT_EQ(0u, out);
    EXPECT_EQ(kErrorKeyDeleted, registry_->CreateKeyEx(key, "Sub", nullptr, kKeyAllAccess, &out, nullptr));
    EXPECT_EQ(kErrorKeyDeleted, registry_->CreateKey(key, "Sub", &out));
    EXPECT_EQ(kErrorKeyDeleted, registry_->QueryValueExW(key, u"v", nullptr, data, &size));
    EXPECT_EQ(kErrorKeyDeleted, registry_->SetValueExW(key, u"v", kRegBinary, data, 1));
    EXPECT_EQ(kErrorKeyDeleted, registry_->EnumKeyExW(key, 0, name, &size, nullptr, nullptr));
    EXPECT_EQ(kErrorKeyDeleted, registry_->EnumValueW(key, 0, name, &size, nullptr, nullptr, nullptr));
    EXPECT_EQ(kErrorKeyDeleted, registry_->DeleteKey(key, "Sub"));
    EXPECT_EQ(kErrorKeyDeleted, registry_->DeleteValue(key, "v"));
    EXPECT_EQ(kErrorFileNotFound, OpenStatus("Doomed"));
}

TEST_F(RegistryContract, ClosedHandleIsInvalid) {
    HKey key = 0;
    ASSERT_EQ(kErrorSuccess, registry_->CreateKeyEx(scratch_, "Closed", nullptr, kKeyAllAccess, &key, nullptr));
    ASSERT_EQ(kErrorSuccess, registry_->CloseKey(key));

    HKey out = 0x1234;
    std::uint32_t size = 16;
    char16_t name[16];
    std::uint8_t data[16] = {};
    EXPECT_EQ(kErrorInvalidHandle, registry_->CloseKey(key));
    EXPECT_EQ(kErrorInvalidHandle, registry_->OpenKeyEx(key, "", kKeyRead, &out));
    EXPECT_EQ(0u, out);
    EXPECT_EQ(kErrorInvalidHandle, registry_->CreateKeyEx(key, "Sub", nullptr, kKeyAllAccess, &out, nullptr));
    EXPECT_EQ(kErrorInvalidHandle, registry_->QueryValueExW(key, u"v", nullptr, data, &size));
    EXPECT_EQ(kErrorInvalidHandle, registry_->SetValueExW(key, u"v", kRegBinary, data, 1));
    EXPECT_EQ(kErrorInvalidHandle, registry_->EnumKeyExW(key, 0, name, &size, nullptr, nullptr));
    EXPECT_EQ(kErrorInvalidHandle, registry_->DeleteValue(key, "v"));
    EXPECT_EQ(kErrorInvalidHandle, registry_->CloseKey(0));
    EXPECT_EQ(kErrorSuccess, OpenStatus("Closed"));
}

TEST_F(RegistryContract, HandleRightsLimitWhatItCanDo) {
    HKey target = Create("Rights");
    Set(target, "v", kRegBinary, {1});
    HKey reader = Open("Rights", kKeyRead);
    std::uint8_t byte = 2;
    EXPECT_EQ(kErrorAccessDenied, registry_->SetValueExW(reader, u"v", kRegBinary, &byte, 1));
    EXPECT_EQ(kErrorAccessDenied, registry_->DeleteValue(reader, "v"));
    EXPECT_EQ(std::vector<std::uint8_t>{1}, Read(reader, "v").data);

    HKey writer = Open("Rights", kKeySetValue);
    std::uint32_t size = 1;
    char16_t name[8];
    EXPECT_EQ(kErrorAccessDenied, registry_->QueryValueExW(writer, u"v", nullptr, &byte, &size));
    EXPECT_EQ(kErrorAccessDenied, registry_->EnumKeyExW(writer, 0, name, &size, nullptr, nullptr));
    EXPECT_EQ(kErrorSuccess, registry_->SetValueExW(writer, u"v", kRegBinary, &byte, 1));
    EXPECT_EQ(std::vector<std::uint8_t>{2}, Read(reader, "v").data);
}

TEST_F(RegistryContract, ReadTreeSeesNamesClassesAndValues) {
    const std::string cls = "Shell";
    Set(Create("Tree"), "Flag", kRegDword, {1, 0, 0, 0});
    Set(Create("Tree\\Open", &cls), "", kRegSz, SzBytes("cmd"));
    Create("Tree\\Print");

    KeySnapshot expected{"", "", {SnapshotValue{"Flag", kRegDword, {1, 0, 0, 0}}}, {}};
    expected.subkeys.push_back(KeySnapshot{"Open", "Shell", {SzValue("", "cmd")}, {}});
    expected.subkeys.push_back(KeySnapshot{"Print", "", {}, {}});
    EXPECT_EQ(expected, ReadTree(*registry_, scratch_, "Tree"));
    EXPECT_EQ(KeySnapshot({"", "Shell", {SzValue("", "cmd")}, {}}), ReadTree(*registry_, scratch_, "Tree\\Open"));
    EXPECT_EQ(std::nullopt, ReadTree(*registry_, scratch_, "Missing"));
}

// The one rule for classes of the tests' tree writer: a key it makes gets
// its class, a key that is there keeps its own, and a key missing above the
// tree gets none.
TEST_F(RegistryContract, WriteTreeGivesANewKeyItsClassAndLeavesAnOldOneItsOwn) {
    WriteTree(*registry_, scratch_, "Above\\Tree", {"", "Top", {}, {{"Old", "Kept", {}, {}}}});
    const KeySnapshot again{"", "Other", {SzValue("", "top")}, {{"Old", "Other", {}, {}}, {"New", "Новый", {}, {}}}};
    WriteTree(*registry_, scratch_, "Above\\Tree", again);
    const KeySnapshot tree{"Tree", "Top", {SzValue("", "top")}, {{"Old", "Kept", {}, {}}, {"New", "Новый", {}, {}}}};
    EXPECT_EQ(KeySnapshot({"", "", {}, {tree}}), ReadTree(*registry_, scratch_, "Above"));
}

}  // namespace
}  // namespace wof
