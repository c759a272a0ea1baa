#include "tests/support/RegistryTree.h"

#include "registry/KeyHandle.h"
#include "registry/RegistryRoutines.h"
#include "tests/support/Utf8.h"

namespace wof {
namespace {

// The registry's own limit on depth; the same bound on the entries of one
// key ends a walk on a registry that keeps handing back the same key.
constexpr int kMaxDepth = 512;
constexpr std::uint32_t kMaxEntries = 1u << 20;

void Check(RegStatus status, const char* call, const std::string& path) {
    if (status != kErrorSuccess)
        throw RegistryTreeError(std::string(call) + " of " + path + " failed with status " + std::to_string(status));
}

void CheckBounds(int depth, std::uint32_t index, const std::string& path) {
    if (depth > kMaxDepth || index >= kMaxEntries)
        throw RegistryTreeError(path + " lies deeper or holds more than a registry can");
}

std::string Below(const std::string& path, const std::string& name) { return path + "\\" + name; }

// Opens name below parent for all access, or makes it with cls.
KeyHandle OpenOrMake(Registry& registry, HKey parent, const std::string& name, const std::string* cls,
                     const std::string& shown) {
    KeyHandle key(registry);
    RegStatus status = registry.OpenKeyExW(parent, Utf16FromUtf8(name), kKeyAllAccess, key.put());
    if (status == kErrorFileNotFound) {
        const std::u16string wideClass = Utf16FromUtf8(cls ? *cls : std::string());
        std::uint32_t disposition = 0;
        status = registry.CreateKeyExW(parent, Utf16FromUtf8(name), cls ? &wideClass : nullptr, kKeyAllAccess,
                                       key.put(), &disposition);
    }
    Check(status, "RegCreateKeyExW", shown);
    return key;
}

// The keys above path are made without a class, path itself with cls.
KeyHandle OpenOrMakePath(Registry& registry, HKey root, const std::string& path, const std::string* cls) {
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return OpenOrMake(registry, root, path, cls, path);
    const KeyHandle parent = OpenOrMakePath(registry, root, path.substr(0, slash), nullptr);
    return OpenOrMake(registry, parent.get(), path.substr(slash + 1), cls, path);
}

void WriteKey(Registry& registry, HKey key, const KeySnapshot& tree, const std::string& shown) {
    for (const SnapshotValue& value : tree.values)
        Check(SetValueExactly(registry, key, Utf16FromUtf8(value.name), value.type, value.data.data(),
                              static_cast<std::uint32_t>(value.data.size())),
              "RegSetValueExW", Below(shown, value.name));
    for (const KeySnapshot& sub : tree.subkeys) {
        const std::string subShown = Below(shown, sub.name);
        WriteKey(registry, OpenOrMake(registry, key, sub.name, &sub.cls, subShown).get(), sub, subShown);
    }
}

class TreeReader {
public:
    explicit TreeReader(Registry& registry) : registry_(registry), name_(kMaxValueNameChars + 1, u'\0') {}

    KeySnapshot Read(HKey key, const std::string& shown, int depth) {
        KeySnapshot tree{"", ReadClass(key, shown), {}, {}};
        for (std::uint32_t index = 0; ReadValue(key, index, shown, &tree); ++index) CheckBounds(depth, index, shown);
        for (std::uint32_t index = 0;; ++index) {
            CheckBounds(depth, index, shown);
            std::uint32_t nameSize = kMaxKeyNameChars + 1;
            const RegStatus status = registry_.EnumKeyExW(key, index, &name_[0], &nameSize, nullptr, nullptr);
            if (status == kErrorNoMoreItems) return tree;
            Check(status, "RegEnumKeyExW", shown);
            const std::u16string name = name_.substr(0, nameSize);
            const std::string subShown = Below(shown, Utf8FromUtf16(name));
            KeyHandle sub(registry_);
            Check(registry_.OpenKeyExW(key, name, kKeyRead, sub.put()), "RegOpenKeyExW", subShown);
            tree.subkeys.push_back(Read(sub.get(), subShown, depth + 1));
            tree.subkeys.back().name = Utf8FromUtf16(name);
        }
    }

private:
    // Wine sizes a long class wrong when asked for its size alone, so the
    // buffer grows until the class fits.
    std::string ReadClass(HKey key, const std::string& shown) {
        for (std::u16string cls(64, u'\0');; cls.resize(cls.size() * 2)) {
            std::uint32_t size = static_cast<std::uint32_t>(cls.size());
            const RegStatus status = registry_.QueryInfoKeyW(key, &cls[0], &size);
            if ((status != kErrorMoreData && status != kErrorInsufficientBuffer) || cls.size() > kMaxEntries) {
                Check(status, "RegQueryInfoKeyW", shown);
                return Utf8FromUtf16(cls.substr(0, size));
            }
        }
    }

    // Value index into tree; false at the end. The data buffer has a spare
    // byte: the reported size is all a correct registry needs.
    bool ReadValue(HKey key, std::uint32_t index, const std::string& shown, KeySnapshot* tree) {
        std::uint32_t nameSize = static_cast<std::uint32_t>(name_.size());
        std::uint32_t type = kRegNone;
        std::uint32_t dataSize = 0;
        RegStatus status = registry_.EnumValueW(key, index, &name_[0], &nameSize, &type, nullptr, &dataSize);
        if (status == kErrorNoMoreItems) return false;
        std::vector<std::uint8_t> data(dataSize + 1);
        nameSize = static_cast<std::uint32_t>(name_.size());
        if (status == kErrorSuccess)
            status = registry_.EnumValueW(key, index, &name_[0], &nameSize, &type, data.data(), &dataSize);
        Check(status, "RegEnumValueW", shown);
        data.resize(dataSize);
        tree->values.push_back({Utf8FromUtf16(name_.substr(0, nameSize)), type, std::move(data)});
        return true;
    }

    Registry& registry_;
    std::u16string name_;  // allocated once: a value name can take 32 KiB
};

// Listing the subkeys is all it takes: a key that may not be changed, but
// may be deleted, goes too. Deleting subkey 0 shifts the next one down.
void DeleteBelow(Registry& registry, HKey key, const std::string& shown, int depth) {
    for (std::uint32_t deleted = 0;; ++deleted) {
        CheckBounds(depth, deleted, shown);
        char16_t name[kMaxKeyNameChars + 1];
        std::uint32_t size = kMaxKeyNameChars + 1;
        const RegStatus status = registry.EnumKeyExW(key, 0, name, &size, nullptr, nullptr);
        if (status == kErrorNoMoreItems) return;
        Check(status, "RegEnumKeyExW", shown);
        const std::u16string sub(name, size);
        const std::string subShown = Below(shown, Utf8FromUtf16(sub));
        {
            KeyHandle child(registry);
            Check(registry.OpenKeyExW(key, sub, kKeyRead, child.put()), "RegOpenKeyExW", subShown);
            DeleteBelow(registry, child.get(), subShown, depth + 1);
        }
        Check(registry.DeleteKeyW(key, sub), "RegDeleteKeyW", subShown);
    }
}

}  // namespace

void WriteTree(Registry& registry, HKey root, const std::string& path, const KeySnapshot& tree) {
    WriteKey(registry, OpenOrMakePath(registry, root, path, &tree.cls).get(), tree, path);
}

std::optional<KeySnapshot> ReadTree(Registry& registry, HKey root, const std::string& path) {
    KeyHandle key(registry);
    const RegStatus status = registry.OpenKeyExW(root, Utf16FromUtf8(path), kKeyRead, key.put());
    if (status == kErrorFileNotFound) return std::nullopt;
    Check(status, "RegOpenKeyExW", path);
    return TreeReader(registry).Read(key.get(), path, 0);
}

void DeleteTree(Registry& registry, HKey root, const std::string& path) {
    {
        KeyHandle key(registry);
        const RegStatus status = registry.OpenKeyExW(root, Utf16FromUtf8(path), kKeyRead, key.put());
        if (status == kErrorFileNotFound) return;
        Check(status, "RegOpenKeyExW", path);
        DeleteBelow(registry, key.get(), path, 0);
    }
    Check(registry.DeleteKeyW(root, Utf16FromUtf8(path)), "RegDeleteKeyW", path);
}

void SetValue(Registry& registry, HKey root, const std::string& path, const std::string& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data) {
    Check(SetValueExactly(registry, OpenOrMakePath(registry, root, path, nullptr).get(), Utf16FromUtf8(name), type,
                          data.data(), static_cast<std::uint32_t>(data.size())),
          "RegSetValueExW", Below(path, name));
}

}  // namespace wof
