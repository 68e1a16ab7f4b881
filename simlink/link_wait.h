#pragma once

#include "simlink/simconnect.h"

// Waits until the simulator has sent something the next dispatch call would
// hand over, or until `timeoutMs` has passed, whichever comes first. The
// stand-in library waits on its connection becoming readable; a handle that
// is closed, lost or unknown has nothing to wait for, and the whole time
// passes, so that a loop around it never spins.
//
// Thread safety: as SimConnect_CallDispatch, from the dispatching thread.
void waitForLinkMessage(HANDLE handle, int timeoutMs);
