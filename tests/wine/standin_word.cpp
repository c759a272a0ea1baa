// Stands in for Word in tests/wine/shell_open.sh: appends the command line
// it was started with to calls.txt beside itself, one UTF-8 line per start,
// and exits. It opens no window and answers no DDE, as a Word whose DDE
// conversation fails does not, so whatever reaches it reached it on the
// command line.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t exe[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return 1;
    std::wstring calls(exe, length);
    calls.replace(calls.rfind(L'\\') + 1, std::wstring::npos, L"calls.txt");

    const wchar_t* commandLine = GetCommandLineW();
    int size = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
    std::string line(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, &line[0], size, nullptr, nullptr);
    line.back() = '\n';

    // Appending writes at the end even when two starts overlap.
    HANDLE file = CreateFileW(calls.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == line.size() ? 0 : 1;
}
