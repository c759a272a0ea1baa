// Native only: the in-memory registry fails chosen calls. A failure must
// never lose a key or value, never show success, and never leave a renamed
// key or a document type in between: each ends as it was or as repaired.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "registry/NameCase.h"
#include "registry/RegistryRoutines.h"
#include "repair/ApplyUpdate.h"
#include "tests/FakeUpdateHost.h"
#include "tests/TestRegistries.h"
#include "tests/support/Latin1Codec.h"
#include "tests/support/MemoryRegistry.h"

namespace wof {
namespace {

// A snapshot flattened to full key paths, for checking that every key and
// value of one tree is still somewhere in another.
struct FlatTree {
    std::map<std::string, std::string> classes;       // key path -> class
    std::map<std::string, SnapshotValue> values;      // key path + "|" + name -> value

    // Paths and names as the registry tells them apart.
    static std::string Fold(std::string text) {
        for (char& c : text) c = static_cast<char>(FoldAscii(c));
        return text;
    }

    void Add(const KeySnapshot& key, const std::string& path) {
        classes[Fold(path)] = key.cls;
        for (const SnapshotValue& value : key.values) values[Fold(path) + "|" + Fold(value.name)] = value;
        for (const KeySnapshot& sub : key.subkeys) Add(sub, path + "\\" + sub.name);
    }

    explicit FlatTree(const std::optional<KeySnapshot>& tree) {
        if (tree) Add(*tree, "");
    }
};

inline bool SameValue(const SnapshotValue& a, const SnapshotValue& b) { return a.type == b.type && a.data == b.data; }

// Names what of `original` is in neither `source` nor `destination`; the top
// key's class is not compared, as a renamed key gets a new one.
inline std::string Missing(const FlatTree& original, const FlatTree& source, const FlatTree& destination) {
    std::string missing;
    for (const auto& [path, cls] : original.classes) {
        const auto inSource = source.classes.find(path);
        const auto inDestination = destination.classes.find(path);
        const bool top = path.empty();
        const bool kept = (inSource != source.classes.end() && (top || inSource->second == cls)) ||
                          (inDestination != destination.classes.end() && (top || inDestination->second == cls));
        if (!kept) missing += "key '" + path + "'\n";
    }
    for (const auto& [where, value] : original.values) {
        const auto inSource = source.values.find(where);
        const auto inDestination = destination.values.find(where);
        const bool kept = (inSource != source.values.end() && SameValue(inSource->second, value)) ||
                          (inDestination != destination.values.end() && SameValue(inDestination->second, value));
        if (!kept) missing += "value '" + where + "'\n";
    }
    return missing;
}

const std::string kSource = "Word.Document.12\\Shell\\Open\\ddeexec";
const std::string kDestination = "Word.Document.12\\Shell\\Open\\ddeexec.bak";
const RegStatus kStatuses[] = {kErrorAccessDenied, kErrorInvalidHandle};

std::string Full(const std::string& path) { return "HKCR\\" + path; }

// ddeexec with three levels, classes and a value of each common type.
KeySnapshot DdeTree() {
    KeySnapshot level3{"Level3", "C3", {{"bin", kRegBinary, {1, 2, 3}}, {"none", kRegNone, {}}}, {}};
    KeySnapshot level2{"Level2", "C2", {SzValue("", "two"), {"dw", kRegDword, {4, 0, 0, 0}}}, {level3}};
    KeySnapshot application{"Application", "C1", {SzValue("", "WinWord")}, {level2}};
    KeySnapshot topic{"Topic", "", {SzValue("", "System")}, {}};
    KeySnapshot ifExec{"ifExec", "", {SzValue("", "[rem _DDE_Minimize]")}, {}};
    return KeySnapshot{"", "", {SzValue("", "[FileOpen(\"%1\")]"), {"multi", kRegMultiSz, {'a', 0, 0}}},
                       {application, topic, ifExec}};
}

struct RenameRun {
    RegStatus status;
    std::string missing;
    std::size_t openHandles;
    bool sourceGone;
    bool destinationWhole;
    bool sourceAsBefore;
    bool destinationGone;
};

RenameRun RenameWith(const std::vector<RegFault>& faults) {
    MemoryRegistry registry;
    Latin1Codec codec;
    registry.Load(Full(kSource), DdeTree());
    for (const RegFault& fault : faults) registry.InjectFault(fault);
    RegistryRoutines routines(registry, codec);
    const RegStatus status = routines.RenameRegKey(codec.FromAnsi(kSource), L"ddeexec.bak", kHkeyClassesRoot);
    registry.ClearFaults();
    const auto source = registry.Snapshot(Full(kSource));
    const auto destination = registry.Snapshot(Full(kDestination));
    return {status,      Missing(FlatTree(DdeTree()), FlatTree(source), FlatTree(destination)),
            registry.OpenHandleCount(), !source, destination == DdeTree(), source == DdeTree(), !destination};
}

TEST(RenameUnderFailure, EveryFailingCallKeepsEveryKeyAndValue) {
    MemoryRegistry counter;
    Latin1Codec codec;
    counter.Load(Full(kSource), DdeTree());
    counter.ResetCallCounts();
    RegistryRoutines(counter, codec).RenameRegKey(codec.FromAnsi(kSource), L"ddeexec.bak", kHkeyClassesRoot);
    ASSERT_GT(counter.TotalCalls(), 30u);

    for (std::size_t f = 0; f < kRegFunctionCount; ++f) {
        const auto function = static_cast<RegFunction>(f);
        for (RegStatus status : kStatuses) {
            for (std::uint32_t nth = 1; nth <= counter.CallCount(function); ++nth) {
                const RenameRun run = RenameWith({{status, function, "", nth, false}});
                SCOPED_TRACE("call " + std::to_string(nth) + " of function " + std::to_string(f) + " fails with " +
                             std::to_string(status));
                // A handle whose close failed stays open; every other one is closed.
                EXPECT_EQ(run.openHandles, function == RegFunction::kCloseKey ? 1u : 0u);
                // Moved whole and said so, or not moved at all and said why.
                if (run.status == kErrorSuccess) {
                    EXPECT_TRUE(run.sourceGone && run.destinationWhole);
                } else {
                    EXPECT_TRUE(run.sourceAsBefore && run.destinationGone);
                    EXPECT_EQ(run.status, status);
                }
            }
        }
    }
}

TEST(RenameUnderFailure, PersistentFailuresEndTheLoopAndKeepTheSource) {
    const RegFault faults[] = {
        {kErrorAccessDenied, RegFunction::kDeleteKey, "", 1, true},
        {kErrorAccessDenied, RegFunction::kSetValueEx, "", 1, true},
        {kErrorAccessDenied, RegFunction::kCreateKeyEx, Full(kDestination + "\\Application"), 1, true},
        {kErrorAccessDenied, std::nullopt, Full(kSource + "\\Application\\Level2"), 1, true},
        {kErrorInvalidHandle, RegFunction::kEnumValue, "", 2, true},
        {kErrorInvalidHandle, RegFunction::kEnumKeyEx, "", 3, true},
    };
    for (const RegFault& fault : faults) {
        const RenameRun run = RenameWith({fault});
        SCOPED_TRACE("persistent fault on function " + std::to_string(static_cast<int>(fault.function.value_or(
                                                            RegFunction::kCloseKey))) + " at '" + fault.path + "'");
        EXPECT_EQ(run.missing, "");
        EXPECT_EQ(run.openHandles, 0u);
        EXPECT_EQ(run.status, fault.status);
        EXPECT_FALSE(run.sourceGone);
    }
    // The second value asks for more room at every one of more tries than
    // the copy makes: it cannot be read whole, and nothing may pass for it.
    const RenameRun run = RenameWith(std::vector<RegFault>(16, {kErrorMoreData, RegFunction::kEnumValue, "", 2}));
    EXPECT_EQ(run.status, kErrorMoreData);
    EXPECT_TRUE(run.sourceAsBefore && run.destinationGone);
}

// Application is deleted before ifExec refuses to go: it comes back from the
// copy, which then goes.
TEST(RenameUnderFailure, ASubkeyThatCannotBeDeletedLeavesTheTreeAsItWas) {
    const RenameRun run =
        RenameWith({{kErrorAccessDenied, RegFunction::kDeleteKey, Full(kSource + "\\ifExec"), 1, true}});
    EXPECT_EQ(run.status, kErrorAccessDenied);
    EXPECT_TRUE(run.sourceAsBefore);
    EXPECT_TRUE(run.destinationGone);
    EXPECT_EQ(run.openHandles, 0u);
}

// The whole update, with each of its registry calls failing in turn.
class UpdateUnderFailure : public testing::Test {
protected:
    static constexpr const char* kTypes[] = {"Word.Document.12", "Word.Document.8"};

    struct Outcome {
        UpdateOutcome outcome;
        std::vector<FakeUpdateHost::Box::Kind> boxes;
        std::wstring lastBox;
        std::string lost;
        bool repaired;
        // Types that are neither as they were nor as a run without faults
        // leaves them.
        std::vector<std::string> inBetween;
        // Types that the error box names, and says were left as they were
        // where they are not, or does not say so where they are.
        std::vector<std::string> wronglyLeftAsTheyWere;
        // Types with changes not on disk whose line does not say so.
        std::vector<std::string> unflushed;
        std::vector<MemoryRegistry::FaultHit> hits;
    };

    // What every run keeps to, whatever fails.
    static void ExpectHonest(const Outcome& run) {
        EXPECT_EQ(run.lost, "");
        EXPECT_EQ(run.wronglyLeftAsTheyWere, std::vector<std::string>{});
        EXPECT_EQ(run.unflushed, std::vector<std::string>{});
        EXPECT_TRUE(run.outcome != UpdateOutcome::Applied || run.repaired);
    }

    // The type below HKCR whose keys path names.
    static std::string TypeOf(const std::string& path) {
        for (const char* progId : kTypes) {
            const std::string top = FlatTree::Fold(std::string("HKCR\\") + progId);
            if (FlatTree::Fold(path + "\\").rfind(top + "\\", 0) == 0) return progId;
        }
        return "";
    }

    // Whether a line of box names the type and, at its end, the status.
    static bool Names(const std::wstring& box, const std::string& progId, RegStatus status) {
        const std::wstring tail = L"(error " + std::to_wstring(status) + L")";
        std::wistringstream lines(box);
        for (std::wstring line; std::getline(lines, line);) {
            if (line.rfind(Wide(progId) + L": ", 0) == 0 && line.size() > tail.size() &&
                line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
                return true;
        }
        return false;
    }

    using Types = std::map<std::string, std::optional<KeySnapshot>>;
    using Prepare = std::function<void(MemoryRegistry&)>;

    // Word 2007 as installed, then prepare's changes.
    static void Seed(MemoryRegistry& registry, const Prepare& prepare) {
        SeedWord2007(registry);
        if (prepare) prepare(registry);
    }

    static Types Snapshots(const MemoryRegistry& registry) {
        Types types;
        for (const char* progId : kTypes) types[progId] = registry.Snapshot(std::string("HKCR\\") + progId);
        return types;
    }

    // A run without faults: how it ends, each type as it leaves it, and the
    // calls it makes.
    struct Run {
        UpdateOutcome outcome;
        Types types;
        std::uint64_t calls;
        std::uint64_t flushes;
    };
    static Run WithoutFaults(const Prepare& prepare) {
        MemoryRegistry registry;
        Latin1Codec codec;
        Seed(registry, prepare);
        registry.ResetCallCounts();
        RegistryRoutines routines(registry, codec);
        FakeUpdateHost host;
        const UpdateOutcome outcome = ApplyUpdate(routines, codec, host);
        return {outcome, Snapshots(registry), registry.TotalCalls(), registry.CallCount(RegFunction::kFlushKey)};
    }

    static Outcome Update(const std::vector<RegFault>& faults, const Prepare& prepare = {}) {
        MemoryRegistry registry;
        return Update(registry, FakeUpdateHost(), faults, prepare);
    }

    static Outcome Update(MemoryRegistry& registry, FakeUpdateHost host, const std::vector<RegFault>& faults,
                          const Prepare& prepare = {}) {
        Latin1Codec codec;
        Seed(registry, prepare);
        // What was seeded is on disk.
        registry.FlushKey(kHkeyClassesRoot);
        const Types before = Snapshots(registry);
        for (const RegFault& fault : faults) registry.InjectFault(fault);
        RegistryRoutines routines(registry, codec);
        const UpdateOutcome outcome = ApplyUpdate(routines, codec, host);
        registry.ClearFaults();
        const Types after = Snapshots(registry);
        const Types repaired = WithoutFaults(prepare).types;

        Outcome run{outcome, host.Kinds(), host.boxes.back().text, "", true, {}, {}, {}, registry.FaultHits()};
        for (const std::string& path : registry.Unflushed()) {
            const std::string progId = TypeOf(path);
            if (run.lastBox.find(Wide(progId) + L": its changes could not be written to disk") == std::wstring::npos)
                run.unflushed.push_back(path);
        }
        for (const char* progId : kTypes) {
            const FlatTree original(before.at(progId));
            const FlatTree now(after.at(progId));
            // The DDE tree may be under its backup name, "Command" as "Command.bkN".
            const std::string dde = FlatTree::Fold("\\shell\\open\\ddeexec");
            const std::string backup = dde + FlatTree::Fold(".bak");
            const std::string command = FlatTree::Fold("\\shell\\open\\command|");
            FlatTree moved(std::nullopt);
            for (const auto& [path, cls] : now.classes) {
                if (path.compare(0, backup.size(), backup) == 0) moved.classes[dde + path.substr(backup.size())] = cls;
            }
            for (const auto& [where, value] : now.values) {
                if (where.compare(0, backup.size(), backup) == 0)
                    moved.values[dde + where.substr(backup.size())] = value;
                const auto descriptor = original.values.find(command + FlatTree::Fold("command"));
                if (where.rfind(command + FlatTree::Fold("command.bk"), 0) == 0 &&
                    descriptor != original.values.end() && SameValue(value, descriptor->second))
                    moved.values[descriptor->first] = value;
                // The rewritten default command is the intended change.
                if (where == command) moved.values[where] = original.values.at(where);
            }
            run.lost += Missing(original, now, moved);
            run.repaired = run.repaired && after.at(progId) == repaired.at(progId);
            if (after.at(progId) != before.at(progId) && after.at(progId) != repaired.at(progId))
                run.inBetween.push_back(progId);
            const bool named = run.lastBox.find(Wide(progId) + L": ") != std::wstring::npos;
            const bool saysLeft = run.lastBox.find(Wide(progId) + L" was left as it was.") != std::wstring::npos;
            if (named && saysLeft != (after.at(progId) == before.at(progId)))
                run.wronglyLeftAsTheyWere.push_back(progId);
        }
        return run;
    }

    static std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }
};

// Word 2007 as installed; as an Office repair leaves it after an update:
// "ddeexec" back beside "ddeexec.bak", "Command" back beside its backup,
// for Word.Document.12 with a new descriptor; and as Office spells it, in
// lower case, which "as it was" compares name for name.
TEST_F(UpdateUnderFailure, EveryFailingCallEndsEachTypeAsItWasOrRepairedAndNeverShowsFalseSuccess) {
    const Prepare officeRepairAfterAnUpdate = [](MemoryRegistry& registry) {
        Latin1Codec codec;
        RegistryRoutines routines(registry, codec);
        FakeUpdateHost host;
        ASSERT_EQ(ApplyUpdate(routines, codec, host), UpdateOutcome::Applied);
        SeedWord2007(registry);
        SetValue(registry, kHkeyClassesRoot, "Word.Document.12\\Shell\\Open\\Command", "Command", kRegMultiSz,
                 TextBytes(std::string("a newer descriptor\0\0", 20)));
    };
    const Prepare officeSpelling = [](MemoryRegistry& registry) {
        for (const WordDocumentType& type : kWordDocumentTypes)
            registry.Load("HKCR\\" + type.progId, Word2007Registration(type, Spelling::kOffice));
    };
    const std::pair<std::string, Prepare> registrations[] = {{"as installed", Prepare()},
                                                             {"after an Office repair", officeRepairAfterAnUpdate},
                                                             {"in lower case", officeSpelling}};
    for (const auto& [registration, prepare] : registrations) {
        int tried = 0, lost = 0, falseSuccess = 0, inBetween = 0;
        const Run clean = WithoutFaults(prepare);
        ASSERT_EQ(clean.outcome, UpdateOutcome::Applied);
        // What the success box means must be on disk before it shows.
        EXPECT_EQ(clean.flushes, 2u);

        for (RegStatus status : kStatuses) {
            for (std::uint32_t nth = 1; nth <= clean.calls; ++nth) {
                const Outcome run = Update({RegFault{status, std::nullopt, "", nth, false}}, prepare);
                SCOPED_TRACE(registration + ": call " + std::to_string(nth) + " fails with " + std::to_string(status));
                ++tried;
                if (!run.lost.empty()) ++lost;
                if (run.outcome == UpdateOutcome::Applied && !run.repaired) ++falseSuccess;
                if (!run.inBetween.empty()) ++inBetween;
                ExpectHonest(run);
                EXPECT_EQ(run.inBetween, std::vector<std::string>{});
                EXPECT_EQ(run.boxes.size(), 2u);
                if (status == kErrorAccessDenied && run.boxes.back() == FakeUpdateHost::Box::Error) {
                    EXPECT_NE(run.lastBox.find(L"Please run this program as an administrator."), std::wstring::npos)
                        << run.lastBox;
                }
                // Only a failed close is no reason to doubt the result; any
                // other failed call is named, with its status, on its type's line.
                for (const MemoryRegistry::FaultHit& hit : run.hits) {
                    if (hit.function == RegFunction::kCloseKey) continue;
                    EXPECT_NE(run.outcome, UpdateOutcome::Applied) << hit.path;
                    EXPECT_TRUE(Names(run.lastBox, TypeOf(hit.path), status)) << hit.path << "\n" << run.lastBox;
                }
            }
        }
        std::printf("fault points, %s: %d tried, %d lost, %d false success, %d in between\n", registration.c_str(),
                    tried, lost, falseSuccess, inBetween);
    }
    // The log failing at each of its four lines, its flush and its close.
    for (int failAt = 0; failAt < 6; ++failAt) {
        SCOPED_TRACE("the log fails at step " + std::to_string(failAt));
        MemoryRegistry registry;
        FakeUpdateHost host;
        if (failAt < 4) host.failWriteAt = failAt;
        (failAt == 4 ? host.failFlushWith : host.failCloseWith) = failAt < 4 ? 0 : 112;
        const Outcome run = Update(registry, host, {});
        EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
        ExpectHonest(run);
    }
}

TEST_F(UpdateUnderFailure, AccessDeniedIsReportedWithTheTypeAndTheAdministratorHint) {
    MemoryRegistry registry;
    const Outcome run = Update(registry, FakeUpdateHost(), {},
                               [](MemoryRegistry& seeded) { seeded.DenyWrites("HKCR\\Word.Document.8"); });
    EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
    EXPECT_EQ(run.lastBox, L"The update could not be applied completely.\n\n"
                           L"Word.Document.8: its open command could not be changed (error 5)\n"
                           L"Word.Document.8 was left as it was.\n\n"
                           L"Access was denied. Please run this program as an administrator.");
    EXPECT_FALSE(registry.Snapshot("HKCR\\Word.Document.12\\Shell\\Open\\ddeexec"));
    EXPECT_TRUE(registry.Snapshot("HKCR\\Word.Document.8\\Shell\\Open\\ddeexec"));

    // Without an open command, a DDE key that may not even be read.
    const std::string open8 = "Word.Document.8\\Shell\\Open";
    const Outcome unreadable =
        Update({{kErrorAccessDenied, RegFunction::kOpenKeyEx, "HKCR\\" + open8 + "\\ddeexec", 1, true}},
               [&](MemoryRegistry& seeded) { DeleteTree(seeded, kHkeyClassesRoot, open8 + "\\Command"); });
    EXPECT_NE(unreadable.lastBox.find(L"Word.Document.8: the key \"ddeexec\" could not be read (error 5)\n"
                                      L"Word.Document.8 was left as it was.\n\n"
                                      L"Access was denied. Please run this program as an administrator."),
              std::wstring::npos)
        << unreadable.lastBox;
}

// A fault that persists can refuse the putting back too: a type may then
// end in between, but the box must name it and never call it left as it was.
TEST_F(UpdateUnderFailure, PersistentFailuresStillEndWithAnHonestReport) {
    std::vector<RegFault> faults = {
        {kErrorAccessDenied, RegFunction::kSetValueEx, "", 1, true},
        {kErrorAccessDenied, RegFunction::kDeleteValue, "", 1, true},
        {kErrorAccessDenied, RegFunction::kDeleteKey, "", 1, true},
        {kErrorAccessDenied, RegFunction::kFlushKey, "", 1, true},
        {kErrorAccessDenied, RegFunction::kEnumValue, "", 1, true},
        {kErrorInvalidHandle, std::nullopt, "HKCR\\Word.Document.12\\Shell\\Open\\Command", 1, true},
        {kErrorInvalidHandle, std::nullopt, "HKCR\\Word.Document.8\\Shell\\Open\\ddeexec", 1, true},
    };
    // The registry stops answering part way, at each call in turn.
    const std::uint64_t calls = WithoutFaults({}).calls;
    for (RegStatus status : kStatuses) {
        for (std::uint32_t nth = 1; nth <= calls; ++nth)
            faults.push_back({status, std::nullopt, "", nth, true});
    }

    int inBetween = 0, named = 0;
    for (const RegFault& fault : faults) {
        const Outcome run = Update({fault});
        SCOPED_TRACE("persistent fault from call " + std::to_string(fault.nth) + " at '" + fault.path + "'");
        EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
        ExpectHonest(run);
        EXPECT_EQ(run.boxes.back(), FakeUpdateHost::Box::Error);
        if (!run.inBetween.empty()) ++inBetween;
        bool allNamed = true;
        for (const std::string& progId : run.inBetween)
            allNamed = allNamed && run.lastBox.find(Wide(progId) + L": ") != std::wstring::npos;
        EXPECT_TRUE(allNamed);
        if (!run.inBetween.empty() && allNamed) ++named;
    }
    std::printf("persistent faults: %zu tried, %d left a type in between, %d named every such type\n", faults.size(),
                inBetween, named);

    // Every write refused, as for a user who is not an administrator.
    const Outcome run = Update({}, [](MemoryRegistry& registry) { registry.DenyWrites("HKCR"); });
    EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
    ExpectHonest(run);
    EXPECT_EQ(run.boxes.back(), FakeUpdateHost::Box::Error);
}

// Registry-protection software can answer success for a change it did not
// keep. Each check that reads the registry back keeps one promise then.
RegFault Lie(RegFunction function, const std::string& path, FaultKind kind, std::uint32_t nth = 1,
             bool persistent = false) {
    return {kErrorSuccess, function, path, nth, persistent, kind};
}

const std::string kOpen12 = "HKCR\\Word.Document.12\\Shell\\Open";
const std::string kCmd12 = kOpen12 + "\\Command";

TEST_F(UpdateUnderFailure, NoSuccessBoxUnlessTheRepairedStateReadsBack) {
    const RegFault lies[] = {
        Lie(RegFunction::kDeleteValue, kCmd12, FaultKind::kKeepNothing),
        // ddeexec itself, deleted after its three subkeys.
        Lie(RegFunction::kDeleteKey, kOpen12 + "\\ddeexec", FaultKind::kKeepNothing, 4),
    };
    for (const RegFault& lie : lies) {
        SCOPED_TRACE("function " + std::to_string(static_cast<int>(*lie.function)) + " keeps nothing");
        const Outcome run = Update({lie});
        EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
        EXPECT_NE(run.lastBox.find(L"Word.Document.12: "), std::wstring::npos);
        ExpectHonest(run);
    }
}

// The seeded "Command" is REG_MULTI_SZ: a backup of another type is not it.
TEST_F(UpdateUnderFailure, CommandIsNeverDeletedWithoutAFaithfulBackup) {
    const std::vector<std::pair<const char*, std::vector<RegFault>>> cases = {
        {"the backup is not kept", {Lie(RegFunction::kSetValueEx, kCmd12, FaultKind::kKeepNothing, 2)}},
        {"the backup is kept as another type", {Lie(RegFunction::kSetValueEx, kCmd12, FaultKind::kKeepOther, 2)}},
        {"the rename fails and Command is not kept when put back",
         {{kErrorAccessDenied, RegFunction::kCreateKeyEx, kOpen12 + "\\ddeexec.bak", 1, true},
          Lie(RegFunction::kSetValueEx, kCmd12, FaultKind::kKeepNothing, 3)}},
    };
    for (const auto& [what, faults] : cases) {
        SCOPED_TRACE(what);
        const Outcome run = Update(faults);
        EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
        ExpectHonest(run);
    }
}

TEST_F(UpdateUnderFailure, DdeexecNeverGoesWhileTheCommandLineDoesNotPassThePath) {
    const std::string expandable = R"("%ProgramFiles%\Microsoft Office\Office12\WINWORD.EXE" /n /dde)";
    const std::pair<FaultKind, std::uint32_t> lies[] = {
        {FaultKind::kKeepNothing, kRegSz},
        // Stored as REG_SZ, %ProgramFiles% would never be expanded.
        {FaultKind::kKeepOther, kRegExpandSz},
    };
    for (const auto& [kind, type] : lies) {
        SCOPED_TRACE("the open command, of type " + std::to_string(type) + ", is not kept");
        const Outcome run = Update({Lie(RegFunction::kSetValueEx, kCmd12, kind)}, [&](MemoryRegistry& registry) {
            SetValue(registry, kHkeyClassesRoot, "Word.Document.12\\Shell\\Open\\Command", "", type,
                     SzBytes(expandable));
        });
        EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
        EXPECT_NE(run.lastBox.find(L"\nWord.Document.12: its new open command does not read back\n"
                                   L"Word.Document.12 was left as it was.\n"),
                  std::wstring::npos);
        EXPECT_EQ(run.inBetween, std::vector<std::string>{});
        ExpectHonest(run);
    }
}

// A registry that never runs out of earlier backups: for the first reads,
// every "Command.bkN" holds other data, every "ddeexec.bakN" is there.
class EndlessBackups : public MemoryRegistry {
public:
    static constexpr int kLies = 100000;
    int lies = 0;

    RegStatus QueryValueExW(HKey key, const std::u16string& valueName, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* dataSize) override {
        if (valueName.rfind(u"Command.bk", 0) != 0 || ++lies > kLies)
            return MemoryRegistry::QueryValueExW(key, valueName, type, data, dataSize);
        *type = kRegBinary;
        if (data) *data = 0x0D;
        *dataSize = 1;
        return kErrorSuccess;
    }
    // A backup of the key opens as its parent does.
    RegStatus OpenKeyEx(HKey key, const std::string& subKey, std::uint32_t access, HKey* result) override {
        const std::size_t backup = subKey.rfind("\\ddeexec.bak");
        if (backup == std::string::npos || ++lies > kLies)
            return MemoryRegistry::OpenKeyEx(key, subKey, access, result);
        return MemoryRegistry::OpenKeyEx(key, subKey.substr(0, backup), access, result);
    }
};

TEST_F(UpdateUnderFailure, EveryBackupNameSearchEndsAndSaysSo) {
    const std::pair<Prepare, std::wstring> cases[] = {
        {{}, L"there is no free name for the backup of the value \"Command\""},
        // With no "Command", only the key's backup needs a name.
        {[](MemoryRegistry& registry) {
             for (const WordDocumentType& type : kWordDocumentTypes) {
                 KeySnapshot registration = Word2007Registration(type);
                 registration.subkeys[1].subkeys[0].subkeys[0].values.pop_back();
                 registry.Load("HKCR\\" + type.progId, registration);
             }
         },
         L"there is no free name for the backup of the key \"ddeexec\""},
    };
    for (const auto& [prepare, line] : cases) {
        SCOPED_TRACE(std::string(line.begin(), line.end()));
        EndlessBackups registry;
        const Outcome run = Update(registry, FakeUpdateHost(), {}, prepare);
        EXPECT_LT(registry.lies, EndlessBackups::kLies);
        EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
        EXPECT_NE(run.lastBox.find(L"\nWord.Document.12: " + line + L"\nWord.Document.12 was left as it was.\n"),
                  std::wstring::npos)
            << run.lastBox;
        ExpectHonest(run);
    }
}

}  // namespace
}  // namespace wof
