#include "tests/TestRegistries.h"

#include <gtest/gtest.h>

#include <vector>

#include "registry/KeyHandle.h"
#include "registry/RegistryRoutines.h"
#include "tests/support/Utf8.h"

#ifdef _WIN32
#include "registry/Win32Registry.h"
#else
#include "tests/support/Latin1Codec.h"
#include "tests/support/MemoryRegistry.h"
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

std::string ChildPath(const std::string& path, const std::u16string& name) {
    return path + "\\" + Utf8FromUtf16(name);
}

// The name of subkey index, or nothing at the end or on an error (which is
// reported).
std::optional<std::u16string> SubkeyName(Registry& registry, HKey key, std::uint32_t index) {
    char16_t name[kMaxKeyNameChars + 1];
    std::uint32_t size = kMaxKeyNameChars + 1;
    RegStatus status = registry.EnumKeyExW(key, index, name, &size, nullptr, nullptr);
    if (status == kErrorNoMoreItems) return std::nullopt;
    if (status != kErrorSuccess) {
        ADD_FAILURE() << "EnumKeyExW index " << index << " failed with " << status;
        return std::nullopt;
    }
    return std::u16string(name, size);
}

void DeleteBelow(Registry& registry, HKey root, const std::u16string& path, const std::string& shownPath,
                 int depth) {
    KeyHandle key(registry);
    RegStatus status = registry.OpenKeyExW(root, path, kKeyAllAccess, key.put());
    if (status == kErrorFileNotFound) return;
    if (status != kErrorSuccess) {
        ADD_FAILURE() << "cannot open " << shownPath << " to delete it: " << status;
        return;
    }
    if (depth > kMaxDepth) {
        ADD_FAILURE() << "tree below " << shownPath << " is deeper than " << kMaxDepth;
        return;
    }
    // Deleting subkey 0 shifts the next one down into its place.
    for (int i = 0; i < kMaxKeysPerLevel; ++i) {
        std::optional<std::u16string> name = SubkeyName(registry, key.get(), 0);
        if (!name) break;
        DeleteBelow(registry, key.get(), *name, ChildPath(shownPath, *name), depth + 1);
        status = registry.DeleteKeyW(key.get(), *name);
        if (status != kErrorSuccess) {
            ADD_FAILURE() << "cannot delete " << ChildPath(shownPath, *name) << ": " << status;
            return;
        }
    }
}

bool ReadValues(Registry& registry, HKey key, KeySnapshot* tree) {
    // Allocated once: a name can take 32 KiB.
    static std::u16string name(kMaxValueNameChars + 1, u'\0');
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameSize = static_cast<std::uint32_t>(name.size());
        std::uint32_t type = kRegNone;
        std::uint32_t dataSize = 0;
        RegStatus status = registry.EnumValueW(key, index, &name[0], &nameSize, &type, nullptr, &dataSize);
        if (status == kErrorNoMoreItems) return true;
        // One spare byte: a buffer of exactly the reported size is all a
        // correct registry needs, and the spare stays outside the value.
        std::vector<std::uint8_t> data(dataSize + 1);
        nameSize = static_cast<std::uint32_t>(name.size());
        if (status == kErrorSuccess) {
            status = registry.EnumValueW(key, index, &name[0], &nameSize, &type, data.data(), &dataSize);
        }
        if (status != kErrorSuccess) {
            ADD_FAILURE() << "EnumValueW index " << index << " failed with " << status;
            return false;
        }
        data.resize(dataSize);
        tree->values.push_back(SnapshotValue{Utf8FromUtf16(name.substr(0, nameSize)), type, std::move(data)});
    }
}

// Subkey index with its class: the class length is asked first, so any
// class fits. Returns the EnumKeyExW status.
RegStatus ReadSubkey(Registry& registry, HKey key, std::uint32_t index, std::u16string* name, std::u16string* cls) {
    char16_t nameBuffer[kMaxKeyNameChars + 1];
    std::uint32_t nameSize = kMaxKeyNameChars + 1;
    std::uint32_t clsSize = 0;
    RegStatus status = registry.EnumKeyExW(key, index, nameBuffer, &nameSize, nullptr, &clsSize);
    if (status != kErrorSuccess) return status;
    std::u16string clsBuffer(clsSize + 1, u'\0');
    nameSize = kMaxKeyNameChars + 1;
    clsSize = static_cast<std::uint32_t>(clsBuffer.size());
    status = registry.EnumKeyExW(key, index, nameBuffer, &nameSize, &clsBuffer[0], &clsSize);
    if (status != kErrorSuccess) return status;
    name->assign(nameBuffer, nameSize);
    *cls = clsBuffer.substr(0, clsSize);
    return kErrorSuccess;
}

bool ReadKey(Registry& registry, HKey key, KeySnapshot* tree, int depth) {
    if (depth > kMaxDepth) {
        ADD_FAILURE() << "tree deeper than " << kMaxDepth;
        return false;
    }
    if (!ReadValues(registry, key, tree)) return false;
    for (std::uint32_t index = 0; index < kMaxKeysPerLevel; ++index) {
        std::u16string name;
        std::u16string cls;
        RegStatus status = ReadSubkey(registry, key, index, &name, &cls);
        if (status == kErrorNoMoreItems) return true;
        if (status != kErrorSuccess) {
            ADD_FAILURE() << "EnumKeyExW index " << index << " failed with " << status;
            return false;
        }
        KeySnapshot sub{Utf8FromUtf16(name), Utf8FromUtf16(cls), {}, {}};
        KeyHandle child(registry);
        status = registry.OpenKeyExW(key, name, kKeyRead, child.put());
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

bool SameAsciiName(const std::u16string& a, const std::u16string& b) {
    auto upper = [](char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

// A key's class is visible through these calls only in its parent's
// listing, so the top key's class is looked up there.
bool ReadTopClass(Registry& registry, HKey root, const std::u16string& path, std::string* cls) {
    std::size_t slash = path.rfind(u'\\');
    std::u16string parentPath = slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
    std::u16string leaf = slash == std::u16string::npos ? path : path.substr(slash + 1);
    KeyHandle parent(registry);
    RegStatus status = registry.OpenKeyExW(root, parentPath, kKeyRead, parent.put());
    for (std::uint32_t index = 0; status == kErrorSuccess && index < kMaxKeysPerLevel; ++index) {
        std::u16string name;
        std::u16string wideClass;
        status = ReadSubkey(registry, parent.get(), index, &name, &wideClass);
        if (status == kErrorSuccess && SameAsciiName(name, leaf)) {
            *cls = Utf8FromUtf16(wideClass);
            return true;
        }
    }
    ADD_FAILURE() << "cannot find " << Utf8FromUtf16(path) << " in its parent's listing: " << status;
    return false;
}

bool WriteKey(Registry& registry, HKey parent, const std::u16string& name, const KeySnapshot& tree,
              const std::string& shownPath) {
    KeyHandle key(registry);
    std::uint32_t disposition = 0;
    const std::u16string cls = Utf16FromUtf8(tree.cls);
    RegStatus status = registry.CreateKeyExW(parent, name, &cls, kKeyAllAccess, key.put(), &disposition);
    if (status != kErrorSuccess) {
        ADD_FAILURE() << "cannot create " << shownPath << ": " << status;
        return false;
    }
    for (const SnapshotValue& value : tree.values) {
        status = SetValueExactly(registry, key.get(), Utf16FromUtf8(value.name), value.type, value.data.data(),
                                 static_cast<std::uint32_t>(value.data.size()));
        if (status != kErrorSuccess) {
            ADD_FAILURE() << "cannot set a value of " << value.data.size() << " bytes in " << shownPath << ": "
                          << status;
            return false;
        }
    }
    for (const KeySnapshot& sub : tree.subkeys) {
        const std::u16string subName = Utf16FromUtf8(sub.name);
        if (!WriteKey(registry, key.get(), subName, sub, ChildPath(shownPath, subName))) return false;
    }
    return true;
}

}  // namespace

void DeleteTree(Registry& registry, HKey root, const std::string& path) {
    const std::u16string widePath = Utf16FromUtf8(path);
    DeleteBelow(registry, root, widePath, path, 0);
    RegStatus status = registry.DeleteKeyW(root, widePath);
    if (status != kErrorSuccess && status != kErrorFileNotFound) {
        ADD_FAILURE() << "cannot delete " << path << ": " << status;
    }
}

std::optional<KeySnapshot> ReadTree(Registry& registry, HKey root, const std::string& path) {
    const std::u16string widePath = Utf16FromUtf8(path);
    KeyHandle key(registry);
    if (registry.OpenKeyExW(root, widePath, kKeyRead, key.put()) != kErrorSuccess) return std::nullopt;
    KeySnapshot tree;
    if (!ReadKey(registry, key.get(), &tree, 0) || !ReadTopClass(registry, root, widePath, &tree.cls)) {
        return std::nullopt;
    }
    return tree;
}

bool WriteTree(Registry& registry, HKey root, const std::string& path, const KeySnapshot& tree) {
    return WriteKey(registry, root, Utf16FromUtf8(path), tree, path);
}

void SetValue(Registry& registry, HKey root, const std::string& path, const std::string& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data) {
    KeyHandle key(registry);
    std::uint32_t disposition = 0;
    registry.CreateKeyExW(root, Utf16FromUtf8(path), nullptr, kKeyAllAccess, key.put(), &disposition);
    SetValueExactly(registry, key.get(), Utf16FromUtf8(name), type, data.data(),
                    static_cast<std::uint32_t>(data.size()));
}

void SeedWordDocumentType(Registry& registry, const WordDocumentType& type) {
    WriteTree(registry, kHkeyClassesRoot, type.progId, Word2007Registration(type));
}

void SeedWord2007(Registry& registry) {
    for (const WordDocumentType& type : kWordDocumentTypes) SeedWordDocumentType(registry, type);
}

}  // namespace wof
