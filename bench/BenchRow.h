// One row of the benchmark table, as CSV: figure,keys,value,goal,result.
// Every benchmark program prints its rows on standard output; ./dev bench
// gathers them into one table.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace wof {

inline void PrintRow(const std::string& figure, unsigned keys, const std::string& value, const std::string& goal = "",
                     const char* result = "") {
    std::printf("%s,%s,%s,%s,%s\n", figure.c_str(), keys ? std::to_string(keys).c_str() : "", value.c_str(),
                goal.c_str(), result);
    std::fflush(stdout);
}

inline std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

inline const char* PassOrMiss(bool met) { return met ? "pass" : "miss"; }

inline double Median(std::vector<double> figures) {
    std::sort(figures.begin(), figures.end());
    const std::size_t middle = figures.size() / 2;
    return figures.size() % 2 ? figures[middle] : (figures[middle - 1] + figures[middle]) / 2;
}

// One row for each size after the first: how the figure grew from the size
// before, against proportional growth, so that 1.00 is exactly proportional.
template <std::size_t kSizes>
void PrintGrowthRows(const std::string& figure, const std::uint32_t (&sizes)[kSizes],
                     const std::array<double, kSizes>& figures) {
    for (std::size_t size = 1; size < kSizes; ++size) {
        const std::uint32_t small = sizes[size - 1], large = sizes[size];
        const double growth = figures[size] / (figures[size - 1] * large / small);
        PrintRow(figure + " growth from " + std::to_string(small) + " keys (1.00 = proportional)", large,
                 Fixed(growth, 3), "<= 1.20", PassOrMiss(growth <= 1.2));
    }
}

}  // namespace wof
