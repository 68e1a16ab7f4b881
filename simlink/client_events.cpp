#include "simlink/client_events.h"

#include "app/shared_flight_state.h"
#include "app/status_figures.h"
#include "simlink/connection.h"

namespace {

// The aircraft data request: every visual frame, only when a value changed,
// letting 20 frames pass between two transmissions, with no end.
constexpr DWORD kSampleOrigin = 0;
constexpr DWORD kSampleIntervalFrames = 20;
constexpr DWORD kSampleLimitNone = 0;

struct EventMapping {
    ClientEvent event;
    const char* simulatorEvent;
};

// SimStart is a system event and SpoilersRetracted stands for no simulator
// event, so neither is mapped.
constexpr EventMapping kEventMappings[] = {
    {PauseToggle, "pause_toggle"},   {PauseOff, "pause_off"},
    {PauseOn, "pause_on"},           {SpoilersToggle, "SPOILERS_TOGGLE"},
    {ThrottleFull, "THROTTLE_FULL"}, {ThrottleCut, "THROTTLE_CUT"},
};

// The events whose occurrences, the program's own included, come back as
// EVENT messages. The throttle events are left out: nothing follows them.
constexpr ClientEvent kGroupMembers[] = {PauseOn, PauseToggle, PauseOff, SpoilersRetracted,
                                         SpoilersToggle};

// The simulator's name of an event, as the status line shows it.
const char* eventName(ClientEvent event) {
    for (const EventMapping& mapping : kEventMappings) {
        if (mapping.event == event) {
            return mapping.simulatorEvent;
        }
    }
    return event == SpoilersRetracted ? "spoilers retracted" : "SimStart";
}

HANDLE currentHandle() {
    return flightState.simConnectHandle.load();
}

}  // namespace

HRESULT setUpClientEvents() {
    flightState.eventsMapped = 1;
    const HANDLE handle = currentHandle();
    const HRESULT requested = SimConnect_RequestDataOnSimObject(
        handle, AircraftSampleRequest, kAircraftSampleDefinition, SIMCONNECT_OBJECT_ID_USER,
        SIMCONNECT_PERIOD_VISUAL_FRAME, SIMCONNECT_DATA_REQUEST_FLAG_CHANGED, kSampleOrigin,
        kSampleIntervalFrames, kSampleLimitNone);
    for (const EventMapping& mapping : kEventMappings) {
        SimConnect_MapClientEventToSimEvent(handle, mapping.event, mapping.simulatorEvent);
    }
    for (const ClientEvent member : kGroupMembers) {
        SimConnect_AddClientEventToNotificationGroup(handle, kNotificationGroup, member, 0);
    }
    SimConnect_SetNotificationGroupPriority(handle, kNotificationGroup,
                                            SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    // Whatever state the flight was left in, start unpaused with the
    // spoiler flag clear.
    transmitClientEvent(PauseOff);
    transmitClientEvent(SpoilersRetracted);
    flightState.spoilersDeployed = false;
    flightState.simPaused = false;
    return requested;
}

void transmitClientEvent(ClientEvent event) {
    noteEventSent(eventName(event));
    // The group argument is read as a priority because of the flag.
    SimConnect_TransmitClientEvent(currentHandle(), SIMCONNECT_OBJECT_ID_USER, event, 0,
                                   SIMCONNECT_GROUP_PRIORITY_HIGHEST,
                                   SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
}

void sendPauseToggle() {
    transmitClientEvent(PauseToggle);
}

void sendSpoilersToggle() {
    transmitClientEvent(SpoilersToggle);
}

void sendPauseOff() {
    transmitClientEvent(PauseOff);
    flightState.simPaused = false;
}

bool pauseShownToClients() {
    return flightState.simPaused.load();
}
