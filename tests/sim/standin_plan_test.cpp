#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "route/route_readers.h"
#include "route/waypoint_table.h"
#include "sim/standin/flight_plan.h"
#include "sim/standin/route_path.h"
#include "tests/support/paths.h"

using namespace standin;

TEST(StandinPlan, ReadsWorldPositions) {
    const auto seattle =
        parseWorldPosition("N47\xC2\xB0 30' 0.00\",W122\xC2\xB0 30' 36.00\",+000433.00");
    ASSERT_TRUE(seattle);
    EXPECT_NEAR(seattle->position.latitude, 47.5, 1e-12);
    EXPECT_NEAR(seattle->position.longitude, -122.51, 1e-12);
    EXPECT_DOUBLE_EQ(seattle->altitudeFeet, 433.0);

    const auto south =
        parseWorldPosition("S33\xC2\xB0 56' 46.32\",E151\xC2\xB0 10' 37.44\",-000010.50");
    ASSERT_TRUE(south);
    EXPECT_NEAR(south->position.latitude, -(33 + 56 / 60.0 + 46.32 / 3600), 1e-12);
    EXPECT_NEAR(south->position.longitude, 151 + 10 / 60.0 + 37.44 / 3600, 1e-12);
    EXPECT_DOUBLE_EQ(south->altitudeFeet, -10.5);

    // A Latin-1 degree sign and a missing altitude are accepted.
    const auto latin1 = parseWorldPosition("N1\xB0 0' 0.00\",E2\xB0 0' 0.00\"");
    ASSERT_TRUE(latin1);
    EXPECT_DOUBLE_EQ(latin1->position.longitude, 2.0);
    EXPECT_DOUBLE_EQ(latin1->altitudeFeet, 0.0);
}

TEST(StandinPlan, RefusesPositionsItCannotRead) {
    for (const char* text : {
             "",
             "N47 30' 0.00\",W122\xC2\xB0 30' 36.00\"",            // no degree sign
             "N47\xC2\xB0 60' 0.00\",W122\xC2\xB0 30' 36.00\"",    // 60 minutes
             "N47\xC2\xB0 30' 0.00\",N122\xC2\xB0 30' 36.00\"",    // longitude letter N
             "X47\xC2\xB0 30' 0.00\",W122\xC2\xB0 30' 36.00\"",    // no hemisphere
             "N91\xC2\xB0 0' 0.00\",W122\xC2\xB0 30' 36.00\"",     // past the pole
             "N47\xC2\xB0 30' 0.00\",W122\xC2\xB0 30' 36.00\",x",  // altitude not a number
         }) {
        EXPECT_FALSE(parseWorldPosition(text)) << text;
    }
}

namespace {

std::string writePlan(const std::string& body) {
    const std::string path = testing_support::makeTemporaryDirectory() + "/plan.pln";
    std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        << "<SimBase.Document Type=\"AceXML\" version=\"1,0\">" << body
                        << "</SimBase.Document>\n";
    return path;
}

std::string waypoint(const char* id, const char* position) {
    return std::string("<ATCWaypoint id=\"") + id + "\"><WorldPosition>" + position +
           "</WorldPosition></ATCWaypoint>";
}

}  // namespace

TEST(StandinPlan, ReadsTheWaypointsOfTheFlightPlanOnly) {
    const std::string a = waypoint("AAA", "N10\xC2\xB0 0' 0.00\",E20\xC2\xB0 0' 0.00\",+000100.00");
    const std::string b = waypoint("BBB", "N11\xC2\xB0 0' 0.00\",E20\xC2\xB0 0' 0.00\",+000000.00");
    const std::string c = waypoint("CCC", "N12\xC2\xB0 0' 0.00\",E20\xC2\xB0 0' 0.00\",+000200.00");
    const FlightPlanReading reading = readFlightPlan(writePlan(
        "<Other>" + a + "</Other><FlightPlan.FlightPlan>" + b + c + "</FlightPlan.FlightPlan>"));
    ASSERT_EQ(reading.error, "");
    ASSERT_EQ(reading.waypoints.size(), 2u);
    EXPECT_EQ(reading.waypoints[0].id, "BBB");
    EXPECT_EQ(reading.waypoints[1].id, "CCC");
    EXPECT_DOUBLE_EQ(reading.waypoints[1].altitudeFeet, 200.0);
}

TEST(StandinPlan, RefusesPlansItCannotFly) {
    const std::string good = waypoint("AAA", "N10\xC2\xB0 0' 0.00\",E20\xC2\xB0 0' 0.00\",+0");
    const std::string bad = waypoint("BAD", "somewhere");

    EXPECT_NE(readFlightPlan("/nonexistent/plan.pln").error, "");
    const std::string folder = testing_support::makeTemporaryDirectory();
    EXPECT_EQ(readFlightPlan(folder).error,
              "cannot read " + folder + ": it is a folder, not a file");
    const FlightPlanReading single =
        readFlightPlan(writePlan("<FlightPlan.FlightPlan>" + good + "</FlightPlan.FlightPlan>"));
    EXPECT_NE(single.error.find("fewer than two"), std::string::npos);
    const FlightPlanReading unreadable = readFlightPlan(
        writePlan("<FlightPlan.FlightPlan>" + good + bad + good + "</FlightPlan.FlightPlan>"));
    EXPECT_NE(unreadable.error.find("BAD"), std::string::npos);
    EXPECT_TRUE(unreadable.waypoints.empty());
}

TEST(StandinDemoPlan, IsARealRouteOfAFewHundredKilometres) {
    const FlightPlanReading reading = readFlightPlan(CORVESSA_STANDIN_DEMO_PLAN);
    ASSERT_EQ(reading.error, "");
    EXPECT_GE(reading.waypoints.size(), 10u);
    EXPECT_LE(reading.waypoints.size(), 20u);
    EXPECT_EQ(reading.waypoints.front().id, "KSFO");
    EXPECT_EQ(reading.waypoints.back().id, "KLAX");
    const RoutePath route(reading.waypoints);
    EXPECT_GT(route.lengthKm(), 400.0);
    EXPECT_LT(route.lengthKm(), 900.0);
}

// The program reads the plan with its own reader, which scans the
// positions with a fixed pattern: both must find the same route.
TEST(StandinDemoPlan, TheProgramsReaderReadsTheSamePositions) {
    const FlightPlanReading reading = readFlightPlan(CORVESSA_STANDIN_DEMO_PLAN);
    ASSERT_EQ(reading.error, "");
    readSimFlightPlan(CORVESSA_STANDIN_DEMO_PLAN);
    const WaypointTable table = copyWaypointTable();
    for (std::size_t i = 0; i < reading.waypoints.size(); ++i) {
        EXPECT_STREQ(table[i].id, reading.waypoints[i].id.c_str());
        EXPECT_NEAR(table[i].lat, reading.waypoints[i].position.latitude, 1e-5) << i;
        EXPECT_NEAR(table[i].lon, reading.waypoints[i].position.longitude, 1e-5) << i;
    }
    EXPECT_EQ(table[reading.waypoints.size()].lat, 0.0);
}

TEST(StandinRoute, FollowsTheLegsAndGoesOnPastTheEnd) {
    std::vector<PlanWaypoint> points{
        {"A", {0.0, 0.0}, 0.0}, {"B", {0.0, 1.0}, 0.0}, {"C", {1.0, 1.0}, 0.0}};
    const RoutePath route(points);
    const double firstLeg = greatCircleDistanceKm(points[0].position, points[1].position);
    EXPECT_NEAR(route.lengthKm(),
                firstLeg + greatCircleDistanceKm(points[1].position, points[2].position), 1e-9);
    EXPECT_NEAR(route.courseAt(10.0), 90.0, 1e-3);
    EXPECT_NEAR(route.courseAt(firstLeg + 10.0), 0.0, 1e-3);
    EXPECT_NEAR(route.positionAt(firstLeg).longitude, 1.0, 1e-9);
    EXPECT_EQ(route.legAt(firstLeg + 1.0), 1u);
    // Before the start it stays at the first waypoint; past the end it
    // runs on along the final course (north).
    EXPECT_DOUBLE_EQ(route.positionAt(-5.0).longitude, 0.0);
    const LatLon rolled = route.positionAt(route.lengthKm() + 2.0);
    EXPECT_GT(rolled.latitude, 1.0);
    EXPECT_NEAR(rolled.longitude, 1.0, 1e-6);
}
