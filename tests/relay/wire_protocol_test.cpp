// The relay's formats on their own: heartbeat arithmetic and the route listing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "relay/route_reply.h"
#include "relay/wire_protocol.h"

namespace {

Waypoint waypoint(const char* id, double lat, double lon) {
    Waypoint point{};
    std::strncpy(point.id, id, sizeof point.id - 1);
    point.lat = lat;
    point.lon = lon;
    return point;
}

std::string recordAt(const RouteReply& reply, std::size_t slot) {
    return std::string(reply.begin() + static_cast<long>(slot * kRouteRecordSize),
                       reply.begin() + static_cast<long>((slot + 1) * kRouteRecordSize));
}

const std::string kZeroRecord(kRouteRecordSize, '\0');

TEST(RelayWireProtocol, HeartbeatNumbersFollowInThirtyTwoBitWrapAround) {
    EXPECT_EQ(nextHeartbeat(0), 1);
    EXPECT_EQ(nextHeartbeat(41), 42);
    EXPECT_EQ(nextHeartbeat(INT_MAX), INT_MIN);
    EXPECT_EQ(nextHeartbeat(-1), 0);
}

TEST(RelayRouteReply, RecordsAreLongitudeLatitudeAndFiveCharactersOfIdentifier) {
    WaypointTable route{};
    route[0] = waypoint("WPT1", 12.5, -45.25);
    route[1] = waypoint("ABCDEFG", -33.9461, 151.1772);
    route[3] = waypoint("Z", 0.5, -179.99999);  // slot 2 stays empty
    route[4] = waypoint("FAR", 1.0, 12345.5);   // eleven characters: would spill into slot 5
    route[5] = waypoint("NEXT", 2.0, 3.0);
    const RouteReply reply = buildRouteReply(route);
    EXPECT_EQ(recordAt(reply, 0), " -45.25000  12.50000 WPT1");
    EXPECT_EQ(recordAt(reply, 1), " 151.17720 -33.94610ABCDE");
    EXPECT_EQ(recordAt(reply, 2), kZeroRecord);
    EXPECT_EQ(recordAt(reply, 3), "-179.99999   0.50000    Z");
    EXPECT_EQ(recordAt(reply, 4), kZeroRecord);
    EXPECT_EQ(recordAt(reply, 5), "   3.00000   2.00000 NEXT");
    for (std::size_t slot = 6; slot < kRouteRecordCount; ++slot) {
        EXPECT_EQ(recordAt(reply, slot), kZeroRecord) << "slot " << slot;
    }
}

}  // namespace
