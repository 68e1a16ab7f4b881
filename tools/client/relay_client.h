#pragma once

// The conversation of one client with the relay: register with add_entry,
// take the reply and the route, send heartbeats 1, 2, 3..., receive every
// telemetry record and notice, register again when the relay has gone
// silent (it drops clients without telling them), send commands, and leave
// with end_flow.
//
// Thread safety: run() belongs to one thread; requestStop() may be called
// from any thread (the console control handler's among them).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/udp_socket.h"
#include "tools/client/client_report.h"
#include "tools/client/relay_datagrams.h"

namespace tools {

struct RelayClientSettings {
    platform::UdpEndpoint relay;
    platform::UdpEndpoint local;  // port 0: any free port
    std::chrono::milliseconds heartbeatInterval{1000};
    long long recordLimit = 0;              // 0: no limit
    std::chrono::milliseconds duration{0};  // 0: no limit
    bool pauseAtStart = false;
    bool spoilersAtStart = false;
    // The relay drops silent clients without telling them: its purge after
    // 5 seconds without any datagram, its reaper, a reset. A client that
    // hears nothing for this long assumes it was dropped.
    std::chrono::milliseconds silenceLimit{5000};
};

// Where key presses come from: the next key, or -1 when none waits. Never blocks.
using KeySource = std::function<int()>;

class RelayClient {
  public:
    RelayClient(const RelayClientSettings& settings, ClientReport& report);

    // Opens and binds the socket; false when the system refuses either.
    bool open();
    // The local UDP port, once open.
    int localPort() const;

    // Runs the conversation until the record limit, the duration, a q key
    // or requestStop; then sends end_flow and reports the summary.
    void run(const KeySource& keys);
    void requestStop() { stopRequested_ = true; }

    // After run() has returned.
    const ClientStats& stats() const { return stats_; }

  private:
    using Clock = std::chrono::steady_clock;

    void registerWithRelay(bool again);
    void send(const incomingMessage& message);
    void sendCommand(std::uint8_t code);
    void sendDueHeartbeat(Clock::time_point now);
    // False when the key asks to quit.
    bool handleKey(int key);
    void receiveOne();
    void handleDatagram(std::span<const std::uint8_t> datagram);
    void handleReply(std::span<const std::uint8_t> datagram);
    void handleRouteDatagram(std::span<const std::uint8_t> datagram);
    void handleMessage(std::span<const std::uint8_t> datagram);
    void abandonRoute();
    std::chrono::milliseconds timeUntilNextEvent(Clock::time_point now) const;
    std::string endReason(Clock::time_point now, Clock::time_point end) const;

    RelayClientSettings settings_;
    ClientReport& report_;
    std::unique_ptr<platform::UdpSocket> socket_;
    std::vector<std::uint8_t> buffer_;
    std::atomic<bool> stopRequested_{false};
    bool quitKey_ = false;

    ClientStats stats_;
    RouteAssembly route_;
    std::int32_t lastHeartbeat_ = 0;
    Clock::time_point nextHeartbeat_{};
    Clock::time_point lastArrival_{};
    Clock::time_point lastRecord_{};
};

}  // namespace tools
