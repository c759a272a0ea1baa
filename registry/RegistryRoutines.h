// Reading, writing and deleting values and renaming keys, on top of the
// registry functions. Paths are relative to HKEY_CLASSES_ROOT unless a root
// is passed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "registry/AnsiCodec.h"
#include "registry/KeyHandle.h"
#include "registry/Registry.h"

namespace wof {

// A value exactly as stored: its type and its bytes.
struct RegValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;

    bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
    bool operator!=(const RegValue& other) const { return !(*this == other); }
};

// text as a value of a string type is stored: UTF-16 with its NUL.
RegValue TextValue(std::uint32_t type, const std::wstring& text);

// RegSetValueExW with the value stored exactly as given. For the string
// types the registry takes a NUL character that happens to follow the data
// in memory as a terminator the caller forgot, and stores it too (Windows
// does, and Wine after it); the data is therefore passed with two bytes
// after it that are not NUL.
RegStatus SetValueExactly(Registry& registry, HKey key, const std::u16string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size);

class RegistryRoutines {
public:
    RegistryRoutines(Registry& registry, const AnsiCodec& codec) : registry_(registry), codec_(codec) {}

    // Destination key of the rename in progress (0 outside a rename).
    HKey hNewKey = 0;

    // The value as text (see ValueText). A missing key or value reads as the
    // empty text.
    std::wstring GetRegString(const std::wstring& keyPath, const std::wstring& valueName);

    // Creates keyPath if needed and stores data as REG_SZ (with its NUL).
    // Returns the first failing status, 0 when the value was written.
    RegStatus SetRegString(const std::wstring& keyPath, const std::wstring& valueName, const std::wstring& data);

    // Deletes one value; the key is created if it did not exist.
    RegStatus DelSetting(HKey hKey, const std::wstring& strPath, const std::wstring& strValue);

    // Gives sRegKey the last name sNewName under the same parent by copying
    // the whole tree, its own class included, and only then deleting the
    // source. Names, classes and values are copied through the W calls, so
    // text outside the ANSI code page arrives unchanged. Does nothing when
    // the source cannot be opened or the destination exists already.
    // Returns 0 when the key was moved whole. Otherwise it returns the first
    // failing status and the source is as it was: a copy that cannot be
    // completed is removed, and what a stopped delete took from the source
    // is put back from the copy before the copy is removed. Only where that
    // too fails does the copy stay, holding what the source lost.
    RegStatus RenameRegKey(const std::wstring& sRegKey, const std::wstring& sNewName, HKey lHive);

    // Whole-value helpers for callers that must keep type and bytes exact
    // (through the W calls).
    // ReadRegValue: std::nullopt when the key or value is missing; *status
    // (if given) receives the status of the failing call.
    std::optional<RegValue> ReadRegValue(const std::wstring& keyPath, const std::wstring& valueName,
                                         RegStatus* status = nullptr);
    RegStatus WriteRegValue(const std::wstring& keyPath, const std::wstring& valueName, const RegValue& value);
    bool KeyExists(const std::wstring& keyPath, RegStatus* status = nullptr);
    // The name of keyPath's value valueName as the key stores it: the
    // registry takes names without regard to case, so "Command" may be
    // stored as "command". std::nullopt when the key or value is missing
    // (*status: kErrorFileNotFound) or cannot be read (*status says why).
    std::optional<std::wstring> StoredValueName(const std::wstring& keyPath, const std::wstring& valueName,
                                                RegStatus* status = nullptr);
    // Writes the hive that holds keyPath to disk.
    RegStatus FlushKey(const std::wstring& keyPath);

    // The text of a value: a string type's UTF-16, any other type's bytes in
    // the ANSI code page; one terminating NUL dropped, leading and trailing
    // spaces removed.
    std::wstring ValueText(const RegValue& value) const;

private:
    // The names of a copied tree, so that the source, or a partial copy,
    // can be deleted without being enumerated again.
    struct CopiedKey {
        std::u16string name;
        std::vector<CopiedKey> subkeys;
    };

    // Opens keyPath below HKEY_CLASSES_ROOT for reading.
    RegStatus OpenToRead(const std::wstring& keyPath, KeyHandle* key);
    RegStatus ReadValue(const std::wstring& keyPath, const std::u16string& name, RegValue* value);
    RegStatus FindValueName(const std::wstring& keyPath, const std::wstring& valueName, std::wstring* stored);
    RegStatus ReadClass(HKey key, std::u16string* cls);
    RegStatus CopyTree(HKey hSource, HKey hDestination, CopiedKey* copied);
    RegStatus DeleteBelow(HKey key, const CopiedKey& tree, std::u16string* path);
    RegStatus RemoveCopy(HKey lHive, const std::u16string& path, const CopiedKey& tree);
    RegStatus CopyRegValues(HKey hSource, HKey hDestination);

    Registry& registry_;
    const AnsiCodec& codec_;
    // CopyRegValues' buffers, kept from key to key: a value name can take
    // 32 KiB, and the data buffer grows to the largest value met, so that
    // most values take one call to read.
    std::u16string valueName_;
    std::vector<std::uint8_t> valueData_;
};

}  // namespace wof
