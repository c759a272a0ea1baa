// The registry and code page of the running Windows system. Windows only.
#pragma once

#include "registry/AnsiCodec.h"
#include "registry/Registry.h"

namespace wof {

// Forwards every call to the advapi32 function of the same name.
class Win32Registry : public Registry {
public:
    RegStatus OpenKeyEx(HKey key, const std::string& subKey, std::uint32_t access, HKey* result) override;
    RegStatus CreateKeyEx(HKey key, const std::string& subKey, const std::string* cls, std::uint32_t access,
                          HKey* result, std::uint32_t* disposition) override;
    RegStatus CreateKey(HKey key, const std::string& subKey, HKey* result) override;
    RegStatus DeleteKey(HKey key, const std::string& subKey) override;
    RegStatus DeleteValue(HKey key, const std::string& valueName) override;
    RegStatus CloseKey(HKey key) override;
    RegStatus FlushKey(HKey key) override;

    RegStatus OpenKeyExW(HKey key, const std::u16string& subKey, std::uint32_t access, HKey* result) override;
    RegStatus CreateKeyExW(HKey key, const std::u16string& subKey, const std::u16string* cls, std::uint32_t access,
                           HKey* result, std::uint32_t* disposition) override;
    RegStatus QueryValueExW(HKey key, const std::u16string& valueName, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* dataSize) override;
    RegStatus SetValueExW(HKey key, const std::u16string& valueName, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t dataSize) override;
    RegStatus EnumKeyExW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize, char16_t* cls,
                         std::uint32_t* clsSize) override;
    RegStatus EnumValueW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize, std::uint32_t* type,
                         std::uint8_t* data, std::uint32_t* dataSize) override;
    RegStatus DeleteKeyW(HKey key, const std::u16string& subKey) override;
    RegStatus QueryInfoKeyW(HKey key, char16_t* cls, std::uint32_t* clsSize) override;
};

// The system's ANSI code page (CP_ACP). Lengths are passed explicitly, so
// empty text and embedded NULs convert like any other characters.
class Win32AnsiCodec : public AnsiCodec {
public:
    std::string ToAnsi(const std::wstring& text) const override;
    std::wstring FromAnsi(const std::string& bytes) const override;
};

}  // namespace wof
