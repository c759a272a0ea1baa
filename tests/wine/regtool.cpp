// Seeds and prints the registry the end-to-end tests and the demo work on.
//
//   regtool seed-demo [--office-spelling]
//                       replaces HKCR\Word.Document.12 and HKCR\Word.Document.8
//                       with the keys a machine with Word 2007 has; with
//                       --office-spelling, the verb's keys and the value
//                       "command" in lower case, as Office writes them
//   regtool seed-hostile
//                       seed-demo, then each ProgID's Shell\Open\ddeexec
//                       replaced with a tree made to break a copy: deep,
//                       long names, a 1 MiB value, empty values of every
//                       type, classes, text outside the ANSI code page
//   regtool set KEY NAME TYPE DATA
//                       sets the value NAME (empty: the default) of
//                       HKCR\KEY; DATA is text for REG_SZ and REG_EXPAND_SZ,
//                       hex bytes ("01 00 00 2a") for any other type
//   regtool dump [KEY...]
//                       prints the trees of both ProgIDs, or those of the
//                       KEYs below HKCR, in a canonical text form
//   regtool export [--text] KEY...
//                       prints the trees of the KEYs below HKCR as regedit
//                       exports them (.reg, version 5.00, LF line ends); a
//                       REG_EXPAND_SZ or REG_MULTI_SZ has a comment with its
//                       text before its bytes, and with --text the comment
//                       alone; a key that is not there is a comment too
//   regtool value KEY NAME
//                       prints one value of HKCR\KEY as dump does
//   regtool deny-changes PROGID
//                       denies everyone the rights to change PROGID's
//                       Shell\Open\Command and Shell\Open\ddeexec trees, as
//                       HKCR is to a user who is not an administrator, and
//                       fails if a key still opens for changing
//   regtool deny-delete KEY
//                       denies everyone the right to delete HKCR\KEY, and
//                       fails if it can no longer be read or still opens
//                       for all access
//   regtool seed-standin EXE
//                       seed-demo with EXE as the program the open command
//                       starts, and .docx and .doc bound to the two ProgIDs
//
// Values are written from here rather than from a .reg file so that their
// types and bytes (REG_MULTI_SZ NULs included) are exactly what we mean;
// seed-demo writes the registration the GoogleTest suites seed too
// (tests/support/Word2007Registration.h).
#include <windows.h>
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/Utf8.h"
#include "tests/support/Word2007Registration.h"
#include "tests/wine/Utf8.h"

namespace {

// The shared test data is UTF-8; wchar_t is UTF-16 here.
std::wstring Wide(const std::string& utf8) {
    const std::u16string text = wof::Utf16FromUtf8(utf8);
    return std::wstring(text.begin(), text.end());
}

void Fail(const char* what, const std::wstring& path, LONG status) {
    std::fprintf(stderr, "regtool: %s %ls failed with status %ld\n", what, path.c_str(), status);
    std::exit(1);
}

std::vector<BYTE> StringBytes(const std::wstring& text) {
    return wof::SzBytes(std::u16string(text.begin(), text.end()));
}

void SetValue(const std::wstring& path, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    // Opened first: Wine's RegCreateKeyExW takes an existing key's class away.
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_SET_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr);
    if (status != ERROR_SUCCESS) Fail("RegCreateKeyExW", path, status);
    status = RegSetValueExW(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) Fail("RegSetValueExW", path + L"\\" + name, status);
}

void SetString(const std::wstring& path, const std::wstring& name, const std::wstring& text) {
    SetValue(path, name, REG_SZ, StringBytes(text));
}

void MakeKey(const std::wstring& path, const std::wstring& cls) {
    HKEY key;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, const_cast<wchar_t*>(cls.c_str()), 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) Fail("RegCreateKeyExW", path, status);
    RegCloseKey(key);
}

// Each key is made, with its class, before its values and subkeys.
void WriteTree(const std::wstring& path, const wof::KeySnapshot& tree) {
    MakeKey(path, Wide(tree.cls));
    for (const wof::SnapshotValue& value : tree.values) SetValue(path, Wide(value.name), value.type, value.data);
    for (const wof::KeySnapshot& sub : tree.subkeys) WriteTree(path + L"\\" + Wide(sub.name), sub);
}

void SeedDemo(wof::Spelling spelling) {
    for (const wof::WordDocumentType& type : wof::kWordDocumentTypes) {
        const std::wstring progId = Wide(type.progId);
        LONG status = SHDeleteKeyW(HKEY_CLASSES_ROOT, progId.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) Fail("SHDeleteKeyW", progId, status);
        WriteTree(progId, wof::Word2007Registration(type, spelling));
    }
}

// The shell reaches the ProgIDs through the extensions, and starts
// whatever the open command names: here a stand-in for Word.
void SeedStandIn(const std::wstring& exe) {
    SeedDemo(wof::Spelling::kProgram);
    for (const wof::WordDocumentType& type : wof::kWordDocumentTypes)
        SetString(Wide(type.progId) + L"\\Shell\\Open\\Command", L"", L"\"" + exe + L"\" /n /dde");
    SetString(L".docx", L"", L"Word.Document.12");
    SetString(L".doc", L"", L"Word.Document.8");
}

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_NONE: return "REG_NONE";
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_BINARY: return "REG_BINARY";
        case REG_DWORD: return "REG_DWORD";
        case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
        case REG_LINK: return "REG_LINK";
        case REG_MULTI_SZ: return "REG_MULTI_SZ";
        case REG_QWORD: return "REG_QWORD";
        default: return "REG_UNKNOWN";
    }
}

const DWORD kEveryType[] = {REG_NONE, REG_SZ,       REG_EXPAND_SZ, REG_BINARY, REG_DWORD,
                            REG_DWORD_BIG_ENDIAN, REG_LINK, REG_MULTI_SZ, REG_QWORD};

const DWORD* FindType(const std::wstring& name) {
    for (const DWORD& type : kEveryType)
        if (Utf8(name) == TypeName(type)) return &type;
    return nullptr;
}

// Names that differ only in their last character: a copy that cuts names
// short merges them, or fails on the second.
std::wstring LongName(size_t length, wchar_t last) { return std::wstring(length - 1, L'n') + last; }

void SeedHostileTree(const std::wstring& dde) {
    LONG status = SHDeleteKeyW(HKEY_CLASSES_ROOT, dde.c_str());
    if (status != ERROR_SUCCESS) Fail("SHDeleteKeyW", dde, status);
    MakeKey(dde, L"DDE command");
    SetString(dde, L"", L"[FileOpen(\"%1\")]");
    for (DWORD type : kEveryType) {
        const std::string name = std::string("empty ") + TypeName(type);
        SetValue(dde, std::wstring(name.begin(), name.end()), type, {});
    }
    SetValue(dde, LongName(300, L'1'), REG_SZ, StringBytes(L"named with 300 characters"));
    SetValue(dde, LongName(300, L'2'), REG_DWORD, {1, 2, 3, 4});
    SetValue(dde, LongName(16383, L'3'), REG_BINARY, {5, 6, 7});
    std::vector<BYTE> big(1 << 20);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>((i * 2654435761u) >> 13);
    SetValue(dde, L"big", REG_BINARY, big);

    std::wstring deep = dde;
    for (int level = 1; level <= 30; ++level) {
        deep += L"\\level " + std::to_wstring(level);
        SetValue(deep, L"level", REG_DWORD, {static_cast<BYTE>(level), 0, 0, 0});
    }
    SetString(deep + L"\\" + LongName(255, L'1'), L"", L"30 levels down");

    MakeKey(dde + L"\\" + LongName(255, L'1'), L"class of a long name");
    // One level at a time: Wine's RegCreateKeyExW, making two at once, takes
    // the class away from the last key of the path that already exists.
    MakeKey(dde + L"\\" + LongName(255, L'2'), L"");
    MakeKey(dde + L"\\" + LongName(255, L'2') + L"\\" + LongName(255, L'3'), L"");
    MakeKey(dde + L"\\Classed", L"Shell DDE conversation");
    SetString(dde + L"\\Classed\\Empty class", L"", L"no class");

    const std::wstring nonAnsi = dde + L"\\Ключ 鍵";
    MakeKey(nonAnsi, L"Класс");
    SetString(nonAnsi, L"Значение 値", L"Текст テキスト");
    SetString(dde, L"Тема", L"System");
    SetString(dde, L"Topic", L"Система システム");
}

void SeedHostile() {
    SeedDemo(wof::Spelling::kProgram);
    for (const wof::WordDocumentType& type : wof::kWordDocumentTypes)
        SeedHostileTree(Wide(type.progId) + L"\\Shell\\Open\\ddeexec");
}

// Command-line data: the text as it is, NUL added, or hex bytes.
std::vector<BYTE> ParseData(DWORD type, const std::wstring& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) return StringBytes(data);
    std::vector<BYTE> bytes;
    std::wstring digits;
    for (wchar_t c : data)
        if (c != L' ') digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) bytes.push_back(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

const DWORD kChangeRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE;

// Adds a deny entry of rights for everyone to the key's own, so that
// reading stays allowed.
HKEY Deny(HKEY parent, const std::wstring& name, const std::wstring& path, DWORD rights) {
    HKEY key;
    LONG status = RegOpenKeyExW(parent, name.c_str(), 0, READ_CONTROL | WRITE_DAC | KEY_ENUMERATE_SUB_KEYS, &key);
    if (status != ERROR_SUCCESS) Fail("RegOpenKeyExW", path, status);
    PACL dacl = nullptr, denying = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    status = GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                             &descriptor);
    if (status != ERROR_SUCCESS) Fail("GetSecurityInfo", path, status);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = rights;
    deny.grfAccessMode = DENY_ACCESS;
    deny.grfInheritance = NO_INHERITANCE;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    status = SetEntriesInAclW(1, &deny, dacl, &denying);
    if (status != ERROR_SUCCESS) Fail("SetEntriesInAclW", path, status);
    status = SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, denying, nullptr);
    if (status != ERROR_SUCCESS) Fail("SetSecurityInfo", path, status);
    LocalFree(denying);
    LocalFree(descriptor);
    FreeSid(everyone);
    return key;
}

// Denies the change rights to the key and to each key below it: a tree
// that could be emptied from below would not be protected.
void DenyChanges(HKEY parent, const std::wstring& name, const std::wstring& path) {
    HKEY key = Deny(parent, name, path, kChangeRights);
    std::vector<wchar_t> subKey(256);
    for (DWORD i = 0;; ++i) {
        DWORD chars = static_cast<DWORD>(subKey.size());
        LONG status = RegEnumKeyExW(key, i, subKey.data(), &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) Fail("RegEnumKeyExW", path, status);
        const std::wstring child(subKey.data(), chars);
        DenyChanges(key, child, path + L"\\" + child);
    }
    RegCloseKey(key);

    LONG status = RegOpenKeyExW(parent, name.c_str(), 0, kChangeRights, &key);
    if (status == ERROR_SUCCESS) {
        RegCloseKey(key);
        std::fprintf(stderr, "regtool: %ls still opens for changing: access is not checked\n", path.c_str());
        std::exit(1);
    }
    if (status != ERROR_ACCESS_DENIED) Fail("RegOpenKeyExW for changing", path, status);
}

// Denies deleting the key. Wine enforces that where the key is opened
// for all access, as a rename opens it, though not in RegDeleteKeyW; the
// check is made there, and reading must stay allowed.
void DenyDelete(const std::wstring& path) {
    const std::wstring full = L"HKCR\\" + path;
    RegCloseKey(Deny(HKEY_CLASSES_ROOT, path, full, DELETE));
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) Fail("RegOpenKeyExW for reading", full, status);
    RegCloseKey(key);
    status = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_SUCCESS) {
        RegCloseKey(key);
        std::fprintf(stderr, "regtool: %ls still opens for all access: access is not checked\n", full.c_str());
        std::exit(1);
    }
    if (status != ERROR_ACCESS_DENIED) Fail("RegOpenKeyExW for all access", full, status);
}

// Sixteen bytes a line, each line after the first indented under the first.
std::string Hex(const std::vector<BYTE>& data) {
    std::string out;
    char byte[4];
    for (size_t i = 0; i < data.size(); ++i) {
        if (i && i % 16 == 0) out += "\n         ";
        std::snprintf(byte, sizeof byte, i % 16 ? " %02x" : "%02x", data[i]);
        out += byte;
    }
    return out;
}

// The bytes as UTF-16 text with NULs and control characters spelled out,
// so that a stray or missing terminator shows in a diff.
std::string ReadableText(const std::vector<BYTE>& data) {
    std::wstring text;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c == L'\\') {
            text += L"\\\\";
        } else if (c < 0x20) {
            wchar_t escape[8];
            std::swprintf(escape, 8, c == 0 ? L"\\0" : L"\\x%02x", static_cast<unsigned>(c));
            text += escape;
        } else {
            text += c;
        }
    }
    if (data.size() % 2) text += L"\\odd-byte";
    return Utf8(text);
}

struct Value {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

// 64-bit FNV-1a: enough to tell whether a megabyte came through unchanged.
unsigned long long Fnv1a(const std::vector<BYTE>& data) {
    unsigned long long hash = 14695981039346656037ull;
    for (BYTE b : data) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

// A value of more than 1 KiB prints as its text if it is a string, else as
// a hash of its bytes, so that large values still make short dumps.
void PrintValue(const Value& v) {
    const bool large = v.data.size() > 1024;
    const bool isString = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    std::printf("  %s %s %u bytes\n", v.name.empty() ? "@" : ("\"" + Utf8(v.name) + "\"").c_str(),
                TypeName(v.type), static_cast<unsigned>(v.data.size()));
    if (!large) std::printf("    hex  %s\n", Hex(v.data).c_str());
    if (!large || isString) std::printf("    text %s\n", ReadableText(v.data).c_str());
    if (large && !isString) std::printf("    fnv-1a %016llx\n", Fnv1a(v.data));
}

void PrintOneValue(const std::wstring& path, const std::wstring& name) {
    HKEY key;
    LONG status = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS) Fail("RegOpenKeyExW", path, status);
    Value v{name, REG_NONE, {}};
    DWORD size = 0;
    status = RegQueryValueExW(key, name.c_str(), nullptr, &v.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        v.data.resize(size);
        status = RegQueryValueExW(key, name.c_str(), nullptr, &v.type, v.data.data(), &size);
    }
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND) {
        std::printf("  %s missing\n", name.empty() ? "@" : ("\"" + Utf8(name) + "\"").c_str());
        return;
    }
    if (status != ERROR_SUCCESS) Fail("RegQueryValueExW", path + L"\\" + name, status);
    PrintValue(v);
}

// What RegQueryInfoKeyW, RegEnumValueW and RegEnumKeyExW give for one key,
// in the registry's own order.
struct KeyContents {
    std::wstring cls;
    std::vector<Value> values;
    std::vector<std::wstring> subKeys;
};

// Opens PATH (NAME below PARENT) for reading; nullptr if it is not there.
HKEY OpenToRead(HKEY parent, const std::wstring& name, const std::wstring& path) {
    HKEY key;
    LONG status = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) return nullptr;
    if (status != ERROR_SUCCESS) Fail("RegOpenKeyExW", path, status);
    return key;
}

KeyContents ReadKey(HKEY key, const std::wstring& path) {
    KeyContents contents;
    DWORD maxSubKey, maxValueName, maxValueData, classChars = MAX_PATH;
    wchar_t cls[MAX_PATH];
    LONG status = RegQueryInfoKeyW(key, cls, &classChars, nullptr, nullptr, &maxSubKey, nullptr, nullptr,
                                   &maxValueName, &maxValueData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) Fail("RegQueryInfoKeyW", path, status);
    contents.cls.assign(cls, classChars);
    for (DWORD i = 0;; ++i) {
        std::vector<wchar_t> valueName(maxValueName + 1);
        DWORD nameChars = maxValueName + 1, type, size = maxValueData;
        std::vector<BYTE> data(maxValueData + 1);
        status = RegEnumValueW(key, i, valueName.data(), &nameChars, nullptr, &type, data.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) Fail("RegEnumValueW", path, status);
        data.resize(size);
        contents.values.push_back({std::wstring(valueName.data(), nameChars), type, data});
    }
    for (DWORD i = 0;; ++i) {
        std::vector<wchar_t> subKey(maxSubKey + 1);
        DWORD chars = maxSubKey + 1;
        status = RegEnumKeyExW(key, i, subKey.data(), &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) Fail("RegEnumKeyExW", path, status);
        contents.subKeys.emplace_back(subKey.data(), chars);
    }
    return contents;
}

void DumpKey(HKEY parent, const std::wstring& name, const std::wstring& path) {
    HKEY key = OpenToRead(parent, name, path);
    if (!key) {
        std::printf("[%s] missing\n", Utf8(path).c_str());
        return;
    }
    KeyContents contents = ReadKey(key, path);
    std::printf("[%s] class \"%s\"\n", Utf8(path).c_str(), Utf8(contents.cls).c_str());
    std::sort(contents.values.begin(), contents.values.end(),
              [](const Value& a, const Value& b) { return a.name < b.name; });
    for (const Value& v : contents.values) PrintValue(v);
    std::sort(contents.subKeys.begin(), contents.subKeys.end());
    for (const std::wstring& subKey : contents.subKeys) DumpKey(key, subKey, path + L"\\" + subKey);
    RegCloseKey(key);
}

// Text in a .reg file's quotes: backslashes and quotes escaped.
std::string Quoted(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') escaped += L'\\';
        escaped += c;
    }
    return "\"" + Utf8(escaped) + "\"";
}

std::wstring Utf16(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return text;
}

// Text that a .reg string holds exactly: whole characters, one NUL at the
// end and none before it, no line breaks.
bool IsPlainText(const std::vector<BYTE>& data) {
    const std::wstring text = Utf16(data);
    return data.size() % 2 == 0 && !text.empty() && text.back() == L'\0' &&
           text.find_first_of(std::wstring(L"\r\n\0", 3)) == text.size() - 1;
}

// "hex:" or "hex(TYPE):" and the bytes, wrapped as regedit wraps them:
// a line ends in "\" once it reaches 77 characters, and the next one is
// indented by two spaces.
std::string HexValue(DWORD type, const std::vector<BYTE>& data, size_t lineLength) {
    char text[16];
    std::snprintf(text, sizeof text, type == REG_BINARY ? "hex:" : "hex(%lx):", static_cast<unsigned long>(type));
    std::string out = text;
    lineLength += out.size();
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(text, sizeof text, "%02x", data[i]);
        out += text;
        if (i + 1 == data.size()) break;
        out += ',';
        lineLength += 3;
        if (lineLength >= 77) {
            out += "\\\n  ";
            lineLength = 2;
        }
    }
    return out;
}

// A comment giving the text of a REG_EXPAND_SZ, or the strings of a
// REG_MULTI_SZ, whose .reg form is only their bytes.
std::string TextComment(const std::string& name, const Value& v) {
    std::wstring text = Utf16(v.data);
    std::string out = "; " + name + " (" + TypeName(v.type) + "):";
    const bool closed = text.size() >= 2 && text.compare(text.size() - 2, 2, std::wstring(2, L'\0')) == 0;
    if (v.type == REG_MULTI_SZ && closed) text.pop_back();
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(L'\0', start), text.size());
        out += (start ? ", " : " ") + Quoted(text.substr(start, end - start));
        start = end + 1;
    }
    if (v.type == REG_MULTI_SZ && !closed) out += " (not closed by an empty string)";
    if (v.type == REG_EXPAND_SZ && (text.empty() || text.back() != L'\0')) out += " (no NUL at the end)";
    if (v.data.size() % 2) out += " (and an odd byte)";
    return out;
}

// One value in .reg notation; with textOnly a REG_EXPAND_SZ or REG_MULTI_SZ
// is its text comment alone, else the comment comes before the bytes.
void ExportValue(const Value& v, bool textOnly) {
    const std::string name = v.name.empty() ? "@" : Quoted(v.name);
    if (v.type == REG_SZ && IsPlainText(v.data)) {
        std::wstring text = Utf16(v.data);
        text.pop_back();
        std::printf("%s=%s\n", name.c_str(), Quoted(text).c_str());
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD number;
        std::memcpy(&number, v.data.data(), 4);
        std::printf("%s=dword:%08lx\n", name.c_str(), static_cast<unsigned long>(number));
    } else {
        if (v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ) {
            std::printf("%s\n", TextComment(name, v).c_str());
            if (textOnly) return;
        }
        std::printf("%s=%s\n", name.c_str(), HexValue(v.type, v.data, name.size() + 1).c_str());
    }
}

// A key and all below it as regedit exports them: a blank line, the key's
// path in brackets, its values, then its subkeys, in the registry's order.
void ExportKey(HKEY parent, const std::wstring& name, const std::wstring& path, bool textOnly) {
    HKEY key = OpenToRead(parent, name, path);
    if (!key) {
        std::printf("\n; [%s] is not there\n", Utf8(path).c_str());
        return;
    }
    const KeyContents contents = ReadKey(key, path);
    std::printf("\n[%s]\n", Utf8(path).c_str());
    for (const Value& v : contents.values) ExportValue(v, textOnly);
    for (const std::wstring& subKey : contents.subKeys) ExportKey(key, subKey, path + L"\\" + subKey, textOnly);
    RegCloseKey(key);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Output goes to scripts that compare it byte for byte: LF line ends.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    _setmode(_fileno(stdout), _O_BINARY);
    const std::wstring command = argc >= 2 ? argv[1] : L"";
    if (command == L"seed-demo" && argc == 2) {
        SeedDemo(wof::Spelling::kProgram);
    } else if (command == L"seed-demo" && argc == 3 && std::wstring(argv[2]) == L"--office-spelling") {
        SeedDemo(wof::Spelling::kOffice);
    } else if (argc == 3 && std::wstring(argv[1]) == L"seed-standin") {
        SeedStandIn(argv[2]);
    } else if (command == L"seed-hostile") {
        SeedHostile();
    } else if (argc == 6 && command == L"set" && FindType(argv[4])) {
        const DWORD type = *FindType(argv[4]);
        SetValue(argv[2], argv[3], type, ParseData(type, argv[5]));
    } else if (command == L"dump" && argc == 2) {
        for (const wof::WordDocumentType& type : wof::kWordDocumentTypes)
            DumpKey(HKEY_CLASSES_ROOT, Wide(type.progId), L"HKCR\\" + Wide(type.progId));
    } else if (command == L"dump") {
        for (int i = 2; i < argc; ++i) DumpKey(HKEY_CLASSES_ROOT, argv[i], std::wstring(L"HKCR\\") + argv[i]);
    } else if (command == L"export" && argc >= 3) {
        const bool textOnly = std::wstring(argv[2]) == L"--text";
        std::printf("Windows Registry Editor Version 5.00\n");
        for (int i = textOnly ? 3 : 2; i < argc; ++i)
            ExportKey(HKEY_CLASSES_ROOT, argv[i], std::wstring(L"HKEY_CLASSES_ROOT\\") + argv[i], textOnly);
        std::printf("\n");
    } else if (argc == 4 && command == L"value") {
        PrintOneValue(argv[2], argv[3]);
    } else if (argc == 3 && command == L"deny-changes") {
        for (const wchar_t* key : {L"\\Shell\\Open\\Command", L"\\Shell\\Open\\ddeexec"}) {
            const std::wstring path = argv[2] + std::wstring(key);
            DenyChanges(HKEY_CLASSES_ROOT, path, L"HKCR\\" + path);
        }
    } else if (argc == 3 && command == L"deny-delete") {
        DenyDelete(argv[2]);
    } else {
        std::fprintf(stderr,
                     "usage: regtool seed-demo [--office-spelling] | seed-standin EXE | seed-hostile |\n"
                     "               set KEY NAME TYPE DATA | dump [KEY...] | export [--text] KEY... |\n"
                     "               value KEY NAME | deny-changes PROGID | deny-delete KEY\n");
        return 2;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
