// The ANSI code page of native builds, where there is no system to ask.
#pragma once

#include <string>

#include "registry/AnsiCodec.h"

namespace wof {

// ISO 8859-1: every byte maps to the code point of the same number, and
// a character it cannot hold narrows to "?".
class Latin1Codec : public AnsiCodec {
public:
    std::string ToAnsi(const std::wstring& text) const override {
        std::string out;
        out.reserve(text.size());
        for (wchar_t c : text) out.push_back(static_cast<unsigned>(c) < 0x100 ? static_cast<char>(c) : '?');
        return out;
    }
    std::wstring FromAnsi(const std::string& bytes) const override {
        std::wstring out;
        out.reserve(bytes.size());
        for (char c : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        return out;
    }
};

}  // namespace wof
