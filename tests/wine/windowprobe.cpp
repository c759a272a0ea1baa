// Reads a running program's window from outside with Win32 calls, so the
// end-to-end test can hold the window as built against its design.
//
//   windowprobe describe TITLE   title, client size, each control's place in
//                                client pixels, text, font and tab stop,
//                                the tab order and the control with focus
//   windowprobe origin TITLE     where the client area starts on screen: X Y
//   windowprobe geometry TITLE   the window on screen: WIDTHxHEIGHT+X+Y
//   windowprobe focus TITLE      the text of the control with the keyboard
//                                focus in the window's thread, or (none)
//                                if none has it within a second
//
// Each waits up to 30 seconds for a visible top-level window TITLE.
// Exit status: 0 done, 1 no such window or a font could not be read, 2 usage.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/support/Utf8.h"
#include "tests/wine/Windows.h"

namespace {

using wof::Utf8;

// Focus is kept per thread; GetFocus would only see this program's own.
std::string FocusOf(HWND window) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    return thread.hwndFocus ? Utf8(TextOf(thread.hwndFocus)) : "(none)";
}

std::map<HWND, LOGFONTW> g_fonts;

LRESULT CALLBACK ReceiveFont(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (copy->cbData == sizeof(LOGFONTW))
        g_fonts[reinterpret_cast<HWND>(wParam)] = *static_cast<const LOGFONTW*>(copy->lpData);
    return TRUE;
}

// A font handle belongs to the process that made it, so the hook in
// windowprobe_hook.dll reads each control's font inside the program and
// sends it back here.
bool ReadFonts(HWND window, const std::vector<HWND>& controls) {
    WNDCLASSW receiverClass{};
    receiverClass.lpfnWndProc = ReceiveFont;
    receiverClass.lpszClassName = L"windowprobe.FontReceiver";
    RegisterClassW(&receiverClass);
    HWND receiver = CreateWindowW(receiverClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    HMODULE hookModule = LoadLibraryW(L"windowprobe_hook.dll");
    auto hookProc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(hookModule ? GetProcAddress(hookModule, "FontQueryHook") : nullptr));
    HHOOK hook = hookProc ? SetWindowsHookExW(WH_CALLWNDPROC, hookProc, hookModule,
                                              GetWindowThreadProcessId(window, nullptr))
                          : nullptr;
    if (!receiver || !hook) {
        std::printf("windowprobe: cannot hook the window's thread (error %lu)\n", GetLastError());
        return false;
    }
    const UINT query = RegisterWindowMessageW(L"windowprobe.FontQuery");
    for (HWND control : controls) {
        DWORD_PTR ignored;
        SendMessageTimeoutW(control, query, reinterpret_cast<WPARAM>(receiver), 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    UnhookWindowsHookEx(hook);
    DestroyWindow(receiver);
    return true;
}

int Describe(HWND window) {
    std::vector<HWND> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    // Reading order, top to bottom and left to right, whatever the z-order.
    auto place = [window](HWND control) {
        RECT rect;
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    std::sort(controls.begin(), controls.end(), [&](HWND a, HWND b) {
        RECT ra = place(a), rb = place(b);
        return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    if (!ReadFonts(window, controls)) return 1;

    RECT client;
    GetClientRect(window, &client);
    std::printf("title: %s\nclient: %ldx%ld\n", Utf8(TextOf(window)).c_str(), client.right, client.bottom);
    for (HWND control : controls) {
        wchar_t cls[64] = L"";
        GetClassNameW(control, cls, 64);
        const RECT rect = place(control);
        std::printf("%s \"%s\": %ld,%ld %ldx%ld", Utf8(cls).c_str(), Utf8(TextOf(control)).c_str(), rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top);
        auto font = g_fonts.find(control);
        if (font == g_fonts.end())
            std::printf(" no font");
        else
            std::printf(" %s %ld %ld", Utf8(font->second.lfFaceName).c_str(), font->second.lfHeight,
                        font->second.lfWeight);
        std::printf(GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP ? " tabstop\n" : "\n");
    }

    std::printf("tab order:");
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    HWND stop = first;
    for (size_t i = 0; stop && i < controls.size(); ++i) {
        std::printf(" %s", Utf8(TextOf(stop)).c_str());
        stop = GetNextDlgTabItem(window, stop, FALSE);
        if (stop == first) break;
    }
    std::printf("\nfocus: %s\n", FocusOf(window).c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    const std::wstring command = argc == 3 ? argv[1] : L"";
    if (command != L"describe" && command != L"origin" && command != L"geometry" && command != L"focus") {
        std::fprintf(stderr, "usage: windowprobe describe|origin|geometry|focus TITLE\n");
        return 2;
    }
    HWND window = WaitForWindow(nullptr, argv[2], 30000);
    if (!window) {
        std::printf("windowprobe: no \"%s\" window within 30 s\n", Utf8(argv[2]).c_str());
        return 1;
    }
    if (command == L"describe") return Describe(window);
    if (command == L"focus") {
        // The window may become visible an instant before it takes the focus.
        std::string focus = FocusOf(window);
        for (DWORD start = GetTickCount(); focus == "(none)" && GetTickCount() - start < 1000; Sleep(50))
            focus = FocusOf(window);
        std::printf("%s\n", focus.c_str());
        return 0;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    if (command == L"origin")
        std::printf("%ld %ld\n", origin.x, origin.y);
    else
        std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    return 0;
}
