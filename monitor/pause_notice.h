#pragma once

#include "monitor/outgoing_message.h"

// The notice that tells the relay's clients the simulator's pause state
// changed: "PAUSED" when it is now paused, else "UNPAUSED", in a zeroed
// 96-byte message made with new, for the relay to take over.
//
// Thread safety: allocates and returns; callable from any thread.
outgoingMessage* newPauseNotice(bool paused);
