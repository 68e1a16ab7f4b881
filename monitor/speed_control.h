#pragma once

#include <cstdint>

#include "app/shared_flight_state.h"
#include "monitor/outgoing_message.h"
#include "simlink/client_events.h"

// The speed-control rules: keep the aircraft inside the speed window in
// cruise with throttle and spoilers, and put the spoilers out in advance when
// the wind ahead would push the Mach number over the limit. They decide from
// a completed telemetry record; performing the events is the caller's part.
//
// Thread safety: pure; callable from any thread.

// The window given by "-spoilerControl minIas minMach maxIas maxMach".
struct SpeedWindow {
    std::int32_t minIas;  // knots
    std::int32_t maxIas;  // knots
    float minMachMilli;   // Mach x 1000, a whole number
    float maxMachMilli;   // Mach x 1000, a whole number
};

// The status the rules read, as it stood when the observation arrived.
struct ControlStatus {
    FlightPhase phase;
    bool spoilersDeployed;
};

// A change of wind ahead larger than either of these is worth acting on:
// smaller ones are the report's own resolution and the pilot's noise.
constexpr std::int32_t kWindDirectionChangeDegrees = 10;
constexpr std::int32_t kWindSpeedChangeKnots = 10;

// The speed of sound in knots is this factor times the square root of the
// temperature in kelvin.
constexpr double kSpeedOfSoundKnotsPerRootKelvin = 39.0;
constexpr std::int32_t kCelsiusToKelvin = 273;

// Rule 1: over the window in cruise with the spoilers in: cut the throttle
// and put the spoilers out.
bool overSpeed(const outgoingMessage& record, const SpeedWindow& window, ControlStatus status);

// Rule 2: under the window in cruise with the spoilers out: full throttle and
// the spoilers in.
bool underSpeed(const outgoingMessage& record, const SpeedWindow& window, ControlStatus status);

// The angle between two wind directions, 0 to 180 degrees.
std::int32_t windAngleBetween(std::int32_t directionA, std::int32_t directionB);

// True when the wind ahead differs from the wind at the aircraft by more
// than 10 degrees or more than 10 knots.
bool windChangesAhead(const outgoingMessage& record);

// The Mach number x 1000 the aircraft would fly at in the wind ahead: the
// true airspeed plus the head-wind component, over the speed of sound at the
// outside temperature.
double predictedMachMilli(const outgoingMessage& record);

// Rule 3, in every phase: the wind ahead changes and would push the Mach
// number over the maximum while the spoilers are in: put them out.
bool overSpeedAhead(const outgoingMessage& record, const SpeedWindow& window, ControlStatus status);

// The events the three rules call for, in the order they are to be sent.
// Rules 1 and 3 can both act: the spoilers are then toggled twice.
struct ControlEvents {
    static constexpr int kCapacity = 3;
    ClientEvent events[kCapacity];
    int count = 0;

    void add(ClientEvent event) { events[count++] = event; }
};

// Whether the record carries the wind ahead. Without it (a simulator that
// gives no weather observations) the wind-change rule has nothing to compare
// and does not run; the window rules act as always.
enum class WindAhead { Known, Unknown };

ControlEvents decideControlEvents(const outgoingMessage& record, const SpeedWindow& window,
                                  ControlStatus status, WindAhead windAhead = WindAhead::Known);
