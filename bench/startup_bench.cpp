// Times WordOpenFix.exe from its start to its window shown, beside the
// empty window (empty_window.cpp), which no window of the product's kind can
// beat.
//
//   startup_bench PAIRS WORDOPENFIX_EXE
//
// After an untimed start of each, PAIRS pairs of starts, one of each program
// right after the other, taking turns at which goes first: a change in the
// machine's load meets both starts of a pair. A start is timed from just
// before CreateProcess until the window is visible; it is then sent
// WM_CLOSE and waited for. The verdict is the median of the pairs' ratios;
// beside it, the lowest and highest median of kBlocks blocks of pairs in a
// row, each a shorter run of this same benchmark: blocks on both sides of the
// goal show a verdict that noise could turn.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchRow.h"
#include "bench/EmptyWindow.h"
#include "ui/Form1.h"

namespace {

constexpr DWORD kPatienceMs = 30000;
constexpr int kBlocks = 5;
constexpr double kGoal = 1.2;

[[noreturn]] void Fail(const char* what, const std::wstring& program) {
    std::fprintf(stderr, "startup_bench: %s: %ls (error %lu)\n", what, program.c_str(), GetLastError());
    std::exit(1);
}

double Now() {
    LARGE_INTEGER frequency, ticks;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&ticks);
    return static_cast<double>(ticks.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from the start of program to its window being visible.
double TimeStart(const std::wstring& program, const wchar_t* title) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = Now();
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        Fail("cannot start", program);
    HWND window = nullptr;
    const DWORD startTicks = GetTickCount();
    // Sleep(1) rather than spinning leaves this machine's cores to the
    // program being started.
    while (!(window = FindWindowW(nullptr, title)) || !IsWindowVisible(window)) {
        if (GetTickCount() - startTicks > kPatienceMs) {
            TerminateProcess(process.hProcess, 1);
            Fail("no window within 30 s", program);
        }
        Sleep(1);
    }
    const double shown = Now();
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, kPatienceMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        Fail("did not close on WM_CLOSE", program);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (shown - start) * 1000;
}

// "32-bit" or "64-bit": what the program's own header says it is.
std::string Bitness(const std::wstring& program) {
    DWORD type;
    if (!GetBinaryTypeW(program.c_str(), &type)) Fail("cannot read the header", program);
    return type == SCS_64BIT_BINARY ? "64-bit" : "32-bit";
}

std::wstring Beside(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int pairs = argc == 3 ? _wtoi(argv[1]) : 0;
    if (pairs < kBlocks || pairs % kBlocks != 0) {
        std::fprintf(stderr, "usage: startup_bench PAIRS WORDOPENFIX_EXE (PAIRS a multiple of %d)\n", kBlocks);
        return 2;
    }
    const std::wstring product = argv[2];
    const std::wstring empty = Beside(L"empty_window.exe");
    TimeStart(product, wof::kForm1Caption);
    TimeStart(empty, wof::kEmptyWindowTitle);
    std::vector<double> productTimes, emptyTimes, ratios;
    for (int pair = 0; pair < pairs; ++pair) {
        const double emptyFirstMs = pair % 2 ? TimeStart(empty, wof::kEmptyWindowTitle) : 0;
        const double productMs = TimeStart(product, wof::kForm1Caption);
        const double emptyMs = pair % 2 ? emptyFirstMs : TimeStart(empty, wof::kEmptyWindowTitle);
        productTimes.push_back(productMs);
        emptyTimes.push_back(emptyMs);
        ratios.push_back(productMs / emptyMs);
    }
    std::vector<double> blockMedians;
    const int perBlock = pairs / kBlocks;
    for (auto block = ratios.begin(); block != ratios.end(); block += perBlock)
        blockMedians.push_back(wof::Median({block, block + perBlock}));
    const auto [lowest, highest] = std::minmax_element(blockMedians.begin(), blockMedians.end());
    const double ratio = wof::Median(ratios);

    const std::string median = " (median of " + std::to_string(pairs) + ")";
    wof::PrintRow("start to window shown ms WordOpenFix.exe " + Bitness(product) + median, 0,
                  wof::Fixed(wof::Median(productTimes), 1));
    wof::PrintRow("start to window shown ms empty window with the product's manifest" + median, 0,
                  wof::Fixed(wof::Median(emptyTimes), 1));
    wof::PrintRow("start to window shown WordOpenFix / empty window: median of " + std::to_string(pairs) +
                      " pairs (blocks of " + std::to_string(perBlock) + ": lowest to highest)",
                  0, wof::Fixed(ratio, 3) + " (" + wof::Fixed(*lowest, 3) + " to " + wof::Fixed(*highest, 3) + ")",
                  "<= " + wof::Fixed(kGoal, 2), wof::PassOrMiss(ratio <= kGoal));
    return 0;
}
