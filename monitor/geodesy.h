#pragma once

// Great-circle helpers on a spherical earth, used to find the point ahead of
// the aircraft at which the weather is asked for. All arithmetic is in 64-bit
// floating point.
//
// Thread safety: pure functions without state; callable from any thread.

// A position in degrees, north and east positive.
struct GeoPoint {
    double latitude;
    double longitude;
};

// The mean earth radius the look-ahead point is computed with, kilometres.
constexpr double kEarthRadiusKm = 6371.01;

double degreesToRadians(double angle);
double radiansToDegrees(double angle);

// The point reached from (latitude, longitude), in degrees, by travelling
// `distanceKm` along the great circle that leaves it on `bearing` (radians,
// clockwise from true north). The longitude is not brought back into -180 to
// 180: a point across the antimeridian comes out above 180 or below -180,
// which the simulator's weather request accepts as it stands.
GeoPoint destinationPoint(double latitude, double longitude, double bearing, double distanceKm);
