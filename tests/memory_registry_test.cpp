// The test-only parts of the in-memory registry: injected faults, call
// counts, handle accounting, denied writes and subtree snapshots.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/TestRegistries.h"
#include "tests/support/MemoryRegistry.h"
#include "tests/support/Utf8.h"

namespace wof {
namespace {

constexpr RegStatus kInjected = 1450;  // ERROR_NO_SYSTEM_RESOURCES: nothing the model returns by itself
const std::string kDde = "HKCR\\Word.Document.12\\Shell\\Open\\ddeexec";

class MemoryRegistryTest : public ::testing::Test {
protected:
    // Status of creating path below HKCR, closing what was opened.
    RegStatus CreateStatus(const std::string& path, std::uint32_t access = kKeyAllAccess) {
        HKey key = 0;
        RegStatus status = registry_.CreateKeyEx(kHkeyClassesRoot, path, nullptr, access, &key, nullptr);
        if (status == kErrorSuccess) registry_.CloseKey(key);
        return status;
    }

    RegStatus OpenStatus(const std::string& path, std::uint32_t access = kKeyRead) {
        HKey key = 0;
        RegStatus status = registry_.OpenKeyEx(kHkeyClassesRoot, path, access, &key);
        if (status == kErrorSuccess) registry_.CloseKey(key);
        return status;
    }

    RegStatus SetStatus(const std::string& path, const std::string& name) {
        HKey key = 0;
        RegStatus status = registry_.CreateKey(kHkeyClassesRoot, path, &key);
        if (status != kErrorSuccess) return status;
        const std::vector<std::uint8_t> data = SzBytes("x");
        status = registry_.SetValueExW(key, Utf16FromUtf8(name), kRegSz, data.data(),
                                       static_cast<std::uint32_t>(data.size()));
        registry_.CloseKey(key);
        return status;
    }

    MemoryRegistry registry_;
};

TEST_F(MemoryRegistryTest, FunctionFaultFailsOnlyThatFunctionAndChangesNothing) {
    ASSERT_EQ(kErrorSuccess, CreateStatus("K"));
    registry_.InjectFault({kInjected, RegFunction::kSetValueEx, "", 1, true});
    EXPECT_EQ(kInjected, SetStatus("K", "a"));
    EXPECT_EQ(kInjected, SetStatus("K", "b"));
    EXPECT_EQ(kErrorSuccess, CreateStatus("K\\Sub"));
    EXPECT_EQ((KeySnapshot{"", "", {}, {KeySnapshot{"Sub", "", {}, {}}}}), registry_.Snapshot("HKCR\\K"));
    registry_.ClearFaults();
    EXPECT_EQ(kErrorSuccess, SetStatus("K", "a"));
}

TEST_F(MemoryRegistryTest, LiesAnswerSuccessAndKeepNothingOrAnotherType) {
    ASSERT_EQ(kErrorSuccess, SetStatus("K\\Sub", "a"));
    registry_.InjectFault({kInjected, RegFunction::kSetValueEx, "", 1, false, FaultKind::kKeepNothing});
    registry_.InjectFault({kInjected, RegFunction::kDeleteKey, "", 1, false, FaultKind::kKeepNothing});
    registry_.InjectFault({kInjected, RegFunction::kDeleteValue, "", 1, false, FaultKind::kKeepNothing});
    EXPECT_EQ(kErrorSuccess, SetStatus("K", "b"));
    EXPECT_EQ(kErrorSuccess, registry_.DeleteKey(kHkeyClassesRoot, "K\\Sub"));
    HKey key = 0;
    ASSERT_EQ(kErrorSuccess, registry_.OpenKeyEx(kHkeyClassesRoot, "K\\Sub", kKeyAllAccess, &key));
    EXPECT_EQ(kErrorSuccess, registry_.DeleteValue(key, "a"));
    registry_.CloseKey(key);
    const KeySnapshot sub{"Sub", "", {SzValue("a", "x")}, {}};
    EXPECT_EQ((KeySnapshot{"", "", {}, {sub}}), registry_.Snapshot("HKCR\\K"));

    registry_.InjectFault({kInjected, RegFunction::kSetValueEx, "", 1, false, FaultKind::kKeepOther});
    EXPECT_EQ(kErrorSuccess, SetStatus("K", "b"));
    EXPECT_EQ((KeySnapshot{"", "", {{"b", kRegExpandSz, SzBytes("x")}}, {sub}}), registry_.Snapshot("HKCR\\K"));
    EXPECT_THROW(registry_.InjectFault({kInjected, RegFunction::kOpenKeyEx, "", 1, false, FaultKind::kKeepNothing}),
                 std::invalid_argument);
}

TEST_F(MemoryRegistryTest, PathFaultCoversTheKeyAndEverythingBelowIt) {
    registry_.InjectFault({kInjected, std::nullopt, kDde, 1, true});
    struct Case {
        const char* path;
        RegStatus status;
    };
    const Case cases[] = {
        {"Word.Document.12\\Shell\\Open\\ddeexec", kInjected},
        {"WORD.DOCUMENT.12\\shell\\open\\DDEEXEC\\Application", kInjected},
        {"Word.Document.12\\Shell\\Open\\ddeexecX", kErrorSuccess},
        {"Word.Document.12\\Shell\\Open\\command", kErrorSuccess},
        {"Word.Document.12\\Shell\\Open", kErrorSuccess},
    };
    for (const Case& c : cases) EXPECT_EQ(c.status, CreateStatus(c.path)) << c.path;

    // A handle above the path reaches it through a relative subkey.
    HKey open = 0;
    ASSERT_EQ(kErrorSuccess, registry_.OpenKeyEx(kHkeyClassesRoot, "Word.Document.12\\Shell\\Open", kKeyRead, &open));
    HKey dde = 0x1234;
    EXPECT_EQ(kInjected, registry_.OpenKeyEx(open, "ddeexec", kKeyRead, &dde));
    EXPECT_EQ(0u, dde);
    EXPECT_EQ(kInjected, registry_.DeleteKey(open, "ddeexec"));
    EXPECT_EQ(kErrorSuccess, registry_.CloseKey(open));
    EXPECT_EQ(std::nullopt, registry_.Snapshot(kDde));
}

TEST_F(MemoryRegistryTest, NthCallCountsFromWhenTheFaultWasSet) {
    ASSERT_EQ(kErrorSuccess, CreateStatus("K"));
    struct Case {
        std::uint32_t nth;
        bool persistent;
        std::vector<RegStatus> statuses;
    };
    const Case cases[] = {
        {1, false, {kInjected, kErrorSuccess, kErrorSuccess}},
        {3, false, {kErrorSuccess, kErrorSuccess, kInjected, kErrorSuccess}},
        {2, true, {kErrorSuccess, kInjected, kInjected, kInjected}},
    };
    for (const Case& c : cases) {
        registry_.ClearFaults();
        EXPECT_EQ(kErrorSuccess, OpenStatus("K"));  // calls before the fault do not count
        registry_.InjectFault({kInjected, RegFunction::kOpenKeyEx, "", c.nth, c.persistent});
        std::vector<RegStatus> seen;
        for (std::size_t i = 0; i < c.statuses.size(); ++i) seen.push_back(OpenStatus("K"));
        EXPECT_EQ(c.statuses, seen) << "nth " << c.nth;
    }
}

TEST_F(MemoryRegistryTest, FailedCloseAndDeleteKeepTheirObjects) {
    HKey key = 0;
    ASSERT_EQ(kErrorSuccess, registry_.CreateKeyEx(kHkeyClassesRoot, "K", nullptr, kKeyAllAccess, &key, nullptr));
    registry_.InjectFault({kInjected, RegFunction::kCloseKey, "", 1, false});
    registry_.InjectFault({kInjected, RegFunction::kDeleteKey, "HKCR\\K", 1, false});
    EXPECT_EQ(kInjected, registry_.CloseKey(key));
    EXPECT_EQ(1u, registry_.OpenHandleCount());
    EXPECT_EQ(kInjected, registry_.DeleteKey(kHkeyClassesRoot, "K"));
    EXPECT_TRUE(registry_.Snapshot("HKCR\\K").has_value());
    EXPECT_EQ(kErrorSuccess, registry_.CloseKey(key));
    EXPECT_EQ(0u, registry_.OpenHandleCount());
}

TEST_F(MemoryRegistryTest, CountsEveryCallIncludingFailedOnes) {
    ASSERT_EQ(kErrorSuccess, CreateStatus("K"));  // CreateKeyEx + CloseKey
    EXPECT_EQ(kErrorFileNotFound, OpenStatus("Missing"));
    EXPECT_EQ(kErrorInvalidHandle, registry_.CloseKey(0x4242));
    registry_.InjectFault({kInjected, RegFunction::kOpenKeyEx, "", 1, false});
    EXPECT_EQ(kInjected, OpenStatus("K"));

    EXPECT_EQ(1u, registry_.CallCount(RegFunction::kCreateKeyEx));
    EXPECT_EQ(2u, registry_.CallCount(RegFunction::kOpenKeyEx));
    EXPECT_EQ(2u, registry_.CallCount(RegFunction::kCloseKey));
    EXPECT_EQ(0u, registry_.CallCount(RegFunction::kQueryValueEx));
    EXPECT_EQ(5u, registry_.TotalCalls());
    registry_.ResetCallCounts();
    EXPECT_EQ(0u, registry_.TotalCalls());
}

TEST_F(MemoryRegistryTest, HandlesAreCountedAndNeverReused) {
    EXPECT_EQ(kErrorSuccess, CreateStatus("K"));
    std::vector<HKey> seen;
    for (int i = 0; i < 3; ++i) {
        HKey key = 0;
        ASSERT_EQ(kErrorSuccess, registry_.OpenKeyEx(kHkeyClassesRoot, "K", kKeyRead, &key));
        EXPECT_EQ(1u, registry_.OpenHandleCount());
        for (HKey old : seen) EXPECT_NE(old, key);
        EXPECT_EQ(kErrorSuccess, registry_.CloseKey(key));
        seen.push_back(key);
    }
    EXPECT_EQ(0u, registry_.OpenHandleCount());
    EXPECT_EQ(kErrorInvalidHandle, registry_.CloseKey(seen.front()));

    // The root's own handle comes back for an empty subkey and is not counted.
    HKey root = 0;
    EXPECT_EQ(kErrorSuccess, registry_.OpenKeyEx(kHkeyClassesRoot, "", kKeyRead, &root));
    EXPECT_EQ(kHkeyClassesRoot, root);
    EXPECT_EQ(0u, registry_.OpenHandleCount());
}

TEST_F(MemoryRegistryTest, DeniedWritesAllowReadingOnly) {
    ASSERT_EQ(kErrorSuccess, SetStatus("Locked\\Inner", "v"));
    ASSERT_EQ(kErrorSuccess, CreateStatus("Open"));
    registry_.DenyWrites("HKCR\\Locked");

    EXPECT_EQ(kErrorSuccess, OpenStatus("Locked\\Inner"));
    EXPECT_EQ(kErrorAccessDenied, OpenStatus("Locked\\Inner", kKeyAllAccess));
    EXPECT_EQ(kErrorSuccess, CreateStatus("Locked\\Inner", kKeyRead));
    EXPECT_EQ(kErrorAccessDenied, CreateStatus("Locked\\Inner", kKeyAllAccess));
    EXPECT_EQ(kErrorAccessDenied, CreateStatus("Locked\\New", kKeyRead));
    EXPECT_EQ(kErrorAccessDenied, SetStatus("Locked\\Inner", "v"));  // CreateKey hands out a read-only handle
    EXPECT_EQ(kErrorAccessDenied, SetStatus("Locked\\New", "v"));
    EXPECT_EQ(kErrorAccessDenied, registry_.DeleteKey(kHkeyClassesRoot, "Locked\\Inner"));
    EXPECT_EQ(kErrorSuccess, OpenStatus("Open", kKeyAllAccess));
    EXPECT_EQ(kErrorSuccess, SetStatus("LockedOut", "v"));
    EXPECT_EQ(0u, registry_.OpenHandleCount());
}

// Windows ignores the class for a key that exists (Wine replaces it).
TEST_F(MemoryRegistryTest, ClassIsSetOnlyWhenTheKeyIsNew) {
    const std::string first = "first";
    const std::string second = "second";
    HKey key = 0;
    ASSERT_EQ(kErrorSuccess, registry_.CreateKeyEx(kHkeyClassesRoot, "K", &first, kKeyAllAccess, &key, nullptr));
    registry_.CloseKey(key);
    ASSERT_EQ(kErrorSuccess, registry_.CreateKeyEx(kHkeyClassesRoot, "K", &second, kKeyAllAccess, &key, nullptr));
    registry_.CloseKey(key);
    EXPECT_EQ("first", registry_.Snapshot("HKCR\\K")->cls);
}

KeySnapshot SampleTree() {
    KeySnapshot tree{"", "", {SzValue("", "Word document"), SnapshotValue{"Flags", kRegDword, {1, 0, 0, 0}}}, {}};
    KeySnapshot open{"Open", "", {}, {KeySnapshot{"command", "", {SzValue("", "winword.exe /n")}, {}}}};
    tree.subkeys.push_back(KeySnapshot{"Shell", "cls", {}, {open}});
    return tree;
}

TEST_F(MemoryRegistryTest, SnapshotsCompareTreesAtDifferentPaths) {
    registry_.Load("HKCR\\P", SampleTree());
    registry_.Load("HKCU\\Software\\Q", SampleTree());
    EXPECT_EQ(SampleTree(), registry_.Snapshot("hkcr\\p"));
    EXPECT_EQ(registry_.Snapshot("HKCR\\P"), registry_.Snapshot("HKCU\\Software\\Q"));
    EXPECT_EQ(SampleTree(), ReadTree(registry_, kHkeyClassesRoot, "P"));
    EXPECT_EQ(0u, registry_.OpenHandleCount());

    // Each change below must make the trees differ.
    struct Change {
        const char* what;
        void (*apply)(KeySnapshot&);
    };
    const Change changes[] = {
        {"value type", [](KeySnapshot& t) { t.values[1].type = kRegBinary; }},
        {"value byte", [](KeySnapshot& t) { t.values[1].data[0] = 2; }},
        {"value name case", [](KeySnapshot& t) { t.values[1].name = "FLAGS"; }},
        {"class", [](KeySnapshot& t) { t.subkeys[0].cls = "other"; }},
        {"subkey name case", [](KeySnapshot& t) { t.subkeys[0].subkeys[0].name = "OPEN"; }},
        {"extra value", [](KeySnapshot& t) { t.subkeys[0].values.push_back(SzValue("x", "")); }},
        {"missing subkey", [](KeySnapshot& t) { t.subkeys[0].subkeys[0].subkeys.clear(); }},
    };
    for (const Change& change : changes) {
        KeySnapshot changed = SampleTree();
        change.apply(changed);
        registry_.Load("HKCU\\Software\\Q", changed);
        EXPECT_NE(registry_.Snapshot("HKCR\\P"), registry_.Snapshot("HKCU\\Software\\Q")) << change.what;
    }
}

TEST_F(MemoryRegistryTest, LoadReplacesTheSubtreeAndOrphansItsHandles) {
    registry_.Load("HKCR\\P", SampleTree());
    HKey command = 0;
    ASSERT_EQ(kErrorSuccess, registry_.OpenKeyEx(kHkeyClassesRoot, "P\\Shell\\Open\\command", kKeyRead, &command));
    registry_.Load("HKCR\\P", KeySnapshot{"", "", {SzValue("", "new")}, {}});
    EXPECT_EQ((KeySnapshot{"", "", {SzValue("", "new")}, {}}), registry_.Snapshot("HKCR\\P"));
    std::uint32_t size = 0;
    EXPECT_EQ(kErrorKeyDeleted, registry_.QueryValueExW(command, u"", nullptr, nullptr, &size));
    EXPECT_EQ(kErrorSuccess, registry_.CloseKey(command));

    EXPECT_EQ(std::nullopt, registry_.Snapshot("HKCR\\Missing"));
    EXPECT_THROW(registry_.Load("HKCR", KeySnapshot{}), std::invalid_argument);
    EXPECT_THROW(registry_.Snapshot("HKLM\\Software"), std::invalid_argument);
}

}  // namespace
}  // namespace wof
