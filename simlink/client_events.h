#pragma once

#include "simlink/simconnect.h"

// The program's client event ids.
enum ClientEvent : DWORD {
    SimStart = 0,           // the "SimStart" system event
    PauseToggle = 1,        // "pause_toggle"
    PauseOn = 2,            // "pause_on"
    PauseOff = 3,           // "pause_off"
    SpoilersRetracted = 4,  // no simulator event: only its notification matters
    ThrottleCut = 5,        // "THROTTLE_CUT"
    SpoilersToggle = 6,     // "SPOILERS_TOGGLE"
    ThrottleFull = 7,       // "THROTTLE_FULL"
};

// The one notification group; its members come back as EVENT messages.
constexpr DWORD kNotificationGroup = 0;

// Maps the client events, builds the notification group, starts the periodic
// aircraft data request and leaves the simulator unpaused with the spoiler
// flag clear. Runs once per process. Returns the data request's result.
HRESULT setUpClientEvents();

// Transmits `event` to the user aircraft at the highest priority.
void transmitClientEvent(ClientEvent event);

// The senders the monitor and the relay use. They read simConnectHandle and
// may be called from the main thread and from the relay's receive thread.
void sendPauseToggle();
void sendSpoilersToggle();
void sendPauseOff();  // also clears simPaused at once

// Whether the relay's clients were last told "PAUSED" (simPaused).
bool pauseShownToClients();
