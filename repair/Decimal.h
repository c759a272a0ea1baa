// Numbers in the program's messages. std::to_wstring would link the C
// runtime's whole wide printf, floating point and all, into the exe for
// these few digits.
#pragma once

#include <string>

namespace wof {

inline std::wstring Decimal(unsigned long n) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + n % 10));
        n /= 10;
    } while (n != 0);
    return digits;
}

}  // namespace wof
