#include "app/route_summary.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double kEarthRadiusKm = 6371.01;  // the same sphere the look-ahead uses
constexpr double kKilometresPerNauticalMile = 1.852;
constexpr int kSummaryLegs = 60;  // the legs (0, 1) to (59, 60)

double radians(double degrees) {
    return degrees * 0.017453292519943295;
}

bool isEmpty(const Waypoint& point) {
    return point.lat == 0.0;
}

}  // namespace

double legKilometres(const Waypoint& from, const Waypoint& to) {
    // A route shorter than the summary's span ends in empty entries; a leg to
    // one of them would be a leg to 0°N 0°E, which the route does not have.
    if (isEmpty(from) || isEmpty(to)) {
        return 0.0;
    }
    const double dLat = radians(to.lat - from.lat);
    const double dLon = radians(to.lon - from.lon);
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(radians(from.lat)) * std::cos(radians(to.lat)) * std::sin(dLon / 2) *
                         std::sin(dLon / 2);
    return 2.0 * kEarthRadiusKm * std::atan2(std::sqrt(a), std::sqrt(1.0 - a));
}

void printRouteSummary(const WaypointTable& route) {
    float total = 0.0f;
    for (int i = 0; i < kSummaryLegs; ++i) {
        total += static_cast<float>(legKilometres(route[i], route[i + 1]));
    }
    const double direct = legKilometres(route[0], route[kSummaryLegs]) / kKilometresPerNauticalMile;
    std::printf("distance %f\n", total);
    std::printf("distance %f", direct);
}
