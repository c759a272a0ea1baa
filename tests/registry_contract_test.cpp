// The behaviour the routines rely on from the registry calls, pinned with
// exact statuses. Natively it checks the in-memory registry; built for
// Windows and run under Wine it checks the real registry, which is the
// reference whenever the two disagree.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "registry/Utf16.h"
#include "tests/TestRegistries.h"

namespace wof {
namespace {

constexpr RegStatus kErrorBadPathname = 161;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr char kSentinel = '#';
constexpr std::uint32_t kSentinelSize = 0xBEEF;

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

    void Set(HKey key, const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
        ASSERT_EQ(kErrorSuccess, registry_->SetValueEx(key, name, type, data.data(),
                                                       static_cast<std::uint32_t>(data.size())));
    }

    // Reads a value whole; the type is REG_NONE and the data empty when the
    // value is missing.
    SnapshotValue Read(HKey key, const std::string& name) {
        SnapshotValue value{name, kRegNone, std::vector<std::uint8_t>(256)};
        std::uint32_t size = static_cast<std::uint32_t>(value.data.size());
        RegStatus status = registry_->QueryValueEx(key, name, &value.type, value.data.data(), &size);
        value.data.resize(status == kErrorSuccess ? size : 0);
        return value;
    }

    std::vector<std::string> SubkeyNames(HKey key) {
        std::vector<std::string> names;
        for (std::uint32_t index = 0;; ++index) {
            char name[kMaxKeyNameChars + 1];
            std::uint32_t size = sizeof name;
            RegStatus status = registry_->EnumKeyEx(key, index, name, &size, nullptr, nullptr);
            if (status != kErrorSuccess) {
                EXPECT_EQ(kErrorNoMoreItems, status);
                return names;
            }
            names.emplace_back(name, size);
        }
    }

    std::vector<std::string> ValueNames(HKey key) {
        std::vector<std::string> names;
        for (std::uint32_t index = 0;; ++index) {
            char name[64];
            std::uint32_t size = sizeof name;
            RegStatus status = registry_->EnumValue(key, index, name, &size, nullptr, nullptr, nullptr);
            if (status != kErrorSuccess) {
                EXPECT_EQ(kErrorNoMoreItems, status);
                return names;
            }
            names.emplace_back(name, size);
        }
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
    char name[16];
    std::uint32_t nameSize = sizeof name;
    char clsOut[16];
    std::uint32_t clsSize = sizeof clsOut;
    ASSERT_EQ(kErrorSuccess, registry_->EnumKeyEx(two, 0, name, &nameSize, clsOut, &clsSize));
    EXPECT_EQ("Three", std::string(name, nameSize));
    EXPECT_EQ(cls, std::string(clsOut, clsSize));

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

TEST_F(RegistryContract, QueryOfAMissingValueLeavesBufferAndSizeAlone) {
    HKey key = Create("Values");
    for (const char* name : {"Missing", ""}) {
        std::array<std::uint8_t, 8> data;
        data.fill(kSentinel);
        std::uint32_t size = sizeof data;
        std::uint32_t type = 99;
        EXPECT_EQ(kErrorFileNotFound, registry_->QueryValueEx(key, name, &type, data.data(), &size)) << name;
        EXPECT_EQ(sizeof data, size);
        EXPECT_EQ(kRegNone, type);
        for (std::uint8_t byte : data) EXPECT_EQ(kSentinel, byte);
    }
    // Asking for the size alone reads 0.
    std::uint32_t size = kSentinelSize;
    EXPECT_EQ(kErrorFileNotFound, registry_->QueryValueEx(key, "Missing", nullptr, nullptr, &size));
    EXPECT_EQ(0u, size);
}

TEST_F(RegistryContract, QueryReportsSizesAndRefusesShortBuffers) {
    HKey key = Create("Values");
    const std::vector<std::uint8_t> text = Bytes(std::string("hello", 6));
    Set(key, "Text", kRegSz, text);

    std::uint32_t type = 99;
    std::uint32_t size = 0;
    EXPECT_EQ(kErrorSuccess, registry_->QueryValueEx(key, "TEXT", &type, nullptr, &size));
    EXPECT_EQ(kRegSz, type);
    EXPECT_EQ(6u, size);
    EXPECT_EQ(kErrorSuccess, registry_->QueryValueEx(key, "text", nullptr, nullptr, nullptr));

    std::array<std::uint8_t, 8> data;
    data.fill(kSentinel);
    size = 5;
    type = 99;
    EXPECT_EQ(kErrorMoreData, registry_->QueryValueEx(key, "Text", &type, data.data(), &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(kRegSz, type);

    // The size just learned is enough for the second call.
    EXPECT_EQ(kErrorSuccess, registry_->QueryValueEx(key, "Text", &type, data.data(), &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(text, std::vector<std::uint8_t>(data.begin(), data.begin() + 6));
    EXPECT_EQ(kSentinel, data[6]);

    EXPECT_EQ(kErrorInvalidParameter, registry_->QueryValueEx(key, "Text", &type, data.data(), nullptr));
}

TEST_F(RegistryContract, SetKeepsTypeAndBytesExactly) {
    HKey key = Create("Values");
    struct Case {
        const char* name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    // The unterminated string is cut from a longer buffer whose next byte
    // is not NUL, so the registry has no terminator to pick up.
    const Case cases[] = {
        {"Sz", kRegSz, Bytes(std::string("open\0", 5))},
        {"Unterminated", kRegSz, Bytes("abc")},
        {"Latin", kRegSz, {0x43, 0xE9, 0xC4, 0x00}},
        {"Empty", kRegSz, {}},
        {"Expand", kRegExpandSz, Bytes(std::string("%SystemRoot%\0", 13))},
        {"Multi", kRegMultiSz, Bytes(std::string("a\0bc\0\0", 6))},
        {"Binary", kRegBinary, {0x00, 0xFF, 0x00, 0x7F}},
        {"Dword", kRegDword, {0x01, 0x00, 0x00, 0x80}},
        {"", kRegSz, Bytes(std::string("default\0", 8))},
    };
    for (const Case& c : cases) {
        if (std::strcmp(c.name, "Unterminated") == 0) {
            const std::uint8_t buffer[] = {'a', 'b', 'c', 'X', 0};
            ASSERT_EQ(kErrorSuccess, registry_->SetValueEx(key, c.name, c.type, buffer, 3));
        } else {
            Set(key, c.name, c.type, c.data);
        }
    }
    for (const Case& c : cases) {
        SnapshotValue value = Read(key, c.name);
        EXPECT_EQ(c.type, value.type) << c.name;
        EXPECT_EQ(c.data, value.data) << c.name;
    }
}

TEST_F(RegistryContract, SetOverwritesInPlaceUnderTheFirstSpelling) {
    HKey key = Create("Values");
    Set(key, "CaseV", kRegSz, Bytes(std::string("1", 2)));
    Set(key, "CASEV", kRegDword, {5, 0, 0, 0});
    EXPECT_EQ(std::vector<std::string>{"CaseV"}, ValueNames(key));
    SnapshotValue value = Read(key, "casev");
    EXPECT_EQ(kRegDword, value.type);
    EXPECT_EQ((std::vector<std::uint8_t>{5, 0, 0, 0}), value.data);
}

TEST_F(RegistryContract, EnumKeyListsSubkeysSortedAndStable) {
    for (const char* name : {"b", "A", "C"}) Create(name);
    EXPECT_EQ((std::vector<std::string>{"A", "b", "C"}), SubkeyNames(scratch_));
    EXPECT_EQ((std::vector<std::string>{"A", "b", "C"}), SubkeyNames(scratch_));

    char name[8];
    std::memset(name, kSentinel, sizeof name);
    std::uint32_t size = sizeof name;
    EXPECT_EQ(kErrorNoMoreItems, registry_->EnumKeyEx(scratch_, 3, name, &size, nullptr, nullptr));
    EXPECT_EQ(sizeof name, size);
    EXPECT_EQ(kSentinel, name[0]);
}

TEST_F(RegistryContract, EnumKeyNameBufferMustHoldTheNul) {
    Create("Five5");
    struct Case {
        std::uint32_t size;
        RegStatus status;
    };
    const Case cases[] = {{0, kErrorMoreData}, {1, kErrorMoreData}, {5, kErrorMoreData}, {6, kErrorSuccess},
                          {64, kErrorSuccess}};
    for (const Case& c : cases) {
        char name[64];
        std::memset(name, kSentinel, sizeof name);
        std::uint32_t size = c.size;
        EXPECT_EQ(c.status, registry_->EnumKeyEx(scratch_, 0, name, &size, nullptr, nullptr)) << c.size;
        if (c.status == kErrorSuccess) {
            EXPECT_EQ(5u, size);
            EXPECT_STREQ("Five5", name);
        } else {
            EXPECT_EQ(c.size, size);
            EXPECT_EQ(kSentinel, name[0]);
        }
    }
}

TEST_F(RegistryContract, EnumKeyClassFollowsTheSameSizeRules) {
    const std::string cls = "klass";
    Create("k", &cls);
    struct Case {
        bool buffer;
        std::uint32_t size;
        RegStatus status;
        std::uint32_t sizeAfter;
    };
    // Without a buffer the size only learns the class length.
    const Case cases[] = {{true, 3, kErrorMoreData, 3}, {true, 5, kErrorMoreData, 5}, {true, 6, kErrorSuccess, 5},
                          {false, 2, kErrorSuccess, 5}};
    for (const Case& c : cases) {
        char name[8];
        char clsOut[8];
        std::memset(name, kSentinel, sizeof name);
        std::memset(clsOut, kSentinel, sizeof clsOut);
        std::uint32_t nameSize = sizeof name;
        std::uint32_t clsSize = c.size;
        EXPECT_EQ(c.status, registry_->EnumKeyEx(scratch_, 0, name, &nameSize, c.buffer ? clsOut : nullptr,
                                                 &clsSize))
            << c.size;
        EXPECT_EQ(c.sizeAfter, clsSize) << c.size;
        if (c.status == kErrorSuccess) {
            EXPECT_STREQ("k", name);
            if (c.buffer) {
                EXPECT_STREQ("klass", clsOut);
            }
        } else {
            EXPECT_EQ(sizeof name, nameSize);
            EXPECT_EQ(kSentinel, name[0]);
            EXPECT_EQ(kSentinel, clsOut[0]);
        }
    }
}

TEST_F(RegistryContract, DeletingSubkeyZeroShiftsTheRestDown) {
    for (const char* name : {"k1", "k2", "k3"}) Create(name);
    std::vector<std::string> deleted;
    for (int i = 0; i < 5; ++i) {
        char name[16];
        std::uint32_t size = sizeof name;
        RegStatus status = registry_->EnumKeyEx(scratch_, 0, name, &size, nullptr, nullptr);
        if (status == kErrorNoMoreItems) break;
        ASSERT_EQ(kErrorSuccess, status);
        ASSERT_EQ(kErrorSuccess, registry_->DeleteKey(scratch_, name));
        deleted.emplace_back(name, size);
    }
    EXPECT_EQ((std::vector<std::string>{"k1", "k2", "k3"}), deleted);
}

TEST_F(RegistryContract, EnumValueNameAndDataSizeRules) {
    HKey key = Create("Values");
    Set(key, "Value", kRegSz, Bytes(std::string("hello", 6)));
    struct Case {
        std::uint32_t nameSize;
        bool data;
        std::uint32_t dataSize;
        RegStatus status;
    };
    const Case cases[] = {
        {3, true, 64, kErrorMoreData},   {5, true, 64, kErrorMoreData}, {6, true, 64, kErrorSuccess},
        {3, false, 0, kErrorMoreData},   {64, false, 0, kErrorSuccess}, {64, true, 0, kErrorMoreData},
        {64, true, 5, kErrorMoreData},   {64, true, 6, kErrorSuccess},
    };
    for (const Case& c : cases) {
        char name[64];
        std::array<std::uint8_t, 64> data;
        std::memset(name, kSentinel, sizeof name);
        data.fill(kSentinel);
        std::uint32_t nameSize = c.nameSize;
        std::uint32_t dataSize = c.dataSize;
        std::uint32_t type = 99;
        EXPECT_EQ(c.status, registry_->EnumValue(key, 0, name, &nameSize, &type, c.data ? data.data() : nullptr,
                                                 &dataSize))
            << c.nameSize << "/" << c.dataSize;
        // Even a refused call tells the type and the data size needed.
        EXPECT_EQ(kRegSz, type);
        EXPECT_EQ(6u, dataSize);
        if (c.status == kErrorSuccess) {
            EXPECT_EQ(5u, nameSize);
            EXPECT_STREQ("Value", name);
            if (c.data) {
                EXPECT_STREQ("hello", reinterpret_cast<const char*>(data.data()));
            }
        }
    }

    char name[8];
    std::uint32_t nameSize = sizeof name;
    std::uint32_t type = 99;
    std::uint32_t dataSize = kSentinelSize;
    EXPECT_EQ(kErrorNoMoreItems, registry_->EnumValue(key, 1, name, &nameSize, &type, nullptr, &dataSize));
    EXPECT_EQ(99u, type);
    EXPECT_EQ(kSentinelSize, dataSize);
    EXPECT_EQ(sizeof name, nameSize);
}

TEST_F(RegistryContract, EnumValueShortDataLeavesTheNameAlone) {
    HKey key = Create("Values");
    Set(key, "Value", kRegBinary, {1, 2, 3});
    char name[16];
    std::memset(name, kSentinel, sizeof name);
    std::uint32_t nameSize = sizeof name;
    std::array<std::uint8_t, 2> data{};
    std::uint32_t dataSize = sizeof data;
    EXPECT_EQ(kErrorMoreData, registry_->EnumValue(key, 0, name, &nameSize, nullptr, data.data(), &dataSize));
    EXPECT_EQ(3u, dataSize);
    EXPECT_EQ(sizeof name, nameSize);
    EXPECT_EQ(kSentinel, name[0]);
}

TEST_F(RegistryContract, DeletingValueZeroShiftsTheRestDown) {
    HKey key = Create("Values");
    for (const char* name : {"v1", "v2", "v3", ""}) Set(key, name, kRegBinary, {1});
    std::vector<std::string> deleted;
    for (int i = 0; i < 6; ++i) {
        char name[16];
        std::uint32_t size = sizeof name;
        RegStatus status = registry_->EnumValue(key, 0, name, &size, nullptr, nullptr, nullptr);
        if (status == kErrorNoMoreItems) break;
        ASSERT_EQ(kErrorSuccess, status);
        ASSERT_EQ(kErrorSuccess, registry_->DeleteValue(key, name));
        deleted.emplace_back(name, size);
    }
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ((std::vector<std::string>{"", "v1", "v2", "v3"}), deleted);
    EXPECT_TRUE(ValueNames(key).empty());
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

TEST_F(RegistryContract, HandleOfADeletedKeyAnswersKeyDeleted) {
    HKey key = Create("Doomed");
    Set(key, "v", kRegBinary, {1});
    ASSERT_EQ(kErrorSuccess, registry_->DeleteKey(scratch_, "Doomed"));

    HKey out = 0x1234;
    std::uint32_t size = 16;
    char name[16];
    std::uint8_t data[16];
    EXPECT_EQ(kErrorKeyDeleted, registry_->OpenKeyEx(key, "", kKeyRead, &out));
    EXPECT_EQ(0u, out);
    EXPECT_EQ(kErrorKeyDeleted, registry_->CreateKeyEx(key, "Sub", nullptr, kKeyAllAccess, &out, nullptr));
    EXPECT_EQ(kErrorKeyDeleted, registry_->CreateKey(key, "Sub", &out));
    EXPECT_EQ(kErrorKeyDeleted, registry_->QueryValueEx(key, "v", nullptr, data, &size));
    EXPECT_EQ(kErrorKeyDeleted, registry_->SetValueEx(key, "v", kRegBinary, data, 1));
    EXPECT_EQ(kErrorKeyDeleted, registry_->EnumKeyEx(key, 0, name, &size, nullptr, nullptr));
    EXPECT_EQ(kErrorKeyDeleted, registry_->EnumValue(key, 0, name, &size, nullptr, nullptr, nullptr));
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
    char name[16];
    std::uint8_t data[16] = {};
    EXPECT_EQ(kErrorInvalidHandle, registry_->CloseKey(key));
    EXPECT_EQ(kErrorInvalidHandle, registry_->OpenKeyEx(key, "", kKeyRead, &out));
    EXPECT_EQ(0u, out);
    EXPECT_EQ(kErrorInvalidHandle, registry_->CreateKeyEx(key, "Sub", nullptr, kKeyAllAccess, &out, nullptr));
    EXPECT_EQ(kErrorInvalidHandle, registry_->QueryValueEx(key, "v", nullptr, data, &size));
    EXPECT_EQ(kErrorInvalidHandle, registry_->SetValueEx(key, "v", kRegBinary, data, 1));
    EXPECT_EQ(kErrorInvalidHandle, registry_->EnumKeyEx(key, 0, name, &size, nullptr, nullptr));
    EXPECT_EQ(kErrorInvalidHandle, registry_->DeleteValue(key, "v"));
    EXPECT_EQ(kErrorInvalidHandle, registry_->CloseKey(0));
    EXPECT_EQ(kErrorSuccess, OpenStatus("Closed"));
}

TEST_F(RegistryContract, HandleRightsLimitWhatItCanDo) {
    HKey target = Create("Rights");
    Set(target, "v", kRegBinary, {1});
    HKey reader = Open("Rights", kKeyRead);
    std::uint8_t byte = 2;
    EXPECT_EQ(kErrorAccessDenied, registry_->SetValueEx(reader, "v", kRegBinary, &byte, 1));
    EXPECT_EQ(kErrorAccessDenied, registry_->DeleteValue(reader, "v"));
    EXPECT_EQ(std::vector<std::uint8_t>{1}, Read(reader, "v").data);

    HKey writer = Open("Rights", kKeySetValue);
    std::uint32_t size = 1;
    char name[8];
    EXPECT_EQ(kErrorAccessDenied, registry_->QueryValueEx(writer, "v", nullptr, &byte, &size));
    EXPECT_EQ(kErrorAccessDenied, registry_->EnumKeyEx(writer, 0, name, &size, nullptr, nullptr));
    EXPECT_EQ(kErrorSuccess, registry_->SetValueEx(writer, "v", kRegBinary, &byte, 1));
    EXPECT_EQ(std::vector<std::uint8_t>{2}, Read(reader, "v").data);
}

// The A calls narrow what they return through the ANSI code page; the W
// calls return what is stored.
TEST_F(RegistryContract, ACallsShowTextOutsideTheCodePageAsQuestionMarks) {
    HKey key = 0;
    ASSERT_EQ(kErrorSuccess, registry_->CreateKeyExW(scratch_, u"Ключ", nullptr, kKeyAllAccess, &key, nullptr));
    open_.push_back(key);
    const std::vector<std::uint8_t> stored = Utf16Bytes(std::u16string(u"Да\0", 3));
    ASSERT_EQ(kErrorSuccess, registry_->SetValueExW(key, u"Имя", kRegSz, stored.data(), 6));

    EXPECT_EQ(std::vector<std::string>{"????"}, SubkeyNames(scratch_));
    EXPECT_EQ(kErrorFileNotFound, OpenStatus("????"));
    char name[8];
    std::uint32_t nameSize = sizeof name;
    std::uint8_t data[8];
    std::uint32_t size = sizeof data;
    std::uint32_t type = kRegNone;
    ASSERT_EQ(kErrorSuccess, registry_->EnumValue(key, 0, name, &nameSize, &type, data, &size));
    EXPECT_EQ("???", std::string(name, nameSize));
    EXPECT_EQ(std::string("??\0", 3), std::string(data, data + size));
    EXPECT_EQ(kErrorFileNotFound, registry_->QueryValueEx(key, "???", nullptr, nullptr, &size));

    std::vector<std::uint8_t> wide(16);
    size = static_cast<std::uint32_t>(wide.size());
    ASSERT_EQ(kErrorSuccess, registry_->QueryValueExW(key, u"Имя", &type, wide.data(), &size));
    wide.resize(size);
    EXPECT_EQ(stored, wide);
}

TEST_F(RegistryContract, ReadTreeSeesNamesClassesAndValues) {
    const std::string cls = "Shell";
    Set(Create("Tree"), "Flag", kRegDword, {1, 0, 0, 0});
    Set(Create("Tree\\Open", &cls), "", kRegSz, Bytes(std::string("cmd\0", 4)));
    Create("Tree\\Print");

    KeySnapshot expected{"", "", {SnapshotValue{"Flag", kRegDword, {1, 0, 0, 0}}}, {}};
    expected.subkeys.push_back(KeySnapshot{"Open", "Shell", {SzValue("", "cmd")}, {}});
    expected.subkeys.push_back(KeySnapshot{"Print", "", {}, {}});
    EXPECT_EQ(expected, ReadTree(*registry_, scratch_, "Tree"));
    EXPECT_EQ(KeySnapshot({"", "Shell", {SzValue("", "cmd")}, {}}), ReadTree(*registry_, scratch_, "Tree\\Open"));
    EXPECT_EQ(std::nullopt, ReadTree(*registry_, scratch_, "Missing"));
}

}  // namespace
}  // namespace wof
