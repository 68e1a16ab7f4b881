#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>

#include "route/route_readers.h"
#include "route/waypoint_table.h"
#include "tests/route/route_test_support.h"
#include "tests/support/paths.h"

// Plans saved by other programs. Each must load without a crash or an access
// out of bounds (the sanitizer build proves the latter); the first and last
// waypoints of those in the degrees-minutes-seconds form are checked against
// positions worked out by hand from the files' texts.
namespace {

struct Position {
    const char* id;
    double lat;
    double lon;
};

struct SharedPlan {
    const char* file;
    std::size_t waypoints;
    Position first;
    Position last;
};

void PrintTo(const SharedPlan& plan, std::ostream* out) {
    *out << plan.file;
}

std::string sharedPlanPath(const char* file) {
    return testing_support::sharedFixturesDir() + "/plans/" + file;
}

void expectPosition(const Waypoint& entry, const Position& expected) {
    EXPECT_STREQ(entry.id, expected.id);
    EXPECT_NEAR(entry.lat, expected.lat, 1e-7);
    EXPECT_NEAR(entry.lon, expected.lon, 1e-7);
}

class RouteSharedPlans : public route_test::RouteTest,
                         public ::testing::WithParamInterface<SharedPlan> {};

TEST_P(RouteSharedPlans, PositionsMatchTheHandComputation) {
    SKIP_WITHOUT_SHARED_FIXTURES();
    const SharedPlan& plan = GetParam();
    readSimFlightPlan(sharedPlanPath(plan.file).c_str());
    const WaypointTable table = copyWaypointTable();

    expectPosition(table[0], plan.first);
    expectPosition(table[plan.waypoints - 1], plan.last);
    for (std::size_t i = 0; i < plan.waypoints; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_NE(table[i].id[0], '\0');
        EXPECT_GT(std::fabs(table[i].lat), 1.0);
        EXPECT_LE(std::fabs(table[i].lat), 90.0);
        EXPECT_LE(std::fabs(table[i].lon), 180.0);
    }
    for (std::size_t i = plan.waypoints; i < kWaypointTableEntries; ++i) {
        EXPECT_TRUE(route_test::isEmptyEntry(table[i])) << "entry " << i;
    }
}

// Each position's degrees + minutes / 60 + seconds / 3600, copied from the
// plan's text and worked out by hand.
INSTANTIATE_TEST_SUITE_P(
    RouteSharedPlansInDegrees, RouteSharedPlans,
    ::testing::Values(
        // N54° 54' 44.66",E8° 20' 29.46" .. N53° 38' 1.22",E9° 59' 6.80"
        SharedPlan{"MSFS EDXW EDDH.PLN",
                   10,
                   {"EDXW", 54.912405556, 8.341516667},
                   {"EDDH", 53.633672222, 9.985222222}},
        // N53° 38' 1.22",E9° 59' 6.80" .. N50° 1' 57.39",E8° 32' 26.37"
        SharedPlan{"MSFS EDDH EDDF.PLN",
                   25,
                   {"Hamburg", 53.633672222, 9.985222222},
                   {"Frankfurt/Main", 50.032608333, 8.540658333}},
        // N47° 26' 59.60",W122° 18' 42.40" .. N48° 38' 49.79",W123° 25' 32.67"
        SharedPlan{"Seattle to Victoria (Navigraph).pln",
                   6,
                   {"KSEA", 47.449888889, -122.311777778},
                   {"CYYJ", 48.647163889, -123.425741667}},
        // N27° 55' 55.00",W15° 23' 12.00" .. N16° 45' 25.55",W99° 45' 13.76"
        SharedPlan{"IFR Gran Canaria (GCLP) to General Juan N Alvarez Intl (MMAA).pln",
                   47,
                   {"GCLP", 27.931944444, -15.386666667},
                   {"MMAA", 16.757097222, -99.753822222}},
        // N47° 26' 59.60",W122° 18' 42.39" .. N26° 4' 18.00",W80° 8' 58.91"
        SharedPlan{"KSEA_KFLL_sid_star_trans.pln",
                   121,
                   {"KSEA", 47.449888889, -122.311775},
                   {"KFLL", 26.071666667, -80.149697222}}),
    [](const ::testing::TestParamInfo<SharedPlan>& info) {
        std::string name = info.param.first.id;
        name += "To";
        name += info.param.last.id;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

class RouteSharedOtherPlans : public route_test::RouteTest {};

// Decimal positions ("54.285833 , -130.444678,+116.0") do not fit the
// degree form: each waypoint is still taken, with its identifier.
TEST_F(RouteSharedOtherPlans, DecimalPositionsKeepEveryWaypoint) {
    SKIP_WITHOUT_SHARED_FIXTURES();
    readSimFlightPlan(sharedPlanPath("BPRL2.pln").c_str());
    const WaypointTable table = copyWaypointTable();
    EXPECT_STREQ(table[0].id, "CYPR");
    EXPECT_STREQ(table[27].id, "PAWG");
    EXPECT_TRUE(route_test::isEmptyEntry(table[28]));
}

// Waypoints without identifiers or positions leave entries that look empty.
TEST_F(RouteSharedOtherPlans, WaypointsWithoutPositionsLookEmpty) {
    SKIP_WITHOUT_SHARED_FIXTURES();
    publishWaypointTable(route_test::routeOf(10, "OLD"));
    readSimFlightPlan(sharedPlanPath("EDDF EDDM MSFS24.pln").c_str());
    const WaypointTable table = copyWaypointTable();
    for (const Waypoint& entry : table) {
        EXPECT_TRUE(route_test::isEmptyEntry(entry));
    }
}

}  // namespace
