#pragma once

#include "monitor/outgoing_message.h"

// Gives a message made with new to the relay, which sends it to every
// registered client and frees it. Without a relay (never in the program,
// which creates it before connecting) the message is freed here.
//
// Thread safety: as the relay's sendToClients; callable from any thread.
void handOverToClients(outgoingMessage* message);
