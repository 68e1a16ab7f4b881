#pragma once

#include <cstdint>

#include "app/shared_flight_state.h"

// The figures the "-status" line shows: the flight as the latest telemetry
// record left it and the latest client event sent to the simulator. The
// monitor and the simulator link note them as they go; the status line reads
// them on a thread of its own.
//
// Thread safety: every function may be called from any thread; a read sees
// each note whole.

struct FlightFigures {
    FlightPhase phase = FlightPhase::None;
    std::int32_t altitudeFeet = 0;
    std::int32_t indicatedAirspeedKnots = 0;
    std::int32_t trueAirspeedKnots = 0;
    std::int32_t groundSpeedKnots = 0;
    std::int32_t machMilli = 0;  // Mach x 1000
};

struct StatusFigures {
    bool recorded = false;  // a telemetry record has been completed
    FlightFigures flight;
    const char* lastEventSent = nullptr;  // the simulator's name of the event; null: none yet
};

void noteFlightFigures(const FlightFigures& figures);
// `eventName` must live as long as the process (a literal).
void noteEventSent(const char* eventName);
StatusFigures statusFigures();

// Forgets every note. The program never needs it; tests do.
void resetStatusFigures();
