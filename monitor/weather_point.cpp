#include "monitor/weather_point.h"

#include "monitor/geodesy.h"

WeatherPoint weatherPointAhead(const AircraftSample& sample) {
    const GeoPoint ahead =
        destinationPoint(sample.latitude, sample.longitude, degreesToRadians(sample.headingTrue),
                         kLookAheadDistanceKm);
    const double altitudeMetres = sample.altitude * kMetresPerFoot;
    return WeatherPoint{static_cast<float>(ahead.latitude), static_cast<float>(ahead.longitude),
                        static_cast<float>(altitudeMetres)};
}
