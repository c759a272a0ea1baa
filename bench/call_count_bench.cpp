// Counts the registry calls RenameRegKey makes to move the benchmark trees,
// function by function, against the fewest the move can be done with.
//
// The fewest, for K keys (the top one included) and V values: each key is
// opened and its copy created, each is deleted, and both handles closed
// (K, K, K, 2K); each key below the top is found by one enumeration of its
// parent, and every key's enumeration ends with one that finds nothing
// (2K - 1); each value is enumerated once and set once, and every key's
// value enumeration ends with one that finds nothing (V + K, V).
#include <array>
#include <cstdio>

#include "bench/BenchRow.h"
#include "bench/BenchTree.h"
#include "registry/RegistryRoutines.h"
#include "tests/support/Latin1Codec.h"
#include "tests/support/MemoryRegistry.h"

namespace {

using wof::RegFunction;

// The fewest calls of one function, its A and W forms together:
// perKey * K + perValue * V + extra.
struct Minimum {
    RegFunction function;
    const char* name;
    const char* formula;
    std::int64_t perKey, perValue, extra;
};

const Minimum kMinimums[] = {
    {RegFunction::kOpenKeyEx, "RegOpenKeyEx", "K", 1, 0, 0},
    {RegFunction::kCreateKeyEx, "RegCreateKeyEx", "K", 1, 0, 0},
    {RegFunction::kCreateKey, "RegCreateKey", "0", 0, 0, 0},
    {RegFunction::kQueryValueEx, "RegQueryValueEx", "0", 0, 0, 0},
    {RegFunction::kSetValueEx, "RegSetValueEx", "V", 0, 1, 0},
    {RegFunction::kEnumKeyEx, "RegEnumKeyEx", "2K-1", 2, 0, -1},
    {RegFunction::kEnumValue, "RegEnumValue", "V+K", 1, 1, 0},
    {RegFunction::kDeleteKey, "RegDeleteKey", "K", 1, 0, 0},
    {RegFunction::kDeleteValue, "RegDeleteValue", "0", 0, 0, 0},
    {RegFunction::kCloseKey, "RegCloseKey", "2K", 2, 0, 0},
    // The renamed key's own class: its length, then the class.
    {RegFunction::kQueryInfoKey, "RegQueryInfoKeyW", "2", 0, 0, 2},
};

std::string AtMost(const char* formula, std::uint64_t calls) {
    return std::string("<= ") + formula + " = " + std::to_string(calls);
}

}  // namespace

int main() {
    std::array<double, std::size(wof::kBenchSizes)> totals{};
    for (std::size_t size = 0; size < std::size(wof::kBenchSizes); ++size) {
        const std::uint32_t keys = wof::kBenchSizes[size];
        const std::int64_t values = std::int64_t{keys} * wof::kValuesPerKey;
        const wof::KeySnapshot tree = wof::BenchTree(keys);
        wof::MemoryRegistry registry;
        registry.Load(std::string("HKCU\\") + wof::kBenchSource, tree);
        registry.ResetCallCounts();
        wof::Latin1Codec codec;
        wof::RegistryRoutines routines(registry, codec);
        const wof::RegStatus status =
            routines.RenameRegKey(wof::kBenchSourceW, wof::kBenchMovedNameW, wof::kHkeyCurrentUser);
        // Counting is only worth it for a move that was done right.
        if (status != wof::kErrorSuccess || registry.Snapshot(std::string("HKCU\\") + wof::kBenchSource) ||
            registry.Snapshot(std::string("HKCU\\") + wof::kBenchMoved) != tree || registry.OpenHandleCount() != 0) {
            std::fprintf(stderr, "call_count_bench: the %u-key tree was not moved whole (status %d)\n", keys,
                         static_cast<int>(status));
            return 1;
        }

        std::uint64_t fewest = 0;
        std::uint64_t valueCalls = 0;
        for (const Minimum& minimum : kMinimums) {
            const std::uint64_t calls = registry.CallCount(minimum.function);
            const auto least =
                static_cast<std::uint64_t>(minimum.perKey * keys + minimum.perValue * values + minimum.extra);
            fewest += least;
            if (minimum.function == RegFunction::kEnumValue || minimum.function == RegFunction::kSetValueEx)
                valueCalls += calls;
            if (calls == 0 && least == 0) continue;
            wof::PrintRow(std::string("calls ") + minimum.name, keys, std::to_string(calls),
                          AtMost(minimum.formula, least), wof::PassOrMiss(calls <= least));
        }
        const std::uint64_t total = registry.TotalCalls();
        totals[size] = static_cast<double>(total);
        wof::PrintRow("calls in all", keys, std::to_string(total), AtMost("14K+1", fewest),
                      wof::PassOrMiss(total <= fewest));
        wof::PrintRow("calls per key (all calls / K)", keys, wof::Fixed(double(total) / keys, 2),
                      "<= " + wof::Fixed(double(fewest) / keys, 2), wof::PassOrMiss(total <= fewest));
        const std::uint64_t fewestValueCalls = 2 * values + keys;
        wof::PrintRow(
            "calls per value (RegEnumValue + RegSetValueEx) / V", keys, wof::Fixed(double(valueCalls) / values, 2),
            "<= " + wof::Fixed(double(fewestValueCalls) / values, 2), wof::PassOrMiss(valueCalls <= fewestValueCalls));
    }
    wof::PrintGrowthRows("call", wof::kBenchSizes, totals);
    return 0;
}
