#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/udp_socket.h"

namespace bench {

using Clock = std::chrono::steady_clock;

// When one record reached the first and the last of the clients; `lost`
// clients had not received it by the deadline.
struct Delivery {
    Clock::time_point first{};
    Clock::time_point last{};
    int lost = 0;
};

// Relay clients on distinct loopback addresses (127.0.0.2, .3, ...), the
// relay's view of distinct pilots' devices, each heartbeating as a real one.
//
// Thread safety: one thread.
class ClientFleet {
  public:
    explicit ClientFleet(int relayPort);

    int size() const { return static_cast<int>(clients_.size()); }

    // Registers clients until there are `count`, one after the other, each
    // when the previous one's reply has come; heartbeats all the while.
    // False when a reply did not come within the relay's pauses.
    bool growTo(int count);

    // Sends every client's next heartbeat when a second has passed since the
    // last ones.
    void heartbeatWhenDue();

    // Throws away whatever the clients have received so far.
    void drain();

    // Waits, client by client in the relay's sending order, for a record
    // (96 bytes; other datagrams are skipped) until `deadline`.
    Delivery awaitRecord(Clock::time_point deadline);

    // Where the clients listen, in the relay's sending order, for a plain
    // socket to send to.
    std::vector<platform::UdpEndpoint> addresses() const;

  private:
    struct Client {
        std::unique_ptr<platform::UdpSocket> socket;
        platform::UdpEndpoint address;
        std::int32_t heartbeat = 0;
    };

    bool addClient();
    void sendHeartbeats();

    platform::UdpEndpoint relay_{};
    std::vector<Client> clients_;
    Clock::time_point lastHeartbeats_{};
};

}  // namespace bench
