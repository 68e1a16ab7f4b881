#pragma once

#include <vector>

namespace bench {

// The spread of a set of latencies, in milliseconds.
struct LatencySummary {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
};

// Nearest-rank percentiles: p99 of 100 values is the 99th smallest, so a
// single slow value out of a hundred does not show as the p99. Zeros for
// no values.
LatencySummary summarize(std::vector<double> milliseconds);

}  // namespace bench
