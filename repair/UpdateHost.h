// What the update procedure needs from its surroundings: the dialogs, the
// executable's path and a file for the log. The program passes the real
// ones; tests pass their own.
#pragma once

#include <memory>
#include <string>

namespace wof {

// A file open for writing. Each call returns 0 or the system's error code.
class LogFile {
public:
    virtual ~LogFile() = default;
    virtual unsigned long Write(const std::string& bytes) = 0;
    // Returns once what was written is on disk.
    virtual unsigned long Flush() = 0;
    virtual unsigned long Close() = 0;
};

class UpdateHost {
public:
    virtual ~UpdateHost() = default;

    // Yes/No box with the question icon, Yes the default; true for Yes.
    virtual bool Confirm(const std::wstring& text) = 0;
    // OK box with the information icon.
    virtual void ShowInformation(const std::wstring& text) = 0;
    // OK box with the error icon.
    virtual void ShowError(const std::wstring& text) = 0;

    // Full path of the running executable.
    virtual std::wstring ExecutablePath() = 0;

    // Creates the file, or empties it if it exists. On failure returns null
    // and sets *error to the system's error code.
    virtual std::unique_ptr<LogFile> CreateLogFile(const std::wstring& path, unsigned long* error) = 0;

    // The system's description of an error code, for messages.
    virtual std::wstring DescribeError(unsigned long error) = 0;
};

}  // namespace wof
