#include "registry/Win32Registry.h"

#include <windows.h>

#include <climits>

namespace wof {

namespace {

HKEY ToWin(HKey key) { return reinterpret_cast<HKEY>(key); }
HKey FromWin(HKEY key) { return reinterpret_cast<HKey>(key); }

// DWORD is unsigned long, a different type from std::uint32_t even where
// both are 32 bits, so in/out counts travel through a local copy. The copy
// starts from the caller's value so that whatever the system leaves alone
// stays as the caller had it; null stays null.
class DwordArg {
public:
    explicit DwordArg(std::uint32_t* caller) : caller_(caller), value_(caller ? *caller : 0) {}
    DWORD* get() { return caller_ ? &value_ : nullptr; }
    void Return() {
        if (caller_) *caller_ = static_cast<std::uint32_t>(value_);
    }

private:
    std::uint32_t* caller_;
    DWORD value_;
};

class HkeyArg {
public:
    explicit HkeyArg(HKey* caller) : caller_(caller), value_(caller ? ToWin(*caller) : nullptr) {}
    PHKEY get() { return caller_ ? &value_ : nullptr; }
    void Return() {
        if (caller_) *caller_ = FromWin(value_);
    }

private:
    HKey* caller_;
    HKEY value_;
};

// The Win32 prototypes take writable strings where they only read them.
LPSTR Writable(const std::string& text) { return const_cast<LPSTR>(text.c_str()); }

// WCHAR and char16_t are both UTF-16 code units on Windows.
static_assert(sizeof(WCHAR) == sizeof(char16_t), "WCHAR is a UTF-16 code unit");
LPCWSTR Wide(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }
LPWSTR Wide(char16_t* text) { return reinterpret_cast<LPWSTR>(text); }

}  // namespace

RegStatus Win32Registry::OpenKeyEx(HKey key, const std::string& subKey, std::uint32_t access, HKey* result) {
    HkeyArg out(result);
    LONG status = RegOpenKeyExA(ToWin(key), subKey.c_str(), 0, access, out.get());
    out.Return();
    return status;
}

RegStatus Win32Registry::CreateKeyEx(HKey key, const std::string& subKey, const std::string* cls,
                                     std::uint32_t access, HKey* result, std::uint32_t* disposition) {
    HkeyArg out(result);
    DwordArg created(disposition);
    LONG status = RegCreateKeyExA(ToWin(key), subKey.c_str(), 0, cls ? Writable(*cls) : nullptr,
                                  REG_OPTION_NON_VOLATILE, access, nullptr, out.get(), created.get());
    out.Return();
    created.Return();
    return status;
}

RegStatus Win32Registry::CreateKey(HKey key, const std::string& subKey, HKey* result) {
    HkeyArg out(result);
    LONG status = RegCreateKeyA(ToWin(key), subKey.c_str(), out.get());
    out.Return();
    return status;
}

RegStatus Win32Registry::DeleteKey(HKey key, const std::string& subKey) {
    return RegDeleteKeyA(ToWin(key), subKey.c_str());
}

RegStatus Win32Registry::DeleteValue(HKey key, const std::string& valueName) {
    return RegDeleteValueA(ToWin(key), valueName.c_str());
}

RegStatus Win32Registry::CloseKey(HKey key) { return RegCloseKey(ToWin(key)); }

RegStatus Win32Registry::FlushKey(HKey key) { return RegFlushKey(ToWin(key)); }

RegStatus Win32Registry::OpenKeyExW(HKey key, const std::u16string& subKey, std::uint32_t access, HKey* result) {
    HkeyArg out(result);
    LONG status = RegOpenKeyExW(ToWin(key), Wide(subKey), 0, access, out.get());
    out.Return();
    return status;
}

RegStatus Win32Registry::CreateKeyExW(HKey key, const std::u16string& subKey, const std::u16string* cls,
                                      std::uint32_t access, HKey* result, std::uint32_t* disposition) {
    HkeyArg out(result);
    DwordArg created(disposition);
    LONG status = RegCreateKeyExW(ToWin(key), Wide(subKey), 0, cls ? const_cast<LPWSTR>(Wide(*cls)) : nullptr,
                                  REG_OPTION_NON_VOLATILE, access, nullptr, out.get(), created.get());
    out.Return();
    created.Return();
    return status;
}

RegStatus Win32Registry::QueryValueExW(HKey key, const std::u16string& valueName, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* dataSize) {
    DwordArg typeArg(type);
    DwordArg sizeArg(dataSize);
    LONG status = RegQueryValueExW(ToWin(key), Wide(valueName), nullptr, typeArg.get(), data, sizeArg.get());
    typeArg.Return();
    sizeArg.Return();
    return status;
}

RegStatus Win32Registry::SetValueExW(HKey key, const std::u16string& valueName, std::uint32_t type,
                                     const std::uint8_t* data, std::uint32_t dataSize) {
    return RegSetValueExW(ToWin(key), Wide(valueName), 0, type, data, dataSize);
}

RegStatus Win32Registry::EnumKeyExW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize,
                                    char16_t* cls, std::uint32_t* clsSize) {
    DwordArg nameArg(nameSize);
    DwordArg clsArg(clsSize);
    FILETIME lastWrite;
    LONG status =
        RegEnumKeyExW(ToWin(key), index, Wide(name), nameArg.get(), nullptr, Wide(cls), clsArg.get(), &lastWrite);
    nameArg.Return();
    clsArg.Return();
    return status;
}

RegStatus Win32Registry::EnumValueW(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameSize,
                                    std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    DwordArg nameArg(nameSize);
    DwordArg typeArg(type);
    DwordArg sizeArg(dataSize);
    LONG status =
        RegEnumValueW(ToWin(key), index, Wide(name), nameArg.get(), nullptr, typeArg.get(), data, sizeArg.get());
    nameArg.Return();
    typeArg.Return();
    sizeArg.Return();
    return status;
}

RegStatus Win32Registry::DeleteKeyW(HKey key, const std::u16string& subKey) {
    return RegDeleteKeyW(ToWin(key), Wide(subKey));
}

RegStatus Win32Registry::QueryInfoKeyW(HKey key, char16_t* cls, std::uint32_t* clsSize) {
    DwordArg clsArg(clsSize);
    LONG status = RegQueryInfoKeyW(ToWin(key), Wide(cls), clsArg.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr);
    clsArg.Return();
    return status;
}

// Text longer than an int can count cannot be passed to the conversion
// functions at all; it converts to nothing, like a failed conversion.
std::string Win32AnsiCodec::ToAnsi(const std::wstring& text) const {
    if (text.empty() || text.size() > INT_MAX) return std::string();
    int length = static_cast<int>(text.size());
    int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string out(static_cast<std::size_t>(needed), '\0');
    int written = WideCharToMultiByte(CP_ACP, 0, text.data(), length, &out[0], needed, nullptr, nullptr);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

std::wstring Win32AnsiCodec::FromAnsi(const std::string& bytes) const {
    if (bytes.empty() || bytes.size() > INT_MAX) return std::wstring();
    int length = static_cast<int>(bytes.size());
    int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    int written = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, &out[0], needed);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return out;
}

}  // namespace wof
