// Word 2007's two document types as Office registers them: an open command
// ending in "/dde", beside it the installer's "Command" descriptor, and a
// "ddeexec" key for the DDE conversation. regtool seeds this into Wine's
// registry for the end-to-end tests and the demo, and the suites into the
// registry under test, so tests/wine/expected/seeded.dump and the
// demo_command values of tests/wine/program.sh show these bytes too.
#pragma once

#include <string>

#include "registry/Registry.h"
#include "tests/support/KeySnapshot.h"

namespace wof {

struct WordDocumentType {
    std::string progId;
    std::string description;
    // Stands for the installer's opaque descriptor: text nothing but the
    // installer reads, kept as the one string of a REG_MULTI_SZ.
    std::string descriptor;
};

inline const std::string kWordOpenCommand = R"("C:\Program Files\Microsoft Office\Office12\WINWORD.EXE" /n /dde)";
// kWordOpenCommand as the update leaves it.
inline const std::string kRepairedCommand = R"("C:\Program Files\Microsoft Office\Office12\WINWORD.EXE" /n "%1")";

inline const WordDocumentType kWordDocumentTypes[] = {
    {"Word.Document.12", "Microsoft Office Word Document",
     "k}~Jq3Wf6ny!!!!!!!!!MKKSkWordFiles>D1g?.PmT*bA$vP^0rXZ7 /n /dde"},
    {"Word.Document.8", "Microsoft Office Word 97 - 2003 Document",
     "k}~Jq3Wf6ny!!!!!!!!!MKKSkWordFiles>u,Hc9-Mf%xR]2gQ=eL@w /n /dde"},
};

// The registry takes names without regard to case. kProgram spells the
// verb's keys and the descriptor value as the program names them; kOffice
// as Office writes them, in lower case, which a type put back must keep.
enum class Spelling { kProgram, kOffice };

// The descriptor, its NUL and the NUL that ends the list.
inline SnapshotValue CommandValue(const WordDocumentType& type, Spelling spelling = Spelling::kProgram) {
    return {spelling == Spelling::kOffice ? "command" : "Command", kRegMultiSz,
            TextBytes(type.descriptor + '\0' + '\0')};
}

// The ProgID's key and everything below it.
inline KeySnapshot Word2007Registration(const WordDocumentType& type, Spelling spelling = Spelling::kProgram) {
    const bool office = spelling == Spelling::kOffice;
    const KeySnapshot command{
        office ? "command" : "Command", "", {SzValue("", kWordOpenCommand), CommandValue(type, spelling)}, {}};
    const KeySnapshot ddeexec{"ddeexec",
                              "",
                              {SzValue("", "[FileOpen(\"%1\")]")},
                              {{"Application", "", {SzValue("", "WinWord")}, {}},
                               {"ifExec", "", {SzValue("", "[rem _DDE_Direct][FileOpen(\"%1\")]")}, {}},
                               {"Topic", "", {SzValue("", "System")}, {}}}};
    const KeySnapshot open{office ? "open" : "Open", "", {SzValue("", "&Open")}, {command, ddeexec}};
    const KeySnapshot icon{
        "DefaultIcon",
        "",
        {SzValue("", R"(C:\WINDOWS\Installer\{90120000-0030-0000-0000-0000000FF1CE}\wordicon.exe,1)")},
        {}};
    return {"",
            "",
            {SzValue("", type.description), {"EditFlags", kRegBinary, {0x00, 0x00, 0x01, 0x00}}},
            {icon, {office ? "shell" : "Shell", "", {}, {open}}}};
}

}  // namespace wof
