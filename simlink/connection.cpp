#include "simlink/connection.h"

#include <cstdio>

#include "app/shared_flight_state.h"
#include "simlink/client_events.h"
#include "simlink/link_wait.h"

namespace {

constexpr const char* kClientName = "Devovav Adazova";

// Between two dispatch calls the loop sleeps until the simulator sends, but
// never longer than this, so that a quit asked for from elsewhere (the
// console's Ctrl+C) is seen soon even on a silent link.
constexpr int kDispatchWaitMs = 100;

struct SampleVariable {
    const char* name;
    const char* units;
};

// The AircraftSample's variables in definition order, which is the order of
// the fields in the delivered block. Names and units are the simulator's own,
// mixed case included.
constexpr SampleVariable kSampleVariables[] = {
    {"Indicated Altitude", "feet"},
    {"Plane Latitude", "degrees"},
    {"Plane Longitude", "degrees"},
    {"ENG OIL TEMPERATURE:1", "Celsius"},
    {"ENG OIL PRESSURE:1", "Psi"},
    {"GROUND VELOCITY", "Knots"},
    {"PLANE HEADING DEGREES TRUE", "Degrees"},
    {"AIRSPEED TRUE", "Knots"},
    {"AIRSPEED MACH", "Mach"},
    {"AMBIENT WIND VELOCITY", "Knots"},
    {"AMBIENT WIND DIRECTION", "Degrees"},
    {"FUEL TOTAL QUANTITY WEIGHT", "Pounds"},
    {"VERTICAL SPEED", "Feet per second"},
    {"AIRSPEED INDICATED", "Knots"},
    {"AMBIENT TEMPERATURE", "Celsius"},
};
static_assert(sizeof kSampleVariables / sizeof kSampleVariables[0] * sizeof(double) ==
              sizeof(AircraftSample));

void defineAircraftSample(HANDLE handle) {
    for (const SampleVariable& variable : kSampleVariables) {
        SimConnect_AddToDataDefinition(handle, kAircraftSampleDefinition, variable.name,
                                       variable.units, SIMCONNECT_DATATYPE_FLOAT64, 0.0f,
                                       SIMCONNECT_UNUSED);
    }
}

}  // namespace

bool runSimConnect(DispatchProc dispatch) {
    HANDLE handle = nullptr;
    if (SimConnect_Open(&handle, kClientName, nullptr, 0, nullptr, 0) < 0) {
        return false;
    }
    flightState.simConnectHandle = handle;
    std::printf("\nConnected to Flight Simulator!");

    defineAircraftSample(handle);
    SimConnect_SubscribeToSystemEvent(handle, SimStart, "SimStart");
    SimConnect_RequestSystemState(handle, RequestSimState, "Sim");
    SimConnect_RequestSystemState(handle, RequestFlightPlanState, "FlightPlan");

    // Only the quit message ends the loop; it is set inside the dispatch
    // call that carried it, so that call always finishes first.
    while (flightState.quitRequested == 0) {
        SimConnect_CallDispatch(handle, dispatch, nullptr);
        if (flightState.quitRequested == 0) {
            waitForLinkMessage(handle, kDispatchWaitMs);
        }
    }
    // The relay's thread transmits through the shared handle: it is taken
    // away before the connection behind it closes.
    flightState.simConnectHandle = nullptr;
    SimConnect_Close(handle);
    return true;
}
