#include "tools/client/relay_datagrams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tools {
namespace {

constexpr std::size_t kCoordinateWidth = 10;  // "%10.5f"
constexpr std::size_t kIdWidth = 5;           // "%5.5s"
static_assert(2 * kCoordinateWidth + kIdWidth == kRouteRecordSize);

incomingMessage makeMessage(std::int32_t kind) {
    incomingMessage message{};
    writeBigEndian32(kind, message.kind);
    return message;
}

// A "%10.5f" field: blanks, then a whole number text filling the rest.
bool parseCoordinate(const std::uint8_t* field, double* value) {
    char text[kCoordinateWidth + 1] = {};
    std::memcpy(text, field, kCoordinateWidth);
    if (std::strlen(text) != kCoordinateWidth) {
        return false;  // a NUL inside the field
    }
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end == text + kCoordinateWidth && end != text && text[kCoordinateWidth - 1] != ' ';
}

RouteEntry decodeRecord(std::size_t index, const std::uint8_t* record) {
    RouteEntry entry;
    entry.index = index;
    const bool coordinates = parseCoordinate(record, &entry.lon) &&
                             parseCoordinate(record + kCoordinateWidth, &entry.lat);
    const std::uint8_t* id = record + 2 * kCoordinateWidth;
    const bool idHasNul = std::find(id, id + kIdWidth, 0) != id + kIdWidth;
    if (!coordinates || idHasNul) {
        entry = RouteEntry{};
        entry.index = index;
        entry.malformed = true;
        entry.raw.assign(reinterpret_cast<const char*>(record), kRouteRecordSize);
        return entry;
    }
    std::string text(reinterpret_cast<const char*>(id), kIdWidth);
    entry.id = text.substr(std::min(text.find_first_not_of(' '), text.size()));
    return entry;
}

}  // namespace

incomingMessage makeAddEntry() {
    return makeMessage(add_entry);
}

incomingMessage makeHeartbeat(std::int32_t number) {
    incomingMessage message = makeMessage(heartbeat);
    writeBigEndian32(number, message.data);
    return message;
}

incomingMessage makeCommand(std::uint8_t code) {
    incomingMessage message = makeMessage(command);
    message.data[0] = code;
    return message;
}

incomingMessage makeEndFlow() {
    return makeMessage(end_flow);
}

DatagramShape shapeOf(std::size_t size) {
    switch (size) {
        case kReplySize:
            return DatagramShape::Reply;
        case kRouteDatagramSize:
            return DatagramShape::RouteDatagram;
        case kOutgoingMessageSize:
            return DatagramShape::Message;
        default:
            return DatagramShape::Unknown;
    }
}

std::int32_t replyKind(std::span<const std::uint8_t> reply) {
    return readBigEndian32(reply.data());
}

std::vector<RouteEntry> decodeRoute(std::span<const std::uint8_t, kRouteReplySize> reply) {
    std::vector<RouteEntry> entries;
    for (std::size_t i = 0; i < kRouteRecordCount; ++i) {
        const std::uint8_t* record = reply.data() + i * kRouteRecordSize;
        const bool empty = std::all_of(record, record + kRouteRecordSize,
                                       [](std::uint8_t byte) { return byte == 0; });
        if (!empty) {
            entries.push_back(decodeRecord(i, record));
        }
    }
    return entries;
}

void RouteAssembly::expect() {
    reply_.fill(0);
    received_ = 0;
    expecting_ = true;
}

bool RouteAssembly::add(std::span<const std::uint8_t> datagram) {
    if (!expecting_ || datagram.size() != kRouteDatagramSize) {
        return false;
    }
    std::memcpy(reply_.data() + received_ * kRouteDatagramSize, datagram.data(),
                kRouteDatagramSize);
    ++received_;
    if (received_ < kRouteDatagramCount) {
        return false;
    }
    expecting_ = false;
    return true;
}

std::vector<RouteEntry> RouteAssembly::entries() const {
    return decodeRoute(std::span<const std::uint8_t, kRouteReplySize>(reply_));
}

void RouteAssembly::abandon() {
    expecting_ = false;
    received_ = 0;
}

}  // namespace tools
