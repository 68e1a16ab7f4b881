#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The wind group of a weather report (METAR), e.g. "27015KT" in
// "KSEA 121853Z 27015KT 10SM ...": the third word, after the station and
// the time.
//
// Thread safety: pure; callable from any thread.

// The longest wind group taken; a longer third word is cut to this length.
constexpr std::size_t kWindGroupMaxCharacters = 19;
// The direction is the first three characters of the group.
constexpr std::size_t kWindDirectionCharacters = 3;

struct AheadWind {
    std::int32_t directionDegrees;
    std::int32_t speedKnots;
};

// The direction is the group's first three characters read as a decimal
// number, the speed the rest of it read the same way, each truncated toward
// zero: 27015KT gives 270 and 15, 27015G25KT 270 and 15 (the gust is not
// read), VRB03KT 0 and 3. A report with fewer than three words, or whose
// third word is shorter than three characters, gives 0 and 0.
AheadWind readAheadWind(std::string_view metar);
