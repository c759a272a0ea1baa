#include "tests/TestRegistries.h"

#ifdef _WIN32
#include "registry/Win32Registry.h"
#else
#include "tests/support/Latin1Codec.h"
#include "tests/support/MemoryRegistry.h"
#endif

namespace wof {

#ifdef _WIN32
std::unique_ptr<Registry> MakeTestRegistry() { return std::make_unique<Win32Registry>(); }
std::unique_ptr<AnsiCodec> MakeTestCodec() { return std::make_unique<Win32AnsiCodec>(); }
const bool kIsRealRegistry = true;
#else
std::unique_ptr<Registry> MakeTestRegistry() { return std::make_unique<MemoryRegistry>(); }
std::unique_ptr<AnsiCodec> MakeTestCodec() { return std::make_unique<Latin1Codec>(); }
const bool kIsRealRegistry = false;
#endif

void SeedWordDocumentType(Registry& registry, const WordDocumentType& type) {
    WriteTree(registry, kHkeyClassesRoot, type.progId, Word2007Registration(type));
}

void SeedWord2007(Registry& registry) {
    for (const WordDocumentType& type : kWordDocumentTypes) SeedWordDocumentType(registry, type);
}

}  // namespace wof
