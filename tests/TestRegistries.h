// What the portable suites run against: natively the in-memory registry and
// Latin-1, on Windows (or Wine) the real registry and code page.
#pragma once

#include <memory>
#include <string>

#include "registry/AnsiCodec.h"
#include "registry/Registry.h"
#include "tests/support/KeySnapshot.h"
#include "tests/support/RegistryTree.h"
#include "tests/support/Word2007Registration.h"

namespace wof {

std::unique_ptr<Registry> MakeTestRegistry();
std::unique_ptr<AnsiCodec> MakeTestCodec();

// True where the suites touch the system's registry.
extern const bool kIsRealRegistry;

// Every suite works below HKEY_CLASSES_ROOT\<kScratchKey> and nowhere else.
constexpr char kScratchKey[] = "WordOpenFixTest";

// Writes the document type's registration over whatever is there.
void SeedWordDocumentType(Registry& registry, const WordDocumentType& type);
void SeedWord2007(Registry& registry);

}  // namespace wof
