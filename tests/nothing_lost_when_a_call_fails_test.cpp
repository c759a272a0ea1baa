// Native only: the in-memory registry fails chosen calls, and every
// failure must leave every key and value somewhere and never show success.
#include <gtest/gtest.h>

#include "registry/RegistryRoutines.h"
#include "repair/ApplyUpdate.h"
#include "tests/FakeUpdateHost.h"
#include "tests/FlatTree.h"
#include "tests/TestRegistries.h"
#include "tests/support/Latin1Codec.h"
#include "tests/support/MemoryRegistry.h"

namespace wof {
namespace {

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
};

RenameRun RenameWith(const std::optional<RegFault>& fault) {
    MemoryRegistry registry;
    Latin1Codec codec;
    registry.Load(Full(kSource), DdeTree());
    if (fault) registry.InjectFault(*fault);
    RegistryRoutines routines(registry, codec);
    const RegStatus status = routines.RenameRegKey(codec.FromAnsi(kSource), L"ddeexec.bak", kHkeyClassesRoot);
    registry.ClearFaults();
    const auto source = registry.Snapshot(Full(kSource));
    const auto destination = registry.Snapshot(Full(kDestination));
    return {status, Missing(FlatTree(DdeTree()), FlatTree(source), FlatTree(destination)), registry.OpenHandleCount(),
            !source, destination == DdeTree()};
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
                const RenameRun run = RenameWith(RegFault{status, function, "", nth, false});
                SCOPED_TRACE("call " + std::to_string(nth) + " of function " + std::to_string(f) + " fails with " +
                             std::to_string(status));
                EXPECT_EQ(run.missing, "");
                // A handle whose close failed stays open; every other one is closed.
                EXPECT_EQ(run.openHandles, function == RegFunction::kCloseKey ? 1u : 0u);
                // Success is claimed only for a finished move.
                EXPECT_TRUE(run.status != kErrorSuccess || (run.sourceGone && run.destinationWhole));
                EXPECT_TRUE(run.sourceGone || run.status != kErrorSuccess);
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
        const RenameRun run = RenameWith(fault);
        SCOPED_TRACE("persistent fault on function " + std::to_string(static_cast<int>(fault.function.value_or(
                                                            RegFunction::kCloseKey))) + " at '" + fault.path + "'");
        EXPECT_EQ(run.missing, "");
        EXPECT_EQ(run.openHandles, 0u);
        EXPECT_NE(run.status, kErrorSuccess);
        EXPECT_FALSE(run.sourceGone);
    }
}

TEST(RenameUnderFailure, ASubkeyThatCannotMoveIsPassedOverAndTheRestMoves) {
    const RenameRun run =
        RenameWith(RegFault{kErrorAccessDenied, RegFunction::kDeleteKey, Full(kSource + "\\Application"), 1, true});
    EXPECT_EQ(run.missing, "");
    EXPECT_NE(run.status, kErrorSuccess);
    MemoryRegistry registry;
    Latin1Codec codec;
    registry.Load(Full(kSource), DdeTree());
    registry.InjectFault({kErrorAccessDenied, RegFunction::kDeleteKey, Full(kSource + "\\Application"), 1, true});
    RegistryRoutines(registry, codec).RenameRegKey(codec.FromAnsi(kSource), L"ddeexec.bak", kHkeyClassesRoot);
    registry.ClearFaults();
    // Topic and ifExec, after Application in the enumeration, still moved.
    const auto source = registry.Snapshot(Full(kSource));
    ASSERT_TRUE(source);
    ASSERT_EQ(source->subkeys.size(), 1u);
    EXPECT_EQ(source->subkeys[0].name, "Application");
    EXPECT_TRUE(registry.Snapshot(Full(kDestination + "\\Topic")));
    EXPECT_TRUE(registry.Snapshot(Full(kDestination + "\\ifExec")));
}

// The whole update, with each of its registry calls failing in turn.
class UpdateUnderFailure : public testing::Test {
protected:
    struct Outcome {
        UpdateOutcome outcome;
        std::vector<FakeUpdateHost::Box::Kind> boxes;
        std::string lost;
        bool repaired;
        // Types whose DDE key went although their command line does not
        // pass the document's path or "Command" is not in its backup.
        std::string halfRepaired;
    };

    static Outcome Update(const std::optional<RegFault>& fault, std::function<void(MemoryRegistry&)> prepare = {}) {
        MemoryRegistry registry;
        Latin1Codec codec;
        SeedWord2007(registry);
        if (prepare) prepare(registry);
        const auto before12 = registry.Snapshot("HKCR\\Word.Document.12");
        const auto before8 = registry.Snapshot("HKCR\\Word.Document.8");
        if (fault) registry.InjectFault(*fault);
        RegistryRoutines routines(registry, codec);
        FakeUpdateHost host;
        const UpdateOutcome outcome = ApplyUpdate(routines, codec, host);
        registry.ClearFaults();

        std::string lost;
        bool repaired = true;
        std::string halfRepaired;
        for (const auto& [progId, before] : {std::pair{"Word.Document.12", before12}, {"Word.Document.8", before8}}) {
            const std::string open = std::string("HKCR\\") + progId + "\\Shell\\Open";
            const FlatTree original(before);
            const FlatTree now(registry.Snapshot(std::string("HKCR\\") + progId));
            // The DDE tree may be under its backup name, "Command" as "Command.bk".
            FlatTree moved(std::nullopt);
            for (const auto& [path, cls] : now.classes) {
                const std::string from = "\\shell\\open\\ddeexec.bak";
                if (path.compare(0, from.size(), from) == 0)
                    moved.classes["\\shell\\open\\ddeexec" + path.substr(from.size())] = cls;
            }
            for (const auto& [where, value] : now.values) {
                const std::string from = "\\shell\\open\\ddeexec.bak";
                if (where.compare(0, from.size(), from) == 0)
                    moved.values["\\shell\\open\\ddeexec" + where.substr(from.size())] = value;
                if (where == "\\shell\\open\\command|command.bk") moved.values["\\shell\\open\\command|command"] = value;
                // The rewritten default command is the intended change.
                if (where == "\\shell\\open\\command|") moved.values[where] = original.values.at(where);
            }
            lost += Missing(original, now, moved);
            const FlatTree command(registry.Snapshot(open + "\\Command"));
            const bool ddeGone = !registry.Snapshot(open + "\\ddeexec");
            repaired = repaired && ddeGone && command.values.count("|command") == 0;
            const auto openCommand = command.values.find("|");
            const bool wholeCommandLine = openCommand != command.values.end() &&
                                          openCommand->second.data == SzBytes(kRepairedCommand) &&
                                          command.values.count("|command") == 0 &&
                                          command.values.count("|command.bk") == 1;
            if (ddeGone && !wholeCommandLine) halfRepaired += std::string(progId) + "\n";
        }
        return {outcome, host.Kinds(), lost, repaired, halfRepaired};
    }
};

TEST_F(UpdateUnderFailure, NoCallFailureLosesDataOrShowsFalseSuccess) {
    MemoryRegistry counter;
    Latin1Codec codec;
    SeedWord2007(counter);
    counter.ResetCallCounts();
    RegistryRoutines routines(counter, codec);
    FakeUpdateHost host;
    ASSERT_EQ(ApplyUpdate(routines, codec, host), UpdateOutcome::Applied);
    const std::uint64_t calls = counter.TotalCalls();

    int tried = 0, lost = 0, falseSuccess = 0, half = 0;
    for (RegStatus status : kStatuses) {
        for (std::uint32_t nth = 1; nth <= calls; ++nth) {
            const Outcome run = Update(RegFault{status, std::nullopt, "", nth, false});
            SCOPED_TRACE("call " + std::to_string(nth) + " fails with " + std::to_string(status));
            ++tried;
            if (!run.lost.empty()) ++lost;
            if (run.outcome == UpdateOutcome::Applied && !run.repaired) ++falseSuccess;
            if (!run.halfRepaired.empty()) ++half;
            EXPECT_EQ(run.lost, "");
            EXPECT_EQ(run.halfRepaired, "");
            EXPECT_TRUE(run.outcome != UpdateOutcome::Applied || run.repaired);
            EXPECT_EQ(run.boxes.size(), 2u);
        }
    }
    std::printf("fault points: %d tried, %d lost, %d false success, %d half repaired\n", tried, lost, falseSuccess,
                half);
}

TEST_F(UpdateUnderFailure, AccessDeniedIsReportedWithTheTypeAndTheAdministratorHint) {
    MemoryRegistry registry;
    Latin1Codec codec;
    SeedWord2007(registry);
    registry.DenyWrites("HKCR\\Word.Document.8");
    RegistryRoutines routines(registry, codec);
    FakeUpdateHost host;

    EXPECT_EQ(ApplyUpdate(routines, codec, host), UpdateOutcome::Failed);
    ASSERT_EQ(host.Kinds(), (std::vector<FakeUpdateHost::Box::Kind>{FakeUpdateHost::Box::Confirm,
                                                                    FakeUpdateHost::Box::Error}));
    const std::wstring& text = host.boxes[1].text;
    EXPECT_NE(text.find(L"Word.Document.8:"), std::wstring::npos);
    EXPECT_EQ(text.find(L"Word.Document.12:"), std::wstring::npos);
    EXPECT_NE(text.find(L"administrator"), std::wstring::npos);
    EXPECT_FALSE(registry.Snapshot("HKCR\\Word.Document.12\\Shell\\Open\\ddeexec"));
    EXPECT_TRUE(registry.Snapshot("HKCR\\Word.Document.8\\Shell\\Open\\ddeexec"));
}

TEST_F(UpdateUnderFailure, PersistentFailuresStillEndWithAnHonestReport) {
    const RegFault faults[] = {
        {kErrorAccessDenied, RegFunction::kSetValueEx, "", 1, true},
        {kErrorAccessDenied, RegFunction::kDeleteValue, "", 1, true},
        {kErrorAccessDenied, RegFunction::kDeleteKey, "", 1, true},
        {kErrorInvalidHandle, std::nullopt, "HKCR\\Word.Document.12\\Shell\\Open\\Command", 1, true},
        {kErrorInvalidHandle, std::nullopt, "HKCR\\Word.Document.8\\Shell\\Open\\ddeexec", 1, true},
    };
    for (const RegFault& fault : faults) {
        const Outcome run = Update(fault);
        SCOPED_TRACE("persistent fault at '" + fault.path + "'");
        EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
        EXPECT_EQ(run.lost, "");
        EXPECT_EQ(run.halfRepaired, "");
        EXPECT_EQ(run.boxes.back(), FakeUpdateHost::Box::Error);
    }
    // Every write refused, as for a user who is not an administrator.
    const Outcome run = Update(std::nullopt, [](MemoryRegistry& registry) { registry.DenyWrites("HKCR"); });
    EXPECT_EQ(run.outcome, UpdateOutcome::Failed);
    EXPECT_EQ(run.lost, "");
    EXPECT_EQ(run.boxes.back(), FakeUpdateHost::Box::Error);
}

}  // namespace
}  // namespace wof
