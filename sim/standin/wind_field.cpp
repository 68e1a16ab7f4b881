#include "sim/standin/wind_field.h"

#include <algorithm>
#include <cmath>

namespace standin {
namespace {

// Behind the front: from 150° right of the nose, 45 kt at the tropopause.
constexpr double kBehindRelativeDirectionDegrees = 150.0;
constexpr double kBehindSpeedAloftKnots = 45.0;
// Beyond it: straight on the nose, 85 kt aloft. Against an airliner at
// Mach 0.80 that head wind makes the predicted Mach 0.95, far above any
// sensible limit, so the program's wind rule deploys the spoilers.
constexpr double kBeyondRelativeDirectionDegrees = 0.0;
constexpr double kBeyondSpeedAloftKnots = 85.0;
// The wind near the ground is a quarter of that aloft and backed by 20°, and
// grows linearly up to 35000 ft (about the tropopause).
constexpr double kSurfaceSpeedFraction = 0.25;
constexpr double kSurfaceBackingDegrees = 20.0;
constexpr double kFullWindAltitudeFeet = 35000.0;
// Half the width of the front, km: the wind changes across about 20 km. The
// program looks 10 km ahead at each data block, and at a demo's speed-up a
// block comes every 5 to 20 km of flight; over a front this wide the wind
// 10 km ahead differs from the wind here (and would push the Mach number
// over the limit) for about 17 km of the way, so at least one block sees it
// wherever the blocks happen to fall.
constexpr double kFrontHalfWidthKm = 4.0;
// The slow turn of the wind with the distance from the front: 0.05° per km,
// half a degree over the 10 km look-ahead.
constexpr double kTurnDegreesPerKm = 0.05;

constexpr double kKmPerDegreeLatitude = 111.195;

struct WindVector {
    double towardsEastKnots;
    double towardsNorthKnots;
};

WindVector vectorOf(double fromDegrees, double speedKnots) {
    const double towards = degreesToRadians(fromDegrees + 180.0);
    return WindVector{speedKnots * std::sin(towards), speedKnots * std::cos(towards)};
}

Wind windOf(WindVector vector) {
    const double speed = std::hypot(vector.towardsEastKnots, vector.towardsNorthKnots);
    const double towards =
        radiansToDegrees(std::atan2(vector.towardsEastKnots, vector.towardsNorthKnots));
    return Wind{normalizedDegrees(towards + 180.0), speed};
}

}  // namespace

WindField::WindField(LatLon frontCentre, double routeCourseDegrees)
    : frontCentre_(frontCentre), routeCourseDegrees_(routeCourseDegrees) {}

double WindField::distanceBeyondFrontKm(LatLon where) const {
    // A local flat projection around the front's centre is exact enough over
    // the few hundred kilometres of a flight.
    const double northKm = (where.latitude - frontCentre_.latitude) * kKmPerDegreeLatitude;
    const double eastKm = (where.longitude - frontCentre_.longitude) * kKmPerDegreeLatitude *
                          std::cos(degreesToRadians(frontCentre_.latitude));
    const double course = degreesToRadians(routeCourseDegrees_);
    return northKm * std::cos(course) + eastKm * std::sin(course);
}

Wind WindField::at(LatLon where, double altitudeFeet) const {
    const double beyondKm = distanceBeyondFrontKm(where);
    const double height = std::clamp(altitudeFeet / kFullWindAltitudeFeet, 0.0, 1.0);
    const double speedFactor = kSurfaceSpeedFraction + (1.0 - kSurfaceSpeedFraction) * height;
    const double turn = kTurnDegreesPerKm * beyondKm - kSurfaceBackingDegrees * (1.0 - height);

    const WindVector behind = vectorOf(routeCourseDegrees_ + kBehindRelativeDirectionDegrees + turn,
                                       kBehindSpeedAloftKnots * speedFactor);
    const WindVector beyond = vectorOf(routeCourseDegrees_ + kBeyondRelativeDirectionDegrees + turn,
                                       kBeyondSpeedAloftKnots * speedFactor);
    const double share = 0.5 * (1.0 + std::tanh(beyondKm / kFrontHalfWidthKm));
    return windOf(WindVector{
        behind.towardsEastKnots + share * (beyond.towardsEastKnots - behind.towardsEastKnots),
        behind.towardsNorthKnots + share * (beyond.towardsNorthKnots - behind.towardsNorthKnots)});
}

}  // namespace standin
