#include "tests/support/MemoryRegistry.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "registry/NameCase.h"
#include "registry/Utf16.h"
#include "tests/support/Latin1Codec.h"
#include "tests/support/Utf8.h"

namespace wof {

namespace {

// Access bits (winnt.h) besides those of registry/Registry.h.
constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr std::uint32_t kKeyWrite = 0x20006;
constexpr std::uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;
constexpr std::uint32_t kMaximumAllowed = 0x02000000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kSpecificAndStandardRights = 0x00FFFFFF;
constexpr std::uint32_t kWow64ViewBits = 0x0300;

// Handles start well above zero and move in steps of four, as kernel
// handles do, so a stray small integer is never mistaken for one.
constexpr HKey kFirstHandle = 0x1000;
constexpr HKey kHandleStep = 4;

// Windows orders subkeys by their upper-cased names.
bool UpperLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return FoldAscii(x) < FoldAscii(y); });
}

// Empty components (doubled or trailing backslashes) are skipped, as the
// registry does.
std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string StripTrailingBackslashes(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

bool IsAtOrBelow(const std::string& path, const std::string& top) {
    if (top.empty() || path.size() < top.size()) return false;
    if (!SameName(path.substr(0, top.size()), top)) return false;
    return path.size() == top.size() || path[top.size()] == '\\';
}

bool IsPredefined(HKey key) { return key == kHkeyClassesRoot || key == kHkeyCurrentUser; }

std::uint32_t MapGenericRights(std::uint32_t requested) {
    std::uint32_t granted = requested & kSpecificAndStandardRights & ~kWow64ViewBits;
    if (requested & (kGenericRead | kGenericExecute)) granted |= kKeyRead;
    if (requested & kGenericWrite) granted |= kKeyWrite;
    if (requested & kGenericAll) granted |= kKeyAllAccess;
    return granted;
}

// MAXIMUM_ALLOWED takes whatever the caller may have, as RegCreateKeyA asks.
RegStatus GrantAccess(std::uint32_t requested, bool writesDenied, std::uint32_t* granted) {
    if (requested & kMaximumAllowed) {
        *granted = writesDenied ? kKeyRead : kKeyAllAccess;
        return kErrorSuccess;
    }
    std::uint32_t rights = MapGenericRights(requested);
    if (writesDenied && (rights & kWriteRights)) return kErrorAccessDenied;
    *granted = rights;
    return kErrorSuccess;
}

std::uint32_t Size32(std::size_t size) { return static_cast<std::uint32_t>(size); }

}  // namespace

struct MemoryRegistry::Node : std::enable_shared_from_this<Node> {
    std::string name;
    std::string cls;
    std::vector<SnapshotValue> values;                // in the order they were first set
    std::vector<std::shared_ptr<Node>> subkeys;       // sorted as Windows enumerates them
    Node* parent = nullptr;                           // null for a root and for a deleted key
    bool deleted = false;

    std::shared_ptr<Node> Find(const std::string& child) const {
        for (const auto& sub : subkeys) {
            if (SameName(sub->name, child)) return sub;
        }
        return nullptr;
    }

    // The key the names lead to from here, or null.
    std::shared_ptr<Node> Walk(std::vector<std::string>::const_iterator name,
                               std::vector<std::string>::const_iterator end) {
        std::shared_ptr<Node> node = shared_from_this();
        for (; node && name != end; ++name) node = node->Find(*name);
        return node;
    }

    SnapshotValue* FindValue(const std::string& valueName) {
        for (SnapshotValue& value : values) {
            if (SameName(value.name, valueName)) return &value;
        }
        return nullptr;
    }

    std::shared_ptr<Node> AddChild(const std::string& childName, const std::string& childClass) {
        auto child = std::make_shared<Node>();
        child->name = childName;
        child->cls = childClass;
        child->parent = this;
        auto at = std::upper_bound(subkeys.begin(), subkeys.end(), child,
                                   [](const auto& x, const auto& y) { return UpperLess(x->name, y->name); });
        subkeys.insert(at, child);
        return child;
    }

    // Detaches this key and marks it and everything below it deleted, so
    // that handles still open on any of them report ERROR_KEY_DELETED.
    void Remove() {
        MarkDeleted();
        auto& siblings = parent->subkeys;
        siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                      [this](const auto& sibling) { return sibling.get() == this; }),
                       siblings.end());
        parent = nullptr;
    }

    void MarkDeleted() {
        deleted = true;
        for (auto& sub : subkeys) sub->MarkDeleted();
    }

    std::string FullPath() const { return parent ? parent->FullPath() + "\\" + name : name; }

    KeySnapshot Snap(const std::string& snapName) const {
        KeySnapshot tree{snapName, cls, values, {}};
        for (const auto& sub : subkeys) tree.subkeys.push_back(sub->Snap(sub->name));
        return tree;
    }

    void Fill(const KeySnapshot& tree) {
        cls = tree.cls;
        values = tree.values;
        for (const KeySnapshot& sub : tree.subkeys) AddChild(sub.name, "")->Fill(sub);
    }
};

struct MemoryRegistry::Handle {
    std::shared_ptr<Node> node;
    std::uint32_t access = 0;
    std::string path;  // as it was when opened; a deleted key has no other
};

// The key an open, create or delete names: a handle's key and the path
// below it. path joins both, in the caller's spelling.
struct MemoryRegistry::Target {
    Handle base;
    std::vector<std::string> components;
    std::string path;
};

MemoryRegistry::MemoryRegistry()
    : classesRoot_(std::make_shared<Node>()), currentUser_(std::make_shared<Node>()), nextHandle_(kFirstHandle) {
    classesRoot_->name = "HKCR";
    currentUser_->name = "HKCU";
}

MemoryRegistry::~MemoryRegistry() = default;

RegStatus MemoryRegistry::Resolve(HKey key, Handle* handle) const {
    if (IsPredefined(key)) {
        std::shared_ptr<Node> root = key == kHkeyClassesRoot ? classesRoot_ : currentUser_;
        *handle = Handle{root, WritesDenied(root->name) ? kKeyRead : kKeyAllAccess, root->name};
        return kErrorSuccess;
    }
    auto found = handles_.find(key);
    if (found == handles_.end()) return kErrorInvalidHandle;
    *handle = found->second;
    return kErrorSuccess;
}

// On failure target->path is still filled when the handle is known, so
// that path faults can match calls that would fail anyway.
RegStatus MemoryRegistry::ResolveTarget(HKey key, const std::string& subKey, Target* target) const {
    RegStatus status = Resolve(key, &target->base);
    if (status != kErrorSuccess) return status;
    target->components = SplitPath(subKey);
    target->path = target->base.path;
    for (const std::string& component : target->components) target->path += "\\" + component;
    if (target->base.node->deleted) return kErrorKeyDeleted;
    if (!subKey.empty() && subKey[0] == '\\') return kErrorBadPathname;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::Count(RegFunction function, const std::string& path) {
    ++calls_[static_cast<std::size_t>(function)];
    lie_ = FaultKind::kFail;
    std::optional<RegStatus> failure;
    for (std::size_t i = 0; i < faults_.size();) {
        RegFault& fault = faults_[i];
        bool matches = (!fault.function || *fault.function == function) &&
                       (fault.path.empty() || IsAtOrBelow(path, fault.path));
        if (!matches || failure) {
            ++i;
        } else if (fault.nth > 1) {
            --fault.nth;
            ++i;
        } else {
            if (fault.kind == FaultKind::kFail) {
                failure = fault.status;
            } else {
                failure = kErrorSuccess;
                lie_ = fault.kind;
            }
            hits_.push_back({function, path});
            if (fault.persistent) {
                ++i;
            } else {
                faults_.erase(faults_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
    return failure.value_or(kErrorSuccess);
}

HKey MemoryRegistry::AddHandle(const std::shared_ptr<Node>& node, std::uint32_t access, const std::string& path) {
    HKey key = nextHandle_;
    nextHandle_ += kHandleStep;
    handles_[key] = Handle{node, access, path};
    return key;
}

bool MemoryRegistry::WritesDenied(const std::string& path) const {
    return std::any_of(denied_.begin(), denied_.end(), [&](const std::string& top) { return IsAtOrBelow(path, top); });
}

RegStatus MemoryRegistry::Usable(const Handle& handle, std::uint32_t needed) {
    if (handle.node->deleted) return kErrorKeyDeleted;
    return (handle.access & needed) == needed ? kErrorSuccess : kErrorAccessDenied;
}

// The A calls take names in the ANSI code page; here that is ISO 8859-1.
// Names are kept as UTF-8, values as the W calls see them.
namespace {

const Latin1Codec kAnsi;

std::string NameFromAnsi(const std::string& name) { return Utf8FromUtf16(ToUtf16(kAnsi.FromAnsi(name))); }

std::string NameFromWide(const std::u16string& name) { return Utf8FromUtf16(name); }
std::u16string NameToWide(const std::string& utf8) { return Utf16FromUtf8(utf8); }

void CopyName(const std::u16string& text, char16_t* out) {
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = u'\0';
}

}  // namespace

RegStatus MemoryRegistry::OpenKeyEx(HKey key, const std::string& subKey, std::uint32_t access, HKey* result) {
    return Open(key, NameFromAnsi(subKey), access, result);
}

RegStatus MemoryRegistry::OpenKeyExW(HKey key, const std::u16string& subKey, std::uint32_t access, HKey* result) {
    return Open(key, NameFromWide(subKey), access, result);
}

RegStatus MemoryRegistry::CreateKeyEx(HKey key, const std::string& subKey, const std::string* cls,
                                      std::uint32_t access, HKey* result, std::uint32_t* disposition) {
    const std::string utf8Class = cls ? NameFromAnsi(*cls) : std::string();
    return Create(RegFunction::kCreateKeyEx, key, NameFromAnsi(subKey), cls ? &utf8Class : nullptr, access, result,
                  disposition);
}

RegStatus MemoryRegistry::CreateKeyExW(HKey key, const std::u16string& subKey, const std::u16string* cls,
                                       std::uint32_t access, HKey* result, std::uint32_t* disposition) {
    const std::string utf8Class = cls ? NameFromWide(*cls) : std::string();
    return Create(RegFunction::kCreateKeyEx, key, NameFromWide(subKey), cls ? &utf8Class : nullptr, access, result,
                  disposition);
}

RegStatus MemoryRegistry::CreateKey(HKey key, const std::string& subKey, HKey* result) {
    return Create(RegFunction::kCreateKey, key, NameFromAnsi(subKey), nullptr, kMaximumAllowed, result, nullptr);
}

RegStatus MemoryRegistry::DeleteKey(HKey key, const std::string& subKey) { return Delete(key, NameFromAnsi(subKey)); }

RegStatus MemoryRegistry::DeleteKeyW(HKey key, const std::u16string& subKey) {
    return Delete(key, NameFromWide(subKey));
}

RegStatus MemoryRegistry::Open(HKey key, const std::string& subKey, std::uint32_t access, HKey* result) {
    if (result) *result = 0;
    Target target;
    RegStatus status = ResolveTarget(key, subKey, &target);
    if (RegStatus fault = Count(RegFunction::kOpenKeyEx, target.path)) return fault;
    if (status != kErrorSuccess) return status;
    if (!result) return kErrorInvalidParameter;

    const std::shared_ptr<Node> node = target.base.node->Walk(target.components.begin(), target.components.end());
    if (!node) return kErrorFileNotFound;
    // Opening a root itself hands back the root's own handle.
    if (target.components.empty() && IsPredefined(key)) {
        *result = key;
        return kErrorSuccess;
    }
    std::uint32_t granted = 0;
    std::string path = node->FullPath();
    status = GrantAccess(access, WritesDenied(path), &granted);
    if (status != kErrorSuccess) return status;
    *result = AddHandle(node, granted, path);
    return kErrorSuccess;
}

// Keys the call creates, intermediate ones included, take the class; an
// existing key keeps its own.
RegStatus MemoryRegistry::Create(RegFunction function, HKey key, const std::string& subKey, const std::string* cls,
                                 std::uint32_t access, HKey* result, std::uint32_t* disposition) {
    if (result) *result = 0;
    Target target;
    RegStatus status = ResolveTarget(key, subKey, &target);
    if (RegStatus fault = Count(function, target.path)) return fault;
    if (status != kErrorSuccess) return status;
    if (!result) return kErrorInvalidParameter;

    std::shared_ptr<Node> node = target.base.node;
    std::size_t found = 0;
    while (found < target.components.size()) {
        std::shared_ptr<Node> next = node->Find(target.components[found]);
        if (!next) break;
        node = next;
        ++found;
    }
    bool exists = found == target.components.size();
    bool denied = WritesDenied(target.path);
    if (denied && !exists) return kErrorAccessDenied;
    std::uint32_t granted = 0;
    status = GrantAccess(access, denied, &granted);
    if (status != kErrorSuccess) return status;

    for (std::size_t i = found; i < target.components.size(); ++i) {
        node = node->AddChild(target.components[i], cls ? *cls : std::string());
        unflushed_.insert(node->FullPath());
    }
    if (disposition) *disposition = exists ? kRegOpenedExistingKey : kRegCreatedNewKey;
    *result = AddHandle(node, granted, node->FullPath());
    return kErrorSuccess;
}

RegStatus MemoryRegistry::QueryValueExW(HKey key, const std::u16string& valueName, std::uint32_t* type,
                                        std::uint8_t* data, std::uint32_t* dataSize) {
    Handle handle;
    RegStatus status = Resolve(key, &handle);
    if (RegStatus fault = Count(RegFunction::kQueryValueEx, handle.path)) return fault;
    if (status != kErrorSuccess) return status;
    status = Usable(handle, kKeyQueryValue);
    if (status != kErrorSuccess) return status;
    if (data && !dataSize) return kErrorInvalidParameter;

    const SnapshotValue* value = handle.node->FindValue(NameFromWide(valueName));
    if (!value) {
        // What Wine does for a missing value: the type reads REG_NONE, and
        // a size-only query reads 0; a size that came with a buffer stays.
        if (type) *type = kRegNone;
        if (!data && dataSize) *dataSize = 0;
        return kErrorFileNotFound;
    }
    if (type) *type = value->type;
    std::uint32_t size = Size32(value->data.size());
    if (data) {
        if (size > *dataSize) {
            *dataSize = size;
            return kErrorMoreData;
        }
        std::copy(value->data.begin(), value->data.end(), data);
    }
    if (dataSize) *dataSize = size;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::SetValueExW(HKey key, const std::u16string& valueName, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t dataSize) {
    Handle handle;
    RegStatus status = Resolve(key, &handle);
    if (RegStatus fault = Count(RegFunction::kSetValueEx, handle.path)) return fault;
    if (status != kErrorSuccess) return status;
    status = Usable(handle, kKeySetValue);
    if (status != kErrorSuccess) return status;
    if (!data && dataSize != 0) return kErrorNoAccess;

    if (lie_ == FaultKind::kKeepNothing) return kErrorSuccess;
    if (lie_ == FaultKind::kKeepOther) type = type == kRegSz ? kRegExpandSz : kRegSz;

    // The bytes are kept exactly as given. (RegSetValueExW also counts a
    // NUL it finds just past a string's given size; reading past the
    // caller's buffer is not copied here.)
    std::vector<std::uint8_t> bytes;
    if (data) bytes.assign(data, data + dataSize);
    const std::string name = NameFromWide(valueName);
    unflushed_.insert(handle.node->FullPath());
    if (SnapshotValue* value = handle.node->FindValue(name)) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        handle.node->values.push_back(SnapshotValue{name, type, std::move(bytes)});
    }
    return kErrorSuccess;
}

RegStatus MemoryRegistry::EnumKeyExW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize,
                                     char16_t* cls, std::uint32_t* clsSize) {
    Handle handle;
    RegStatus status = Resolve(key, &handle);
    if (RegStatus fault = Count(RegFunction::kEnumKeyEx, handle.path)) return fault;
    if (status != kErrorSuccess) return status;
    status = Usable(handle, kKeyEnumerateSubKeys);
    if (status != kErrorSuccess) return status;
    if (!name || !nameSize) return kErrorInvalidParameter;

    const auto& subkeys = handle.node->subkeys;
    if (index >= subkeys.size()) return kErrorNoMoreItems;
    const std::u16string subName = NameToWide(subkeys[index]->name);
    const std::u16string subClass = NameToWide(subkeys[index]->cls);
    // Sizes count the NUL going in and leave it out coming back; nothing is
    // written unless everything fits. A class size without a class buffer
    // just learns the class length.
    if (subName.size() >= *nameSize) return kErrorMoreData;
    if (cls && clsSize && subClass.size() >= *clsSize) return kErrorMoreData;
    CopyName(subName, name);
    *nameSize = Size32(subName.size());
    if (clsSize) {
        if (cls) CopyName(subClass, cls);
        *clsSize = Size32(subClass.size());
    }
    return kErrorSuccess;
}

RegStatus MemoryRegistry::EnumValueW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize,
                                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    Handle handle;
    RegStatus status = Resolve(key, &handle);
    if (RegStatus fault = Count(RegFunction::kEnumValue, handle.path)) return fault;
    if (status != kErrorSuccess) return status;
    status = Usable(handle, kKeyQueryValue);
    if (status != kErrorSuccess) return status;
    if (!name || !nameSize || (data && !dataSize)) return kErrorInvalidParameter;

    const auto& values = handle.node->values;
    if (index >= values.size()) return kErrorNoMoreItems;
    const SnapshotValue& value = values[index];
    const std::u16string valueName = NameToWide(value.name);
    std::uint32_t size = Size32(value.data.size());
    // When either buffer is short the caller still learns the type and the
    // data size it needs, so it can retry with one larger buffer.
    bool nameShort = valueName.size() >= *nameSize;
    bool dataShort = data && size > *dataSize;
    if (type) *type = value.type;
    if (nameShort || dataShort) {
        if (dataSize) *dataSize = size;
        return kErrorMoreData;
    }
    CopyName(valueName, name);
    *nameSize = Size32(valueName.size());
    if (data) std::copy(value.data.begin(), value.data.end(), data);
    if (dataSize) *dataSize = size;
    return kErrorSuccess;
}

RegStatus MemoryRegistry::Delete(HKey key, const std::string& subKey) {
    Target target;
    RegStatus status = ResolveTarget(key, subKey, &target);
    if (RegStatus fault = Count(RegFunction::kDeleteKey, target.path)) return fault;
    if (status != kErrorSuccess) return status;

    const std::shared_ptr<Node> node = target.base.node->Walk(target.components.begin(), target.components.end());
    if (!node) return kErrorFileNotFound;
    // A root cannot go; a key with subkeys is refused as Windows refuses it.
    if (!node->parent || WritesDenied(node->FullPath()) || !node->subkeys.empty()) return kErrorAccessDenied;
    if (lie_ == FaultKind::kKeepNothing) return kErrorSuccess;
    unflushed_.insert(node->FullPath());
    node->Remove();
    return kErrorSuccess;
}

RegStatus MemoryRegistry::DeleteValue(HKey key, const std::string& valueName) {
    Handle handle;
    RegStatus status = Resolve(key, &handle);
    if (RegStatus fault = Count(RegFunction::kDeleteValue, handle.path)) return fault;
    if (status != kErrorSuccess) return status;
    status = Usable(handle, kKeySetValue);
    if (status != kErrorSuccess) return status;

    auto& values = handle.node->values;
    const std::string name = NameFromAnsi(valueName);
    auto found = std::find_if(values.begin(), values.end(),
                              [&](const SnapshotValue& value) { return SameName(value.name, name); });
    if (found == values.end()) return kErrorFileNotFound;
    if (lie_ == FaultKind::kKeepNothing) return kErrorSuccess;
    unflushed_.insert(handle.node->FullPath());
    values.erase(found);
    return kErrorSuccess;
}

RegStatus MemoryRegistry::QueryInfoKeyW(HKey key, char16_t* cls, std::uint32_t* clsSize) {
    Handle handle;
    RegStatus status = Resolve(key, &handle);
    if (RegStatus fault = Count(RegFunction::kQueryInfoKey, handle.path)) return fault;
    if (status != kErrorSuccess) return status;
    status = Usable(handle, kKeyQueryValue);
    if (status != kErrorSuccess || !clsSize) return status;

    const std::u16string keyClass = NameToWide(handle.node->cls);
    if (cls && keyClass.size() >= *clsSize) return kErrorMoreData;
    if (cls) CopyName(keyClass, cls);
    *clsSize = Size32(keyClass.size());
    return kErrorSuccess;
}

RegStatus MemoryRegistry::CloseKey(HKey key) {
    Handle handle;
    RegStatus status = Resolve(key, &handle);
    if (RegStatus fault = Count(RegFunction::kCloseKey, handle.path)) return fault;
    if (status != kErrorSuccess) return status;
    handles_.erase(key);
    return kErrorSuccess;
}

// Nothing here is ever on disk: a flush can fail, or take the changes at
// and below its key off the list of those not yet written.
RegStatus MemoryRegistry::FlushKey(HKey key) {
    Handle handle;
    RegStatus status = Resolve(key, &handle);
    if (RegStatus fault = Count(RegFunction::kFlushKey, handle.path)) return fault;
    if (status != kErrorSuccess) return status;
    if (handle.node->deleted) return kErrorKeyDeleted;
    const std::string top = handle.node->FullPath();
    for (auto changed = unflushed_.begin(); changed != unflushed_.end();)
        changed = IsAtOrBelow(*changed, top) ? unflushed_.erase(changed) : std::next(changed);
    return kErrorSuccess;
}

void MemoryRegistry::InjectFault(const RegFault& fault) {
    if (fault.kind != FaultKind::kFail) {
        const bool write = fault.function == RegFunction::kSetValueEx;
        const bool remove = fault.function == RegFunction::kDeleteValue || fault.function == RegFunction::kDeleteKey;
        if (!write && !(remove && fault.kind == FaultKind::kKeepNothing))
            throw std::invalid_argument("a lie needs a function it can lie in");
    }
    RegFault rule = fault;
    rule.path = StripTrailingBackslashes(rule.path);
    rule.nth = std::max<std::uint32_t>(rule.nth, 1);
    faults_.push_back(rule);
}

void MemoryRegistry::DenyWrites(const std::string& path) { denied_.push_back(StripTrailingBackslashes(path)); }

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::RootOf(const std::vector<std::string>& parts) const {
    if (parts.empty()) throw std::invalid_argument("registry path without a root");
    if (SameName(parts[0], classesRoot_->name)) return classesRoot_;
    if (SameName(parts[0], currentUser_->name)) return currentUser_;
    throw std::invalid_argument("registry path with an unknown root: " + parts[0]);
}

std::optional<KeySnapshot> MemoryRegistry::Snapshot(const std::string& path) const {
    std::vector<std::string> parts = SplitPath(path);
    const std::shared_ptr<Node> node = RootOf(parts)->Walk(parts.begin() + 1, parts.end());
    if (!node) return std::nullopt;
    return node->Snap("");
}

void MemoryRegistry::Load(const std::string& path, const KeySnapshot& tree) {
    std::vector<std::string> parts = SplitPath(path);
    std::shared_ptr<Node> node = RootOf(parts);
    if (parts.size() < 2) throw std::invalid_argument("cannot replace a root key: " + path);
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
        std::shared_ptr<Node> next = node->Find(parts[i]);
        node = next ? next : node->AddChild(parts[i], "");
    }
    if (std::shared_ptr<Node> old = node->Find(parts.back())) old->Remove();
    node->AddChild(parts.back(), "")->Fill(tree);
}

}  // namespace wof
