#pragma once

#include <cstdint>

#include "app/shared_flight_state.h"

// The flight phase of one aircraft sample, judged against the cruise altitude
// and the previous sample's altitude.
//
// Thread safety: pure; callable from any thread.

// A fall smaller than this since the previous sample keeps the phase, so
// that the altimeter's jitter in level flight below the cruise altitude does
// not flip climb and descent; feet.
constexpr double kDescentThresholdFeet = 3.0;

struct PhaseClassification {
    FlightPhase phase;
    // True when this sample's fall made the phase descent, as opposed to a
    // descent kept from an earlier sample.
    bool descentDetected;
};

// At or above the cruise altitude (whole feet, truncated toward zero): cruise.
// Below it: climb when the altitude is level or rising, descent after a fall
// of 3 feet or more, and the current phase after a smaller fall.
PhaseClassification classifyFlightPhase(FlightPhase current, double altitudeFeet,
                                        double previousAltitudeFeet,
                                        std::int32_t cruiseAltitudeFeet);
