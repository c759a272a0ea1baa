#include "ui/Win32UpdateHost.h"

#include <vector>

#include "repair/Decimal.h"
#include "ui/Version.h"

namespace wof {

const wchar_t kProgramTitle[] = L"" WOF_PRODUCT_NAME;

namespace {

class Win32LogFile : public LogFile {
public:
    explicit Win32LogFile(HANDLE file) : file_(file) {}
    ~Win32LogFile() override { Close(); }

    unsigned long Write(const std::string& bytes) override {
        DWORD written = 0;
        if (!WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return GetLastError();
        return written == bytes.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
    }

    unsigned long Flush() override { return FlushFileBuffers(file_) ? ERROR_SUCCESS : GetLastError(); }

    unsigned long Close() override {
        if (file_ == INVALID_HANDLE_VALUE) return ERROR_SUCCESS;
        const BOOL closed = CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        return closed ? ERROR_SUCCESS : GetLastError();
    }

private:
    HANDLE file_;
};

}  // namespace

int Win32UpdateHost::Show(const std::wstring& text, UINT type) {
    return MessageBoxW(owner_, text.c_str(), kProgramTitle, type | (owner_ ? MB_APPLMODAL : MB_TASKMODAL));
}

bool Win32UpdateHost::Confirm(const std::wstring& text) {
    // Only Yes confirms: 0, a box that could not be shown or was destroyed
    // with its owner, is no answer.
    return Show(text, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) == IDYES;
}

void Win32UpdateHost::ShowInformation(const std::wstring& text) { Show(text, MB_OK | MB_ICONINFORMATION); }

void Win32UpdateHost::ShowError(const std::wstring& text) { Show(text, MB_OK | MB_ICONERROR); }

std::wstring Win32UpdateHost::ExecutablePath() {
    // GetModuleFileNameW truncates silently on XP: grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size() - 1) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::unique_ptr<LogFile> Win32UpdateHost::CreateLogFile(const std::wstring& path, unsigned long* error) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return nullptr;
    }
    return std::make_unique<Win32LogFile>(file);
}

std::wstring Win32UpdateHost::DescribeError(unsigned long error) {
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = length ? std::wstring(message, length) : std::wstring();
    LocalFree(message);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    const std::wstring code = L"error " + Decimal(error);
    return text.empty() ? code : text + L" (" + code + L")";
}

}  // namespace wof
