#include "monitor/telemetry_record.h"

#include <cstdio>

#include "monitor/truncation.h"

namespace {

// "%f" of a coordinate, cut to the field with its terminator; a real
// coordinate needs at most 11 characters of the 19.
void printCoordinate(char (&field)[kOutgoingTextSize], double degrees) {
    std::snprintf(field, sizeof field, "%f", degrees);
}

}  // namespace

void fillTelemetryRecord(outgoingMessage& record, const AircraftSample& sample, FlightPhase phase,
                         bool spoilersDeployed) {
    printCoordinate(record.latitudeText, sample.latitude);
    printCoordinate(record.longitudeText, sample.longitude);

    record.trueAirspeedKnots = truncateToInt32(sample.trueAirspeed);
    record.groundSpeedKnots = truncateToInt32(sample.groundSpeed);
    record.headingDegrees = truncateToInt32(sample.headingTrue);
    record.altitudeFeet = truncateToInt32(sample.altitude);
    // Scaled in double precision first: Mach 0.7999 gives 799, not 800.
    record.machMilli = truncateToInt32(sample.mach * 1000.0);
    record.windDirectionDegrees = truncateToInt32(sample.windDirection);
    record.windSpeedKnots = truncateToInt32(sample.windVelocity);
    record.verticalSpeedFps = truncateToInt32(sample.verticalSpeed);
    record.fuelPounds = truncateToInt32(sample.fuelWeight);
    record.indicatedAirspeedKnots = truncateToInt32(sample.indicatedAirspeed);

    record.phase = static_cast<std::uint8_t>(phase);
    record.temperatureCelsius = truncateToInt32(sample.ambientTemperature);
    record.spoilerState = spoilersDeployed ? 1 : 0;
}
