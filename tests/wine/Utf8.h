// The Wine test tools print UTF-8, whatever the console's code page.
#pragma once

#include <windows.h>

#include <string>

inline std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &out[0], size, nullptr, nullptr);
    return out;
}
