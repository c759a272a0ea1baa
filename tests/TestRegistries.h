// What the portable suites run against: natively the in-memory registry and
// Latin-1, on Windows (or Wine) the real registry and code page.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registry/AnsiCodec.h"
#include "registry/Registry.h"
#include "tests/support/KeySnapshot.h"
#include "tests/support/Word2007Registration.h"

namespace wof {

std::unique_ptr<Registry> MakeTestRegistry();
std::unique_ptr<AnsiCodec> MakeTestCodec();

// True where the suites touch the system's registry.
extern const bool kIsRealRegistry;

// Every suite works below HKEY_CLASSES_ROOT\<kScratchKey> and nowhere else.
constexpr char kScratchKey[] = "WordOpenFixTest";

// Deletes path below root and everything under it; a missing key is fine.
// Reports a test failure when something cannot be deleted.
void DeleteTree(Registry& registry, HKey root, const std::string& path);

// Reads the subtree at path through the W calls alone, so that the same
// comparison works on the real and on the in-memory registry. Nothing when
// the key cannot be opened; a test failure when it cannot be read whole.
// Paths and names are UTF-8, as in KeySnapshot.
std::optional<KeySnapshot> ReadTree(Registry& registry, HKey root, const std::string& path);

// Writes tree at path through the W calls, keys with their classes (a key
// that exists keeps its own). False, and a test failure, when a call fails.
bool WriteTree(Registry& registry, HKey root, const std::string& path, const KeySnapshot& tree);

// Sets one value through the W calls, creating its key (without a class)
// where it is missing. Names in UTF-8; data as stored (see TextBytes).
void SetValue(Registry& registry, HKey root, const std::string& path, const std::string& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data);

// Writes the document type's registration over whatever is there.
void SeedWordDocumentType(Registry& registry, const WordDocumentType& type);
void SeedWord2007(Registry& registry);

}  // namespace wof
