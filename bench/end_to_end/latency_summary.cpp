#include "bench/end_to_end/latency_summary.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

double nearestRank(const std::vector<double>& sorted, double percent) {
    const auto rank =
        static_cast<std::size_t>(std::ceil(percent / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

LatencySummary summarize(std::vector<double> milliseconds) {
    if (milliseconds.empty()) {
        return {};
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    return {nearestRank(milliseconds, 50), nearestRank(milliseconds, 99), milliseconds.back()};
}

}  // namespace bench
