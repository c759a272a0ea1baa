#include "tests/support/KeySnapshot.h"

#include <algorithm>
#include <iomanip>

#include "tests/support/Utf8.h"

namespace wof {
namespace {

void PrintTree(std::ostream& out, const KeySnapshot& tree, int depth) {
    std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out << indent << "[" << tree.name << "]";
    if (!tree.cls.empty()) out << " class \"" << tree.cls << "\"";
    out << "\n";
    for (const SnapshotValue& value : tree.values) {
        out << indent << "  \"" << value.name << "\" type " << value.type << ":" << std::hex << std::setfill('0');
        for (std::uint8_t byte : value.data) out << " " << std::setw(2) << static_cast<unsigned>(byte);
        out << std::dec << std::setfill(' ') << "\n";
    }
    for (const KeySnapshot& sub : tree.subkeys) PrintTree(out, sub, depth + 1);
}

}  // namespace

bool operator==(const KeySnapshot& a, const KeySnapshot& b) {
    if (a.name != b.name || a.cls != b.cls || a.values.size() != b.values.size() ||
        a.subkeys.size() != b.subkeys.size())
        return false;
    const auto va = ByName(a.values), vb = ByName(b.values);
    for (std::size_t i = 0; i < va.size(); ++i) {
        if (va[i]->name != vb[i]->name || va[i]->type != vb[i]->type || va[i]->data != vb[i]->data) return false;
    }
    const auto ka = ByName(a.subkeys), kb = ByName(b.subkeys);
    for (std::size_t i = 0; i < ka.size(); ++i) {
        if (*ka[i] != *kb[i]) return false;
    }
    return true;
}

std::ostream& operator<<(std::ostream& out, const KeySnapshot& tree) {
    out << "\n";
    PrintTree(out, tree, 0);
    return out;
}

std::vector<std::uint8_t> TextBytes(const std::string& utf8) { return Utf16Bytes(Utf16FromUtf8(utf8)); }

std::vector<std::uint8_t> SzBytes(const std::u16string& text) {
    std::vector<std::uint8_t> bytes = Utf16Bytes(text);
    bytes.insert(bytes.end(), 2, 0);
    return bytes;
}

std::vector<std::uint8_t> SzBytes(const std::string& utf8) { return SzBytes(Utf16FromUtf8(utf8)); }

SnapshotValue SzValue(const std::string& name, const std::string& utf8) { return {name, kRegSz, SzBytes(utf8)}; }

}  // namespace wof
