// One row of the benchmark table, as CSV: figure,keys,value,goal,result.
// Every benchmark program prints its rows on standard output; ./dev bench
// gathers them into one table.
#pragma once

#include <cstdio>
#include <string>

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

// How a figure grew from size `small` to size `large`, against proportional
// growth: 1.0 is exactly proportional.
inline double Growth(double smallFigure, unsigned small, double largeFigure, unsigned large) {
    return largeFigure / (smallFigure * large / small);
}

}  // namespace wof
