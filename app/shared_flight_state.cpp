#include "app/shared_flight_state.h"

SharedFlightState flightState;

void resetSharedFlightState() {
    SharedFlightState& s = flightState;
    s.cruiseAltitudeFeet = 0;
    s.spoilerControlEnabled = false;
    s.minIas = 0;
    s.maxIas = 0;
    s.minMachMilli = 0.0f;
    s.maxMachMilli = 0.0f;
    s.flightPlanFromCommandLine = 0;
    s.pauseNowRequested = 0;
    s.pauseAtDistanceEnabled = 0;
    s.pauseDistance = 0;
    s.server = nullptr;
    s.simConnectHandle = nullptr;
    s.quitRequested = 0;
    s.eventsMapped = 0;
    s.flightPhase = FlightPhase::None;
    s.simPaused = false;
    s.spoilersDeployed = false;
    s.previousAltitudeFeet = kNoPreviousAltitudeFeet;
    s.flightPlanStateHandled = 0;
    s.currentTelemetry = nullptr;
    s.weatherAnswers = WeatherAnswers{};
}
