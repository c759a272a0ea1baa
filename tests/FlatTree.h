// A snapshot flattened to full key paths, for checking that every key and
// value of one tree is still somewhere in another.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "registry/NameCase.h"
#include "tests/support/KeySnapshot.h"

namespace wof {

struct FlatTree {
    std::map<std::string, std::string> classes;       // key path -> class
    std::map<std::string, SnapshotValue> values;      // key path + "|" + name -> value

    // Paths and names as the registry tells them apart.
    static std::string Fold(std::string text) {
        for (char& c : text) c = static_cast<char>(FoldAscii(c));
        return text;
    }

    void Add(const KeySnapshot& key, const std::string& path) {
        classes[Fold(path)] = key.cls;
        for (const SnapshotValue& value : key.values) values[Fold(path) + "|" + Fold(value.name)] = value;
        for (const KeySnapshot& sub : key.subkeys) Add(sub, path + "\\" + sub.name);
    }

    explicit FlatTree(const std::optional<KeySnapshot>& tree) {
        if (tree) Add(*tree, "");
    }
};

inline bool SameValue(const SnapshotValue& a, const SnapshotValue& b) { return a.type == b.type && a.data == b.data; }

// Names what of `original` is in neither `source` nor `destination`; the top
// key's class is not compared, as a renamed key gets a new one.
inline std::string Missing(const FlatTree& original, const FlatTree& source, const FlatTree& destination) {
    std::string missing;
    for (const auto& [path, cls] : original.classes) {
        const auto inSource = source.classes.find(path);
        const auto inDestination = destination.classes.find(path);
        const bool top = path.empty();
        const bool kept = (inSource != source.classes.end() && (top || inSource->second == cls)) ||
                          (inDestination != destination.classes.end() && (top || inDestination->second == cls));
        if (!kept) missing += "key '" + path + "'\n";
    }
    for (const auto& [where, value] : original.values) {
        const auto inSource = source.values.find(where);
        const auto inDestination = destination.values.find(where);
        const bool kept = (inSource != source.values.end() && SameValue(inSource->second, value)) ||
                          (inDestination != destination.values.end() && SameValue(inDestination->second, value));
        if (!kept) missing += "value '" + where + "'\n";
    }
    return missing;
}

}  // namespace wof
