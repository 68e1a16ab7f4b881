#include "monitor/flight_phase.h"

#include "monitor/truncation.h"

PhaseClassification classifyFlightPhase(FlightPhase current, double altitudeFeet,
                                        double previousAltitudeFeet,
                                        std::int32_t cruiseAltitudeFeet) {
    // Whole feet against the cruise altitude: 34999.99 is still below 35000.
    if (truncateToInt32(altitudeFeet) >= cruiseAltitudeFeet) {
        return {FlightPhase::Cruise, false};
    }
    if (altitudeFeet >= previousAltitudeFeet) {
        return {FlightPhase::Climb, false};
    }
    if (previousAltitudeFeet - altitudeFeet >= kDescentThresholdFeet) {
        return {FlightPhase::Descent, true};
    }
    return {current, false};
}
