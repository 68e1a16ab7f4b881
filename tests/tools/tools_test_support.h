#pragma once

// Byte builders shared by the companion tools' tests: network log records
// and relay datagrams made by hand.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "monitor/outgoing_message.h"
#include "relay/wire_protocol.h"

namespace tools_test {

using Bytes = std::vector<std::uint8_t>;

// An incoming log record: type 1 and the 24 bytes of a client datagram.
inline Bytes incomingRecord(std::int32_t kind, const Bytes& data = {}) {
    Bytes record(1 + kIncomingMessageSize, 0);
    record[0] = 1;
    writeBigEndian32(kind, record.data() + 1);
    std::copy(data.begin(), data.end(), record.begin() + 5);
    return record;
}

inline Bytes heartbeatRecord(std::int32_t number) {
    Bytes data(4);
    writeBigEndian32(number, data.data());
    return incomingRecord(heartbeat, data);
}

// An outgoing log record: type 2, the time little-endian, the message with
// its thirteen integers little-endian, and the sent flag.
inline Bytes outgoingRecord(std::uint32_t time, const outgoingMessage& message, std::uint8_t sent) {
    Bytes record;
    record.push_back(2);
    for (int shift = 0; shift < 32; shift += 8) {
        record.push_back(static_cast<std::uint8_t>(time >> shift));
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&message);
    const std::size_t start = record.size();
    record.insert(record.end(), bytes, bytes + kOutgoingMessageSize);
    for (std::size_t i = 0; i < kOutgoingIntegerCount; ++i) {
        std::int32_t value = 0;
        std::memcpy(&value, bytes + kOutgoingIntegersOffset + 4 * i, 4);
        for (int b = 0; b < 4; ++b) {
            record[start + kOutgoingIntegersOffset + 4 * i + b] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * b));
        }
    }
    record.push_back(sent);
    return record;
}

inline outgoingMessage telemetry(std::int32_t altitudeFeet) {
    outgoingMessage message{};
    std::strcpy(message.longitudeText, "151.177200");
    std::strcpy(message.latitudeText, "-33.946100");
    message.altitudeFeet = altitudeFeet;
    message.phase = 2;
    return message;
}

inline Bytes joined(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// 2014-01-01 00:00:00 UTC.
constexpr std::uint32_t kNewYear2014 = 1388534400;

}  // namespace tools_test
