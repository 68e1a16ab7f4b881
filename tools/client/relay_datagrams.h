#pragma once

// What a relay client sends and what it makes of the datagrams the relay
// sends back: the 4-byte replies, the 500-byte route datagrams and the
// 96-byte telemetry and notice messages. The layouts themselves are the
// relay's own (relay/wire_protocol.h, monitor/outgoing_message.h).
//
// Thread safety: free functions and plain values; a RouteAssembly belongs to
// one thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "monitor/outgoing_message.h"
#include "relay/wire_protocol.h"

namespace tools {

// The 24-byte datagrams of a client, the unused data bytes zero.
incomingMessage makeAddEntry();
incomingMessage makeHeartbeat(std::int32_t number);
incomingMessage makeCommand(std::uint8_t code);
incomingMessage makeEndFlow();

// What a datagram from the relay is, by its size: the relay sends nothing
// else, so any other size is not decoded.
enum class DatagramShape { Reply, RouteDatagram, Message, Unknown };
DatagramShape shapeOf(std::size_t size);

// A 4-byte reply: the MessageKind it carries (no_route or route_entries from
// a sound relay).
std::int32_t replyKind(std::span<const std::uint8_t> reply);

// One listed slot of the route. A record whose text is not the three fixed
// fields ("%10.5f%10.5f%5.5s") is kept as malformed with its raw characters.
struct RouteEntry {
    std::size_t index = 0;  // the waypoint table's slot
    double lon = 0.0;
    double lat = 0.0;
    std::string id;  // without the leading blanks of its 5-character field
    bool malformed = false;
    std::string raw;  // the 25 characters, for a malformed record
};

// The listed records of a whole route reply (2500 bytes); empty slots (25
// zero bytes) are left out.
std::vector<RouteEntry> decodeRoute(std::span<const std::uint8_t, kRouteReplySize> reply);

// Gathers the five route datagrams that follow a route_entries reply.
class RouteAssembly {
  public:
    // A route_entries reply arrived: the five datagrams follow.
    void expect();
    bool expecting() const { return expecting_; }
    // How many of the five have arrived.
    std::size_t received() const { return received_; }
    // Takes the next datagram; true when it was the fifth and the route is whole.
    bool add(std::span<const std::uint8_t> datagram);
    std::vector<RouteEntry> entries() const;
    // Forgets a route still being gathered.
    void abandon();

  private:
    std::array<std::uint8_t, kRouteReplySize> reply_{};
    std::size_t received_ = 0;
    bool expecting_ = false;
};

}  // namespace tools
