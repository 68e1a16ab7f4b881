#pragma once

#include <array>
#include <cstdint>

#include "relay/wire_protocol.h"
#include "route/waypoint_table.h"

// The 2500-byte route listing sent after a `route_entries` reply.
using RouteReply = std::array<std::uint8_t, kRouteReplySize>;

// One record per table slot below 100, in slot order: "%10.5f%10.5f%5.5s" of
// lon, lat and id for a listed slot (lat not exactly 0.0), 25 zero bytes for
// an empty one. Slots 100 to 127 have no record. A slot whose coordinates do
// not fit their 10 characters (none that a valid route holds) gets zero bytes
// too, so that no record ever spills into its neighbour.
RouteReply buildRouteReply(const WaypointTable& route);

// Prints every listed slot, all 128 considered, one line each: lon, lat, id.
void printRouteListing(const WaypointTable& route);
