#include "repair/ApplyUpdate.h"

#include <memory>
#include <optional>
#include <vector>

#include "repair/CommandRewrite.h"

namespace wof {
namespace {

const wchar_t kConfirmText[] =
    L"Kemaskini ini untuk Windows XP PC yang mengalami masalah untuk membuka Microsoft Word 2007 setelah "
    L"memasang Sulakora. Jika anda menghadapi masalah tersebut, sila klik YES untuk meneruskan kemaskini.";
const wchar_t kSuccessText[] = L"Update has been successfully applied to this PC";

// In the order of work.
const wchar_t* const kDocumentTypes[] = {L"Word.Document.12", L"Word.Document.8"};

const wchar_t kCommandValue[] = L"Command";
const wchar_t kCommandBackupValue[] = L"Command.bk";
const wchar_t kDdeKeyName[] = L"ddeexec";
const wchar_t kDdeBackupName[] = L"ddeexec.bak";
// Earlier backups are never touched; the search for a free name is bounded
// so that it ends even on a registry that answers every open with success.
constexpr int kMaxDdeBackups = 1000;

struct Problem {
    std::wstring what;
    RegStatus status;
};

// One document type: what was found, what was written, what went wrong.
struct DocumentRepair {
    std::wstring progId;
    std::wstring cmdKey;
    std::wstring ddeKey;
    bool registered = false;
    bool changed = false;  // a write to the registry succeeded
    std::optional<RegValue> defaultCommand;
    std::optional<RegValue> command;
    std::vector<Problem> problems;

    explicit DocumentRepair(const std::wstring& id)
        : progId(id), cmdKey(id + L"\\Shell\\Open\\Command"), ddeKey(id + L"\\Shell\\Open\\" + kDdeKeyName) {}

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
        for (const wchar_t* progId : kDocumentTypes) {
            repairs.emplace_back(progId);
            DocumentRepair& repair = repairs.back();
            ReadDocumentType(repair);
            // Both values are on record before either changes, so a log
            // that stops working never leaves a type half repaired.
            error = WriteLogLine(*log, repair.cmdKey, Text(repair.defaultCommand));
            if (error == 0) error = WriteLogLine(*log, repair.cmdKey, Text(repair.command));
            if (error != 0) return LogWriteFailed(logPath, error, repairs);
            if (repair.registered && repair.problems.empty()) RepairDocumentType(repair);
        }
        error = log->Close();
        if (error != 0) return LogWriteFailed(logPath, error, repairs);

        for (DocumentRepair& repair : repairs) {
            if (repair.registered) Verify(repair);
        }
        return Report(repairs);
    }

private:
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
            } else if (routines_.KeyExists(repair.ddeKey, &status) || status != kErrorFileNotFound) {
                repair.registered = true;
                repair.Fail(L"it has a \"ddeexec\" key but no open command");
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
            repair.Fail(L"its open command is not text (type " + std::to_wstring(repair.defaultCommand->type) + L")");
        }
        repair.command = routines_.ReadRegValue(repair.cmdKey, kCommandValue, &status);
        if (!repair.command && status != kErrorFileNotFound)
            repair.Fail(L"the value \"Command\" could not be read", status);
    }

    // Each step runs only when the one before it holds, and the DDE key,
    // without which the shell has only the command line, goes last.
    void RepairDocumentType(DocumentRepair& repair) {
        if (RewriteOpenCommand(repair) && BackUpCommand(repair)) RenameDdeKey(repair);
    }

    bool RewriteOpenCommand(DocumentRepair& repair) {
        const std::wstring rewritten = ChangeAfterFoundDDE(Text(repair.defaultCommand));
        if (!PassesDocumentPath(rewritten))
            return repair.Fail(L"its open command has neither \"/dde\" nor \"%1\", so without \"ddeexec\" Word would "
                               L"open without the document");
        const RegValue value = TextValue(repair.defaultCommand->type, rewritten);
        RegStatus status = routines_.WriteRegValue(repair.cmdKey, L"", value);
        if (status != kErrorSuccess) return repair.Fail(L"its open command could not be changed", status);
        repair.changed = true;
        if (routines_.ReadRegValue(repair.cmdKey, L"", &status) != value)
            return repair.Fail(L"its new open command does not read back", status);
        return true;
    }

    bool BackUpCommand(DocumentRepair& repair) {
        RegStatus status = kErrorSuccess;
        if (!repair.command) {
            // With no "Command" to keep, a backup from an earlier run stays.
            if (routines_.ReadRegValue(repair.cmdKey, kCommandBackupValue, &status)) return true;
            if (status == kErrorFileNotFound) status = routines_.SetRegString(repair.cmdKey, kCommandBackupValue, L"");
            if (status != kErrorSuccess)
                return repair.Fail(L"the value \"Command.bk\" could not be written", status);
            return true;
        }
        // The backup is written, and read back equal, before the value it
        // keeps is deleted.
        status = routines_.WriteRegValue(repair.cmdKey, kCommandBackupValue, *repair.command);
        if (status == kErrorSuccess) {
            const auto backup = routines_.ReadRegValue(repair.cmdKey, kCommandBackupValue, &status);
            if (status == kErrorSuccess && backup != repair.command) status = kErrorInvalidParameter;
        }
        if (status != kErrorSuccess)
            return repair.Fail(L"the value \"Command\" could not be saved as \"Command.bk\"", status);
        status = routines_.DelSetting(kHkeyClassesRoot, repair.cmdKey, kCommandValue);
        if (status != kErrorSuccess) return repair.Fail(L"the value \"Command\" could not be removed", status);
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
        const std::wstring parent = repair.ddeKey.substr(0, repair.ddeKey.rfind(L'\\') + 1);
        std::wstring backupName = kDdeBackupName;
        for (int n = 2; n <= kMaxDdeBackups && routines_.KeyExists(parent + backupName); ++n)
            backupName = kDdeBackupName + std::to_wstring(n);
        status = routines_.RenameRegKey(repair.ddeKey, backupName, kHkeyClassesRoot);
        if (status != kErrorSuccess) return repair.Fail(L"the key \"ddeexec\" could not be renamed", status);
        return true;
    }

    // The success box is shown only for a state read back from the registry;
    // the new open command was read back as soon as it was written.
    void Verify(DocumentRepair& repair) {
        if (!repair.problems.empty()) return;
        RegStatus status = kErrorSuccess;
        if (routines_.ReadRegValue(repair.cmdKey, kCommandValue, &status) || status != kErrorFileNotFound)
            repair.Fail(L"the value \"Command\" is still there", status);
        const auto backup = routines_.ReadRegValue(repair.cmdKey, kCommandBackupValue, &status);
        if (repair.command ? backup != repair.command : !backup)
            repair.Fail(L"the value \"Command.bk\" does not read back", status);
        if (routines_.KeyExists(repair.ddeKey, &status) || status != kErrorFileNotFound)
            repair.Fail(L"the key \"ddeexec\" is still there", status);
    }

    std::wstring Describe(const Problem& problem) {
        if (problem.status == kErrorSuccess) return problem.what;
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
            if (!repair.problems.empty() && !repair.changed) details += repair.progId + L" was left as it was.\n";
        }
        if (details.empty()) {
            host_.ShowSuccess(kSuccessText);
            return UpdateOutcome::Applied;
        }
        std::wstring text = L"The update could not be applied completely.\n\n" + details;
        if (accessDenied) text += L"\nAccess was denied. Please run this program as an administrator.";
        host_.ShowError(text);
        return UpdateOutcome::Failed;
    }

    UpdateOutcome LogWriteFailed(const std::wstring& logPath, unsigned long error,
                                 const std::vector<DocumentRepair>& repairs) {
        std::wstring text = L"The log file could not be written:\n" + logPath + L"\n\n" + host_.DescribeError(error) +
                            L"\n\nThe update was stopped.";
        std::wstring changed;
        for (const DocumentRepair& repair : repairs) {
            if (repair.changed) changed += L"\n" + repair.progId;
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
