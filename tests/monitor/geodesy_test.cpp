#include "monitor/geodesy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "monitor/weather_point.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;

TEST(MonitorGeodesy, TenKilometresAlongTheAxes) {
    const GeoPoint north = destinationPoint(0.0, 0.0, 0.0, 10.0);
    EXPECT_DOUBLE_EQ(north.latitude, 0.08993201943346867);
    EXPECT_DOUBLE_EQ(north.longitude, 0.0);

    const GeoPoint east = destinationPoint(0.0, 0.0, kHalfPi, 10.0);
    EXPECT_NEAR(east.latitude, 0.0, 1e-17);
    EXPECT_DOUBLE_EQ(east.longitude, 0.08993201943346867);
}

TEST(MonitorGeodesy, LongitudeIsNotWrappedAcrossTheAntimeridian) {
    const GeoPoint across = destinationPoint(0.0, 179.99, kHalfPi, 10.0);
    EXPECT_DOUBLE_EQ(across.longitude, 180.07993201943347);

    const GeoPoint west = destinationPoint(0.0, -179.99, -kHalfPi, 10.0);
    EXPECT_DOUBLE_EQ(west.longitude, -180.07993201943347);
}

TEST(MonitorGeodesy, OverThePoleComesDownTheOtherMeridian) {
    const GeoPoint point = destinationPoint(89.95, 0.0, 0.0, 10.0);
    EXPECT_NEAR(point.latitude, 89.960067980566, 1e-9);
    EXPECT_DOUBLE_EQ(point.longitude, 180.0);
}

TEST(MonitorGeodesy, ZeroDistanceStaysAtTheStart) {
    const GeoPoint point = destinationPoint(-33.9461, 151.1772, 1.0, 0.0);
    EXPECT_DOUBLE_EQ(point.latitude, -33.9461);
    EXPECT_DOUBLE_EQ(point.longitude, 151.1772);
}

TEST(MonitorGeodesy, AngleConversionsRoundTrip) {
    EXPECT_DOUBLE_EQ(degreesToRadians(180.0), 3.141592653589793);
    EXPECT_DOUBLE_EQ(radiansToDegrees(kHalfPi), 90.0);
    EXPECT_DOUBLE_EQ(radiansToDegrees(degreesToRadians(271.5)), 271.5);
}

TEST(MonitorWeatherPoint, TenKilometresAlongTheTrueHeadingInMetres) {
    AircraftSample sample{};
    sample.headingTrue = 90.0;  // degrees: the helper must convert to radians
    sample.altitude = 35000.0;
    const WeatherPoint point = weatherPointAhead(sample);
    EXPECT_NEAR(point.latitude, 0.0f, 1e-12f);
    EXPECT_FLOAT_EQ(point.longitude, 0.08993201943346867f);
    EXPECT_FLOAT_EQ(point.altitudeMetres, 10668.0f);

    sample.latitude = 0.0;
    sample.longitude = 179.99;
    EXPECT_FLOAT_EQ(weatherPointAhead(sample).longitude, 180.07993201943347f);
}

TEST(MonitorWeatherPoint, ValuesBeyondAFloatBecomeInfinite) {
    AircraftSample sample{};
    sample.longitude = 1e300;
    sample.altitude = -1e300;
    const WeatherPoint point = weatherPointAhead(sample);
    EXPECT_EQ(point.longitude, std::numeric_limits<float>::infinity());
    EXPECT_EQ(point.altitudeMetres, -std::numeric_limits<float>::infinity());
}

}  // namespace
