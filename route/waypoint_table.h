#pragma once

#include <array>
#include <cstddef>

// One point of the route.
struct Waypoint {
    char id[20];  // at most 19 characters and a NUL
    double lat;   // decimal degrees, north positive
    double lon;   // decimal degrees, east positive
};

constexpr std::size_t kWaypointTableEntries = 128;

// The route: entries 0 to n-1 in route order, the rest entirely zero. It keeps
// no count: an entry whose `lat` is exactly 0.0 counts as empty.
using WaypointTable = std::array<Waypoint, kWaypointTableEntries>;

// The process-wide route table.
//
// Thread safety: the readers build a new route aside and publish it whole
// with publishWaypointTable; copyWaypointTable takes a copy under the same
// lock, so a thread that lists the route (the relay's receive thread) always
// sees one whole route; the relay lists the route from such a copy.
// getWaypointTable reads the live table without a lock and is for the main
// thread, which is the only writer.
const Waypoint* getWaypointTable();
WaypointTable copyWaypointTable();
void publishWaypointTable(const WaypointTable& route);

// degrees + minutes / 60 + seconds / 3600, in that order; no sign handling
// and no normalisation of minutes or seconds of 60 or more.
double dmsToDecimal(double degrees, double minutes, double seconds);
