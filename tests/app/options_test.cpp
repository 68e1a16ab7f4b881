#include "app/options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/shared_flight_state.h"

namespace {

class OptionsTest : public ::testing::Test {
  protected:
    void SetUp() override { resetSharedFlightState(); }

    // A writable narrowed command line, as the program holds it.
    char* line(const std::string& text) {
        narrowCommandLine(text, buffer_);
        return buffer_;
    }

    CommandLineBuffer buffer_{};
};

// Runs `action` and returns what it printed on standard output.
template <typename Action>
std::string printedBy(Action action) {
    ::testing::internal::CaptureStdout();
    action();
    return ::testing::internal::GetCapturedStdout();
}

TEST_F(OptionsTest, NarrowingKeepsShortLinesWhole) {
    EXPECT_STREQ(line("C:\\corvessa.exe -altitude 30000"), "C:\\corvessa.exe -altitude 30000");
}

TEST_F(OptionsTest, NarrowingCutsLongLinesInsideTheBuffer) {
    const std::string longLine(600, 'x');
    EXPECT_EQ(std::strlen(line(longLine)), kCommandLineBytes - 1);

    // A two-byte character standing across the 511-byte boundary is left out
    // whole rather than cut in half.
    const std::string acrossBoundary = std::string(510, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(std::string(line(acrossBoundary)), std::string(510, 'a'));

    const std::string endingAtBoundary = std::string(509, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(std::string(line(endingAtBoundary)), std::string(509, 'a') + "\xC3\xA9");
}

TEST_F(OptionsTest, OptionsAreCaseSensitiveSubstringsAnywhere) {
    EXPECT_TRUE(optionPresent(line("/opt/x-helpers/corvessa"), "-help"));
    EXPECT_FALSE(optionPresent(line("corvessa -HELP"), "-help"));
    EXPECT_TRUE(optionPresent(line("corvessa --lognetworking"), "-lognetwork"));
}

TEST_F(OptionsTest, PortDefaultsAndReadsLikeAtoi) {
    EXPECT_EQ(relayPort(line("corvessa")), 1577);
    EXPECT_EQ(relayPort(line("corvessa -port 2000")), 2000);
    EXPECT_EQ(relayPort(line("corvessa -port2001")), 2001);
    EXPECT_EQ(relayPort(line("corvessa -port x")), 0);
    EXPECT_EQ(relayPort(line("corvessa -port -12abc")), -12);
    // First occurrence counts.
    EXPECT_EQ(relayPort(line("corvessa -port 3000 -port 4000")), 3000);
    // Beyond the 32-bit range the value is held at its end instead of wrapping.
    EXPECT_EQ(relayPort(line("corvessa -port 99999999999")), 2147483647);
    EXPECT_EQ(relayPort(line("corvessa -port -99999999999")), -2147483647 - 1);
}

TEST_F(OptionsTest, AltitudeDefaultsToCruiseAndReadsWordsAsZero) {
    EXPECT_EQ(cruiseAltitude(line("corvessa")), 35000);
    EXPECT_EQ(cruiseAltitude(line("corvessa -altitude 37000")), 37000);
    EXPECT_EQ(cruiseAltitude(line("corvessa -altitude high")), 0);
}

TEST_F(OptionsTest, PauseAtDistanceNeedsItsBlankAndPrintsTheValue) {
    EXPECT_EQ(printedBy([&] { takePauseOptions(line("corvessa -pause 3000")); }),
              "\nPause at 3000");
    EXPECT_EQ(flightState.pauseAtDistanceEnabled, 1);
    EXPECT_EQ(flightState.pauseDistance, 3000);
    EXPECT_EQ(flightState.pauseNowRequested, 0);
}

TEST_F(OptionsTest, PauseAsTheLastWordIsNotTheOption) {
    EXPECT_EQ(printedBy([&] { takePauseOptions(line("corvessa -pause")); }), "");
    EXPECT_EQ(flightState.pauseAtDistanceEnabled, 0);
}

TEST_F(OptionsTest, PauseNowAloneDoesNotPauseAtDistance) {
    EXPECT_EQ(printedBy([&] { takePauseOptions(line("corvessa -pauseNow")); }), "");
    EXPECT_EQ(flightState.pauseNowRequested, 1);
    EXPECT_EQ(flightState.pauseAtDistanceEnabled, 0);
}

TEST_F(OptionsTest, PauseValueIsReadAfterAnEarlierPauseNow) {
    EXPECT_EQ(printedBy([&] { takePauseOptions(line("corvessa -pauseNow -pause 3000")); }),
              "\nPause at 0");
    EXPECT_EQ(flightState.pauseNowRequested, 1);
    EXPECT_EQ(flightState.pauseAtDistanceEnabled, 1);
    EXPECT_EQ(flightState.pauseDistance, 0);
}

TEST_F(OptionsTest, TypeLetterChoosesTheReader) {
    EXPECT_EQ(routeFileType(line("c -type P")), RouteFileType::P);
    EXPECT_EQ(routeFileType(line("c -type p")), RouteFileType::I);
    EXPECT_EQ(routeFileType(line("c -type I")), RouteFileType::I);
    EXPECT_EQ(routeFileType(line("c -type X")), RouteFileType::I);
    EXPECT_EQ(routeFileType(line("c -type  P")), RouteFileType::I);
    EXPECT_EQ(routeFileType(line("c -type ")), RouteFileType::I);
    EXPECT_EQ(routeFileType(line("c -typeP")), RouteFileType::Missing);
    EXPECT_EQ(routeFileType(line("c")), RouteFileType::Missing);
}

TEST_F(OptionsTest, RoutePathRunsToTheEndAfterItsBlanks) {
    EXPECT_STREQ(routePath(line("c -flightplan    route.rte -type P")), "route.rte -type P");
    EXPECT_STREQ(routePath(line("c -flightplan \"my route.rte\" -type P")),
                 "\"my route.rte\" -type P");
    // Only blanks are skipped, not tabs.
    EXPECT_STREQ(routePath(line("c -flightplan \tx")), "\tx");
}

TEST_F(OptionsTest, RoutePathWithoutItsBlankIsEmptyAndWritable) {
    char* commandLine = line("c -type P -flightplan");
    char* path = routePath(commandLine);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(path, commandLine + std::strlen(commandLine));
}

TEST_F(OptionsTest, SpoilerControlTakesTheFourLimits) {
    EXPECT_EQ(
        printedBy([&] { takeSpoilerControl(line("corvessa -spoilerControl 250 0.78 300 0.82")); }),
        "\n780.000000 250 820.000000 300\n");
    EXPECT_TRUE(flightState.spoilerControlEnabled);
    EXPECT_EQ(flightState.minIas, 250);
    EXPECT_EQ(flightState.maxIas, 300);
    EXPECT_EQ(flightState.minMachMilli, 780.0f);
    EXPECT_EQ(flightState.maxMachMilli, 820.0f);
}

TEST_F(OptionsTest, SpoilerControlMachIsTruncatedNotRounded) {
    printedBy([&] { takeSpoilerControl(line("c -spoilerControl 250 0.7999 300 0.8199")); });
    EXPECT_EQ(flightState.minMachMilli, 799.0f);
    EXPECT_EQ(flightState.maxMachMilli, 819.0f);
}

TEST_F(OptionsTest, SpoilerControlValuesNotReachedStayZero) {
    EXPECT_EQ(printedBy([&] { takeSpoilerControl(line("c -spoilerControl 250 fast")); }),
              "\n0.000000 250 0.000000 0\n");
    EXPECT_TRUE(flightState.spoilerControlEnabled);
    EXPECT_EQ(flightState.maxIas, 0);
}

TEST_F(OptionsTest, SpoilerControlReadsDecimalNumbersAndHoldsHugeOnesAtTheEnds) {
    printedBy([&] { takeSpoilerControl(line("c -spoilerControl 99999999999 0x1p-1 300 0.8")); });
    EXPECT_EQ(flightState.minIas, 2147483647);
    EXPECT_EQ(flightState.minMachMilli, 0.0f) << "0x1p-1 is read as 0, then stops the scan";
    EXPECT_EQ(flightState.maxIas, 0);
    printedBy([&] { takeSpoilerControl(line("c -spoilerControl -99999999999 inf 300 nan")); });
    EXPECT_EQ(flightState.minIas, -2147483647 - 1);
    EXPECT_EQ(flightState.minMachMilli, 0.0f);
}

TEST_F(OptionsTest, SpoilerControlNeedsItsBlank) {
    EXPECT_EQ(printedBy([&] { takeSpoilerControl(line("c -spoilerControl")); }), "");
    EXPECT_FALSE(flightState.spoilerControlEnabled);
}

}  // namespace
