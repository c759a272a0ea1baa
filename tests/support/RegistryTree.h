// Registry subtrees written and read as KeySnapshots through a Registry's
// W calls (natively the in-memory registry, under Wine the real one), by the
// suites, the Wine tools and the benchmark. Paths and names are UTF-8. A
// call that fails throws RegistryTreeError naming the call, the key and the
// status: a seed that did not happen stops there, not as a later difference.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "registry/Registry.h"
#include "tests/support/KeySnapshot.h"

namespace wof {

class RegistryTreeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes tree at path below root. The one rule for classes: each key is
// made one level at a time with its class, before its values and its
// subkeys; a key that exists already keeps its own class; keys missing
// above path are made without one.
void WriteTree(Registry& registry, HKey root, const std::string& path, const KeySnapshot& tree);

// The subtree at path, each key with its class, values and subkeys in the
// order the registry enumerates them; nothing when path does not exist.
std::optional<KeySnapshot> ReadTree(Registry& registry, HKey root, const std::string& path);

// Deletes path and everything below it; a missing key is fine.
void DeleteTree(Registry& registry, HKey root, const std::string& path);

// Sets one value, making its key (without a class) where it is missing.
// Data as stored (see TextBytes, SzBytes).
void SetValue(Registry& registry, HKey root, const std::string& path, const std::string& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data);

}  // namespace wof
