#include "monitor/metar_wind.h"

#include "monitor/decimal_number.h"
#include "monitor/truncation.h"

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The `index`-th (from 0) white-space separated word of `text`; empty when
// the text has fewer words.
std::string_view word(std::string_view text, int index) {
    std::size_t at = 0;
    for (int w = 0;; ++w) {
        while (at < text.size() && isSpace(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !isSpace(text[at])) {
            ++at;
        }
        if (start == at) {
            return {};
        }
        if (w == index) {
            return text.substr(start, at - start);
        }
    }
}

// A part of the wind group read as a decimal number: digits with an optional
// point and exponent, up to the first character that cannot continue the
// number, 0 when none starts it (a hexadecimal form, INF or NAN is no
// number here). A value too large for the record becomes the nearest end
// of the 32-bit range.
std::int32_t readWindNumber(std::string_view part) {
    return truncateToInt32(readDecimalNumber(part.substr(0, kWindGroupMaxCharacters)).value);
}

}  // namespace

AheadWind readAheadWind(std::string_view metar) {
    // Station, time, wind: the wind group is the third word.
    constexpr int kWindGroupWord = 2;
    std::string_view group = word(metar, kWindGroupWord);
    if (group.size() < kWindDirectionCharacters) {
        return AheadWind{0, 0};
    }
    group = group.substr(0, kWindGroupMaxCharacters);
    return AheadWind{readWindNumber(group.substr(0, kWindDirectionCharacters)),
                     readWindNumber(group.substr(kWindDirectionCharacters))};
}
