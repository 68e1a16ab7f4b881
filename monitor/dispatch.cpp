#include "monitor/dispatch.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "app/shared_flight_state.h"
#include "monitor/aircraft_sample_handling.h"
#include "monitor/pause_notice.h"
#include "monitor/relay_handover.h"
#include "monitor/simulator_identity.h"
#include "monitor/weather_answers.h"
#include "monitor/weather_observation_handling.h"
#include "route/route_readers.h"
#include "simlink/client_events.h"
#include "simlink/connection.h"

namespace {

// Where the variable parts start: the data block of an aircraft data message
// in place of its last field, the weather report in place of its first byte.
constexpr std::size_t kDataBlockOffset = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);
constexpr std::size_t kMetarOffset = sizeof(SIMCONNECT_RECV_WEATHER_OBSERVATION) - 1;
static_assert(kDataBlockOffset == 40 && kMetarOffset == 16);
constexpr std::size_t kSystemStateTextBytes = sizeof(SIMCONNECT_RECV_SYSTEM_STATE::szString);

void handleQuit() {
    std::printf("quiting\n");
    flightState.quitRequested = 1;
}

void handleStartOfFlight() {
    if (flightState.eventsMapped == 0) {
        setUpClientEvents();
    }
    // A new flight may bring a new flight plan: ask for it and read it anew.
    SimConnect_RequestSystemState(flightState.simConnectHandle.load(), RequestFlightPlanState,
                                  "FlightPlan");
    flightState.flightPlanStateHandled = 0;
}

void handlePauseToggled() {
    const bool paused = !flightState.simPaused.load();
    flightState.simPaused = paused;
    handOverToClients(newPauseNotice(paused));
}

void handleEvent(const SIMCONNECT_RECV_EVENT& event) {
    switch (event.uEventID) {
        case SimStart:
            handleStartOfFlight();
            break;
        case PauseToggle:
            handlePauseToggled();
            break;
        case PauseOff:
            flightState.simPaused = false;
            break;
        case SpoilersRetracted:
            flightState.spoilersDeployed = false;
            break;
        case SpoilersToggle:
            flightState.spoilersDeployed = !flightState.spoilersDeployed.load();
            break;
        default:  // PauseOn, and the throttle events, which are no group members
            break;
    }
}

// The data block of the aircraft sample request. A block too short to hold
// a whole sample is not read at all: what lay past its end would otherwise
// be taken for the missing variables.
void handleSimObjectData(const SIMCONNECT_RECV_SIMOBJECT_DATA& data, DWORD size) {
    if (data.dwRequestID != AircraftSampleRequest) {
        return;
    }
    if (size < kDataBlockOffset + sizeof(AircraftSample)) {
        return;
    }
    AircraftSample sample;
    std::memcpy(&sample, reinterpret_cast<const char*>(&data) + kDataBlockOffset, sizeof sample);
    handleAircraftSample(sample);
}

// The report runs to its NUL, but never past the end of the message.
void handleObservation(const SIMCONNECT_RECV_WEATHER_OBSERVATION& observation, DWORD size) {
    const std::size_t room = size > kMetarOffset ? size - kMetarOffset : 0;
    const char* text = observation.szMetar;
    const void* end = std::memchr(text, '\0', room);
    const std::size_t length = end != nullptr ? static_cast<const char*>(end) - text : room;
    handleWeatherObservation(std::string_view(text, length));
}

void handleFlightPlanState(const SIMCONNECT_RECV_SYSTEM_STATE& state) {
    if (flightState.flightPlanStateHandled != 0) {
        return;
    }
    char path[kSystemStateTextBytes + 1] = {};
    std::memcpy(path, state.szString, kSystemStateTextBytes);
    if (path[0] == '\0') {
        return;  // no plan loaded yet: the next reply may bring one
    }
    readSimFlightPlan(path);
    flightState.flightPlanStateHandled = 1;
}

void handleSystemState(const SIMCONNECT_RECV_SYSTEM_STATE& state) {
    switch (state.dwRequestID) {
        case RequestSimState:
            if (state.dwInteger == 1 && flightState.eventsMapped == 0) {
                setUpClientEvents();
            }
            break;
        case RequestFlightPlanState:
            handleFlightPlanState(state);
            break;
        default:
            break;
    }
}

// The open acknowledgement names the simulator; the newest simulators, whose
// weather functions are retired, are known by their version.
void handleOpen(const SIMCONNECT_RECV_OPEN& open) {
    std::printf("\n%s\n", simulatorIdentity(open).c_str());
    if (noteApplicationVersion(flightState.weatherAnswers, open.dwApplicationVersionMajor)) {
        std::printf(
            "\nThe simulator's weather functions are retired: no weather requests, "
            "records go out without the wind ahead\n");
    }
}

// True when the message holds the whole structure its id announces.
template <typename Structure>
bool holds(DWORD size) {
    return size >= sizeof(Structure);
}

}  // namespace

void SIMCONNECT_CALL dispatchHandler(SIMCONNECT_RECV* message, DWORD size, void* /*context*/) {
    switch (message->dwID) {
        case SIMCONNECT_RECV_ID_QUIT:
            handleQuit();
            break;
        case SIMCONNECT_RECV_ID_EVENT:
            if (holds<SIMCONNECT_RECV_EVENT>(size)) {
                handleEvent(*static_cast<SIMCONNECT_RECV_EVENT*>(message));
            }
            break;
        case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
            if (holds<SIMCONNECT_RECV_SIMOBJECT_DATA>(size)) {
                handleSimObjectData(*static_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(message), size);
            }
            break;
        case SIMCONNECT_RECV_ID_WEATHER_OBSERVATION:
            handleObservation(*static_cast<SIMCONNECT_RECV_WEATHER_OBSERVATION*>(message), size);
            break;
        case SIMCONNECT_RECV_ID_SYSTEM_STATE:
            if (holds<SIMCONNECT_RECV_SYSTEM_STATE>(size)) {
                handleSystemState(*static_cast<SIMCONNECT_RECV_SYSTEM_STATE*>(message));
            }
            break;
        case SIMCONNECT_RECV_ID_OPEN:
            std::printf("\nReceived:%d", static_cast<int>(message->dwID));
            if (holds<SIMCONNECT_RECV_OPEN>(size)) {
                handleOpen(*static_cast<SIMCONNECT_RECV_OPEN*>(message));
            }
            break;
        default:
            std::printf("\nReceived:%d", static_cast<int>(message->dwID));
            break;
    }
}
