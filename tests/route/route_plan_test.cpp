#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/shared_flight_state.h"
#include "route/route_readers.h"
#include "route/waypoint_table.h"
#include "tests/route/route_test_support.h"

namespace {

using route_test::dataPath;
using route_test::isEmptyEntry;

struct ExpectedWaypoint {
    const char* id;
    double lat;
    double lon;
};

void expectRoute(const WaypointTable& table, const std::vector<ExpectedWaypoint>& expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i) + " (" + expected[i].id + ")");
        EXPECT_STREQ(table[i].id, expected[i].id);
        EXPECT_NEAR(table[i].lat, expected[i].lat, 1e-7);
        EXPECT_NEAR(table[i].lon, expected[i].lon, 1e-7);
    }
    for (std::size_t i = expected.size(); i < kWaypointTableEntries; ++i) {
        EXPECT_TRUE(isEmptyEntry(table[i])) << "entry " << i << " should be empty";
    }
}

class RoutePlan : public route_test::RouteTest {};

TEST_F(RoutePlan, PositionsWithDegreeSignsAndTheirOddities) {
    readSimFlightPlan(dataPath("plan_degrees.pln").c_str());
    const WaypointTable table = copyWaypointTable();
    expectRoute(table, {
                           {"KSEA", 47.5, -122.51},
                           // Ends after the latitude minutes: the rest is zero, not KSEA's.
                           {"PARTIAL", 47.5, 0.0},
                           {"SYD", -(33 + 56 / 60.0 + 46 / 3600.0), 151 + 10 / 60.0 + 38 / 3600.0},
                           // Lower-case letters count as south and west.
                           {"lower", -12.0, -10.0},
                           {"EQUATOR", 0.0, 5.0},
                           {"MERIDIAN", 51 + 28 / 60.0 + 40 / 3600.0, 0.0},
                           // Only the first WorldPosition counts.
                           {"TWICE", 10.5, 20.25},
                           {"", 1.0, 2.0},
                           // An identifier too long for its field is cut to 19.
                           {"ABCDEFGHIJKLMNOPQRS", 3.0, 4.0},
                           {"NOPOS", 0.0, 0.0},
                           {"GARBAGE", 0.0, 0.0},
                           // Minutes of 60 or more are not normalised.
                           {"MINUTES", 11.5, -0.01},
                       });
    // South of 0 degrees is a negative zero, which the relay takes for empty.
    EXPECT_TRUE(std::signbit(table[4].lat));
    EXPECT_EQ(table[4].lat, 0.0);
}

TEST_F(RoutePlan, Utf16PlanReadsLikeUtf8) {
    readSimFlightPlan(dataPath("plan_utf16.pln").c_str());
    expectRoute(copyWaypointTable(),
                {
                    {"M\xC3\x9C"
                     "NCHEN",
                     48 + 21 / 60.0 + 14 / 3600.0, 11 + 47 / 60.0 + 10 / 3600.0},
                    {"KSEA", 47.5, -122.51},
                });
}

TEST_F(RoutePlan, PositionInCdataCounts) {
    readSimFlightPlan(dataPath("plan_cdata.pln").c_str());
    expectRoute(copyWaypointTable(), {{"CDATA", -12.25, -45.75}, {"PLAIN", 1.5, 2.5}});
}

TEST_F(RoutePlan, OnlyWaypointsDirectlyUnderTheFlightPlanCount) {
    readSimFlightPlan(dataPath("plan_outside_path.pln").c_str());
    expectRoute(copyWaypointTable(), {{"FIRST", 1.0, 1.0}, {"SECOND", 2.0, 2.0}});
}

TEST_F(RoutePlan, RouteFileOnTheCommandLineKeepsItsRoute) {
    const WaypointTable fromRouteFile = route_test::routeOf(5, "RTE");
    publishWaypointTable(fromRouteFile);
    flightState.flightPlanFromCommandLine = 1;
    readSimFlightPlan(dataPath("plan_degrees.pln").c_str());
    readSimFlightPlan((directory_ + "/missing.pln").c_str());
    const WaypointTable table = copyWaypointTable();
    EXPECT_EQ(std::memcmp(&table, &fromRouteFile, sizeof table), 0);
}

// Writes a plan of `count` waypoints named "<prefix><i>" at latitude i + 1.
std::string writePlan(const std::string& path, int count, const std::string& prefix) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SimBase.Document>\n"
        "<FlightPlan.FlightPlan>\n";
    for (int i = 0; i < count; ++i) {
        text += "<ATCWaypoint id=\"" + prefix + std::to_string(i) + "\"><WorldPosition>N" +
                std::to_string(i % 90 + 1) + "\xC2\xB0 0' 0.00\",E1\xC2\xB0 0' 0.00\",+0" +
                "</WorldPosition></ATCWaypoint>\n";
    }
    text += "</FlightPlan.FlightPlan>\n</SimBase.Document>\n";
    route_test::writeFile(path, text);
    return path;
}

TEST_F(RoutePlan, ShorterPlanLeavesNoTraceOfTheLongerOne) {
    readSimFlightPlan(writePlan(directory_ + "/long.pln", 50, "L").c_str());
    ASSERT_STREQ(copyWaypointTable()[49].id, "L49");
    readSimFlightPlan(writePlan(directory_ + "/short.pln", 30, "S").c_str());
    const WaypointTable table = copyWaypointTable();
    EXPECT_STREQ(table[29].id, "S29");
    const WaypointTable zero = route_test::emptyTable();
    EXPECT_EQ(std::memcmp(&table[30], &zero[30], sizeof(Waypoint) * 20), 0)
        << "entries 30 to 49 must be all zero bytes";
}

TEST_F(RoutePlan, PlanLongerThanTheTableKeepsItsFirst128) {
    readSimFlightPlan(writePlan(directory_ + "/long.pln", 140, "W").c_str());
    const WaypointTable table = copyWaypointTable();
    EXPECT_STREQ(table[0].id, "W0");
    EXPECT_STREQ(table[127].id, "W127");
    EXPECT_DOUBLE_EQ(table[127].lat, 128 % 90);
}

TEST_F(RoutePlan, UnreadableFileClearsTheRoute) {
    publishWaypointTable(route_test::routeOf(5, "OLD"));
    readSimFlightPlan((directory_ + "/missing.pln").c_str());
    expectRoute(copyWaypointTable(), {});

    publishWaypointTable(route_test::routeOf(5, "OLD"));
    route_test::writeFile(directory_ + "/broken.pln", "<SimBase.Document><FlightPlan.Fli");
    readSimFlightPlan((directory_ + "/broken.pln").c_str());
    expectRoute(copyWaypointTable(), {});
}

}  // namespace
