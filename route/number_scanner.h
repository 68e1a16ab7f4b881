#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string_view>

#include "monitor/decimal_number.h"
#include "monitor/truncation.h"

// Reads a line of text piece by piece as a scanf format does ("%*d %c %f",
// "%10f %11f", ...), with every number in its decimal form only and every
// value defined: an integer beyond 32 bits is held at the nearest end of the
// range, a float beyond its range is ±infinity. The steps are chained; as
// with scanf, the first piece that is not there stops the scan, and the
// targets of that step and of every later one keep their values.
//
// Thread safety: one object belongs to one thread.
class NumberScanner {
  public:
    explicit NumberScanner(std::string_view text) : rest_(text) {}

    // Whether every step so far found its piece.
    bool complete() const { return !stopped_; }

    // "%c": the next character, white space included.
    NumberScanner& character(char& value) {
        if (stopped_ || rest_.empty()) {
            stopped_ = true;
            return *this;
        }
        value = rest_.front();
        rest_.remove_prefix(1);
        return *this;
    }

    // "%*c".
    NumberScanner& skipCharacter() {
        char ignored = 0;
        return character(ignored);
    }

    // " %c": white space, then the next character.
    NumberScanner& letter(char& value) {
        skipSpace();
        return character(value);
    }

    // "%d": white space, an optional sign and decimal digits.
    NumberScanner& integer(int& value) {
        skipSpace();
        std::size_t at = 0;
        if (at < rest_.size() && (rest_[at] == '+' || rest_[at] == '-')) {
            ++at;
        }
        const std::size_t digits = at;
        long long magnitude = 0;
        for (; at < rest_.size() && isDecimalDigit(rest_[at]); ++at) {
            // Held just past the range: enough to know that it is beyond it.
            magnitude = std::min(magnitude * 10 + (rest_[at] - '0'), kBeyondInt);
        }
        if (stopped_ || at == digits) {
            stopped_ = true;
            return *this;
        }
        const long long signedValue = rest_.front() == '-' ? -magnitude : magnitude;
        value = static_cast<int>(std::clamp<long long>(signedValue, INT_MIN, INT_MAX));
        rest_.remove_prefix(at);
        return *this;
    }

    // "%*d".
    NumberScanner& skipInteger() {
        int ignored = 0;
        return integer(ignored);
    }

    // "%f", or "%<width>f" with a width: white space, then a decimal number
    // of at most `width` characters.
    NumberScanner& decimal(float& value, std::size_t width = std::string_view::npos) {
        const DecimalNumber number = readDecimalNumber(rest_, width);
        if (stopped_ || number.length == 0) {
            stopped_ = true;
            return *this;
        }
        value = toFloat(number.value);
        rest_.remove_prefix(number.length);
        return *this;
    }

  private:
    static constexpr long long kBeyondInt = static_cast<long long>(INT_MAX) + 2;

    void skipSpace() {
        while (!stopped_ && !rest_.empty() && isDecimalSpace(rest_.front())) {
            rest_.remove_prefix(1);
        }
    }

    std::string_view rest_;
    bool stopped_ = false;
};
