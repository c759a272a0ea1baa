// The registry as the routines see it: the registry functions they call,
// with the same arguments, buffer rules and statuses, and no others. The
// real implementation forwards to advapi32; the in-memory one stands in for
// it in native tests.
//
// The single-byte ("A") functions pass names through the ANSI code page,
// where a character outside it becomes "?"; they serve for the paths and
// names the program itself supplies. Values, and whatever is read from the
// registry to be written back (names, classes), travel through the wide
// ("W") functions, which carry them unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace wof {

// A key handle. Wide enough for a Windows HKEY on either architecture;
// 0 means "no key".
using HKey = std::uintptr_t;

// The 32-bit result of a registry call; 0 is success.
using RegStatus = std::int32_t;

// Predefined root keys carry the values Windows gives them: 0x8000000x,
// sign-extended on 64-bit builds as HKEY_CLASSES_ROOT is.
constexpr HKey PredefinedKey(std::uint32_t value) {
    return static_cast<HKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}
constexpr HKey kHkeyClassesRoot = PredefinedKey(0x80000000u);
constexpr HKey kHkeyCurrentUser = PredefinedKey(0x80000001u);

// Statuses the routines act on (winerror.h values).
constexpr RegStatus kErrorSuccess = 0;
constexpr RegStatus kErrorFileNotFound = 2;
constexpr RegStatus kErrorAccessDenied = 5;
constexpr RegStatus kErrorInvalidHandle = 6;
constexpr RegStatus kErrorInvalidParameter = 87;
constexpr RegStatus kErrorMoreData = 234;
constexpr RegStatus kErrorNoMoreItems = 259;
constexpr RegStatus kErrorKeyDeleted = 1018;
// Statuses the registry gives that the routines pass on as they come.
constexpr RegStatus kErrorInsufficientBuffer = 122;
constexpr RegStatus kErrorBadPathname = 161;
constexpr RegStatus kErrorNoAccess = 998;

// Access masks.
constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyRead = 0x20019;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Value types.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegDwordBigEndian = 5;
constexpr std::uint32_t kRegLink = 6;
constexpr std::uint32_t kRegMultiSz = 7;
constexpr std::uint32_t kRegQword = 11;

// The types whose data is text: UTF-16 through the W functions.
constexpr bool IsTextType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// Create dispositions.
constexpr std::uint32_t kRegCreatedNewKey = 1;
constexpr std::uint32_t kRegOpenedExistingKey = 2;

// Registry limits, in characters, without the terminating NUL.
constexpr std::uint32_t kMaxKeyNameChars = 255;
constexpr std::uint32_t kMaxValueNameChars = 16383;

// Each method behaves as the advapi32 function of the same name with the
// "Reg" prefix dropped, and without the "A" suffix for the A functions.
// Sizes are in bytes (names: in characters, as each function counts them).
// Pointers that the Win32 function accepts as NULL may be nullptr here.
class Registry {
public:
    virtual ~Registry() = default;

    virtual RegStatus OpenKeyEx(HKey key, const std::string& subKey, std::uint32_t access, HKey* result) = 0;
    // cls == nullptr passes no class.
    virtual RegStatus CreateKeyEx(HKey key, const std::string& subKey, const std::string* cls, std::uint32_t access,
                                  HKey* result, std::uint32_t* disposition) = 0;
    virtual RegStatus CreateKey(HKey key, const std::string& subKey, HKey* result) = 0;
    virtual RegStatus DeleteKey(HKey key, const std::string& subKey) = 0;
    virtual RegStatus DeleteValue(HKey key, const std::string& valueName) = 0;
    virtual RegStatus CloseKey(HKey key) = 0;
    // Returns once the key's hive is on disk.
    virtual RegStatus FlushKey(HKey key) = 0;

    virtual RegStatus OpenKeyExW(HKey key, const std::u16string& subKey, std::uint32_t access, HKey* result) = 0;
    virtual RegStatus CreateKeyExW(HKey key, const std::u16string& subKey, const std::u16string* cls,
                                   std::uint32_t access, HKey* result, std::uint32_t* disposition) = 0;
    virtual RegStatus QueryValueExW(HKey key, const std::u16string& valueName, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* dataSize) = 0;
    virtual RegStatus SetValueExW(HKey key, const std::u16string& valueName, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t dataSize) = 0;
    virtual RegStatus EnumKeyExW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize,
                                 char16_t* cls, std::uint32_t* clsSize) = 0;
    virtual RegStatus EnumValueW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize,
                                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
    virtual RegStatus DeleteKeyW(HKey key, const std::u16string& subKey) = 0;
    // Only the class; the other outputs of RegQueryInfoKeyW are not asked
    // for. clsSize counts characters.
    virtual RegStatus QueryInfoKeyW(HKey key, char16_t* cls, std::uint32_t* clsSize) = 0;
};

}  // namespace wof
