#include "monitor/flight_monitor_reset.h"

#include "app/shared_flight_state.h"
#include "monitor/outgoing_message.h"

void resetFlightMonitor() {
    delete flightState.currentTelemetry;
    flightState.currentTelemetry = nullptr;
    flightState.flightPhase = FlightPhase::None;
    flightState.previousAltitudeFeet = kNoPreviousAltitudeFeet;
    flightState.weatherAnswers = WeatherAnswers{};
}
