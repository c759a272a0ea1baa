// Registry subtrees as data, for building trees to load and for comparing
// what a registry holds with what it should. Names and classes are UTF-8,
// data the bytes as stored (text in UTF-16).
#pragma once

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "registry/Registry.h"

namespace wof {

// Every value type, with its name in winnt.h, for trees that must hold each
// of them and for listings.
struct ValueType {
    std::uint32_t type;
    const char* name;
};
inline constexpr ValueType kValueTypes[] = {
    {kRegNone, "REG_NONE"}, {kRegSz, "REG_SZ"}, {kRegExpandSz, "REG_EXPAND_SZ"}, {kRegBinary, "REG_BINARY"},
    {kRegDword, "REG_DWORD"}, {kRegDwordBigEndian, "REG_DWORD_BIG_ENDIAN"}, {kRegLink, "REG_LINK"},
    {kRegMultiSz, "REG_MULTI_SZ"}, {kRegQword, "REG_QWORD"}};

struct SnapshotValue {
    std::string name;
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
};

struct KeySnapshot {
    // Empty for the top of a snapshot, so that copies at different paths
    // compare equal.
    std::string name;
    std::string cls;
    std::vector<SnapshotValue> values;
    std::vector<KeySnapshot> subkeys;
};

// The values or subkeys in the order of their names' code points.
template <typename T>
std::vector<const T*> ByName(const std::vector<T>& items) {
    std::vector<const T*> sorted;
    for (const T& item : items) sorted.push_back(&item);
    std::sort(sorted.begin(), sorted.end(), [](const T* a, const T* b) { return a->name < b->name; });
    return sorted;
}

// Ignores the order of values and subkeys (Windows and Wine enumerate
// values in different orders) but compares names, classes, types and bytes
// exactly.
bool operator==(const KeySnapshot& a, const KeySnapshot& b);
inline bool operator!=(const KeySnapshot& a, const KeySnapshot& b) { return !(a == b); }
// Indented listing, for test failure messages.
std::ostream& operator<<(std::ostream& out, const KeySnapshot& tree);

// Raw bytes, for values of the types that hold no text.
inline std::vector<std::uint8_t> Bytes(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

// Text as the registry stores it: in UTF-16, nothing added.
std::vector<std::uint8_t> TextBytes(const std::string& utf8);

// Text and its terminating NUL, as a string value is stored.
std::vector<std::uint8_t> SzBytes(const std::u16string& text);
std::vector<std::uint8_t> SzBytes(const std::string& utf8);

// A REG_SZ value holding text.
SnapshotValue SzValue(const std::string& name, const std::string& utf8);

}  // namespace wof
