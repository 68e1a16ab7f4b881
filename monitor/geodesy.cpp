#include "monitor/geodesy.h"

#include <cmath>

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;  // pi / 180
constexpr double kDegreesPerRadian = 57.29577951308232;     // 180 / pi

}  // namespace

double degreesToRadians(double angle) {
    return angle * kRadiansPerDegree;
}

double radiansToDegrees(double angle) {
    return angle * kDegreesPerRadian;
}

GeoPoint destinationPoint(double latitude, double longitude, double bearing, double distanceKm) {
    const double angularDistance = distanceKm / kEarthRadiusKm;
    const double sinDistance = std::sin(angularDistance);
    const double cosDistance = std::cos(angularDistance);

    const double startLatitude = degreesToRadians(latitude);
    const double startLongitude = degreesToRadians(longitude);
    const double cosStartLatitude = std::cos(startLatitude);
    const double sinStartLatitude = std::sin(startLatitude);

    const double endLatitude = std::asin(sinStartLatitude * cosDistance +
                                         cosStartLatitude * sinDistance * std::cos(bearing));
    const double sinEndLatitude = std::sin(endLatitude);
    const double endLongitude = std::atan2(std::sin(bearing) * sinDistance * cosStartLatitude,
                                           cosDistance - sinEndLatitude * sinStartLatitude) +
                                startLongitude;

    return GeoPoint{radiansToDegrees(endLatitude), radiansToDegrees(endLongitude)};
}
