#include "monitor/speed_control.h"

#include <cmath>
#include <cstdlib>

#include "monitor/geodesy.h"

// The differences below are taken in 64 bits: for every value a record can
// really carry they equal the 32-bit results, and a wind group that read as
// an absurd number cannot overflow them.

bool overSpeed(const outgoingMessage& record, const SpeedWindow& window, ControlStatus status) {
    const bool overWindow = static_cast<float>(record.machMilli) > window.maxMachMilli ||
                            record.indicatedAirspeedKnots > window.maxIas;
    return overWindow && status.phase == FlightPhase::Cruise && !status.spoilersDeployed;
}

bool underSpeed(const outgoingMessage& record, const SpeedWindow& window, ControlStatus status) {
    const bool underWindow = static_cast<float>(record.machMilli) < window.minMachMilli ||
                             record.indicatedAirspeedKnots < window.minIas;
    return underWindow && status.phase == FlightPhase::Cruise && status.spoilersDeployed;
}

std::int32_t windAngleBetween(std::int32_t directionA, std::int32_t directionB) {
    constexpr std::int64_t kFullCircle = 360;
    std::int64_t angle = std::llabs(std::int64_t{directionA} - directionB) % kFullCircle;
    if (angle > kFullCircle / 2) {
        angle = kFullCircle - angle;
    }
    return static_cast<std::int32_t>(angle);
}

bool windChangesAhead(const outgoingMessage& record) {
    const std::int32_t angle =
        windAngleBetween(record.aheadWindDirection, record.windDirectionDegrees);
    const std::int64_t speedChange =
        std::llabs(std::int64_t{record.aheadWindSpeed} - record.windSpeedKnots);
    return angle > kWindDirectionChangeDegrees || speedChange > kWindSpeedChangeKnots;
}

double predictedMachMilli(const outgoingMessage& record) {
    constexpr double kMachScale = 1000.0;
    const std::int64_t relativeDirection =
        std::int64_t{record.headingDegrees} - record.aheadWindDirection;
    const double headWindKnots =
        record.aheadWindSpeed * std::cos(degreesToRadians(static_cast<double>(relativeDirection)));
    const double predictedSpeedKnots = record.trueAirspeedKnots + headWindKnots;
    const std::int64_t kelvin = std::int64_t{record.temperatureCelsius} + kCelsiusToKelvin;
    const double speedOfSoundKnots =
        kSpeedOfSoundKnotsPerRootKelvin * std::sqrt(static_cast<double>(kelvin));
    return predictedSpeedKnots / speedOfSoundKnots * kMachScale;
}

bool overSpeedAhead(const outgoingMessage& record, const SpeedWindow& window,
                    ControlStatus status) {
    if (!windChangesAhead(record)) {
        return false;
    }
    return predictedMachMilli(record) > static_cast<double>(window.maxMachMilli) &&
           !status.spoilersDeployed;
}

ControlEvents decideControlEvents(const outgoingMessage& record, const SpeedWindow& window,
                                  ControlStatus status, WindAhead windAhead) {
    ControlEvents decided;
    if (overSpeed(record, window, status)) {
        decided.add(ThrottleCut);
        decided.add(SpoilersToggle);
    }
    if (underSpeed(record, window, status)) {
        decided.add(ThrottleFull);
        decided.add(SpoilersToggle);
    }
    if (windAhead == WindAhead::Known && overSpeedAhead(record, window, status)) {
        decided.add(SpoilersToggle);
    }
    return decided;
}
