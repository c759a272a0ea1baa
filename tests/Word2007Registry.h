// Document types registered the way Word 2007 registers them: an open
// command ending in "/dde", an opaque REG_MULTI_SZ "Command" value and a
// "ddeexec" key with its subkeys.
#pragma once

#include <string>
#include <vector>

#include "registry/KeyHandle.h"
#include "registry/Registry.h"

namespace wof {

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// text plus its terminating NUL, as a string value is stored.
inline std::vector<std::uint8_t> SzBytes(const std::string& text) {
    auto bytes = Bytes(text);
    bytes.push_back(0);
    return bytes;
}

inline const std::string kWordCommand = R"("C:\Program Files\Microsoft Office\Office12\WINWORD.EXE" /n /dde)";
// Two strings and the closing empty one.
inline const std::string kWordCommandValue = std::string("3NMK!!!!!!!!!MKKSkWORDFiles>nK(*^cL-i3]Y5K8V /n /dde") +
                                             '\0' + '\0';

inline void SetValue(Registry& registry, HKey root, const std::string& path, const std::string& name,
                     std::uint32_t type, const std::vector<std::uint8_t>& data, const std::string* cls = nullptr) {
    KeyHandle key(registry);
    std::uint32_t disposition = 0;
    registry.CreateKeyEx(root, path, cls, kKeyAllAccess, key.put(), &disposition);
    registry.SetValueEx(key.get(), name, type, data.data(), static_cast<std::uint32_t>(data.size()));
}

inline void SeedWordDocumentType(Registry& registry, const std::string& progId) {
    const std::string open = progId + "\\Shell\\Open";
    SetValue(registry, kHkeyClassesRoot, progId, "", kRegSz, SzBytes("Microsoft Office Word Document"));
    SetValue(registry, kHkeyClassesRoot, open + "\\Command", "", kRegSz, SzBytes(kWordCommand));
    SetValue(registry, kHkeyClassesRoot, open + "\\Command", "Command", kRegMultiSz, Bytes(kWordCommandValue));
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
