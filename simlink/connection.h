#pragma once

#include <cstddef>
#include <cstdint>

#include "simlink/simconnect.h"

// The fifteen simulation variables of data definition 0, in definition
// order, each a 64-bit float: one 120-byte block per aircraft data message.
struct AircraftSample {
    double altitude;            // "Indicated Altitude", feet
    double latitude;            // "Plane Latitude", degrees
    double longitude;           // "Plane Longitude", degrees
    double oilTemperature;      // "ENG OIL TEMPERATURE:1", Celsius
    double oilPressure;         // "ENG OIL PRESSURE:1", Psi
    double groundSpeed;         // "GROUND VELOCITY", knots
    double headingTrue;         // "PLANE HEADING DEGREES TRUE", degrees
    double trueAirspeed;        // "AIRSPEED TRUE", knots
    double mach;                // "AIRSPEED MACH"
    double windVelocity;        // "AMBIENT WIND VELOCITY", knots
    double windDirection;       // "AMBIENT WIND DIRECTION", degrees
    double fuelWeight;          // "FUEL TOTAL QUANTITY WEIGHT", pounds
    double verticalSpeed;       // "VERTICAL SPEED", feet per second
    double indicatedAirspeed;   // "AIRSPEED INDICATED", knots
    double ambientTemperature;  // "AMBIENT TEMPERATURE", Celsius
};

static_assert(sizeof(AircraftSample) == 120);
static_assert(offsetof(AircraftSample, altitude) == 0);
static_assert(offsetof(AircraftSample, latitude) == 8);
static_assert(offsetof(AircraftSample, longitude) == 16);
static_assert(offsetof(AircraftSample, oilTemperature) == 24);
static_assert(offsetof(AircraftSample, oilPressure) == 32);
static_assert(offsetof(AircraftSample, groundSpeed) == 40);
static_assert(offsetof(AircraftSample, headingTrue) == 48);
static_assert(offsetof(AircraftSample, trueAirspeed) == 56);
static_assert(offsetof(AircraftSample, mach) == 64);
static_assert(offsetof(AircraftSample, windVelocity) == 72);
static_assert(offsetof(AircraftSample, windDirection) == 80);
static_assert(offsetof(AircraftSample, fuelWeight) == 88);
static_assert(offsetof(AircraftSample, verticalSpeed) == 96);
static_assert(offsetof(AircraftSample, indicatedAirspeed) == 104);
static_assert(offsetof(AircraftSample, ambientTemperature) == 112);

// Ids of the connection.
constexpr DWORD kAircraftSampleDefinition = 0;
constexpr DWORD AircraftSampleRequest = 0;
constexpr DWORD RequestWeatherAhead = 1;
constexpr DWORD RequestSimState = 9897;
constexpr DWORD RequestFlightPlanState = 9898;

// Opens the connection as "Devovav Adazova", declares the AircraftSample,
// subscribes to "SimStart", asks for the "Sim" and "FlightPlan" states, then
// hands every message to `dispatch` until the simulator quits. Returns at
// once, silently, when no connection can be opened. True when one was opened
// (and has ended since).
bool runSimConnect(DispatchProc dispatch);
