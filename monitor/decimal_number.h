#pragma once

#include <cstddef>
#include <cstdlib>
#include <string>
#include <string_view>

// Numbers read from text the program does not control (weather reports,
// route files, the command line, the simulator link) are read in their
// decimal form only: optional white space and sign, digits with an optional
// point, an optional exponent. The C library's general readers also take
// hexadecimal forms, INF and NAN, which no source of these numbers writes
// and which would turn a stray "0x" or "INF" into a plausible-looking value.
//
// Thread safety: pure; callable from any thread.

struct DecimalNumber {
    double value = 0.0;      // ±infinity beyond the range of a double
    std::size_t length = 0;  // characters taken, leading white space included; 0: no number
};

inline bool isDecimalSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// The decimal number at the start of `text`, as far as it goes: reading
// stops at the first character that cannot continue it (an exponent letter
// without digits after it is not taken). After the leading white space at
// most `width` characters are taken, as a scanf field width limits them.
inline DecimalNumber readDecimalNumber(std::string_view text,
                                       std::size_t width = std::string_view::npos) {
    std::size_t at = 0;
    while (at < text.size() && isDecimalSpace(text[at])) {
        ++at;
    }
    const std::size_t start = at;
    const std::size_t end = width < text.size() - at ? at + width : text.size();
    const auto digitsFrom = [&](std::size_t from) {
        while (from < end && isDecimalDigit(text[from])) {
            ++from;
        }
        return from;
    };
    if (at < end && (text[at] == '+' || text[at] == '-')) {
        ++at;
    }
    const std::size_t integerEnd = digitsFrom(at);
    std::size_t numberEnd = integerEnd;
    bool anyDigit = integerEnd > at;
    if (numberEnd < end && text[numberEnd] == '.') {
        const std::size_t fractionEnd = digitsFrom(numberEnd + 1);
        anyDigit = anyDigit || fractionEnd > numberEnd + 1;
        numberEnd = fractionEnd;
    }
    if (!anyDigit) {
        return {};
    }
    if (numberEnd < end && (text[numberEnd] == 'e' || text[numberEnd] == 'E')) {
        std::size_t exponent = numberEnd + 1;
        if (exponent < end && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const std::size_t exponentEnd = digitsFrom(exponent);
        if (exponentEnd > exponent) {
            numberEnd = exponentEnd;
        }
    }
    // Only decimal characters reach strtod, so it can take nothing else.
    const std::string decimal(text.substr(start, numberEnd - start));
    return DecimalNumber{std::strtod(decimal.c_str(), nullptr), numberEnd};
}
