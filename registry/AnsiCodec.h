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

}  // namespace wof
