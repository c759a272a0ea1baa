#include "registry/RegistryRoutines.h"

#include <algorithm>

#include "registry/KeyHandle.h"

namespace wof {
namespace {

// A-function names are counted in bytes: in a double-byte code page a name
// of the largest length can take two bytes a character.
constexpr std::uint32_t kKeyNameBufferBytes = 2 * kMaxKeyNameChars + 1;
constexpr std::uint32_t kValueNameBufferBytes = 2 * kMaxValueNameChars + 1;
// Class strings have no documented limit; a key whose class is longer than
// this is left where it is rather than copied without its class.
constexpr std::uint32_t kMaxClassBufferBytes = 1u << 16;
// A value may grow between the call that sizes it and the call that reads
// it; after this many tries it counts as unreadable.
constexpr int kReadAttempts = 8;
// Enough for the values of a file association in one call.
constexpr std::size_t kInitialValueBufferBytes = 4096;

constexpr RegStatus kErrorAlreadyExists = 183;

const std::string kNoClass;

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

std::wstring RegistryRoutines::ValueText(const std::vector<std::uint8_t>& data) const {
    std::string bytes(data.begin(), data.end());
    // The last counted byte of a stored text is its terminating NUL. Only a
    // NUL is dropped: a value stored without one keeps its last character.
    if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    std::wstring text = codec_.FromAnsi(bytes);
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    const auto last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

std::wstring RegistryRoutines::GetRegString(const std::wstring& keyPath, const std::wstring& valueName) {
    const auto value = ReadRegValue(keyPath, valueName);
    return value ? ValueText(value->data) : std::wstring();
}

std::optional<RegValue> RegistryRoutines::ReadRegValue(const std::wstring& keyPath, const std::wstring& valueName,
                                                       RegStatus* status) {
    RegStatus dummy;
    RegStatus& result = status ? *status : dummy;

    KeyHandle key(registry_);
    result = registry_.OpenKeyEx(kHkeyClassesRoot, codec_.ToAnsi(keyPath), kKeyRead, key.put());
    if (result != kErrorSuccess) return std::nullopt;

    const std::string name = codec_.ToAnsi(valueName);
    RegValue value;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        std::uint32_t size = 0;
        result = registry_.QueryValueEx(key.get(), name, &value.type, nullptr, &size);
        if (result != kErrorSuccess) return std::nullopt;
        if (size == 0) return value;

        value.data.assign(size, 0);
        result = registry_.QueryValueEx(key.get(), name, &value.type, value.data.data(), &size);
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
    return registry_.SetValueEx(key.get(), codec_.ToAnsi(valueName), value.type, value.data.data(),
                                static_cast<std::uint32_t>(value.data.size()));
}

RegStatus RegistryRoutines::SetRegString(const std::wstring& keyPath, const std::wstring& valueName,
                                         const std::wstring& data) {
    const std::string text = codec_.ToAnsi(data);
    RegValue value{kRegSz, std::vector<std::uint8_t>(text.begin(), text.end())};
    value.data.push_back(0);
    return WriteRegValue(keyPath, valueName, value);
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

    const auto lastSeparator = sRegKey.rfind(L'\\');
    const std::wstring destinationPath =
        lastSeparator == std::wstring::npos ? sNewName : sRegKey.substr(0, lastSeparator + 1) + sNewName;

    std::uint32_t disposition = 0;
    status = registry_.CreateKeyEx(lHive, codec_.ToAnsi(destinationPath), &kNoClass, kKeyAllAccess, &hNewKey,
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

// Moves each subkey in turn, always at the lowest index not yet passed
// over: a moved subkey is deleted, so the next one takes its place, and a
// subkey that cannot be moved is stepped over so the loop always ends.
RegStatus RegistryRoutines::MoveSubKeys(HKey hSource, HKey hDestination) {
    FirstFailure failure;
    std::vector<char> name(kKeyNameBufferBytes);
    std::vector<char> cls(kKeyNameBufferBytes);
    std::uint32_t index = 0;
    for (;;) {
        std::uint32_t nameSize = static_cast<std::uint32_t>(name.size());
        std::uint32_t clsSize = static_cast<std::uint32_t>(cls.size());
        const RegStatus status = registry_.EnumKeyEx(hSource, index, name.data(), &nameSize, cls.data(), &clsSize);
        if (status == kErrorNoMoreItems) break;
        if (status == kErrorMoreData) {
            // The name buffer holds the longest name, so the class is long.
            if (cls.size() < kMaxClassBufferBytes) {
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

        const std::string subKey(name.data(), nameSize);
        const std::string subClass(cls.data(), clsSize);
        const RegStatus moved = [&] {
            KeyHandle destination(registry_);
            std::uint32_t disposition = 0;
            RegStatus result = registry_.CreateKeyEx(hDestination, subKey, &subClass, kKeyAllAccess,
                                                     destination.put(), &disposition);
            if (result != kErrorSuccess) return result;
            KeyHandle source(registry_);
            result = registry_.OpenKeyEx(hSource, subKey, kKeyAllAccess, source.put());
            if (result != kErrorSuccess) return result;

            FirstFailure copy;
            copy.Note(MoveSubKeys(source.get(), destination.get()));
            copy.Note(CopyRegValues(source.get(), destination.get()));
            if (copy.Status() != kErrorSuccess) return copy.Status();
            source.reset();
            return registry_.DeleteKey(hSource, subKey);
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
    std::vector<char> name(kValueNameBufferBytes);
    // Reused from value to value, so that most values take one call to
    // read; it grows to the largest value met.
    std::vector<std::uint8_t> data(kInitialValueBufferBytes);
    for (std::uint32_t index = 0;; ++index) {
        RegStatus status = kErrorMoreData;
        std::uint32_t nameSize = 0;
        std::uint32_t type = kRegNone;
        std::uint32_t dataSize = 0;
        for (int attempt = 0; attempt < kReadAttempts && status == kErrorMoreData; ++attempt) {
            nameSize = static_cast<std::uint32_t>(name.size());
            dataSize = static_cast<std::uint32_t>(data.size());
            status = registry_.EnumValue(hSource, index, name.data(), &nameSize, &type, data.data(), &dataSize);
            // The name buffer holds the longest name, so only the data can
            // be too long; dataSize now says how long.
            if (status == kErrorMoreData) data.resize(std::max<std::size_t>(dataSize, data.size() * 2));
        }
        if (status == kErrorNoMoreItems) break;
        if (status != kErrorSuccess) {
            failure.Note(status);
            break;
        }
        failure.Note(registry_.SetValueEx(hDestination, std::string(name.data(), nameSize), type, data.data(),
                                          dataSize));
    }
    return failure.Status();
}

}  // namespace wof
