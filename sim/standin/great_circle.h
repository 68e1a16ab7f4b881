#pragma once

// Positions and paths on a spherical earth: the stand-in flies great-circle
// legs between the waypoints of its plan.

namespace standin {

struct LatLon {
    double latitude;   // degrees, north positive
    double longitude;  // degrees, east positive
};

constexpr double kEarthRadiusKm = 6371.0;
constexpr double kKmPerNauticalMile = 1.852;

double degreesToRadians(double degrees);
double radiansToDegrees(double radians);
// An angle brought into [0, 360).
double normalizedDegrees(double degrees);

double greatCircleDistanceKm(LatLon from, LatLon to);
// The course at `from` towards `to`, degrees clockwise from true north, [0, 360).
double initialCourseDegrees(LatLon from, LatLon to);
// The point reached from `from` along the great circle of initial course
// `courseDegrees` after `distanceKm`; longitude brought into [-180, 180).
LatLon travel(LatLon from, double courseDegrees, double distanceKm);

}  // namespace standin
