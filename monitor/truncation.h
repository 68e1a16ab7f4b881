#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// The simulator's 64-bit values become the record's 32-bit integers by
// truncation toward zero, never by rounding: 34999.9 feet is 34999 and Mach
// 0.7999 is 799 thousandths. A value the integer cannot hold (a garbled
// sample, an absurd wind group) is held at the nearest end of the 32-bit
// range, and a value that is not a number becomes 0, instead of the undefined
// conversion the hardware would otherwise make of it.
inline std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483649.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// A double as a 32-bit float without the undefined conversion of a value
// beyond the float's range: such a value becomes ±infinity, as reading it
// as a float would have made it.
inline float toFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -kMax) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}
