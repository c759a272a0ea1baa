#include "repair/ApplyUpdate.h"

#include <memory>
#include <optional>
#include <vector>

#include "repair/CommandRewrite.h"
#include "repair/Decimal.h"

namespace wof {
namespace {

const wchar_t kConfirmText[] =
    L"Kemaskini ini untuk Windows XP PC yang mengalami masalah untuk membuka Microsoft Word 2007 setelah "
    L"memasang Sulakora. Jika anda menghadapi masalah tersebut, sila klik YES untuk meneruskan kemaskini.";
const wchar_t kSuccessText[] = L"Update has been successfully applied to this PC";
const wchar_t kNothingToRepairText[] =
    L"Word's document types, Word.Document.12 and Word.Document.8, are not registered on this PC, so there is "
    L"nothing to repair.\n\nNothing on this PC has been changed.";

// In the order of work.
const wchar_t* const kDocumentTypes[] = {L"Word.Document.12", L"Word.Document.8"};

const wchar_t kCommandValue[] = L"Command";
const wchar_t kCommandBackupValue[] = L"Command.bk";
const wchar_t kDdeKeyName[] = L"ddeexec";
const wchar_t kDdeBackupName[] = L"ddeexec.bak";
// Earlier backups are never touched; the search for a free name is bounded
// so that it ends even on a registry that answers every read with success.
constexpr int kMaxBackups = 1000;

const wchar_t kNotOnDisk[] = L"its changes could not be written to disk";

// Not a system error code: a write that answered success but does not read
// back as it was written.
constexpr RegStatus kNotKept = -1;

// The first of "name", "name2", "name3" ... that taken(candidate, status)
// answers false for; a status other than success or ERROR_FILE_NOT_FOUND
// means it could not tell. Nothing then (*status says why), or when every
// name up to the bound is taken (*status is success).
template <typename Taken>
std::optional<std::wstring> FirstFreeBackupName(const wchar_t* name, RegStatus* status, Taken taken) {
    for (int n = 1; n <= kMaxBackups; ++n) {
        std::wstring candidate = n == 1 ? name : name + Decimal(n);
        const bool inUse = taken(candidate, status);
        if (*status != kErrorSuccess && *status != kErrorFileNotFound) return std::nullopt;
        if (!inUse) return candidate;
    }
    *status = kErrorSuccess;
    return std::nullopt;
}

struct Problem {
    std::wstring what;
    RegStatus status;
};

// One document type: what was found, what was written, what went wrong.
struct DocumentRepair {
    std::wstring progId;
    std::wstring openKey;
    std::wstring cmdKey;
    std::wstring ddeKey;
    bool registered = false;
    std::optional<RegValue> defaultCommand;
    std::optional<RegValue> command;
    std::wstring commandName;  // "Command" as the key spells it, for putting it back
    std::wstring backupName;  // the value that keeps "Command"
    // The changes whose write answered success, so that the registry may
    // hold them; each is cleared once it is put back.
    bool commandRewritten = false;
    bool backupWritten = false;
    bool commandRemoved = false;
    bool ddeMoved = false;
    bool wrote = false;  // a value written, put back or not: the first change of a repair
    std::vector<Problem> problems;

    explicit DocumentRepair(const std::wstring& id)
        : progId(id), openKey(id + L"\\Shell\\Open"), cmdKey(openKey + L"\\Command"),
          ddeKey(openKey + L"\\" + kDdeKeyName) {}

    bool Changed() const { return commandRewritten || backupWritten || commandRemoved || ddeMoved; }

    // Always false, so that a step can end with `return repair.Fail(...)`.
    bool Fail(const std::wstring& what, RegStatus status = kErrorSuccess) {
        problems.push_back({what, status});
        return false;
    }
};

bool IsStringType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

// Without the DDE key the command line is the only way the document's path
// reaches Word: as "%1", or as the shell's long name %L.
bool PassesDocumentPath(const std::wstring& command) {
    return command.find(L"%1") != std::wstring::npos || command.find(L"%L") != std::wstring::npos ||
           command.find(L"%l") != std::wstring::npos;
}

class Updater {
public:
    Updater(RegistryRoutines& routines, const AnsiCodec& codec, UpdateHost& host)
        : routines_(routines), codec_(codec), host_(host) {}

    UpdateOutcome Run() {
        if (!host_.Confirm(kConfirmText)) return UpdateOutcome::Declined;

        const std::wstring logPath = UpdateLogPath(host_.ExecutablePath());
        unsigned long error = 0;
        std::unique_ptr<LogFile> log = host_.CreateLogFile(logPath, &error);
        if (!log) {
            host_.ShowError(L"The log file could not be created:\n" + logPath + L"\n\n" + host_.DescribeError(error) +
                            L"\n\nNothing on this PC has been changed.");
            return UpdateOutcome::Failed;
        }

        std::vector<DocumentRepair> repairs;
        bool anyRegistered = false;
        for (const wchar_t* progId : kDocumentTypes) {
            repairs.emplace_back(progId);
            DocumentRepair& repair = repairs.back();
            ReadDocumentType(repair);
            anyRegistered = anyRegistered || repair.registered;
            // Both values are on record before either changes, so a log
            // that stops working never leaves a type half repaired.
            error = WriteLogLine(*log, repair.cmdKey, Text(repair.defaultCommand));
            if (error == 0) error = WriteLogLine(*log, repair.cmdKey, Text(repair.command));
            if (error != 0) return LogWriteFailed(logPath, error, repairs);
            if (repair.registered && repair.problems.empty()) RepairDocumentType(repair);
        }
        error = log->Flush();
        if (error == 0) error = log->Close();
        if (error != 0) return LogWriteFailed(logPath, error, repairs);

        if (!anyRegistered) {
            host_.ShowInformation(kNothingToRepairText);
            return UpdateOutcome::NothingToRepair;
        }
        FlushChanges(repairs);
        for (DocumentRepair& repair : repairs) {
            if (repair.registered) Verify(repair);
        }
        return Report(repairs);
    }

private:
    // What a box reports must survive a power cut right after it: each type
    // written to goes to disk, put back or not.
    void FlushChanges(std::vector<DocumentRepair>& repairs) {
        for (DocumentRepair& repair : repairs) {
            if (!repair.wrote) continue;
            const RegStatus status = routines_.FlushKey(repair.openKey);
            if (status != kErrorSuccess) repair.Fail(kNotOnDisk, status);
        }
    }

    std::wstring Text(const std::optional<RegValue>& value) const {
        return value ? routines_.ValueText(*value) : std::wstring();
    }

    unsigned long WriteLogLine(LogFile& log, const std::wstring& key, const std::wstring& value) {
        return log.Write(codec_.ToAnsi(key + L" = " + value) + "\r\n");
    }

    // A type is registered when it has an open command key or a DDE key; a
    // type with neither is not Word's and is left alone.
    void ReadDocumentType(DocumentRepair& repair) {
        RegStatus status = kErrorSuccess;
        if (!routines_.KeyExists(repair.cmdKey, &status)) {
            repair.registered = status != kErrorFileNotFound;
            if (repair.registered) {
                repair.Fail(L"its open command could not be read", status);
            } else if (routines_.KeyExists(repair.ddeKey, &status)) {
                repair.registered = true;
                repair.Fail(L"it has a \"ddeexec\" key but no open command");
            } else if (status != kErrorFileNotFound) {
                repair.registered = true;
                repair.Fail(L"the key \"ddeexec\" could not be read", status);
            }
            return;
        }
        repair.registered = true;
        repair.defaultCommand = routines_.ReadRegValue(repair.cmdKey, L"", &status);
        if (!repair.defaultCommand && status == kErrorFileNotFound) {
            repair.Fail(L"its open command is missing");
        } else if (!repair.defaultCommand) {
            repair.Fail(L"its open command could not be read", status);
        } else if (!IsStringType(repair.defaultCommand->type)) {
            repair.Fail(L"its open command is not text (type " + Decimal(repair.defaultCommand->type) + L")");
        }
        repair.command = routines_.ReadRegValue(repair.cmdKey, kCommandValue, &status);
        if (!repair.command && status != kErrorFileNotFound) {
            repair.Fail(L"the value \"Command\" could not be read", status);
        } else if (repair.command) {
            // Put back, it must keep the name it had, as an export shows it.
            const std::optional<std::wstring> name = routines_.StoredValueName(repair.cmdKey, kCommandValue, &status);
            if (name) {
                repair.commandName = *name;
            } else {
                repair.Fail(L"the name of the value \"Command\" could not be read", status);
            }
        }
    }

    // Each step runs only when the one before it holds, and the DDE key,
    // without which the shell has only the command line, goes last. A step
    // that fails takes back what the steps before it changed.
    void RepairDocumentType(DocumentRepair& repair) {
        if (RewriteOpenCommand(repair) && BackUpCommand(repair) && RenameDdeKey(repair)) return;
        PutBack(repair);
    }

    // Writes a value of the open command key and reads it back: a registry
    // that answers success but keeps something else must not pass for one
    // that kept it. *written: the write answered success.
    RegStatus Store(DocumentRepair& repair, const std::wstring& name, const RegValue& value, bool* written = nullptr) {
        RegStatus status = routines_.WriteRegValue(repair.cmdKey, name, value);
        if (status != kErrorSuccess) return status;
        repair.wrote = true;
        if (written) *written = true;
        const std::optional<RegValue> stored = routines_.ReadRegValue(repair.cmdKey, name, &status);
        if (status != kErrorSuccess) return status;
        return stored == value ? kErrorSuccess : kNotKept;
    }

    bool RewriteOpenCommand(DocumentRepair& repair) {
        const std::wstring rewritten = ChangeAfterFoundDDE(Text(repair.defaultCommand));
        if (!PassesDocumentPath(rewritten))
            return repair.Fail(L"its open command has neither \"/dde\" nor \"%1\", so without \"ddeexec\" Word would "
                               L"open without the document");
        const RegStatus status =
            Store(repair, L"", TextValue(repair.defaultCommand->type, rewritten), &repair.commandRewritten);
        if (status != kErrorSuccess)
            return repair.Fail(repair.commandRewritten ? L"its new open command does not read back"
                                                       : L"its open command could not be changed",
                               status);
        return true;
    }

    // "Command" is removed only once its backup reads back equal. An
    // earlier backup that holds something else is kept: the new one goes to
    // the first free "Command.bkN".
    bool BackUpCommand(DocumentRepair& repair) {
        RegStatus status = kErrorSuccess;
        if (!repair.command) {
            // With no "Command" to keep, a backup from an earlier run stays;
            // where there is none, an empty one records that there was none.
            repair.backupName = kCommandBackupValue;
            if (routines_.ReadRegValue(repair.cmdKey, repair.backupName, &status)) return true;
            if (status == kErrorFileNotFound)
                status = Store(repair, repair.backupName, TextValue(kRegSz, L""), &repair.backupWritten);
            if (status != kErrorSuccess) return repair.Fail(L"the value \"Command.bk\" could not be written", status);
            return true;
        }
        // A backup that holds the same as "Command" serves again.
        std::optional<RegValue> earlier;
        const std::optional<std::wstring> name =
            FirstFreeBackupName(kCommandBackupValue, &status, [&](const std::wstring& candidate, RegStatus* read) {
                earlier = routines_.ReadRegValue(repair.cmdKey, candidate, read);
                return earlier && earlier != repair.command;
            });
        if (!name)
            return repair.Fail(status != kErrorSuccess
                                   ? L"an earlier backup of the value \"Command\" could not be read"
                                   : L"there is no free name for the backup of the value \"Command\"",
                               status);
        repair.backupName = *name;
        if (!earlier) status = Store(repair, repair.backupName, *repair.command, &repair.backupWritten);
        if (status != kErrorSuccess)
            return repair.Fail(L"the value \"Command\" could not be saved as \"" + repair.backupName + L"\"", status);
        status = routines_.DelSetting(kHkeyClassesRoot, repair.cmdKey, kCommandValue);
        if (status != kErrorSuccess) return repair.Fail(L"the value \"Command\" could not be removed", status);
        repair.commandRemoved = true;
        return true;
    }

    // A "ddeexec" key that is back beside an earlier backup (an Office
    // repair recreates it) goes to the first free "ddeexec.bakN".
    bool RenameDdeKey(DocumentRepair& repair) {
        RegStatus status = kErrorSuccess;
        if (!routines_.KeyExists(repair.ddeKey, &status)) {
            if (status == kErrorFileNotFound) return true;
            return repair.Fail(L"the key \"ddeexec\" could not be read", status);
        }
        const std::optional<std::wstring> name =
            FirstFreeBackupName(kDdeBackupName, &status, [&](const std::wstring& candidate, RegStatus* read) {
                return routines_.KeyExists(repair.openKey + L"\\" + candidate, read);
            });
        if (!name)
            return repair.Fail(status != kErrorSuccess ? L"an earlier backup of the key \"ddeexec\" could not be read"
                                                       : L"there is no free name for the backup of the key \"ddeexec\"",
                               status);
        const std::wstring& backupName = *name;
        status = routines_.RenameRegKey(repair.ddeKey, backupName, kHkeyClassesRoot);
        if (status == kErrorSuccess) {
            repair.ddeMoved = true;
            return true;
        }
        repair.Fail(L"the key \"ddeexec\" could not be renamed", status);
        // A rename that fails removes its copy once the source is whole
        // again; a copy that stays holds what the source lost.
        if (routines_.KeyExists(repair.openKey + L"\\" + backupName)) {
            repair.ddeMoved = true;
            repair.Fail(L"\"ddeexec\" could not be put back whole: \"" + backupName + L"\" holds a copy of it");
        }
        return false;
    }

    // Puts back what the repair of this type changed, the newest first.
    // "Command" goes back, and reads back, before its backup goes.
    void PutBack(DocumentRepair& repair) {
        RegStatus status = kErrorSuccess;
        if (repair.commandRemoved) {
            status = Store(repair, repair.commandName, *repair.command);
            if (status == kErrorSuccess) {
                repair.commandRemoved = false;
            } else {
                repair.Fail(L"the value \"Command\" could not be put back; \"" + repair.backupName + L"\" holds it",
                            status);
            }
        }
        if (repair.backupWritten && !repair.commandRemoved) {
            status = routines_.DelSetting(kHkeyClassesRoot, repair.cmdKey, repair.backupName);
            if (status == kErrorSuccess || status == kErrorFileNotFound) {
                repair.backupWritten = false;
            } else {
                repair.Fail(L"the value \"" + repair.backupName + L"\" could not be removed", status);
            }
        }
        if (repair.commandRewritten) {
            status = Store(repair, L"", *repair.defaultCommand);
            if (status == kErrorSuccess) {
                repair.commandRewritten = false;
            } else {
                repair.Fail(L"its open command could not be put back", status);
            }
        }
    }

    // The success box is shown only for a state read back from the registry:
    // the new open command and the backup were read back as they were
    // written, and what was deleted must be gone.
    void Verify(DocumentRepair& repair) {
        if (!repair.problems.empty()) return;
        RegStatus status = kErrorSuccess;
        if (routines_.ReadRegValue(repair.cmdKey, kCommandValue, &status) || status != kErrorFileNotFound)
            repair.Fail(L"the value \"Command\" is still there", status);
        if (routines_.KeyExists(repair.ddeKey, &status) || status != kErrorFileNotFound)
            repair.Fail(L"the key \"ddeexec\" is still there", status);
    }

    std::wstring Describe(const Problem& problem) {
        if (problem.status == kErrorSuccess || problem.status == kNotKept) return problem.what;
        return problem.what + L" (" + host_.DescribeError(static_cast<unsigned long>(problem.status)) + L")";
    }

    UpdateOutcome Report(const std::vector<DocumentRepair>& repairs) {
        std::wstring details;
        bool accessDenied = false;
        for (const DocumentRepair& repair : repairs) {
            for (const Problem& problem : repair.problems) {
                details += repair.progId + L": " + Describe(problem) + L"\n";
                accessDenied = accessDenied || problem.status == kErrorAccessDenied;
            }
            if (!repair.problems.empty() && !repair.Changed()) details += repair.progId + L" was left as it was.\n";
        }
        if (details.empty()) {
            host_.ShowInformation(kSuccessText);
            return UpdateOutcome::Applied;
        }
        std::wstring text = L"The update could not be applied completely.\n\n" + details;
        if (accessDenied) text += L"\nAccess was denied. Please run this program as an administrator.";
        host_.ShowError(text);
        return UpdateOutcome::Failed;
    }

    UpdateOutcome LogWriteFailed(const std::wstring& logPath, unsigned long error,
                                 std::vector<DocumentRepair>& repairs) {
        FlushChanges(repairs);
        std::wstring text = L"The log file could not be written:\n" + logPath + L"\n\n" + host_.DescribeError(error) +
                            L"\n\nThe update was stopped.";
        std::wstring changed;
        for (const DocumentRepair& repair : repairs) {
            if (!repair.Changed()) continue;
            changed += L"\n" + repair.progId;
            for (const Problem& problem : repair.problems) {
                if (problem.what == kNotOnDisk) changed += L": " + Describe(problem);
            }
        }
        text += changed.empty() ? L" Nothing on this PC has been changed." : L" Already changed:" + changed;
        host_.ShowError(text);
        return UpdateOutcome::Failed;
    }

    RegistryRoutines& routines_;
    const AnsiCodec& codec_;
    UpdateHost& host_;
};

}  // namespace

std::wstring UpdateLogPath(const std::wstring& executablePath) {
    const auto slash = executablePath.rfind(L'\\');
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : executablePath.substr(0, slash);
    const std::wstring fileName = slash == std::wstring::npos ? executablePath : executablePath.substr(slash + 1);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    const auto dot = fileName.rfind(L'.');
    const std::wstring stem = dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
    return folder + L"\\" + stem + L".txt";
}

UpdateOutcome ApplyUpdate(RegistryRoutines& routines, const AnsiCodec& codec, UpdateHost& host) {
    return Updater(routines, codec, host).Run();
}

}  // namespace wof
