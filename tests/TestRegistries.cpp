#include "tests/TestRegistries.h"

#include <gtest/gtest.h>

#include <vector>

#include "registry/KeyHandle.h"

#ifdef _WIN32
#include "registry/Win32Registry.h"
#endif

namespace wof {

#ifdef _WIN32
std::unique_ptr<Registry> MakeTestRegistry() { return std::make_unique<Win32Registry>(); }
std::unique_ptr<AnsiCodec> MakeTestCodec() { return std::make_unique<Win32AnsiCodec>(); }
const bool kIsRealRegistry = true;
#else
std::unique_ptr<Registry> MakeTestRegistry() { return std::make_unique<MemoryRegistry>(); }
std::unique_ptr<AnsiCodec> MakeTestCodec() { return std::make_unique<Latin1Codec>(); }
const bool kIsRealRegistry = false;
#endif

namespace {

// Bounds that no scratch tree comes near; past them a registry that keeps
// handing back the same key would loop for ever.
constexpr int kMaxDepth = 32;
constexpr int kMaxKeysPerLevel = 10000;

std::string ChildPath(const std::string& path, const std::string& name) { return path + "\\" + name; }

// The name of subkey index, or nothing at the end or on an error (which is
// reported).
std::optional<std::string> SubkeyName(Registry& registry, HKey key, std::uint32_t index) {
    char name[kMaxKeyNameChars + 1];
    std::uint32_t size = sizeof name;
    RegStatus status = registry.EnumKeyEx(key, index, name, &size, nullptr, nullptr);
    if (status == kErrorNoMoreItems) return std::nullopt;
    if (status != kErrorSuccess) {
        ADD_FAILURE() << "EnumKeyEx index " << index << " failed with " << status;
        return std::nullopt;
    }
    return std::string(name, size);
}

void DeleteBelow(Registry& registry, HKey root, const std::string& path, int depth) {
    KeyHandle key(registry);
    RegStatus status = registry.OpenKeyEx(root, path, kKeyAllAccess, key.put());
    if (status == kErrorFileNotFound) return;
    if (status != kErrorSuccess) {
        ADD_FAILURE() << "cannot open " << path << " to delete it: " << status;
        return;
    }
    if (depth > kMaxDepth) {
        ADD_FAILURE() << "tree below " << path << " is deeper than " << kMaxDepth;
        return;
    }
    // Deleting subkey 0 shifts the next one down into its place.
    for (int i = 0; i < kMaxKeysPerLevel; ++i) {
        std::optional<std::string> name = SubkeyName(registry, key.get(), 0);
        if (!name) break;
        DeleteBelow(registry, key.get(), *name, depth + 1);
        status = registry.DeleteKey(key.get(), *name);
        if (status != kErrorSuccess) {
            ADD_FAILURE() << "cannot delete " << ChildPath(path, *name) << ": " << status;
            return;
        }
    }
}

bool ReadValues(Registry& registry, HKey key, KeySnapshot* tree) {
    for (std::uint32_t index = 0;; ++index) {
        std::vector<char> name(kMaxValueNameChars + 1);
        std::uint32_t nameSize = static_cast<std::uint32_t>(name.size());
        std::uint32_t type = kRegNone;
        std::uint32_t dataSize = 0;
        RegStatus status = registry.EnumValue(key, index, name.data(), &nameSize, &type, nullptr, &dataSize);
        if (status == kErrorNoMoreItems) return true;
        // One spare byte: a buffer of exactly the reported size is all a
        // correct registry needs, and the spare stays outside the value.
        std::vector<std::uint8_t> data(dataSize + 1);
        nameSize = static_cast<std::uint32_t>(name.size());
        if (status == kErrorSuccess) {
            status = registry.EnumValue(key, index, name.data(), &nameSize, &type, data.data(), &dataSize);
        }
        if (status != kErrorSuccess) {
            ADD_FAILURE() << "EnumValue index " << index << " failed with " << status;
            return false;
        }
        data.resize(dataSize);
        tree->values.push_back(SnapshotValue{std::string(name.data(), nameSize), type, std::move(data)});
    }
}

// Subkey index with its class: the class length is asked first, so any
// class fits. Returns the EnumKeyEx status.
RegStatus ReadSubkey(Registry& registry, HKey key, std::uint32_t index, std::string* name, std::string* cls) {
    char nameBuffer[kMaxKeyNameChars + 1];
    std::uint32_t nameSize = sizeof nameBuffer;
    std::uint32_t clsSize = 0;
    RegStatus status = registry.EnumKeyEx(key, index, nameBuffer, &nameSize, nullptr, &clsSize);
    if (status != kErrorSuccess) return status;
    std::vector<char> clsBuffer(clsSize + 1);
    nameSize = sizeof nameBuffer;
    clsSize = static_cast<std::uint32_t>(clsBuffer.size());
    status = registry.EnumKeyEx(key, index, nameBuffer, &nameSize, clsBuffer.data(), &clsSize);
    if (status != kErrorSuccess) return status;
    name->assign(nameBuffer, nameSize);
    cls->assign(clsBuffer.data(), clsSize);
    return kErrorSuccess;
}

bool ReadKey(Registry& registry, HKey key, KeySnapshot* tree, int depth) {
    if (depth > kMaxDepth) {
        ADD_FAILURE() << "tree deeper than " << kMaxDepth;
        return false;
    }
    if (!ReadValues(registry, key, tree)) return false;
    for (std::uint32_t index = 0; index < kMaxKeysPerLevel; ++index) {
        KeySnapshot sub;
        RegStatus status = ReadSubkey(registry, key, index, &sub.name, &sub.cls);
        if (status == kErrorNoMoreItems) return true;
        if (status != kErrorSuccess) {
            ADD_FAILURE() << "EnumKeyEx index " << index << " failed with " << status;
            return false;
        }
        KeyHandle child(registry);
        status = registry.OpenKeyEx(key, sub.name, kKeyRead, child.put());
        if (status != kErrorSuccess) {
            ADD_FAILURE() << "cannot open subkey " << sub.name << ": " << status;
            return false;
        }
        if (!ReadKey(registry, child.get(), &sub, depth + 1)) return false;
        tree->subkeys.push_back(std::move(sub));
    }
    ADD_FAILURE() << "more than " << kMaxKeysPerLevel << " subkeys";
    return false;
}

bool SameAsciiName(const std::string& a, const std::string& b) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

// A key's class is visible through these calls only in its parent's
// listing, so the top key's class is looked up there.
bool ReadTopClass(Registry& registry, HKey root, const std::string& path, std::string* cls) {
    std::size_t slash = path.rfind('\\');
    std::string parentPath = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    KeyHandle parent(registry);
    RegStatus status = registry.OpenKeyEx(root, parentPath, kKeyRead, parent.put());
    for (std::uint32_t index = 0; status == kErrorSuccess && index < kMaxKeysPerLevel; ++index) {
        std::string name;
        status = ReadSubkey(registry, parent.get(), index, &name, cls);
        if (status == kErrorSuccess && SameAsciiName(name, leaf)) return true;
    }
    ADD_FAILURE() << "cannot find " << path << " in its parent's listing: " << status;
    return false;
}

}  // namespace

void DeleteTree(Registry& registry, HKey root, const std::string& path) {
    DeleteBelow(registry, root, path, 0);
    RegStatus status = registry.DeleteKey(root, path);
    if (status != kErrorSuccess && status != kErrorFileNotFound) {
        ADD_FAILURE() << "cannot delete " << path << ": " << status;
    }
}

std::optional<KeySnapshot> ReadTree(Registry& registry, HKey root, const std::string& path) {
    KeyHandle key(registry);
    if (registry.OpenKeyEx(root, path, kKeyRead, key.put()) != kErrorSuccess) return std::nullopt;
    KeySnapshot tree;
    if (!ReadKey(registry, key.get(), &tree, 0) || !ReadTopClass(registry, root, path, &tree.cls)) return std::nullopt;
    return tree;
}

}  // namespace wof
