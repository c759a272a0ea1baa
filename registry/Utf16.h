// The registry keeps names and text as UTF-16. The program's own text is
// std::wstring (UTF-16 on Windows, UTF-32 natively), the in-memory registry
// and the tests' tree listings use UTF-8. Surrogates that do not pair are
// carried through unchanged in every direction, because the registry
// accepts them and a copy must not alter them.
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

inline std::string Utf8FromUtf16(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    auto put = [&out](char32_t c) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            put(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            put(c);
        }
    }
    return out;
}

// Bytes that are not UTF-8 stand for the character of the same number, so
// any byte string converts.
inline std::u16string Utf16FromUtf8(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    auto continuation = [&](std::size_t at) { return at < text.size() && (byte(at) & 0xC0) == 0x80; };
    while (i < text.size()) {
        const unsigned char lead = byte(i);
        int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
        if (lead >= 0xF8) extra = 0;
        bool valid = lead < 0x80 || extra > 0;
        for (int k = 1; valid && k <= extra; ++k) valid = continuation(i + static_cast<std::size_t>(k));
        if (!valid || lead < 0x80) {
            out.push_back(static_cast<char16_t>(lead));
            ++i;
            continue;
        }
        char32_t c = lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) c = (c << 6) | (byte(i + static_cast<std::size_t>(k)) & 0x3F);
        i += static_cast<std::size_t>(extra) + 1;
        AppendUtf16(out, c);
    }
    return out;
}

}  // namespace wof
