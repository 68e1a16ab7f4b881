#include "monitor/weather_point.h"

#include "monitor/geodesy.h"
#include "monitor/truncation.h"

WeatherPoint weatherPointAhead(const AircraftSample& sample) {
    const GeoPoint ahead =
        destinationPoint(sample.latitude, sample.longitude, degreesToRadians(sample.headingTrue),
                         kLookAheadDistanceKm);
    const double altitudeMetres = sample.altitude * kMetresPerFoot;
    // A garbled sample may hold values beyond a float's range: they become
    // ±infinity rather than an undefined conversion.
    return WeatherPoint{toFloat(ahead.latitude), toFloat(ahead.longitude), toFloat(altitudeMetres)};
}
