// The registry compares key and value names without regard to case. The
// program only asks for ASCII names ("Command"), and besides the ASCII
// letters only dotless i and long s upper-case to an ASCII letter, so
// folding ASCII letters is exact for a name without I or S.
#pragma once

#include <cstddef>
#include <type_traits>

namespace wof {

// An ASCII letter in upper case, any other character as it is. A character
// is taken as unsigned, so that no byte of UTF-8 passes for a letter.
template <typename Char>
constexpr char32_t FoldAscii(Char c) {
    const auto code = static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(c));
    return code >= U'a' && code <= U'z' ? code - U'a' + U'A' : code;
}

// Whether the registry takes two names for one, of any character types.
template <typename A, typename B>
bool SameName(const A& a, const B& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

}  // namespace wof
