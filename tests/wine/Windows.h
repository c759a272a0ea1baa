// What the Wine tools that drive or measure another program's windows
// share: finding its windows and reading their text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The visible windows of class cls (any: nullptr) and title (any: nullptr)
// among the children of parent, or among the top-level windows.
inline std::vector<HWND> VisibleWindows(HWND parent, const wchar_t* cls, const wchar_t* title) {
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExW(parent, window, cls, title));)
        if (IsWindowVisible(window)) found.push_back(window);
    return found;
}

// The first visible top-level window of class cls and title within timeoutMs.
inline HWND WaitForWindow(const wchar_t* cls, const std::wstring& title, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
        const std::vector<HWND> windows = VisibleWindows(nullptr, cls, title.c_str());
        if (!windows.empty()) return windows.front();
    }
    return nullptr;
}

// The window belongs to another process, so GetWindowText would not ask
// it; WM_GETTEXT does.
inline std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"";
    std::vector<wchar_t> text(length + 1);
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        5000, &copied);
    return std::wstring(text.data(), copied);
}
