// The update procedure's surroundings on Windows: message boxes owned by
// the main window, the module's path, the log as a file.
#pragma once

#include <windows.h>

#include "repair/UpdateHost.h"

namespace wof {

// Title of every message box.
extern const wchar_t kProgramTitle[];

class Win32UpdateHost : public UpdateHost {
public:
    // owner may be null while there is no window; the boxes are then modal
    // over every window of this thread.
    explicit Win32UpdateHost(HWND owner) : owner_(owner) {}

    bool Confirm(const std::wstring& text) override;
    void ShowInformation(const std::wstring& text) override;
    void ShowError(const std::wstring& text) override;
    std::wstring ExecutablePath() override;
    std::unique_ptr<LogFile> CreateLogFile(const std::wstring& path, unsigned long* error) override;
    std::wstring DescribeError(unsigned long error) override;

private:
    int Show(const std::wstring& text, UINT type);

    HWND owner_;
};

}  // namespace wof
