#include "tests/support/KeySnapshot.h"

#include <algorithm>
#include <iomanip>

#include "tests/support/Utf8.h"

namespace wof {
namespace {

bool ValueLess(const SnapshotValue& a, const SnapshotValue& b) { return a.name < b.name; }

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
    if (a.name != b.name || a.cls != b.cls) return false;
    if (a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size()) return false;

    std::vector<SnapshotValue> va = a.values;
    std::vector<SnapshotValue> vb = b.values;
    std::sort(va.begin(), va.end(), ValueLess);
    std::sort(vb.begin(), vb.end(), ValueLess);
    for (std::size_t i = 0; i < va.size(); ++i) {
        if (va[i].name != vb[i].name || va[i].type != vb[i].type || va[i].data != vb[i].data) return false;
    }

    auto byName = [](const KeySnapshot* x, const KeySnapshot* y) { return x->name < y->name; };
    std::vector<const KeySnapshot*> ka;
    std::vector<const KeySnapshot*> kb;
    for (const KeySnapshot& sub : a.subkeys) ka.push_back(&sub);
    for (const KeySnapshot& sub : b.subkeys) kb.push_back(&sub);
    std::sort(ka.begin(), ka.end(), byName);
    std::sort(kb.begin(), kb.end(), byName);
    for (std::size_t i = 0; i < ka.size(); ++i) {
        if (!(*ka[i] == *kb[i])) return false;
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
