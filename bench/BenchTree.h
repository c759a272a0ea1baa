// The trees the benchmarks move: every key has a few subkeys until the
// wanted number of keys is reached, and three values of different types.
// Key i (0 is the top) has the subkeys kFanOut * i + 1 ... kFanOut * i +
// kFanOut that are below the key count, so the count is met exactly and
// the tree grows a level deeper each time it grows tenfold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/KeySnapshot.h"

namespace wof {

constexpr std::uint32_t kFanOut = 10;
constexpr std::uint32_t kValuesPerKey = 3;
constexpr std::uint32_t kBinaryBytes = 40;

// The sizes every figure is given for.
constexpr std::uint32_t kBenchSizes[] = {1000, 10000, 50000};

// Where the trees are built, below HKEY_CURRENT_USER.
const char kBenchParent[] = "Software\\WordOpenFixBench";
const char kBenchSource[] = "Software\\WordOpenFixBench\\Source";
const wchar_t kBenchSourceW[] = L"Software\\WordOpenFixBench\\Source";
const wchar_t kBenchMovedNameW[] = L"Moved";
const char kBenchMoved[] = "Software\\WordOpenFixBench\\Moved";

inline std::string BenchKeyName(std::uint32_t index) { return "Key" + std::to_string((index - 1) % kFanOut); }

inline std::vector<SnapshotValue> BenchValues(std::uint32_t index) {
    SnapshotValue count{"Count", kRegDword, {}};
    for (int shift = 0; shift < 32; shift += 8) count.data.push_back(static_cast<std::uint8_t>(index >> shift));
    SnapshotValue data{"Data", kRegBinary, {}};
    for (std::uint32_t i = 0; i < kBinaryBytes; ++i) data.data.push_back(static_cast<std::uint8_t>(index * 7 + i));
    return {SzValue("Name", "Generated key number " + std::to_string(index)), count, data};
}

inline KeySnapshot BenchTree(std::uint32_t keys, std::uint32_t index = 0) {
    KeySnapshot key;
    if (index != 0) key.name = BenchKeyName(index);
    key.values = BenchValues(index);
    for (std::uint32_t child = kFanOut * index + 1; child <= kFanOut * index + kFanOut && child < keys; ++child)
        key.subkeys.push_back(BenchTree(keys, child));
    return key;
}

}  // namespace wof
