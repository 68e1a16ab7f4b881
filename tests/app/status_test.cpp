// "-status": what its line says, and that it keeps coming until stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>

#include "app/status_reporter.h"
#include "tests/support/wait.h"

namespace {

TEST(AppStatusLine, ShowsTheFlightTheClientsAndTheLastEvent) {
    EXPECT_EQ(statusLine(StatusFigures{}, 0),
              "status: no aircraft sample yet; 0 clients registered; last event sent: none");

    StatusFigures figures;
    figures.recorded = true;
    figures.flight = {FlightPhase::Cruise, 35000, 280, 470, 455, 824};
    figures.lastEventSent = "THROTTLE_CUT";
    EXPECT_EQ(statusLine(figures, 1),
              "status: cruise, 35000 ft, IAS 280 kt, TAS 470 kt, GS 455 kt, M0.824; 1 client "
              "registered; last event sent: THROTTLE_CUT");
    figures.flight.phase = FlightPhase::None;  // a record before the first classification
    figures.flight.machMilli = 78;
    EXPECT_NE(statusLine(figures, 2).find("no phase yet, 35000 ft"), std::string::npos);
    EXPECT_NE(statusLine(figures, 2).find(", M0.078; 2 clients"), std::string::npos);
}

TEST(AppStatusLine, ComesAtOnceThenEveryPeriodAndEndsWithoutWaitingForIt) {
    std::atomic<int> lines{0};
    const auto count = [&lines](const std::string&) { ++lines; };
    {
        StatusReporter reporter([] { return std::string("line"); }, count,
                                std::chrono::milliseconds(10));
        EXPECT_GE(lines.load(), 1) << "the first line does not wait for the period";
        EXPECT_TRUE(testing_support::waitUntil([&lines] { return lines.load() >= 4; }, 5000));
    }
    const auto start = std::chrono::steady_clock::now();
    {
        StatusReporter slow([] { return std::string("line"); }, count, std::chrono::hours(1));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
