#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "route/route_readers.h"
#include "route/waypoint_table.h"
#include "tests/route/route_test_support.h"

namespace {

TEST(RouteTable, DmsToDecimalAddsTheParts) {
    EXPECT_DOUBLE_EQ(dmsToDecimal(47, 30, 0), 47.5);
    EXPECT_DOUBLE_EQ(dmsToDecimal(12, 0, 0), 12.0);
    EXPECT_NEAR(dmsToDecimal(0, 0, 36), 0.01, 1e-15);
    EXPECT_DOUBLE_EQ(dmsToDecimal(10, 90, 0), 11.5);  // minutes are not normalised
}

class RouteTableConcurrency : public route_test::RouteTest {};

// The relay lists the route while the simulator's flight plan reader
// replaces it: every copy must be one whole route, the 50-waypoint plan or
// the 30-waypoint one, never a mix. Under ThreadSanitizer this also proves
// the reader and the copy do not race.
TEST_F(RouteTableConcurrency, ListingAlwaysSeesOneWholeRoute) {
    auto writePlan = [&](const std::string& name, int count, const std::string& prefix) {
        std::string text = "<SimBase.Document><FlightPlan.FlightPlan>";
        for (int i = 0; i < count; ++i) {
            text += "<ATCWaypoint id=\"" + prefix + std::to_string(i) + "\"><WorldPosition>N" +
                    std::to_string(i + 1) + "\xC2\xB0 0' 0.00\",E1\xC2\xB0 0' 0.00\",+0" +
                    "</WorldPosition></ATCWaypoint>";
        }
        text += "</FlightPlan.FlightPlan></SimBase.Document>";
        return temporaryFile(name, text);
    };
    const std::string longPlan = writePlan("long.pln", 50, "L");
    const std::string shortPlan = writePlan("short.pln", 30, "S");

    std::atomic<bool> done{false};
    std::atomic<int> mixedCopies{0};
    std::atomic<int> copies{0};
    std::thread relay([&] {
        while (!done.load()) {
            const WaypointTable table = copyWaypointTable();
            const char prefix = table[0].id[0];
            const int expectedCount = prefix == 'L' ? 50 : prefix == 'S' ? 30 : 0;
            for (int i = 0; i < static_cast<int>(kWaypointTableEntries); ++i) {
                const bool inRoute = i < expectedCount;
                if (inRoute ? (table[i].id[0] != prefix || table[i].lat != i + 1.0)
                            : !route_test::isEmptyEntry(table[i])) {
                    ++mixedCopies;
                    break;
                }
            }
            ++copies;
        }
    });
    // Go on replacing until the listing has taken enough copies to overlap
    // many replacements, however the threads are scheduled.
    for (int round = 0; round < 40 || (copies.load() < 200 && round < 100000); ++round) {
        readSimFlightPlan(longPlan.c_str());
        readSimFlightPlan(shortPlan.c_str());
    }
    done = true;
    relay.join();
    EXPECT_EQ(mixedCopies.load(), 0) << "of " << copies.load() << " copies";
    EXPECT_GT(copies.load(), 0);
}

}  // namespace
