// Document types registered the way Word 2007 registers them: an open
// command ending in "/dde", an opaque REG_MULTI_SZ "Command" value and a
// "ddeexec" key with its subkeys.
#pragma once

#include <string>
#include <vector>

#include "registry/KeyHandle.h"
#include "registry/Registry.h"
#include "registry/RegistryRoutines.h"
#include "registry/Utf16.h"
#include "tests/support/Utf8.h"

namespace wof {

// Raw bytes, for values of the types that hold no text.
inline std::vector<std::uint8_t> Bytes(const std::string& bytes) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

// UTF-8 text as the registry stores text: in UTF-16.
inline std::vector<std::uint8_t> TextBytes(const std::string& text) { return Utf16Bytes(Utf16FromUtf8(text)); }

// text plus its terminating NUL, as a string value is stored.
inline std::vector<std::uint8_t> SzBytes(const std::string& text) {
    auto bytes = TextBytes(text);
    bytes.insert(bytes.end(), 2, 0);
    return bytes;
}

inline const std::string kWordCommand = R"("C:\Program Files\Microsoft Office\Office12\WINWORD.EXE" /n /dde)";
// kWordCommand after the update.
inline const std::string kRepairedCommand = R"("C:\Program Files\Microsoft Office\Office12\WINWORD.EXE" /n "%1")";
// Two strings and the closing empty one.
inline const std::string kWordCommandValue = std::string("3NMK!!!!!!!!!MKKSkWORDFiles>nK(*^cL-i3]Y5K8V /n /dde") +
                                             '\0' + '\0';

// Names in UTF-8; data as stored (see TextBytes).
inline void SetValue(Registry& registry, HKey root, const std::string& path, const std::string& name,
                     std::uint32_t type, const std::vector<std::uint8_t>& data, const std::string* cls = nullptr) {
    KeyHandle key(registry);
    std::uint32_t disposition = 0;
    const std::u16string wideClass = cls ? Utf16FromUtf8(*cls) : std::u16string();
    registry.CreateKeyExW(root, Utf16FromUtf8(path), cls ? &wideClass : nullptr, kKeyAllAccess, key.put(),
                          &disposition);
    SetValueExactly(registry, key.get(), Utf16FromUtf8(name), type, data.data(), static_cast<std::uint32_t>(data.size()));
}

inline void SeedWordDocumentType(Registry& registry, const std::string& progId) {
    const std::string open = progId + "\\Shell\\Open";
    SetValue(registry, kHkeyClassesRoot, progId, "", kRegSz, SzBytes("Microsoft Office Word Document"));
    SetValue(registry, kHkeyClassesRoot, open + "\\Command", "", kRegSz, SzBytes(kWordCommand));
    SetValue(registry, kHkeyClassesRoot, open + "\\Command", "Command", kRegMultiSz, TextBytes(kWordCommandValue));
    SetValue(registry, kHkeyClassesRoot, open + "\\ddeexec", "", kRegSz, SzBytes("[FileOpen(\"%1\")]"));
    SetValue(registry, kHkeyClassesRoot, open + "\\ddeexec\\Application", "", kRegSz, SzBytes("WinWord"));
    SetValue(registry, kHkeyClassesRoot, open + "\\ddeexec\\Topic", "", kRegSz, SzBytes("System"));
    SetValue(registry, kHkeyClassesRoot, open + "\\ddeexec\\ifExec", "", kRegSz, SzBytes("[rem _DDE_Minimize]"));
}

inline void SeedWord2007(Registry& registry) {
    SeedWordDocumentType(registry, "Word.Document.12");
    SeedWordDocumentType(registry, "Word.Document.8");
}

}  // namespace wof
