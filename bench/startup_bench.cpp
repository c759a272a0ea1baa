// Times how long WordOpenFix.exe takes from its start to its window being
// shown, beside the benchmark's empty window program.
//
//   startup_bench RUNS WORDOPENFIX_EXE
//
// The two programs start in turn, each once untimed first so that neither
// pays alone for what the first start of any program loads. A start is
// timed from just before CreateProcess until the program's window is
// visible; the window is then sent WM_CLOSE and the program waited for.
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
    if (argc != 3) {
        std::fprintf(stderr, "usage: startup_bench RUNS WORDOPENFIX_EXE\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    const std::wstring product = argv[2];
    const std::wstring empty = Beside(L"empty_window.exe");
    TimeStart(product, wof::kForm1Caption);
    TimeStart(empty, wof::kEmptyWindowTitle);
    std::vector<double> productTimes, emptyTimes;
    for (int run = 0; run < runs; ++run) {
        productTimes.push_back(TimeStart(product, wof::kForm1Caption));
        emptyTimes.push_back(TimeStart(empty, wof::kEmptyWindowTitle));
    }
    const double productMs = wof::Median(productTimes), emptyMs = wof::Median(emptyTimes);
    const std::string median = " (median of " + std::to_string(runs) + ")";
    wof::PrintRow("start to window shown ms WordOpenFix.exe " + Bitness(product) + median, 0,
                  wof::Fixed(productMs, 1));
    wof::PrintRow("start to window shown ms empty window" + median, 0, wof::Fixed(emptyMs, 1));
    wof::PrintRow("start to window shown WordOpenFix / empty window", 0, wof::Fixed(productMs / emptyMs, 3), "<= 1.20",
                  wof::PassOrMiss(productMs <= 1.2 * emptyMs));
    return 0;
}
