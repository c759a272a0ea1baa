// The in-memory registry, the tests' tree listings and the seeds name keys
// and values in UTF-8, so that test data reads as written. Unpaired
// surrogates survive the round trip, as they do in the registry itself.
#pragma once

#include <string>

#include "registry/Utf16.h"

namespace wof {

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

// The program's own wide text: UTF-16 on Windows, UTF-32 natively.
inline std::string Utf8(const std::wstring& text) { return Utf8FromUtf16(ToUtf16(text)); }

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

inline std::wstring WideFromUtf8(const std::string& text) { return FromUtf16(Utf16FromUtf8(text)); }

}  // namespace wof
