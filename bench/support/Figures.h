// Small helpers the benchmarks share for their figures.
#pragma once
#include <algorithm>
#include <chrono>
#include <vector>

namespace vendra::bench {

using Clock = std::chrono::steady_clock;

inline double Us(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}
inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The share of a line's byte rate that `bytes` moved in `seconds` use: 10 bits a byte.
inline double LineUse(double bytes, double seconds, double baud) {
    return seconds > 0 ? bytes / seconds / (baud / 10.0) : 0;
}

}  // namespace vendra::bench
