// The route as a registering client receives it and as the console shows it.
#include "relay/route_reply.h"

#include <cstdio>
#include <cstring>

namespace {

bool isListed(const Waypoint& slot) {
    return slot.lat != 0.0;
}

}  // namespace

RouteReply buildRouteReply(const WaypointTable& route) {
    RouteReply reply{};
    for (std::size_t slot = 0; slot < kRouteRecordCount; ++slot) {
        const Waypoint& point = route[slot];
        if (!isListed(point)) {
            continue;
        }
        // Room for one record and the terminator that snprintf adds.
        char record[kRouteRecordSize + 1];
        const int length = std::snprintf(record, sizeof record, kRouteRecordFormat, point.lon,
                                         point.lat, point.id);
        if (length == static_cast<int>(kRouteRecordSize)) {
            std::memcpy(reply.data() + slot * kRouteRecordSize, record, kRouteRecordSize);
        }
    }
    return reply;
}

void printRouteListing(const WaypointTable& route) {
    for (const Waypoint& point : route) {
        if (isListed(point)) {
            // The identifier is right-aligned in five columns; a blank flag
            // on a text conversion would change nothing, so it is left out.
            std::printf("%10.5f %10.5f%5.5s\n", point.lon, point.lat, point.id);
        }
    }
}
