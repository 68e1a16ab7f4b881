#pragma once

#include "simlink/connection.h"

// Where the weather is asked for: the point 10 km ahead of the aircraft
// along its true heading, at its altitude. The weather request takes 32-bit
// floats, so the point is computed in double precision and narrowed last.
//
// Thread safety: pure; callable from any thread.

// Far enough ahead to be a minute or so of flight at cruise speed, near
// enough for the simulator's interpolated weather to still be local; km.
constexpr double kLookAheadDistanceKm = 10.0;
constexpr double kMetresPerFoot = 0.3048;

struct WeatherPoint {
    float latitude;        // degrees
    float longitude;       // degrees, not brought back into -180 to 180
    float altitudeMetres;  // the request wants metres; the sample has feet
};

WeatherPoint weatherPointAhead(const AircraftSample& sample);
