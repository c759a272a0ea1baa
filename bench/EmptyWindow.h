// The title of the benchmark's own window, which startup_bench waits for.
#pragma once

namespace wof {

const wchar_t kEmptyWindowTitle[] = L"WordOpenFix benchmark: an empty window";

}  // namespace wof
