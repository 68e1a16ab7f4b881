#pragma once

#include "simlink/simconnect.h"

// The dispatch procedure: every message the simulator sends the program
// passes through here, one at a time, on the thread that runs the
// connection's dispatch loop. It follows the pause and spoiler
// notifications, re-reads the simulator's flight plan when a flight starts,
// turns each aircraft sample into a telemetry record and a weather request,
// completes the record when the weather observation arrives, and ends the
// loop when the simulator quits. `size` bounds what is read of `message`;
// `context` is not used.
//
// Thread safety: main thread only (the dispatch loop's); it owns the monitor's
// part of the shared flight state.
void SIMCONNECT_CALL dispatchHandler(SIMCONNECT_RECV* message, DWORD size, void* context);
