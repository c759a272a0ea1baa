// Conversion between the wide text used inside the program and the
// single-byte text of the system's ANSI code page, which the registry
// calls and the log file use.
#pragma once

#include <string>

namespace wof {

class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    virtual std::string ToAnsi(const std::wstring& text) const = 0;
    virtual std::wstring FromAnsi(const std::string& bytes) const = 0;
};

// ISO 8859-1: every byte maps to the code point of the same number. Stands
// in for the ANSI code page where there is none (native builds).
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
