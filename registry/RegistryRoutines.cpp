#include "registry/RegistryRoutines.h"

#include <algorithm>
#include <string_view>

#include "registry/KeyHandle.h"
#include "registry/NameCase.h"
#include "registry/Utf16.h"

namespace wof {
namespace {

// Class strings have no documented limit; a tree with a class longer than
// this is not renamed rather than copied without that class.
constexpr std::size_t kMaxClassChars = 1u << 15;
// A value may grow between the call that sizes it and the call that reads
// it; after this many tries it counts as unreadable.
constexpr int kReadAttempts = 8;
// Enough for the values of a file association in one call.
constexpr std::size_t kInitialValueBufferBytes = 4096;

constexpr RegStatus kErrorAlreadyExists = 183;

}  // namespace

RegValue TextValue(std::uint32_t type, const std::wstring& text) {
    RegValue value{type, Utf16Bytes(ToUtf16(text))};
    value.data.insert(value.data.end(), 2, 0);
    return value;
}

RegStatus SetValueExactly(Registry& registry, HKey key, const std::u16string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) {
    if (!IsTextType(type) || !data) return registry.SetValueExW(key, name, type, data, size);
    std::vector<std::uint8_t> guarded(data, data + size);
    guarded.insert(guarded.end(), 2, 0xFF);
    return registry.SetValueExW(key, name, type, guarded.data(), size);
}

std::wstring RegistryRoutines::ValueText(const RegValue& value) const {
    std::wstring text = IsTextType(value.type) ? FromUtf16(Utf16FromBytes(value.data))
                                           : codec_.FromAnsi(std::string(value.data.begin(), value.data.end()));
    // The last counted character of a stored text is its terminating NUL.
    // Only a NUL is dropped: a value stored without one keeps its last
    // character.
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    const auto last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

std::wstring RegistryRoutines::GetRegString(const std::wstring& keyPath, const std::wstring& valueName) {
    const auto value = ReadRegValue(keyPath, valueName);
    return value ? ValueText(*value) : std::wstring();
}

std::optional<RegValue> RegistryRoutines::ReadRegValue(const std::wstring& keyPath, const std::wstring& valueName,
                                                       RegStatus* status) {
    RegValue value;
    const RegStatus result = ReadValue(keyPath, ToUtf16(valueName), &value);
    if (status) *status = result;
    if (result != kErrorSuccess) return std::nullopt;
    return value;
}

RegStatus RegistryRoutines::OpenToRead(const std::wstring& keyPath, KeyHandle* key) {
    return registry_.OpenKeyEx(kHkeyClassesRoot, codec_.ToAnsi(keyPath), kKeyRead, key->put());
}

// The size first, then the bytes; again while the value grows in between.
RegStatus RegistryRoutines::ReadValue(const std::wstring& keyPath, const std::u16string& name, RegValue* value) {
    KeyHandle key(registry_);
    RegStatus status = OpenToRead(keyPath, &key);
    for (int attempt = 0; status == kErrorSuccess && attempt < kReadAttempts; ++attempt) {
        std::uint32_t size = 0;
        status = registry_.QueryValueExW(key.get(), name, &value->type, nullptr, &size);
        if (status != kErrorSuccess || size == 0) return status;
        value->data.assign(size, 0);
        status = registry_.QueryValueExW(key.get(), name, &value->type, value->data.data(), &size);
        if (status == kErrorSuccess) {
            value->data.resize(size);
            return status;
        }
        if (status == kErrorMoreData) status = kErrorSuccess;
    }
    return status == kErrorSuccess ? kErrorMoreData : status;
}

RegStatus RegistryRoutines::WriteRegValue(const std::wstring& keyPath, const std::wstring& valueName,
                                          const RegValue& value) {
    KeyHandle key(registry_);
    std::uint32_t disposition = 0;
    RegStatus status = registry_.CreateKeyEx(kHkeyClassesRoot, codec_.ToAnsi(keyPath), nullptr, kKeyAllAccess,
                                             key.put(), &disposition);
    if (status != kErrorSuccess) return status;
    return SetValueExactly(registry_, key.get(), ToUtf16(valueName), value.type, value.data.data(),
                           static_cast<std::uint32_t>(value.data.size()));
}

RegStatus RegistryRoutines::SetRegString(const std::wstring& keyPath, const std::wstring& valueName,
                                         const std::wstring& data) {
    return WriteRegValue(keyPath, valueName, TextValue(kRegSz, data));
}

RegStatus RegistryRoutines::DelSetting(HKey hKey, const std::wstring& strPath, const std::wstring& strValue) {
    KeyHandle key(registry_);
    const RegStatus status = registry_.CreateKey(hKey, codec_.ToAnsi(strPath), key.put());
    if (status != kErrorSuccess) return status;
    return registry_.DeleteValue(key.get(), codec_.ToAnsi(strValue));
}

bool RegistryRoutines::KeyExists(const std::wstring& keyPath, RegStatus* status) {
    KeyHandle key(registry_);
    const RegStatus result = OpenToRead(keyPath, &key);
    if (status) *status = result;
    return result == kErrorSuccess;
}

std::optional<std::wstring> RegistryRoutines::StoredValueName(const std::wstring& keyPath,
                                                             const std::wstring& valueName, RegStatus* status) {
    std::wstring stored;
    const RegStatus result = FindValueName(keyPath, valueName, &stored);
    if (status) *status = result;
    if (result != kErrorSuccess) return std::nullopt;
    return stored;
}

RegStatus RegistryRoutines::FindValueName(const std::wstring& keyPath, const std::wstring& valueName,
                                          std::wstring* stored) {
    KeyHandle key(registry_);
    RegStatus status = OpenToRead(keyPath, &key);
    std::u16string name(kMaxValueNameChars + 1, u'\0');
    for (std::uint32_t index = 0; status == kErrorSuccess; ++index) {
        std::uint32_t nameSize = static_cast<std::uint32_t>(name.size());
        status = registry_.EnumValueW(key.get(), index, &name[0], &nameSize, nullptr, nullptr, nullptr);
        if (status == kErrorSuccess && SameName(valueName, std::u16string_view(name.data(), nameSize))) {
            stored->assign(name.begin(), name.begin() + nameSize);
            return status;
        }
    }
    return status == kErrorNoMoreItems ? kErrorFileNotFound : status;
}

RegStatus RegistryRoutines::FlushKey(const std::wstring& keyPath) {
    KeyHandle key(registry_);
    const RegStatus status = OpenToRead(keyPath, &key);
    if (status != kErrorSuccess) return status;
    return registry_.FlushKey(key.get());
}

RegStatus RegistryRoutines::RenameRegKey(const std::wstring& sRegKey, const std::wstring& sNewName, HKey lHive) {
    hNewKey = 0;
    const std::string sourcePath = codec_.ToAnsi(sRegKey);
    KeyHandle source(registry_);
    RegStatus status = registry_.OpenKeyEx(lHive, sourcePath, kKeyAllAccess, source.put());
    if (status != kErrorSuccess) return status;
    std::u16string sourceClass;
    status = ReadClass(source.get(), &sourceClass);
    if (status != kErrorSuccess) return status;

    const auto lastSeparator = sRegKey.rfind(L'\\');
    const std::u16string destinationPath =
        ToUtf16(lastSeparator == std::wstring::npos ? sNewName : sRegKey.substr(0, lastSeparator + 1) + sNewName);

    std::uint32_t disposition = 0;
    status = registry_.CreateKeyExW(lHive, destinationPath, &sourceClass, kKeyAllAccess, &hNewKey, &disposition);
    if (status != kErrorSuccess) {
        hNewKey = 0;
        return status;
    }
    KeyHandle destination(registry_, hNewKey);
    // An existing destination is neither merged into nor changed.
    if (disposition != kRegCreatedNewKey) return kErrorAlreadyExists;

    CopiedKey copied;
    status = CopyTree(source.get(), destination.get(), &copied);
    destination.reset();
    hNewKey = 0;
    if (status != kErrorSuccess) {
        // The source has not been touched yet.
        RemoveCopy(lHive, destinationPath, copied);
        return status;
    }

    std::u16string path;
    status = DeleteBelow(source.get(), copied, &path);
    source.reset();
    if (status == kErrorSuccess) status = registry_.DeleteKey(lHive, sourcePath);
    if (status == kErrorSuccess) return kErrorSuccess;

    // The delete stopped part way: what it took goes back from the copy,
    // and then the copy goes. The top of the source is deleted last, so it
    // is still there to take it.
    KeyHandle from(registry_);
    KeyHandle to(registry_);
    CopiedKey restored;
    if (registry_.OpenKeyExW(lHive, destinationPath, kKeyAllAccess, from.put()) == kErrorSuccess &&
        registry_.OpenKeyEx(lHive, sourcePath, kKeyAllAccess, to.put()) == kErrorSuccess &&
        CopyTree(from.get(), to.get(), &restored) == kErrorSuccess) {
        from.reset();
        RemoveCopy(lHive, destinationPath, copied);
    }
    return status;
}

// A key's class is part of what a copy must keep; the subkeys get theirs
// from the enumeration, the key being renamed from here.
RegStatus RegistryRoutines::ReadClass(HKey key, std::u16string* cls) {
    std::uint32_t size = 0;
    RegStatus status = registry_.QueryInfoKeyW(key, nullptr, &size);
    if (status != kErrorSuccess) return status;
    cls->assign(size + 1, u'\0');
    size += 1;
    status = registry_.QueryInfoKeyW(key, &(*cls)[0], &size);
    if (status == kErrorSuccess) cls->resize(size);
    return status;
}

// Copies the values and then every subkey, depth first, into hDestination,
// where an existing subkey is merged into. Stops at the first call that
// fails: only a whole copy is of use. Each subkey goes into *copied as soon
// as it exists in the destination, so that a partial copy can be removed.
RegStatus RegistryRoutines::CopyTree(HKey hSource, HKey hDestination, CopiedKey* copied) {
    RegStatus status = CopyRegValues(hSource, hDestination);
    std::u16string name(kMaxKeyNameChars + 1, u'\0');
    std::u16string cls(kMaxKeyNameChars + 1, u'\0');
    for (std::uint32_t index = 0; status == kErrorSuccess;) {
        std::uint32_t nameSize = static_cast<std::uint32_t>(name.size());
        std::uint32_t clsSize = static_cast<std::uint32_t>(cls.size());
        status = registry_.EnumKeyExW(hSource, index, &name[0], &nameSize, &cls[0], &clsSize);
        if (status == kErrorNoMoreItems) return kErrorSuccess;
        // The name buffer holds the longest name, so the class is long.
        if (status == kErrorMoreData && cls.size() < kMaxClassChars) {
            cls.resize(cls.size() * 2);
            status = kErrorSuccess;
            continue;
        }
        if (status != kErrorSuccess) break;

        const std::u16string subKey = name.substr(0, nameSize);
        const std::u16string subClass = cls.substr(0, clsSize);
        KeyHandle destination(registry_);
        std::uint32_t disposition = 0;
        status = registry_.CreateKeyExW(hDestination, subKey, &subClass, kKeyAllAccess, destination.put(),
                                        &disposition);
        if (status != kErrorSuccess) break;
        copied->subkeys.push_back({subKey, {}});
        KeyHandle source(registry_);
        status = registry_.OpenKeyExW(hSource, subKey, kKeyAllAccess, source.put());
        if (status == kErrorSuccess) status = CopyTree(source.get(), destination.get(), &copied->subkeys.back());
        ++index;
    }
    return status;
}

// Deletes the keys of tree below key, deepest first, each by its path from
// key (*path: the path of tree itself). Stops at the first failure.
RegStatus RegistryRoutines::DeleteBelow(HKey key, const CopiedKey& tree, std::u16string* path) {
    const std::size_t length = path->size();
    for (const CopiedKey& sub : tree.subkeys) {
        if (length != 0) *path += u'\\';
        *path += sub.name;
        RegStatus status = DeleteBelow(key, sub, path);
        if (status == kErrorSuccess) status = registry_.DeleteKeyW(key, *path);
        path->resize(length);
        if (status != kErrorSuccess) return status;
    }
    return kErrorSuccess;
}

// Deletes the copy at path under lHive, whose keys below the top are those
// of tree.
RegStatus RegistryRoutines::RemoveCopy(HKey lHive, const std::u16string& path, const CopiedKey& tree) {
    KeyHandle copy(registry_);
    RegStatus status = registry_.OpenKeyExW(lHive, path, kKeyAllAccess, copy.put());
    std::u16string below;
    if (status == kErrorSuccess) status = DeleteBelow(copy.get(), tree, &below);
    copy.reset();
    if (status == kErrorSuccess) status = registry_.DeleteKeyW(lHive, path);
    return status;
}

// Copies every value with its type and exact bytes, zero-length ones
// included. Stops at the first failure and returns it.
RegStatus RegistryRoutines::CopyRegValues(HKey hSource, HKey hDestination) {
    std::u16string& name = valueName_;
    std::vector<std::uint8_t>& data = valueData_;
    name.resize(kMaxValueNameChars + 1);
    if (data.empty()) data.resize(kInitialValueBufferBytes);
    for (std::uint32_t index = 0;; ++index) {
        RegStatus status = kErrorMoreData;
        std::uint32_t nameSize = 0;
        std::uint32_t type = kRegNone;
        std::uint32_t dataSize = 0;
        for (int attempt = 0; attempt < kReadAttempts && status == kErrorMoreData; ++attempt) {
            nameSize = static_cast<std::uint32_t>(name.size());
            dataSize = static_cast<std::uint32_t>(data.size());
            status = registry_.EnumValueW(hSource, index, &name[0], &nameSize, &type, data.data(), &dataSize);
            // The name buffer holds the longest name, so only the data can
            // be too long; dataSize now says how long.
            if (status == kErrorMoreData) data.resize(std::max<std::size_t>(dataSize, data.size() * 2));
        }
        if (status == kErrorNoMoreItems) return kErrorSuccess;
        if (status == kErrorSuccess)
            status = SetValueExactly(registry_, hDestination, name.substr(0, nameSize), type, data.data(), dataSize);
        if (status != kErrorSuccess) return status;
    }
}

}  // namespace wof
