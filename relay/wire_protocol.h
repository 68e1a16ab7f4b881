#pragma once

// The datagrams between the relay and its network clients, shared by the
// relay and the companion tools. Every integer on the wire is a 32-bit
// two's-complement value in network byte order (big-endian). The 96-byte
// telemetry and notice messages are outgoingMessage (monitor/outgoing_message.h).
// docs/wire-protocol.md shows every layout with examples.

#include <cstddef>
#include <cstdint>

// One numbering for both directions.
enum MessageKind : std::int32_t {
    heartbeat = 0,      // client to relay: data bytes 0-3 carry the number, big-endian
    command = 1,        // client to relay: data byte 0 carries the command code
    add_entry = 2,      // client to relay: register the sender
    end_flow = 3,       // client to relay: the sender leaves
    no_route = 4,       // relay to client: 4-byte reply, the route table is empty
    route_entries = 5,  // relay to client: 4-byte reply, five route datagrams follow
};

// Command codes, in data byte 0 of a `command` message.
constexpr std::uint8_t kCommandPauseToggle = 1;
constexpr std::uint8_t kCommandSpoilersToggle = 2;

constexpr std::size_t kIncomingDataSize = 20;

// The only datagram a client sends. The relay reads at most these 24 bytes
// of a datagram; a longer one is handled by its first 24 bytes.
struct incomingMessage {
    std::uint8_t kind[4];                  // MessageKind, big-endian
    std::uint8_t data[kIncomingDataSize];  // meaning depends on the kind
};

constexpr std::size_t kIncomingMessageSize = 24;
static_assert(sizeof(incomingMessage) == kIncomingMessageSize);

// The fewest bytes that carry each kind's fields: a datagram shorter than
// this is not acted on (the relay never reads a field that did not arrive).
constexpr std::size_t kKindFieldSize = 4;
constexpr std::size_t kHeartbeatMinimumSize = 8;  // kind and number
constexpr std::size_t kCommandMinimumSize = 5;    // kind and code

// The reply to a registration: one big-endian MessageKind.
constexpr std::size_t kReplySize = 4;

// The route listing after `route_entries`: 100 records of 25 characters, sent
// as five datagrams of 500 bytes, records 20k to 20k+19 in datagram k.
// Record i is slot i of the waypoint table: "%10.5f%10.5f%5.5s" of lon, lat
// and the identifier, no terminator; 25 zero bytes when the slot is empty.
constexpr std::size_t kRouteRecordSize = 25;
constexpr std::size_t kRouteRecordCount = 100;
constexpr std::size_t kRouteReplySize = kRouteRecordSize * kRouteRecordCount;
constexpr std::size_t kRouteDatagramSize = 500;
constexpr std::size_t kRouteDatagramCount = kRouteReplySize / kRouteDatagramSize;
inline constexpr const char* kRouteRecordFormat = "%10.5f%10.5f%5.5s";
static_assert(kRouteDatagramCount * kRouteDatagramSize == kRouteReplySize);

// Reads and writes a big-endian 32-bit integer, whatever the host's order.
inline std::int32_t readBigEndian32(const std::uint8_t* bytes) {
    const std::uint32_t value = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                                (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
    return static_cast<std::int32_t>(value);
}

inline void writeBigEndian32(std::int32_t value, std::uint8_t* bytes) {
    const auto bits = static_cast<std::uint32_t>(value);
    bytes[0] = static_cast<std::uint8_t>(bits >> 24);
    bytes[1] = static_cast<std::uint8_t>(bits >> 16);
    bytes[2] = static_cast<std::uint8_t>(bits >> 8);
    bytes[3] = static_cast<std::uint8_t>(bits);
}

// The heartbeat number that follows `last`: one more, in 32-bit wrap-around
// arithmetic, so 2147483647 is followed by -2147483648. A client's first
// heartbeat after registering is nextHeartbeat(0), that is 1.
inline std::int32_t nextHeartbeat(std::int32_t last) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(last) + 1u);
}
