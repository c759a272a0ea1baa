// Seeds and prints the registry the end-to-end tests and the demo work on.
//
//   regtool seed-demo [--office-spelling]
//       HKCR\Word.Document.12 and HKCR\Word.Document.8 replaced with the keys
//       of a machine with Word 2007; with --office-spelling, the verb's keys
//       and the value "command" in lower case, as Office writes them
//   regtool seed-hostile
//       seed-demo, then each ProgID's Shell\Open\ddeexec replaced with a tree
//       made to break a copy (HostileTree below)
//   regtool seed-standin EXE
//       seed-demo with EXE as the program the open command starts, and .docx
//       and .doc bound to the two ProgIDs
//   regtool set KEY NAME TYPE DATA
//       sets the value NAME (empty: the default) of HKCR\KEY; DATA is text for
//       REG_SZ and REG_EXPAND_SZ, hex bytes ("01 00 00 2a") for other types
//   regtool dump [KEY...]   regtool value KEY NAME
//       the trees of both ProgIDs, or of the KEYs below HKCR, or one value,
//       in a canonical text form
//   regtool export [--text] KEY...
//       the trees of the KEYs below HKCR as regedit exports them (.reg 5.00,
//       LF line ends); a REG_EXPAND_SZ or REG_MULTI_SZ gets a comment with its
//       text before its bytes, with --text the comment alone
//   regtool deny-changes PROGID   regtool deny-delete KEY
//       denies everyone the rights to change PROGID's Shell\Open\Command and
//       Shell\Open\ddeexec trees, as to a user who is not an administrator,
//       or to delete HKCR\KEY, and fails unless Wine then refuses them
//
// Trees go through tests/support/RegistryTree.h, types and bytes exactly as
// meant; seed-demo writes the registration the GoogleTest suites seed too.
// Whatever fails is named on standard error, with its status, and ends
// regtool with exit status 1.
#include <windows.h>
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "registry/NameCase.h"
#include "registry/Utf16.h"
#include "registry/Win32Registry.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/Utf8.h"
#include "tests/support/Word2007Registration.h"

namespace {

using wof::KeySnapshot;
using wof::SnapshotValue;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "regtool: %s\n", what.c_str());
    std::exit(1);
}

void Check(LONG status, const char* call, const std::wstring& path) {
    if (status != ERROR_SUCCESS)
        Fail(std::string(call) + " of " + wof::Utf8(path) + " failed with status " + std::to_string(status));
}

wof::Win32Registry g_registry;

void SeedDemo(wof::Spelling spelling) {
    for (const wof::WordDocumentType& type : wof::kWordDocumentTypes) {
        wof::DeleteTree(g_registry, wof::kHkeyClassesRoot, type.progId);
        wof::WriteTree(g_registry, wof::kHkeyClassesRoot, type.progId, wof::Word2007Registration(type, spelling));
    }
}

void SetString(const std::string& path, const std::string& name, const std::string& text) {
    wof::SetValue(g_registry, wof::kHkeyClassesRoot, path, name, REG_SZ, wof::SzBytes(text));
}

// The shell reaches the ProgIDs through the extensions, and starts
// whatever the open command names: here a stand-in for Word.
void SeedStandIn(const std::string& exe) {
    SeedDemo(wof::Spelling::kProgram);
    for (const wof::WordDocumentType& type : wof::kWordDocumentTypes)
        SetString(type.progId + "\\Shell\\Open\\Command", "", "\"" + exe + "\" /n /dde");
    SetString(".docx", "", "Word.Document.12");
    SetString(".doc", "", "Word.Document.8");
}

const char* TypeName(DWORD type) {
    for (const wof::ValueType& known : wof::kValueTypes)
        if (known.type == type) return known.name;
    return "REG_UNKNOWN";
}

// Names that differ only in their last character: a copy that cuts names
// short merges them, or fails on the second.
std::string LongName(size_t length, char last) { return std::string(length - 1, 'n') + last; }

// A ddeexec tree made to break a copy: 30 levels, names at the length
// limits, empty values of every type, a 1 MiB value, classes, and text
// outside the ANSI code page.
KeySnapshot HostileTree() {
    KeySnapshot dde{"", "DDE command", {wof::SzValue("", "[FileOpen(\"%1\")]")}, {}};
    for (const wof::ValueType& type : wof::kValueTypes)
        dde.values.push_back({std::string("empty ") + type.name, type.type, {}});
    dde.values.push_back(wof::SzValue(LongName(300, '1'), "named with 300 characters"));
    dde.values.push_back({LongName(300, '2'), REG_DWORD, {1, 2, 3, 4}});
    dde.values.push_back({LongName(16383, '3'), REG_BINARY, {5, 6, 7}});
    std::vector<std::uint8_t> big(1 << 20);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    dde.values.push_back({"big", REG_BINARY, big});
    dde.values.push_back(wof::SzValue("Тема", "System"));
    dde.values.push_back(wof::SzValue("Topic", "Система システム"));

    KeySnapshot deepest{LongName(255, '1'), "", {wof::SzValue("", "30 levels down")}, {}};
    for (std::uint8_t level = 30; level >= 1; --level)
        deepest = {"level " + std::to_string(level), "", {{"level", REG_DWORD, {level, 0, 0, 0}}}, {deepest}};
    dde.subkeys.push_back(deepest);
    dde.subkeys.push_back({LongName(255, '1'), "class of a long name", {}, {}});
    dde.subkeys.push_back({LongName(255, '2'), "", {}, {{LongName(255, '3'), "", {}, {}}}});
    dde.subkeys.push_back(
        {"Classed", "Shell DDE conversation", {}, {{"Empty class", "", {wof::SzValue("", "no class")}, {}}}});
    dde.subkeys.push_back({"Ключ 鍵", "Класс", {wof::SzValue("Значение 値", "Текст テキスト")}, {}});
    return dde;
}

void SeedHostile() {
    SeedDemo(wof::Spelling::kProgram);
    for (const wof::WordDocumentType& type : wof::kWordDocumentTypes) {
        const std::string dde = type.progId + "\\Shell\\Open\\ddeexec";
        wof::DeleteTree(g_registry, wof::kHkeyClassesRoot, dde);
        wof::WriteTree(g_registry, wof::kHkeyClassesRoot, dde, HostileTree());
    }
}

// Command-line data: the text as it is, NUL added, or hex bytes, two
// digits each, spaces between them allowed.
std::vector<std::uint8_t> ParseData(DWORD type, const std::string& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) return wof::SzBytes(data);
    std::string digits;
    for (char c : data)
        if (c != ' ') digits += c;
    if (digits.size() % 2 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        Fail("\"" + data + "\" is not hex bytes, two digits each");
    std::vector<std::uint8_t> bytes;
    for (size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Adds a deny entry of rights for everyone to the key's own, so that
// reading stays allowed, and fails unless opening the key for refused is
// then refused.
void Deny(const std::string& path, DWORD rights, DWORD refused) {
    const std::wstring shown = wof::WideFromUtf8("HKCR\\" + path);
    HKEY key;
    Check(RegOpenKeyExW(HKEY_CLASSES_ROOT, wof::WideFromUtf8(path).c_str(), 0, READ_CONTROL | WRITE_DAC, &key),
          "RegOpenKeyExW", shown);
    PACL dacl = nullptr, denying = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    Check(GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                          &descriptor),
          "GetSecurityInfo", shown);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        Check(static_cast<LONG>(GetLastError()), "AllocateAndInitializeSid", shown);
    EXPLICIT_ACCESSW deny{rights, DENY_ACCESS, NO_INHERITANCE, {}};
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    Check(SetEntriesInAclW(1, &deny, dacl, &denying), "SetEntriesInAclW", shown);
    Check(SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, denying, nullptr),
          "SetSecurityInfo", shown);
    LocalFree(denying);
    LocalFree(descriptor);
    FreeSid(everyone);
    RegCloseKey(key);
    const LONG status = RegOpenKeyExW(HKEY_CLASSES_ROOT, wof::WideFromUtf8(path).c_str(), 0, refused, &key);
    if (status == ERROR_SUCCESS) Fail(wof::Utf8(shown) + " still opens so: access is not checked");
    if (status != ERROR_ACCESS_DENIED) Check(status, "RegOpenKeyExW", shown);
}

// Denies the change rights to the key and to each key below it: a tree
// that could be emptied from below would not be protected.
void DenyChanges(const std::string& path, const KeySnapshot& tree) {
    const DWORD change = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE;
    Deny(path, change, change);
    for (const KeySnapshot& sub : tree.subkeys) DenyChanges(path + "\\" + sub.name, sub);
}

// Sixteen bytes a line, each line after the first indented under the first.
std::string Hex(const std::vector<std::uint8_t>& data) {
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
std::string ReadableText(const std::vector<std::uint8_t>& data) {
    std::u16string text;
    for (char16_t c : wof::Utf16FromBytes(data)) {
        if (c >= 0x20) {
            text += c == u'\\' ? u"\\\\" : std::u16string(1, c);
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, c == 0 ? "\\0" : "\\x%02x", static_cast<unsigned>(c));
        text.append(escape, escape + std::strlen(escape));
    }
    return wof::Utf8FromUtf16(text) + (data.size() % 2 ? "\\odd-byte" : "");
}

// 64-bit FNV-1a: enough to tell whether a megabyte came through unchanged.
unsigned long long Fnv1a(const std::vector<std::uint8_t>& data) {
    unsigned long long hash = 14695981039346656037ull;
    for (std::uint8_t b : data) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

std::string DumpName(const std::string& name) { return name.empty() ? "@" : "\"" + name + "\""; }

// A value of more than 1 KiB prints as its text if it is a string, else as
// a hash of its bytes, so that large values still make short dumps.
void PrintValue(const SnapshotValue& v) {
    const bool large = v.data.size() > 1024;
    const bool isString = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    std::printf("  %s %s %u bytes\n", DumpName(v.name).c_str(), TypeName(v.type), static_cast<unsigned>(v.data.size()));
    if (!large) std::printf("    hex  %s\n", Hex(v.data).c_str());
    if (!large || isString) std::printf("    text %s\n", ReadableText(v.data).c_str());
    if (large && !isString) std::printf("    fnv-1a %016llx\n", Fnv1a(v.data));
}

void PrintOneValue(const std::string& path, const std::string& name) {
    const std::optional<KeySnapshot> key = wof::ReadTree(g_registry, wof::kHkeyClassesRoot, path);
    if (!key) Fail("no key HKCR\\" + path);
    for (const SnapshotValue& v : key->values) {
        if (wof::SameName(v.name, name)) return PrintValue({name, v.type, v.data});
    }
    std::printf("  %s missing\n", DumpName(name).c_str());
}

void DumpKey(const KeySnapshot& key, const std::string& path) {
    std::printf("[%s] class \"%s\"\n", path.c_str(), key.cls.c_str());
    for (const SnapshotValue* v : wof::ByName(key.values)) PrintValue(*v);
    for (const KeySnapshot* sub : wof::ByName(key.subkeys)) DumpKey(*sub, path + "\\" + sub->name);
}

void Dump(const std::string& path) {
    const std::optional<KeySnapshot> tree = wof::ReadTree(g_registry, wof::kHkeyClassesRoot, path);
    if (!tree) return (void)std::printf("[HKCR\\%s] missing\n", path.c_str());
    DumpKey(*tree, "HKCR\\" + path);
}

// Text in a .reg file's quotes: backslashes and quotes escaped.
std::string Quoted(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return "\"" + escaped + "\"";
}

std::string QuotedUtf16(const std::u16string& text) { return Quoted(wof::Utf8FromUtf16(text)); }

// Text that a .reg string holds exactly: whole characters, one NUL at the
// end and none before it, no line breaks.
bool IsPlainText(const std::vector<std::uint8_t>& data) {
    const std::u16string text = wof::Utf16FromBytes(data);
    return data.size() % 2 == 0 && !text.empty() && text.back() == u'\0' &&
           text.find_first_of(std::u16string(u"\r\n\0", 3)) == text.size() - 1;
}

// "hex:" or "hex(TYPE):" and the bytes, wrapped as regedit wraps them:
// a line ends in "\" once it reaches 77 characters, and the next one is
// indented by two spaces.
std::string HexValue(DWORD type, const std::vector<std::uint8_t>& data, size_t lineLength) {
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
std::string TextComment(const std::string& name, const SnapshotValue& v) {
    std::u16string text = wof::Utf16FromBytes(v.data);
    std::string out = "; " + name + " (" + TypeName(v.type) + "):";
    const bool closed = text.size() >= 2 && text.compare(text.size() - 2, 2, std::u16string(2, u'\0')) == 0;
    if (v.type == REG_MULTI_SZ && closed) text.pop_back();
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(u'\0', start), text.size());
        out += (start ? ", " : " ") + QuotedUtf16(text.substr(start, end - start));
        start = end + 1;
    }
    if (v.type == REG_MULTI_SZ && !closed) out += " (not closed by an empty string)";
    if (v.type == REG_EXPAND_SZ && (text.empty() || text.back() != u'\0')) out += " (no NUL at the end)";
    if (v.data.size() % 2) out += " (and an odd byte)";
    return out;
}

// One value in .reg notation; with textOnly a REG_EXPAND_SZ or REG_MULTI_SZ
// is its text comment alone, else the comment comes before the bytes.
void ExportValue(const SnapshotValue& v, bool textOnly) {
    const std::string name = v.name.empty() ? "@" : Quoted(v.name);
    if (v.type == REG_SZ && IsPlainText(v.data)) {
        const std::u16string text = wof::Utf16FromBytes(v.data);
        std::printf("%s=%s\n", name.c_str(), QuotedUtf16(text.substr(0, text.size() - 1)).c_str());
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
void ExportKey(const KeySnapshot& key, const std::string& path, bool textOnly) {
    std::printf("\n[%s]\n", path.c_str());
    for (const SnapshotValue& v : key.values) ExportValue(v, textOnly);
    for (const KeySnapshot& sub : key.subkeys) ExportKey(sub, path + "\\" + sub.name, textOnly);
}

void Export(const std::string& path, bool textOnly) {
    const std::optional<KeySnapshot> tree = wof::ReadTree(g_registry, wof::kHkeyClassesRoot, path);
    if (!tree) return (void)std::printf("\n; [HKEY_CLASSES_ROOT\\%s] is not there\n", path.c_str());
    ExportKey(*tree, "HKEY_CLASSES_ROOT\\" + path, textOnly);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: regtool seed-demo [--office-spelling] | seed-standin EXE | seed-hostile |\n"
                 "               set KEY NAME TYPE DATA | dump [KEY...] | export [--text] KEY... |\n"
                 "               value KEY NAME | deny-changes PROGID | deny-delete KEY\n");
    return 2;
}

int Run(const std::vector<std::string>& args) {
    const std::string command = args.empty() ? "" : args[0];
    const size_t count = args.size();
    if (command == "seed-demo" && count == 1) {
        SeedDemo(wof::Spelling::kProgram);
    } else if (command == "seed-demo" && count == 2 && args[1] == "--office-spelling") {
        SeedDemo(wof::Spelling::kOffice);
    } else if (command == "seed-standin" && count == 2) {
        SeedStandIn(args[1]);
    } else if (command == "seed-hostile" && count == 1) {
        SeedHostile();
    } else if (command == "set" && count == 5) {
        const auto type = std::find_if(std::begin(wof::kValueTypes), std::end(wof::kValueTypes),
                                       [&](const wof::ValueType& known) { return args[3] == known.name; });
        if (type == std::end(wof::kValueTypes)) return Usage();
        wof::SetValue(g_registry, wof::kHkeyClassesRoot, args[1], args[2], type->type, ParseData(type->type, args[4]));
    } else if (command == "dump") {
        if (count == 1)
            for (const wof::WordDocumentType& type : wof::kWordDocumentTypes) Dump(type.progId);
        for (size_t i = 1; i < count; ++i) Dump(args[i]);
    } else if (command == "export" && count >= 2) {
        const bool textOnly = args[1] == "--text";
        std::printf("Windows Registry Editor Version 5.00\n");
        for (size_t i = textOnly ? 2 : 1; i < count; ++i) Export(args[i], textOnly);
        std::printf("\n");
    } else if (command == "value" && count == 3) {
        PrintOneValue(args[1], args[2]);
    } else if (command == "deny-changes" && count == 2) {
        for (const char* key : {"\\Shell\\Open\\Command", "\\Shell\\Open\\ddeexec"}) {
            const std::optional<KeySnapshot> tree = wof::ReadTree(g_registry, wof::kHkeyClassesRoot, args[1] + key);
            if (!tree) Fail("no key HKCR\\" + args[1] + key);
            DenyChanges(args[1] + key, *tree);
        }
    } else if (command == "deny-delete" && count == 2) {
        // Wine enforces DELETE where the key is opened for all access, as a
        // rename opens it, though not in RegDeleteKeyW; reading stays allowed.
        Deny(args[1], DELETE, KEY_ALL_ACCESS);
        if (!wof::ReadTree(g_registry, wof::kHkeyClassesRoot, args[1])) Fail("HKCR\\" + args[1] + " is gone");
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Output goes to scripts that compare it byte for byte: LF line ends.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(wof::Utf8(argv[i]));
    try {
        const int status = Run(args);
        if (status != 0) return status;
    } catch (const std::exception& error) {
        Fail(error.what());
    }
    if (std::fflush(stdout) != 0) Fail("the output could not be written");
    return 0;
}
