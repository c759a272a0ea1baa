#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

#include "registry/KeyHandle.h"
#include "repair/ApplyUpdate.h"
#include "tests/FakeUpdateHost.h"
#include "tests/TestRegistries.h"

namespace wof {
namespace {

const std::wstring kConfirmText =
    L"Kemaskini ini untuk Windows XP PC yang mengalami masalah untuk membuka Microsoft Word 2007 setelah memasang "
    L"Sulakora. Jika anda menghadapi masalah tersebut, sila klik YES untuk meneruskan kemaskini.";
const std::wstring kSuccessText = L"Update has been successfully applied to this PC";
const std::string kCmd12 = "Word.Document.12\\Shell\\Open\\Command";
const std::string kCmd8 = "Word.Document.8\\Shell\\Open\\Command";
const std::string kOpen12 = "Word.Document.12\\Shell\\Open";
const std::string kOpen8 = "Word.Document.8\\Shell\\Open";
const WordDocumentType& kWord12 = kWordDocumentTypes[0];
const WordDocumentType& kWord8 = kWordDocumentTypes[1];

using Kind = FakeUpdateHost::Box::Kind;

class ApplyUpdateTest : public testing::Test {
protected:
    void SetUp() override { Reseed(); }
    void TearDown() override { Clean(); }
    // Word 2007 as installed, and a host that has shown nothing yet.
    void Reseed() {
        Clean();
        SeedWord2007(*registry_);
        host_ = FakeUpdateHost();
    }
    void Clean() {
        DeleteTree(*registry_, kHkeyClassesRoot, "Word.Document.12");
        DeleteTree(*registry_, kHkeyClassesRoot, "Word.Document.8");
    }

    UpdateOutcome Run() { return ApplyUpdate(routines_, *codec_, host_); }

    std::optional<RegValue> Value(const std::string& path, const std::string& name) {
        return routines_.ReadRegValue(codec_->FromAnsi(path), codec_->FromAnsi(name));
    }
    bool Exists(const std::string& path) { return routines_.KeyExists(codec_->FromAnsi(path)); }
    std::optional<KeySnapshot> Tree(const std::string& path) { return ReadTree(*registry_, kHkeyClassesRoot, path); }
    void DeleteValue(const std::string& path, const std::string& name) {
        KeyHandle key(*registry_);
        ASSERT_EQ(registry_->OpenKeyEx(kHkeyClassesRoot, path, kKeyAllAccess, key.put()), kErrorSuccess);
        ASSERT_EQ(registry_->DeleteValue(key.get(), name), kErrorSuccess);
    }

    std::unique_ptr<Registry> registry_ = MakeTestRegistry();
    std::unique_ptr<AnsiCodec> codec_ = MakeTestCodec();
    RegistryRoutines routines_{*registry_, *codec_};
    FakeUpdateHost host_;
};

std::string LogLine(const std::string& key, const std::string& value) { return key + " = " + value + "\r\n"; }

// The "Command" value's text as read: one of its two closing NULs dropped.
std::string CommandText(const WordDocumentType& type) { return type.descriptor + '\0'; }

RegValue Stored(const SnapshotValue& value) { return {value.type, value.data}; }

TEST_F(ApplyUpdateTest, RepairsBothDocumentTypesLogsWhatItFoundAndSaysSo) {
    const std::optional<KeySnapshot> dde12 = Tree(kOpen12 + "\\ddeexec");
    const std::optional<KeySnapshot> dde8 = Tree(kOpen8 + "\\ddeexec");
    EXPECT_EQ(Run(), UpdateOutcome::Applied);

    ASSERT_EQ(host_.boxes.size(), 2u);
    EXPECT_EQ(host_.boxes[0].kind, Kind::Confirm);
    EXPECT_EQ(host_.boxes[0].text, kConfirmText);
    EXPECT_EQ(host_.boxes[1].kind, Kind::Information);
    EXPECT_EQ(host_.boxes[1].text, kSuccessText);

    EXPECT_EQ(host_.createdPaths, std::vector<std::wstring>{LR"(C:\Tools\WordOpenFix.txt)"});
    EXPECT_TRUE(host_.logClosed);
    EXPECT_EQ(host_.log, LogLine(kCmd12, kWordOpenCommand) + LogLine(kCmd12, CommandText(kWord12)) +
                             LogLine(kCmd8, kWordOpenCommand) + LogLine(kCmd8, CommandText(kWord8)));

    for (const auto& [open, dde, type] : {std::tuple{kOpen12, dde12, &kWord12}, std::tuple{kOpen8, dde8, &kWord8}}) {
        const std::string cmd = open + "\\Command";
        EXPECT_EQ(Value(cmd, ""), (RegValue{kRegSz, SzBytes(kRepairedCommand)}));
        EXPECT_EQ(Value(cmd, "Command"), std::nullopt);
        EXPECT_EQ(Value(cmd, "Command.bk"), Stored(CommandValue(*type)));
        EXPECT_FALSE(Exists(open + "\\ddeexec"));
        EXPECT_EQ(Tree(open + "\\ddeexec.bak"), dde);
    }
}

TEST_F(ApplyUpdateTest, LaterRunsChangeNothingMoreAndStillSucceed) {
    ASSERT_EQ(Run(), UpdateOutcome::Applied);
    const std::optional<KeySnapshot> after12 = Tree("Word.Document.12");
    const std::optional<KeySnapshot> after8 = Tree("Word.Document.8");

    for (int run = 2; run <= 10; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        host_ = FakeUpdateHost();
        EXPECT_EQ(Run(), UpdateOutcome::Applied);
        EXPECT_EQ(host_.Kinds(), (std::vector<Kind>{Kind::Confirm, Kind::Information}));
        EXPECT_EQ(Tree("Word.Document.12"), after12);
        EXPECT_EQ(Tree("Word.Document.8"), after8);
        EXPECT_EQ(host_.log, LogLine(kCmd12, kRepairedCommand) + LogLine(kCmd12, "") +
                                 LogLine(kCmd8, kRepairedCommand) + LogLine(kCmd8, ""));
    }
}

TEST_F(ApplyUpdateTest, NoWritesNothingAndOpensNoLog) {
    const std::optional<KeySnapshot> before = Tree("Word.Document.12");
    host_.answerYes = false;
    EXPECT_EQ(Run(), UpdateOutcome::Declined);
    EXPECT_EQ(host_.Kinds(), std::vector<Kind>{Kind::Confirm});
    EXPECT_TRUE(host_.createdPaths.empty());
    EXPECT_EQ(Tree("Word.Document.12"), before);
}

TEST_F(ApplyUpdateTest, LogThatCannotBeCreatedStopsBeforeAnyChange) {
    const std::optional<KeySnapshot> before = Tree("Word.Document.12");
    host_.createError = 5;
    EXPECT_EQ(Run(), UpdateOutcome::Failed);
    ASSERT_EQ(host_.Kinds(), (std::vector<Kind>{Kind::Confirm, Kind::Error}));
    EXPECT_NE(host_.boxes[1].text.find(L"error 5"), std::wstring::npos);
    EXPECT_NE(host_.boxes[1].text.find(LR"(C:\Tools\WordOpenFix.txt)"), std::wstring::npos);
    EXPECT_EQ(Tree("Word.Document.12"), before);
}

// Both lines of a type are written before the type is touched, so a log
// that fails at any line leaves that type and the ones after it as they were.
TEST_F(ApplyUpdateTest, LogThatStopsWorkingLeavesTheCurrentTypeUntouched) {
    const std::optional<KeySnapshot> seeded12 = Tree("Word.Document.12");
    const std::optional<KeySnapshot> seeded8 = Tree("Word.Document.8");
    for (int failAt = 0; failAt < 4; ++failAt) {
        SCOPED_TRACE("log write " + std::to_string(failAt) + " fails");
        Reseed();
        host_.failWriteAt = failAt;

        EXPECT_EQ(Run(), UpdateOutcome::Failed);
        ASSERT_EQ(host_.Kinds(), (std::vector<Kind>{Kind::Confirm, Kind::Error}));
        const std::wstring& text = host_.boxes[1].text;
        EXPECT_EQ(text.substr(text.find(L"The update was stopped.")),
                  failAt < 2 ? L"The update was stopped. Nothing on this PC has been changed."
                             : L"The update was stopped. Already changed:\nWord.Document.12");
        EXPECT_EQ(Exists(kOpen12 + "\\ddeexec"), failAt < 2);
        if (failAt < 2) {
            EXPECT_EQ(Tree("Word.Document.12"), seeded12);
        }
        EXPECT_EQ(Tree("Word.Document.8"), seeded8);
    }
}

// The log's last lines must be on disk, and the file closed, before a box
// can say the update is done.
TEST_F(ApplyUpdateTest, LogThatCannotBeFlushedOrClosedIsAFailureThatNamesWhatChanged) {
    for (const bool flush : {true, false}) {
        SCOPED_TRACE(flush ? "flush fails" : "close fails");
        Reseed();
        (flush ? host_.failFlushWith : host_.failCloseWith) = 112;

        EXPECT_EQ(Run(), UpdateOutcome::Failed);
        ASSERT_EQ(host_.Kinds(), (std::vector<Kind>{Kind::Confirm, Kind::Error}));
        EXPECT_EQ(host_.boxes[1].text, L"The log file could not be written:\nC:\\Tools\\WordOpenFix.txt\n\nerror 112\n\n"
                                       L"The update was stopped. Already changed:\nWord.Document.12\nWord.Document.8");
    }
}

TEST_F(ApplyUpdateTest, UnregisteredTypeIsNotCreatedButStillLogged) {
    DeleteTree(*registry_, kHkeyClassesRoot, "Word.Document.8");
    EXPECT_EQ(Run(), UpdateOutcome::Applied);
    EXPECT_FALSE(Exists("Word.Document.8"));
    EXPECT_EQ(host_.log.substr(host_.log.find(kCmd8)), LogLine(kCmd8, "") + LogLine(kCmd8, ""));

    // With neither type there, there is nothing to repair, and that is no success.
    DeleteTree(*registry_, kHkeyClassesRoot, "Word.Document.12");
    host_ = FakeUpdateHost();
    EXPECT_EQ(Run(), UpdateOutcome::NothingToRepair);
    ASSERT_EQ(host_.Kinds(), (std::vector<Kind>{Kind::Confirm, Kind::Information}));
    EXPECT_EQ(host_.boxes[1].text,
              L"Word's document types, Word.Document.12 and Word.Document.8, are not registered on this PC, so there "
              L"is nothing to repair.\n\nNothing on this PC has been changed.");
    EXPECT_FALSE(Exists("Word.Document.12"));
    EXPECT_FALSE(Exists("Word.Document.8"));
    EXPECT_EQ(host_.log, LogLine(kCmd12, "") + LogLine(kCmd12, "") + LogLine(kCmd8, "") + LogLine(kCmd8, ""));
}

// The DDE key goes only once the command line passes the document's path;
// a type for which that cannot be done keeps every key and value.
TEST_F(ApplyUpdateTest, TypeThatCannotBeRepairedWholeIsLeftAsItWasAndNamed) {
    struct Case {
        const char* what;
        std::function<void()> breakType;
        std::wstring reason;
    };
    const std::string cmdOnly = R"("C:\Program Files\Microsoft Office\Office12\WINWORD.EXE" /n)";
    const Case cases[] = {
        {"no default command",
         [&] { DeleteValue(kCmd8, ""); },
         L"its open command is missing"},
        {"a default command that is not text",  // 10: REG_RESOURCE_REQUIREMENTS_LIST
         [&] { SetValue(*registry_, kHkeyClassesRoot, kCmd8, "", 10, Bytes("/dde")); },
         L"its open command is not text (type 10)"},
        {"a command with neither /dde nor %1",
         [&] { SetValue(*registry_, kHkeyClassesRoot, kCmd8, "", kRegSz, SzBytes(cmdOnly)); },
         L"its open command has neither \"/dde\" nor \"%1\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reseed();
        c.breakType();
        const std::optional<KeySnapshot> before = Tree("Word.Document.8");

        EXPECT_EQ(Run(), UpdateOutcome::Failed);
        ASSERT_EQ(host_.Kinds(), (std::vector<Kind>{Kind::Confirm, Kind::Error}));
        const std::wstring& text = host_.boxes[1].text;
        EXPECT_NE(text.find(L"Word.Document.8: " + c.reason), std::wstring::npos) << text.c_str();
        EXPECT_NE(text.find(L"Word.Document.8 was left as it was."), std::wstring::npos);
        EXPECT_EQ(text.find(L"Word.Document.12"), std::wstring::npos);
        EXPECT_EQ(Tree("Word.Document.8"), before);
        EXPECT_FALSE(Exists(kOpen12 + "\\ddeexec"));
        EXPECT_EQ(std::count(host_.log.begin(), host_.log.end(), '\n'), 4);
    }
}

TEST_F(ApplyUpdateTest, OfficeRepairAfterAnUpdateIsRepairedAgainWithoutTouchingOldBackups) {
    ASSERT_EQ(Run(), UpdateOutcome::Applied);
    const std::optional<KeySnapshot> firstBackup = Tree(kOpen12 + "\\ddeexec.bak");
    // An Office repair registers the type again over the repaired one.
    SeedWordDocumentType(*registry_, kWord12);
    SetValue(*registry_, kHkeyClassesRoot, kOpen12 + "\\ddeexec\\Topic", "", kRegSz, SzBytes("Repaired"));
    const std::optional<KeySnapshot> recreated = Tree(kOpen12 + "\\ddeexec");
    host_ = FakeUpdateHost();

    EXPECT_EQ(Run(), UpdateOutcome::Applied);
    EXPECT_EQ(Value(kCmd12, ""), (RegValue{kRegSz, SzBytes(kRepairedCommand)}));
    EXPECT_EQ(Value(kCmd12, "Command"), std::nullopt);
    EXPECT_EQ(Value(kCmd12, "Command.bk"), Stored(CommandValue(kWord12)));
    EXPECT_FALSE(Exists(kOpen12 + "\\ddeexec"));
    EXPECT_EQ(Tree(kOpen12 + "\\ddeexec.bak"), firstBackup);
    EXPECT_EQ(Tree(kOpen12 + "\\ddeexec.bak2"), recreated);
}

// A backup holding something else goes on holding it: "Command" is kept in
// the first "Command.bkN" that is free or holds the same.
TEST_F(ApplyUpdateTest, AnEarlierCommandBackupIsNeverOverwritten) {
    const RegValue earlier{kRegBinary, {1, 2, 3}};
    const RegValue command = Stored(CommandValue(kWord12));
    struct Case {
        const char* what;
        std::optional<RegValue> bk;  // "Command.bk" before the update
        bool commandThere;
        std::optional<RegValue> bk2;  // "Command.bk2" after it
    } cases[] = {
        {"no Command", earlier, false, std::nullopt},
        {"a Command.bk of other data", earlier, true, command},
        {"a Command.bk of the same data", command, true, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reseed();
        SetValue(*registry_, kHkeyClassesRoot, kCmd12, "Command.bk", c.bk->type, c.bk->data);
        if (!c.commandThere) DeleteValue(kCmd12, "Command");

        EXPECT_EQ(Run(), UpdateOutcome::Applied);
        EXPECT_EQ(Value(kCmd12, "Command.bk"), c.bk);
        EXPECT_EQ(Value(kCmd12, "Command.bk2"), c.bk2);
        EXPECT_EQ(Value(kCmd12, "Command"), std::nullopt);
    }
}

TEST_F(ApplyUpdateTest, CommandOfAnyTypeIsBackedUpWithItsTypeAndBytes) {
    const RegValue dword{kRegDword, {0x78, 0x56, 0x34, 0x12}};
    SetValue(*registry_, kHkeyClassesRoot, kCmd12, "Command", dword.type, dword.data);
    const RegValue empty{kRegBinary, {}};
    SetValue(*registry_, kHkeyClassesRoot, kCmd8, "Command", empty.type, empty.data);

    EXPECT_EQ(Run(), UpdateOutcome::Applied);
    EXPECT_EQ(Value(kCmd12, "Command.bk"), dword);
    EXPECT_EQ(Value(kCmd8, "Command.bk"), empty);
    EXPECT_EQ(Value(kCmd8, "Command"), std::nullopt);
}

// Registrations other than Office's own: each is repaired, its open command
// keeps its type, and the DDE key moves whole.
TEST_F(ApplyUpdateTest, LessCommonRegistrationsAreRepairedWhole) {
    const std::string expandable = R"("%ProgramFiles%\Microsoft Office\Office12\WINWORD.EXE" /n)";
    const std::string longName = R"("C:\Program Files\Microsoft Office\Office12\WINWORD.EXE" /n )";
    struct Case {
        const char* what;
        RegValue before, after;  // the open command
        bool command;            // "Command" is there
        std::string ddeClass;    // of a subkey of ddeexec
    } cases[] = {
        {"an expandable command", {kRegExpandSz, SzBytes(expandable + " /dde")},
         {kRegExpandSz, SzBytes(expandable + " \"%1\"")}, true, ""},
        {"a command that passes %L", {kRegSz, SzBytes(longName + "\"%L\"")}, {kRegSz, SzBytes(longName + "\"%L\"")},
         true, ""},
        {"a command that passes %l", {kRegSz, SzBytes(longName + "%l")}, {kRegSz, SzBytes(longName + "%l")}, true, ""},
        {"neither Command nor Command.bk", {kRegSz, SzBytes(kWordOpenCommand)}, {kRegSz, SzBytes(kRepairedCommand)},
         false, ""},
        {"a class of 300 characters in ddeexec", {kRegSz, SzBytes(kWordOpenCommand)},
         {kRegSz, SzBytes(kRepairedCommand)}, true, std::string(300, 'C')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clean();
        KeySnapshot registration = Word2007Registration(kWord12);
        KeySnapshot& command = registration.subkeys[1].subkeys[0].subkeys[0];
        KeySnapshot& ddeexec = registration.subkeys[1].subkeys[0].subkeys[1];
        command.values = {{"", c.before.type, c.before.data}};
        if (c.command) command.values.push_back(CommandValue(kWord12));
        ddeexec.subkeys[0].cls = c.ddeClass;
        WriteTree(*registry_, kHkeyClassesRoot, "Word.Document.12", registration);
        SeedWordDocumentType(*registry_, kWord8);
        const std::optional<KeySnapshot> dde = Tree(kOpen12 + "\\ddeexec");
        host_ = FakeUpdateHost();

        EXPECT_EQ(Run(), UpdateOutcome::Applied);
        EXPECT_EQ(Value(kCmd12, ""), c.after);
        EXPECT_EQ(Value(kCmd12, "Command"), std::nullopt);
        EXPECT_EQ(Value(kCmd12, "Command.bk"),
                  c.command ? Stored(CommandValue(kWord12)) : (RegValue{kRegSz, SzBytes("")}));
        EXPECT_FALSE(Exists(kOpen12 + "\\ddeexec"));
        EXPECT_EQ(Tree(kOpen12 + "\\ddeexec.bak"), dde);
    }
}

TEST_F(ApplyUpdateTest, LongCommandIsRewrittenWhole) {
    const std::string longCommand = "\"C:\\" + std::string(1990, 'x') + "\\WINWORD.EXE\" /n /dde";
    SetValue(*registry_, kHkeyClassesRoot, kCmd12, "", kRegSz, SzBytes(longCommand));

    EXPECT_EQ(Run(), UpdateOutcome::Applied);
    const std::string expected = longCommand.substr(0, longCommand.size() - 4) + "\"%1\"";
    EXPECT_EQ(Value(kCmd12, ""), (RegValue{kRegSz, SzBytes(expected)}));
    EXPECT_EQ(host_.log.substr(0, host_.log.find("\r\n") + 2), LogLine(kCmd12, longCommand));
}

}  // namespace
}  // namespace wof
