#include "app/route_summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

Waypoint point(double lat, double lon) {
    return Waypoint{"WPT", lat, lon};
}

std::string summaryOf(const WaypointTable& route) {
    ::testing::internal::CaptureStdout();
    printRouteSummary(route);
    return ::testing::internal::GetCapturedStdout();
}

TEST(AppRouteSummary, LegIsTheGreatCircleOnTheProgramsSphere) {
    // London Heathrow to New York JFK on a sphere of 6371.01 km.
    EXPECT_NEAR(legKilometres(point(51.47, -0.4543), point(40.6413, -73.7781)), 5540.0200, 1e-3);
    // One degree of a meridian is 6371.01 km x pi / 180.
    EXPECT_NEAR(legKilometres(point(47.5, 8.0), point(48.5, 8.0)), 111.195101177, 1e-6);
    EXPECT_EQ(legKilometres(point(47.5, 8.0), point(47.5, 8.0)), 0.0);
}

TEST(AppRouteSummary, LegsToEmptyEntriesCountNothing) {
    EXPECT_EQ(legKilometres(point(47.5, 8.0), Waypoint{}), 0.0);
    EXPECT_EQ(legKilometres(Waypoint{}, point(47.5, 8.0)), 0.0);
}

TEST(AppRouteSummary, SixtyLegsAlongAMeridian) {
    WaypointTable route{};
    for (int i = 0; i <= 60; ++i) {
        route[i] = point(1.0 + i, 10.0);
    }
    // A 62nd point lies beyond the summary's span and must not count.
    route[61] = point(80.0, 10.0);

    float expectedTotal = 0.0f;
    for (int i = 0; i < 60; ++i) {
        expectedTotal += static_cast<float>(legKilometres(route[i], route[i + 1]));
    }
    const double direct = 6371.01 * 60.0 * M_PI / 180.0 / 1.852;
    char expected[100];
    std::snprintf(expected, sizeof expected, "distance %f\ndistance %f", expectedTotal, direct);
    EXPECT_EQ(summaryOf(route), expected);
    EXPECT_NEAR(expectedTotal, 6671.706, 0.01);
}

TEST(AppRouteSummary, ShortRouteHasNoStraightDistance) {
    WaypointTable route{};
    route[0] = point(47.5, 8.0);
    route[1] = point(48.5, 8.0);
    route[2] = point(49.5, 8.0);
    EXPECT_EQ(summaryOf(route), "distance 222.390198\ndistance 0.000000");
}

TEST(AppRouteSummary, EmptyTablePrintsZeros) {
    EXPECT_EQ(summaryOf(WaypointTable{}), "distance 0.000000\ndistance 0.000000");
}

}  // namespace
