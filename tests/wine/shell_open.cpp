// Opens a document the way Explorer does on a double click, through the
// shell's "open" verb, and reports what the shell answered.
//
//   shell_open FILE
//
// Prints one line "returned R error E hInstApp H", where R is what
// ShellExecuteExW returned, E GetLastError after it and H the hInstApp it
// left. When the shell hands back a process, waits up to ten seconds for it
// to end, so that whatever it records is there when this one returns.
// Exit status: 0 the shell reported success, 1 it reported failure, 2 usage.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc != 2) {
        std::fprintf(stderr, "usage: shell_open FILE\n");
        return 2;
    }
    // A verb may be carried out by a shell extension, which needs COM set up
    // on the calling thread, as it is on Explorer's.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    // NOASYNC: the DDE conversation is over before the call returns.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = argv[1];
    info.nShow = SW_SHOWNORMAL;
    SetLastError(ERROR_SUCCESS);
    BOOL returned = ShellExecuteExW(&info);
    DWORD error = GetLastError();
    std::printf("returned %d error %lu hInstApp %lld\n", returned, static_cast<unsigned long>(error),
                static_cast<long long>(reinterpret_cast<INT_PTR>(info.hInstApp)));
    std::fflush(stdout);

    if (info.hProcess) {
        WaitForSingleObject(info.hProcess, 10000);
        CloseHandle(info.hProcess);
    }
    CoUninitialize();
    return returned ? 0 : 1;
}
