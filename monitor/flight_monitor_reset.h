#pragma once

// A new connection to the simulator starts the monitor afresh: the record
// still waiting for its observation, the flight phase, the previous sample's
// altitude and what was learned of the simulator's weather answers all
// belong to the simulator that went away.
//
// Thread safety: main thread only, between two connections.
void resetFlightMonitor();
