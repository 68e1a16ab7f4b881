#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sim/standin/atmosphere.h"
#include "sim/standin/great_circle.h"
#include "sim/standin/sim_variables.h"
#include "sim/standin/weather_report.h"
#include "sim/standin/wind_field.h"

using namespace standin;

TEST(StandinAtmosphere, StandardValuesAtSeaLevelTropopauseAndCruise) {
    const AtmosphereSample sea = standardAtmosphere(0.0);
    EXPECT_NEAR(sea.temperatureKelvin, 288.15, 1e-9);
    EXPECT_NEAR(sea.pressurePascal, 101325.0, 1e-6);
    EXPECT_NEAR(sea.speedOfSoundKnots, 661.5, 0.1);

    // 11 km: the tropopause, -56.5 °C and 226.3 hPa; no jump across it.
    const double tropopauseFeet = 11000.0 / 0.3048;
    EXPECT_NEAR(standardTemperatureCelsius(tropopauseFeet), -56.5, 1e-6);
    EXPECT_NEAR(standardAtmosphere(tropopauseFeet).pressurePascal, 22632.0, 1.0);
    EXPECT_NEAR(standardAtmosphere(tropopauseFeet - 1e-6).pressurePascal,
                standardAtmosphere(tropopauseFeet + 1e-6).pressurePascal, 0.01);

    // FL350 lies below it (-54.3 °C) and FL390 above it (-56.5 °C).
    EXPECT_NEAR(standardTemperatureCelsius(35000.0), -54.3, 0.05);
    EXPECT_NEAR(standardTemperatureCelsius(39000.0), -56.5, 1e-6);
    EXPECT_NEAR(standardAtmosphere(35000.0).pressurePascal, 23842.0, 5.0);
}

TEST(StandinAtmosphere, AirspeedsFollowFromIndicatedAirspeedAndMach) {
    // At sea level the indicated airspeed is the true airspeed.
    const double mach = machFromIndicatedAirspeed(250.0, 0.0);
    EXPECT_NEAR(trueAirspeedFromMach(mach, 0.0), 250.0, 1e-6);

    // An airliner's cruise: Mach 0.80 at FL350 is about 270 kt indicated and
    // 461 kt true.
    EXPECT_NEAR(indicatedAirspeedFromMach(0.80, 35000.0), 271.0, 2.0);
    EXPECT_NEAR(trueAirspeedFromMach(0.80, 35000.0), 461.0, 0.5);

    // The conversions invert each other at every height.
    for (double feet : {0.0, 10000.0, 25000.0, 35000.0, 41000.0}) {
        for (double knots : {140.0, 250.0, 290.0}) {
            const double m = machFromIndicatedAirspeed(knots, feet);
            EXPECT_NEAR(indicatedAirspeedFromMach(m, feet), knots, 1e-9) << feet << " ft";
        }
    }
    // The same indicated airspeed is a higher Mach number higher up.
    EXPECT_LT(machFromIndicatedAirspeed(290.0, 20000.0), machFromIndicatedAirspeed(290.0, 30000.0));
    EXPECT_EQ(machFromIndicatedAirspeed(-5.0, 0.0), 0.0);
}

TEST(StandinGreatCircle, DistancesCoursesAndTravelAgree) {
    const LatLon sfo{37.6189, -122.3750};
    const LatLon lax{33.9425, -118.4081};
    EXPECT_NEAR(greatCircleDistanceKm(sfo, lax), 543.0, 3.0);
    EXPECT_NEAR(initialCourseDegrees(sfo, lax), 137.0, 2.0);

    // Travelling the distance along the initial course arrives.
    const LatLon arrived =
        travel(sfo, initialCourseDegrees(sfo, lax), greatCircleDistanceKm(sfo, lax));
    EXPECT_NEAR(arrived.latitude, lax.latitude, 1e-9);
    EXPECT_NEAR(arrived.longitude, lax.longitude, 1e-9);

    // Due north along a meridian: 1° of latitude is 111.19 km; due west
    // across the antimeridian the longitude wraps into [-180, 180).
    EXPECT_NEAR(travel(LatLon{0, 0}, 0.0, 111.195).latitude, 1.0, 1e-4);
    const LatLon wrapped = travel(LatLon{0, -179.95}, 270.0, 11.1195);
    EXPECT_NEAR(wrapped.longitude, 179.95, 1e-4);
    EXPECT_NEAR(initialCourseDegrees(LatLon{0, 0}, LatLon{0, -1}), 270.0, 1e-9);
    EXPECT_DOUBLE_EQ(normalizedDegrees(-10.0), 350.0);
    EXPECT_DOUBLE_EQ(normalizedDegrees(720.0), 0.0);
}

namespace {

// The angle between two wind directions, 0 to 180.
double directionDifference(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

}  // namespace

TEST(StandinWind, ChangesSharplyOnlyAtTheFront) {
    // A front across a route flying south-east (course 135°).
    const LatLon centre{35.0, -120.0};
    const WindField field(centre, 135.0);

    const LatLon before = travel(centre, 135.0, -25.0);
    const LatLon after = travel(centre, 135.0, 25.0);
    const Wind behind = field.at(before, 35000.0);
    const Wind beyond = field.at(after, 35000.0);
    // Behind it a tail wind, beyond it a strong head wind.
    EXPECT_GT(directionDifference(behind.directionDegrees, 135.0), 120.0);
    EXPECT_LT(directionDifference(beyond.directionDegrees, 135.0), 5.0);
    EXPECT_NEAR(beyond.speedKnots, 85.0, 1.0);
    EXPECT_NEAR(behind.speedKnots, 45.0, 1.0);

    // Anywhere else, 10 km along the route changes the wind by only a
    // little: the program's wind rule (over 10° or 10 kt) must not fire.
    for (double km = -300.0; km <= 300.0; km += 5.0) {
        if (std::fabs(km) < 25.0 || std::fabs(km + 10.0) < 25.0) {
            continue;  // the front itself (about 20 km wide) and the 10 km before it
        }
        const Wind here = field.at(travel(centre, 135.0, km), 30000.0);
        const Wind ahead = field.at(travel(centre, 135.0, km + 10.0), 30000.0);
        EXPECT_LE(directionDifference(here.directionDegrees, ahead.directionDegrees), 3.0) << km;
        EXPECT_LE(std::fabs(here.speedKnots - ahead.speedKnots), 3.0) << km;
    }
    // Across a line parallel to the front nothing changes.
    const Wind side = field.at(travel(after, 45.0, 50.0), 35000.0);
    EXPECT_NEAR(side.speedKnots, beyond.speedKnots, 1.0);
}

TEST(StandinWind, GrowsWithAltitude) {
    const WindField field(LatLon{35.0, -120.0}, 135.0);
    const LatLon where{36.0, -121.0};
    EXPECT_LT(field.at(where, 0.0).speedKnots, field.at(where, 20000.0).speedKnots);
    EXPECT_LT(field.at(where, 20000.0).speedKnots, field.at(where, 35000.0).speedKnots);
    EXPECT_NEAR(field.at(where, 35000.0).speedKnots, field.at(where, 41000.0).speedKnots, 1e-9);
    EXPECT_NEAR(field.at(where, 0.0).speedKnots, 0.25 * field.at(where, 35000.0).speedKnots, 0.5);
}

TEST(StandinWeatherReport, HasTheShapeTheProgramReads) {
    const double day9At1530 = 8 * 86400.0 + 15 * 3600.0 + 30 * 60.0;
    EXPECT_EQ(weatherReport(day9At1530, Wind{270.0, 15.0}, -56.4),
              "ZZZZ 091530Z 27015KT 9999 FEW040 M56/M60 Q1013");
    // Rounded to whole degrees and knots; north is 360, calm is 00000KT.
    EXPECT_EQ(weatherReport(day9At1530 + 59, Wind{359.7, 84.6}, 3.0),
              "ZZZZ 091530Z 36085KT 9999 FEW040 03/M01 Q1013");
    EXPECT_EQ(weatherReport(day9At1530 + 60, Wind{45.0, 0.3}, 15.0),
              "ZZZZ 091531Z 00000KT 9999 FEW040 15/11 Q1013");
    // Three-digit speeds keep the group readable: direction, then speed.
    EXPECT_EQ(weatherReport(0.0, Wind{5.0, 105.0}, -0.4),
              "ZZZZ 010000Z 005105KT 9999 FEW040 M00/M04 Q1013");
}

TEST(StandinVariables, NamesAndUnitsAsAClientDeclaresThem) {
    AircraftState a;
    a.altitudeFeet = 35000.0;
    a.verticalSpeedFeetPerSecond = -30.0;
    a.indicatedAirspeedKnots = 270.0;
    a.temperatureCelsius = -54.3;
    a.oilPressurePsi = 45.0;
    a.fuelPounds = 20000.0;
    a.mach = 0.8;
    a.throttle = 0.5;
    a.wind = Wind{300.0, 45.0};

    EXPECT_DOUBLE_EQ(simVariableValue("Indicated Altitude", "feet", a), 35000.0);
    EXPECT_DOUBLE_EQ(simVariableValue("INDICATED ALTITUDE", "Meters", a), 35000.0 * 0.3048);
    EXPECT_NEAR(simVariableValue("VERTICAL SPEED", "Feet per second", a), -30.0, 1e-9);
    EXPECT_NEAR(simVariableValue("VERTICAL SPEED", "feet per minute", a), -1800.0, 1e-6);
    EXPECT_DOUBLE_EQ(simVariableValue("AIRSPEED INDICATED", "Knots", a), 270.0);
    EXPECT_DOUBLE_EQ(simVariableValue("AIRSPEED MACH", "Mach", a), 0.8);
    EXPECT_DOUBLE_EQ(simVariableValue("AMBIENT TEMPERATURE", "Celsius", a), -54.3);
    EXPECT_NEAR(simVariableValue("AMBIENT TEMPERATURE", "Fahrenheit", a), -65.74, 1e-9);
    EXPECT_DOUBLE_EQ(simVariableValue("ENG OIL PRESSURE:1", "Psi", a), 45.0);
    EXPECT_DOUBLE_EQ(simVariableValue("ENG OIL PRESSURE:2", "psi", a), 45.0);
    EXPECT_DOUBLE_EQ(simVariableValue("FUEL TOTAL QUANTITY WEIGHT", "Pounds", a), 20000.0);
    EXPECT_DOUBLE_EQ(simVariableValue("AMBIENT WIND DIRECTION", "Degrees", a), 300.0);
    EXPECT_DOUBLE_EQ(simVariableValue("GENERAL ENG THROTTLE LEVER POSITION:1", "percent", a), 50.0);
    // Unknown names and units that do not suit the quantity read 0.
    EXPECT_FALSE(knowsSimVariable("CABIN ALTITUDE"));
    EXPECT_DOUBLE_EQ(simVariableValue("CABIN ALTITUDE", "feet", a), 0.0);
    EXPECT_DOUBLE_EQ(simVariableValue("Indicated Altitude", "Knots", a), 0.0);
}
