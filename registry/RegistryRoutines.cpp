#include "registry/RegistryRoutines.h"

#include <algorithm>

#include "registry/KeyHandle.h"
#include "registry/Utf16.h"

namespace wof {
namespace {

// Class strings have no documented limit; a key whose class is longer than
// this is left where it is rather than copied without its class.
constexpr std::size_t kMaxClassChars = 1u << 15;
// A value may grow between the call that sizes it and the call that reads
// it; after this many tries it counts as unreadable.
constexpr int kReadAttempts = 8;
// Enough for the values of a file association in one call.
constexpr std::size_t kInitialValueBufferBytes = 4096;

constexpr RegStatus kErrorAlreadyExists = 183;

// Keeps the first failure of a sequence of calls that goes on after one.
class FirstFailure {
public:
    void Note(RegStatus status) {
        if (status_ == kErrorSuccess) status_ = status;
    }
    RegStatus Status() const { return status_; }

private:
    RegStatus status_ = kErrorSuccess;
};

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
    RegStatus dummy;
    RegStatus& result = status ? *status : dummy;

    KeyHandle key(registry_);
    result = registry_.OpenKeyEx(kHkeyClassesRoot, codec_.ToAnsi(keyPath), kKeyRead, key.put());
    if (result != kErrorSuccess) return std::nullopt;

    const std::u16string name = ToUtf16(valueName);
    RegValue value;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        std::uint32_t size = 0;
        result = registry_.QueryValueExW(key.get(), name, &value.type, nullptr, &size);
        if (result != kErrorSuccess) return std::nullopt;
        if (size == 0) return value;

        value.data.assign(size, 0);
        result = registry_.QueryValueExW(key.get(), name, &value.type, value.data.data(), &size);
        if (result == kErrorMoreData) continue;
        if (result != kErrorSuccess) return std::nullopt;
        value.data.resize(size);
        return value;
    }
    return std::nullopt;
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
    const RegStatus result = registry_.OpenKeyEx(kHkeyClassesRoot, codec_.ToAnsi(keyPath), kKeyRead, key.put());
    if (status) *status = result;
    return result == kErrorSuccess;
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
    const std::wstring destinationPath =
        lastSeparator == std::wstring::npos ? sNewName : sRegKey.substr(0, lastSeparator + 1) + sNewName;

    std::uint32_t disposition = 0;
    status = registry_.CreateKeyExW(lHive, ToUtf16(destinationPath), &sourceClass, kKeyAllAccess, &hNewKey,
                                    &disposition);
    if (status != kErrorSuccess) {
        hNewKey = 0;
        return status;
    }
    KeyHandle destination(registry_, hNewKey);
    // An existing destination is neither merged into nor changed.
    if (disposition != kRegCreatedNewKey) return kErrorAlreadyExists;

    FirstFailure failure;
    failure.Note(MoveSubKeys(source.get(), destination.get()));
    failure.Note(CopyRegValues(source.get(), destination.get()));
    source.reset();
    destination.reset();
    hNewKey = 0;
    // Deleting is the one step that cannot be undone: it waits until
    // everything below the source has its copy.
    if (failure.Status() != kErrorSuccess) return failure.Status();
    return registry_.DeleteKey(lHive, sourcePath);
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

// Moves each subkey in turn, always at the lowest index not yet passed
// over: a moved subkey is deleted, so the next one takes its place, and a
// subkey that cannot be moved is stepped over so the loop always ends.
RegStatus RegistryRoutines::MoveSubKeys(HKey hSource, HKey hDestination) {
    FirstFailure failure;
    std::u16string name(kMaxKeyNameChars + 1, u'\0');
    std::u16string cls(kMaxKeyNameChars + 1, u'\0');
    std::uint32_t index = 0;
    for (;;) {
        std::uint32_t nameSize = static_cast<std::uint32_t>(name.size());
        std::uint32_t clsSize = static_cast<std::uint32_t>(cls.size());
        const RegStatus status = registry_.EnumKeyExW(hSource, index, &name[0], &nameSize, &cls[0], &clsSize);
        if (status == kErrorNoMoreItems) break;
        if (status == kErrorMoreData) {
            // The name buffer holds the longest name, so the class is long.
            if (cls.size() < kMaxClassChars) {
                cls.resize(cls.size() * 2);
            } else {
                failure.Note(status);
                ++index;
            }
            continue;
        }
        if (status != kErrorSuccess) {
            // An enumeration that fails for another reason would fail again
            // at every index: stop, and keep the source for what is left.
            failure.Note(status);
            break;
        }

        const std::u16string subKey = name.substr(0, nameSize);
        const std::u16string subClass = cls.substr(0, clsSize);
        const RegStatus moved = [&] {
            KeyHandle destination(registry_);
            std::uint32_t disposition = 0;
            RegStatus result = registry_.CreateKeyExW(hDestination, subKey, &subClass, kKeyAllAccess,
                                                      destination.put(), &disposition);
            if (result != kErrorSuccess) return result;
            KeyHandle source(registry_);
            result = registry_.OpenKeyExW(hSource, subKey, kKeyAllAccess, source.put());
            if (result != kErrorSuccess) return result;

            FirstFailure copy;
            copy.Note(MoveSubKeys(source.get(), destination.get()));
            copy.Note(CopyRegValues(source.get(), destination.get()));
            if (copy.Status() != kErrorSuccess) return copy.Status();
            source.reset();
            return registry_.DeleteKeyW(hSource, subKey);
        }();
        if (moved != kErrorSuccess) {
            failure.Note(moved);
            ++index;
        }
    }
    return failure.Status();
}

// Copies every value with its type and exact bytes, zero-length ones
// included. Returns the first failure; the caller keeps the source then.
RegStatus RegistryRoutines::CopyRegValues(HKey hSource, HKey hDestination) {
    FirstFailure failure;
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
        if (status == kErrorNoMoreItems) break;
        if (status != kErrorSuccess) {
            failure.Note(status);
            break;
        }
        failure.Note(SetValueExactly(registry_, hDestination, name.substr(0, nameSize), type, data.data(), dataSize));
    }
    return failure.Status();
}

}  // namespace wof
