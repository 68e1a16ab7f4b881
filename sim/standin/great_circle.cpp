#include "sim/standin/great_circle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace standin {

double degreesToRadians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

double radiansToDegrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

double normalizedDegrees(double degrees) {
    double result = std::fmod(degrees, 360.0);
    if (result < 0.0) {
        result += 360.0;
    }
    return result >= 360.0 ? 0.0 : result;
}

double greatCircleDistanceKm(LatLon from, LatLon to) {
    // Haversine: well conditioned for the short distances between waypoints.
    const double phi1 = degreesToRadians(from.latitude);
    const double phi2 = degreesToRadians(to.latitude);
    const double dPhi = phi2 - phi1;
    const double dLambda = degreesToRadians(to.longitude - from.longitude);
    const double h = std::sin(dPhi / 2) * std::sin(dPhi / 2) + std::cos(phi1) * std::cos(phi2) *
                                                                   std::sin(dLambda / 2) *
                                                                   std::sin(dLambda / 2);
    return 2.0 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

double initialCourseDegrees(LatLon from, LatLon to) {
    const double phi1 = degreesToRadians(from.latitude);
    const double phi2 = degreesToRadians(to.latitude);
    const double dLambda = degreesToRadians(to.longitude - from.longitude);
    const double y = std::sin(dLambda) * std::cos(phi2);
    const double x =
        std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
    return normalizedDegrees(radiansToDegrees(std::atan2(y, x)));
}

LatLon travel(LatLon from, double courseDegrees, double distanceKm) {
    const double delta = distanceKm / kEarthRadiusKm;
    const double theta = degreesToRadians(courseDegrees);
    const double phi1 = degreesToRadians(from.latitude);
    const double lambda1 = degreesToRadians(from.longitude);
    const double sinPhi2 =
        std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta);
    const double phi2 = std::asin(std::clamp(sinPhi2, -1.0, 1.0));
    const double lambda2 = lambda1 + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1),
                                                std::cos(delta) - std::sin(phi1) * sinPhi2);
    const double longitude = normalizedDegrees(radiansToDegrees(lambda2) + 180.0) - 180.0;
    return LatLon{radiansToDegrees(phi2), longitude};
}

}  // namespace standin
