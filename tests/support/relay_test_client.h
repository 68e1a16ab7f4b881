#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/udp_socket.h"
#include "relay/wire_protocol.h"

namespace testing_support {

// A network client of the relay for tests: one UDP socket bound to a local
// address of its own (127.0.0.x: Linux routes all of 127/8 to loopback, so
// each address is a distinct client to the relay).
class RelayTestClient {
  public:
    RelayTestClient(const std::string& localAddress, int relayPort);

    bool ok() const { return socket_ != nullptr; }

    void send(MessageKind kind, const std::vector<std::uint8_t>& data = {});
    void sendHeartbeat(std::int32_t number);
    void sendCommand(std::uint8_t code);

    // The next datagram, or nothing within `timeoutMs`.
    std::optional<std::vector<std::uint8_t>> receive(int timeoutMs);
    // The next datagram of exactly `size` bytes, skipping others.
    std::optional<std::vector<std::uint8_t>> receiveOfSize(std::size_t size, int timeoutMs);

  private:
    std::unique_ptr<platform::UdpSocket> socket_;
    platform::UdpEndpoint relay_;
};

// A UDP port on loopback that nobody was using a moment ago.
int freeUdpPort();

}  // namespace testing_support
