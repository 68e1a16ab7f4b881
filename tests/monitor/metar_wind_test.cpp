#include "monitor/metar_wind.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

void expectWind(const std::string& metar, std::int32_t direction, std::int32_t speed) {
    const AheadWind wind = readAheadWind(metar);
    EXPECT_EQ(wind.directionDegrees, direction) << metar;
    EXPECT_EQ(wind.speedKnots, speed) << metar;
}

TEST(MonitorMetarWind, ReadsDirectionAndSpeedOfTheThirdWord) {
    expectWind("KSEA 121853Z 27015KT 10SM FEW030 12/06 A3001", 270, 15);
    expectWind("KSEA 121853Z 27015G25KT 10SM", 270, 15);  // the gust is not read
    expectWind("KSEA 121853Z VRB03KT", 0, 3);
    expectWind("EGLL 121850Z 00000KT CAVOK", 0, 0);
    expectWind("EGLL 121850Z /////KT", 0, 0);
    expectWind("LFPG 121830Z 090105KT", 90, 105);
}

TEST(MonitorMetarWind, ReadsTheNumbersTheWayTheLibraryReadsThem) {
    expectWind("A B 27015.9KT", 270, 15);  // a decimal point, then truncation
    expectWind("A B 2701E2KT", 270, 100);  // an exponent continues the number
    expectWind("A B 2701EKT", 270, 1);     // a letter without digits does not
    expectWind("A B -10-5KT", -10, -5);    // signs are read, not refused
    expectWind("A B 27-KT", 27, 0);
}

TEST(MonitorMetarWind, WordsAreSeparatedByAnyWhiteSpace) {
    expectWind("  KSEA\t121853Z\n\r27015KT", 270, 15);
    expectWind("KSEA   121853Z   27015KT   ", 270, 15);
}

TEST(MonitorMetarWind, ShortReportsAndGroupsGiveNoWind) {
    expectWind("", 0, 0);
    expectWind("   ", 0, 0);
    expectWind("KSEA 121853Z", 0, 0);
    expectWind("KSEA 121853Z   ", 0, 0);
    expectWind("KSEA 121853Z 27", 0, 0);
    expectWind("KSEA 121853Z 270", 270, 0);  // three characters: a direction, no speed
}

TEST(MonitorMetarWind, ALongThirdWordIsCutToNineteenCharacters) {
    // 24 characters: the speed part is cut after "0000000000000001".
    expectWind("A B 270000000000000000123KT", 270, 1);
    // Exactly 19 characters are read whole.
    expectWind("A B 2700000000000000012", 270, 12);
}

TEST(MonitorMetarWind, NumbersBeyondTheRecordAreHeldAtItsEnds) {
    expectWind("A B 9999999999999999", 999, std::numeric_limits<std::int32_t>::max());
    expectWind("A B 270-1E99KT", 270, std::numeric_limits<std::int32_t>::min());
    expectWind("A B NANNANKT", 0, 0);
}

TEST(MonitorMetarWind, OnlyTheDecimalFormIsANumber) {
    expectWind("A B 0x10KT", 0, 0);       // no hexadecimal form: "0" then a letter
    expectWind("A B 2700x1FKT", 270, 0);  // nor in the speed
    expectWind("A B INF20KT", 0, 20);     // INF and NAN are words, not numbers
    expectWind("A B 270INFINITYKT", 270, 0);
    expectWind("A B .5.5KT", 0, 5);  // ".5." reads as 0.5, "5KT" as 5
    expectWind("A B 270+1e9999KT", 270, std::numeric_limits<std::int32_t>::max());
}

}  // namespace
