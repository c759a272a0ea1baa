// The registry keeps names and text as UTF-16; the program's own text is
// std::wstring (UTF-16 on Windows, UTF-32 natively). Surrogates that do not
// pair are carried through unchanged in both directions, because the
// registry accepts them and a copy must not alter them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wof {

inline bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

inline void AppendUtf16(std::u16string& out, char32_t c) {
    if (c > 0xFFFF) {
        out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(c));
    }
}

inline std::u16string ToUtf16(const std::wstring& text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t c : text) AppendUtf16(out, static_cast<char32_t>(c));
    return out;
}

inline std::wstring FromUtf16(const std::u16string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (sizeof(wchar_t) == 4 && IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out.push_back(static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
            ++i;
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

// Little-endian UTF-16 bytes, as string values are stored.
inline std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

// An odd last byte is not part of any character and is left out.
inline std::u16string Utf16FromBytes(const std::vector<std::uint8_t>& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return text;
}

}  // namespace wof
