#pragma once

#include "route/waypoint_table.h"

// The end-of-run figures of the route: the length of its first sixty legs
// and the straight distance from its first point to its sixty-first.

// Great-circle distance in kilometres between two route points on the
// sphere of radius 6371.01 km (haversine, double precision); 0 when either
// point is an empty table entry (its lat exactly 0.0).
double legKilometres(const Waypoint& from, const Waypoint& to);

// Prints "distance %f\n" with the sum, in single precision, of the legs
// (0, 1) to (59, 60), then "distance %f" with the distance between entries 0
// and 60 in nautical miles.
void printRouteSummary(const WaypointTable& route);
