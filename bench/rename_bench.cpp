// Times RenameRegKey moving the benchmark trees in the real registry, beside
// shlwapi's SHCopyKeyA then SHDeleteKeyA moving identical trees, and reports
// the memory the process needed for the largest move.
//
//   rename_bench [RUNS...]   runs per size (default 5 3 3), medians printed
//
// Each run builds its tree anew and times only the move; the moved tree is
// then read back whole, so a time is only reported for work that was done
// right.
#include <windows.h>

#include <psapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchRow.h"
#include "bench/BenchTree.h"
#include "registry/RegistryRoutines.h"
#include "registry/Win32Registry.h"
#include "tests/support/RegistryTree.h"

namespace {

void Check(LONG status, const char* what) {
    if (status == ERROR_SUCCESS) return;
    std::fprintf(stderr, "rename_bench: %s (status %ld)\n", what, status);
    std::exit(1);
}

// The source must be gone and its whole tree at the destination.
void CheckMoved(std::uint32_t keys, const char* mover) {
    wof::Win32Registry registry;
    const bool sourceGone = !wof::ReadTree(registry, wof::kHkeyCurrentUser, wof::kBenchSource);
    if (!sourceGone || wof::ReadTree(registry, wof::kHkeyCurrentUser, wof::kBenchMoved) != wof::BenchTree(keys)) {
        std::fprintf(stderr, "rename_bench: %s did not move the %u-key tree whole%s\n", mover, keys,
                     sourceGone ? "" : ": the source is still there");
        std::exit(1);
    }
    Check(SHDeleteKeyA(HKEY_CURRENT_USER, wof::kBenchMoved), "SHDeleteKeyA of the moved tree");
}

double Now() {
    static const double ticksPerSecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    return static_cast<double>(ticks.QuadPart) / ticksPerSecond;
}

void BuildSource(std::uint32_t keys) {
    wof::Win32Registry registry;
    wof::WriteTree(registry, wof::kHkeyCurrentUser, wof::kBenchSource, wof::BenchTree(keys));
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

struct MemoryAround {
    PROCESS_MEMORY_COUNTERS before, after;
};

// Milliseconds the move took.
double MoveOurs(std::uint32_t keys, MemoryAround* memory = nullptr) {
    BuildSource(keys);
    wof::Win32Registry registry;
    wof::Win32AnsiCodec codec;
    wof::RegistryRoutines routines(registry, codec);
    if (memory) memory->before = Memory();
    const double start = Now();
    const wof::RegStatus status =
        routines.RenameRegKey(wof::kBenchSourceW, wof::kBenchMovedNameW, wof::kHkeyCurrentUser);
    const double end = Now();
    if (memory) memory->after = Memory();
    Check(status, "RenameRegKey");
    CheckMoved(keys, "RenameRegKey");
    return (end - start) * 1000;
}

double MoveTheirs(std::uint32_t keys) {
    BuildSource(keys);
    const double start = Now();
    HKEY moved;
    Check(RegCreateKeyExA(HKEY_CURRENT_USER, wof::kBenchMoved, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &moved, nullptr),
          "RegCreateKeyExA of the destination");
    Check(SHCopyKeyA(HKEY_CURRENT_USER, wof::kBenchSource, moved, 0), "SHCopyKeyA");
    RegCloseKey(moved);
    Check(SHDeleteKeyA(HKEY_CURRENT_USER, wof::kBenchSource), "SHDeleteKeyA");
    const double end = Now();
    CheckMoved(keys, "SHCopyKeyA + SHDeleteKeyA");
    return (end - start) * 1000;
}

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024 * 1024); }

void PrintMemory(const char* when, const PROCESS_MEMORY_COUNTERS& counters, std::uint32_t keys) {
    wof::PrintRow(std::string("peak working set MiB ") + when + " the move (whole process)", keys,
                  wof::Fixed(MiB(counters.PeakWorkingSetSize), 1));
    wof::PrintRow(std::string("peak pagefile usage MiB ") + when + " the move (whole process)", keys,
                  wof::Fixed(MiB(counters.PeakPagefileUsage), 1));
}

}  // namespace

int Run(int argc, char** argv) {
    std::vector<int> runs = {5, 3, 3};
    for (int arg = 1; arg < argc && arg <= static_cast<int>(runs.size()); ++arg)
        runs[arg - 1] = std::max(1, std::atoi(argv[arg]));

    // A tree left by an interrupted run would make every move fail.
    SHDeleteKeyA(HKEY_CURRENT_USER, wof::kBenchParent);
    std::array<double, std::size(wof::kBenchSizes)> ours{};
    for (std::size_t size = 0; size < std::size(wof::kBenchSizes); ++size) {
        const std::uint32_t keys = wof::kBenchSizes[size];
        const bool largest = size + 1 == std::size(wof::kBenchSizes);
        std::vector<double> oursTimes, theirsTimes;
        for (int run = 0; run < runs[size]; ++run) {
            // The first of our largest moves is the one whose memory is reported.
            if (largest && run == 0) {
                MemoryAround memory;
                oursTimes.push_back(MoveOurs(keys, &memory));
                PrintMemory("before", memory.before, keys);
                PrintMemory("after", memory.after, keys);
            } else {
                oursTimes.push_back(MoveOurs(keys));
            }
            theirsTimes.push_back(MoveTheirs(keys));
        }
        ours[size] = wof::Median(oursTimes);
        const double theirs = wof::Median(theirsTimes);
        const std::string median = " (median of " + std::to_string(runs[size]) + ")";
        wof::PrintRow("move ms RenameRegKey" + median, keys, wof::Fixed(ours[size], 1));
        wof::PrintRow("move ms SHCopyKeyA + SHDeleteKeyA" + median, keys, wof::Fixed(theirs, 1));
        wof::PrintRow("move time ours / theirs", keys, wof::Fixed(ours[size] / theirs, 3), "<= 1.00",
                      wof::PassOrMiss(ours[size] <= theirs));
    }
    wof::PrintGrowthRows("time", wof::kBenchSizes, ours);
    SHDeleteKeyA(HKEY_CURRENT_USER, wof::kBenchParent);
    return 0;
}

int main(int argc, char** argv) {
    // A tree that could not be built or read back whole ends the benchmark.
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rename_bench: %s\n", error.what());
        return 1;
    }
}
