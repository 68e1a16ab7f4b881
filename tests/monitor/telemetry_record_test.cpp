#include "monitor/telemetry_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

AircraftSample cruisingSample() {
    AircraftSample sample{};
    sample.altitude = 34999.9;
    sample.latitude = -33.9461;
    sample.longitude = 151.1772;
    sample.oilTemperature = 88.0;
    sample.oilPressure = 60.0;
    sample.groundSpeed = 480.6;
    sample.headingTrue = 271.9;
    sample.trueAirspeed = 470.99;
    sample.mach = 0.7999;
    sample.windVelocity = 40.5;
    sample.windDirection = 350.7;
    sample.fuelWeight = 12345.67;
    sample.verticalSpeed = -12.9;
    sample.indicatedAirspeed = 280.4;
    sample.ambientTemperature = -56.8;
    return sample;
}

TEST(MonitorTelemetryRecord, FillsEveryFieldByTruncation) {
    outgoingMessage record{};
    fillTelemetryRecord(record, cruisingSample(), FlightPhase::Climb, true);

    EXPECT_STREQ(record.latitudeText, "-33.946100");
    EXPECT_STREQ(record.longitudeText, "151.177200");
    EXPECT_EQ(record.altitudeFeet, 34999);
    EXPECT_EQ(record.headingDegrees, 271);
    EXPECT_EQ(record.trueAirspeedKnots, 470);
    EXPECT_EQ(record.groundSpeedKnots, 480);
    EXPECT_EQ(record.windSpeedKnots, 40);
    EXPECT_EQ(record.windDirectionDegrees, 350);
    EXPECT_EQ(record.machMilli, 799);
    EXPECT_EQ(record.verticalSpeedFps, -12);
    EXPECT_EQ(record.fuelPounds, 12345);
    EXPECT_EQ(record.indicatedAirspeedKnots, 280);
    EXPECT_EQ(record.temperatureCelsius, -56);
    EXPECT_EQ(record.aheadWindDirection, 0);
    EXPECT_EQ(record.aheadWindSpeed, 0);
    EXPECT_EQ(record.phase, 1);
    EXPECT_EQ(record.spoilerState, 1);
    EXPECT_EQ(record.reserved[0], 0);
    EXPECT_EQ(record.reserved[1], 0);
}

TEST(MonitorTelemetryRecord, MachIsScaledInDoublePrecisionBeforeTruncation) {
    AircraftSample sample = cruisingSample();
    outgoingMessage record{};
    // In single precision the product would round up to 820.
    sample.mach = 0.81999999999;
    fillTelemetryRecord(record, sample, FlightPhase::Cruise, false);
    EXPECT_EQ(record.machMilli, 819);
    EXPECT_EQ(record.phase, 2);
    EXPECT_EQ(record.spoilerState, 0);
}

TEST(MonitorTelemetryRecord, TextsStayInsideTheirFields) {
    AircraftSample sample = cruisingSample();
    sample.latitude = 1e300;
    sample.longitude = -1e300;
    outgoingMessage record{};
    fillTelemetryRecord(record, sample, FlightPhase::None, false);
    EXPECT_EQ(std::strlen(record.latitudeText), kOutgoingTextSize - 1);
    EXPECT_EQ(std::strlen(record.longitudeText), kOutgoingTextSize - 1);
    EXPECT_EQ(std::strncmp(record.longitudeText, "-100000000000000005", 19), 0);
    // The altitude behind the latitude text is untouched by the long text.
    EXPECT_EQ(record.altitudeFeet, 34999);
}

TEST(MonitorTelemetryRecord, ValuesBeyondTheIntegersAreHeldAtTheirEnds) {
    AircraftSample sample = cruisingSample();
    sample.altitude = 1e12;
    sample.verticalSpeed = -1e12;
    sample.fuelWeight = std::numeric_limits<double>::quiet_NaN();
    sample.groundSpeed = std::numeric_limits<double>::infinity();
    outgoingMessage record{};
    fillTelemetryRecord(record, sample, FlightPhase::None, false);
    EXPECT_EQ(record.altitudeFeet, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(record.verticalSpeedFps, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(record.fuelPounds, 0);
    EXPECT_EQ(record.groundSpeedKnots, std::numeric_limits<std::int32_t>::max());
}

}  // namespace
