#pragma once

// The three readers that fill the route table (route/waypoint_table.h). Each
// builds the new route aside and publishes it whole, so the relay's listing
// never sees half of one route and half of another.
//
// Thread safety: call them from the main thread only (the start-up sequence
// and the simulator dispatch handler); the table itself may be copied from
// any thread meanwhile.

// Replaces the route with the waypoints of the simulator's flight plan (an
// XML .PLN document) at `path`: at most the first 128, all other entries
// zero. Does nothing while a route file named on the command line holds the
// route (flightState.flightPlanFromCommandLine). Prints nothing.
void readSimFlightPlan(const char* path);

// Reads a PMDG route file (type P) named by `text`, the rest of the command
// line after "-flightplan": a path in double quotes, or the whole text. The
// closing quote in `text` is overwritten with a terminator. Stores up to 100
// waypoints in entries 0 onwards, leaves the other entries as they are, and
// echoes each on the console.
void readRouteFileP(char* text);

// Reads an IFlight route file (type I) named by `text`, taken as for
// readRouteFileP: one waypoint per line holding "DIRECT,", up to 100, in
// entries 0 onwards; the other entries stay as they are. Echoes each
// position on the console.
void readRouteFileI(char* text);
