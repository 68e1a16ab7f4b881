#pragma once

// One client's registration with the relay, shared by every companion tool
// that joins it: register with add_entry, take the reply and the route, send
// heartbeats 1, 2, 3..., hand on every telemetry record and notice, register
// again when the relay has gone silent (it drops clients without telling
// them), send commands, and leave with end_flow.
//
// A paused simulator sends no samples, so after a "PAUSED" notice silence
// is expected: the session goes on heartbeating and registers again only
// after the much longer paused silence limit, or once an "UNPAUSED" or
// "RESET" notice or a telemetry record has said the pause is over. (Every
// registration makes the relay send PauseOff, which would end the pause.)
//
// Thread safety: everything but sendCommand belongs to one thread, the one
// that runs step(); sendCommand may be called from any thread while it runs.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "monitor/outgoing_message.h"
#include "platform/udp_socket.h"
#include "tools/client/relay_datagrams.h"

namespace tools {

struct RelaySessionSettings {
    platform::UdpEndpoint relay;
    platform::UdpEndpoint local;  // port 0: any free port
    std::chrono::milliseconds heartbeatInterval{1000};
    // The relay drops silent clients without telling them: its purge after
    // 5 seconds without any datagram, its reaper, a reset. A session that
    // hears nothing for this long assumes it was dropped.
    std::chrono::milliseconds silenceLimit{5000};
    // During a pause nothing flows; the heartbeats keep the registration, and
    // only a silence this long (a relay that restarted, heartbeats lost)
    // makes the session register again, ending the pause.
    std::chrono::milliseconds pausedSilenceLimit{30000};
};

// What the session tells its owner, on the thread that runs step(). Any of
// them may be left empty.
struct RelaySessionEvents {
    // `again` after a silence of `silenceLimit`.
    std::function<void(bool again, std::chrono::milliseconds silenceLimit)> registering;
    std::function<void()> heartbeatSent;
    std::function<void(std::int32_t kind)> reply;
    std::function<void(const std::vector<RouteEntry>& entries)> route;
    std::function<void(std::size_t datagramsReceived)> routeIncomplete;
    // A telemetry record or a notice, its integers in host order.
    std::function<void(const outgoingMessage& message)> message;
    std::function<void(std::size_t size, const std::string& reason)> ignored;
    // A "PAUSED" notice arrived: the session now waits for the simulator to resume.
    std::function<void()> waitingForResume;
};

// The relay's address as "a.b.c.d:port".
std::string endpointText(const platform::UdpEndpoint& endpoint);

class RelaySession {
  public:
    using Clock = std::chrono::steady_clock;

    RelaySession(const RelaySessionSettings& settings, RelaySessionEvents events);

    // Opens and binds the socket; false when the system refuses either.
    bool open();
    // The local UDP port, once open.
    int localPort() const;
    const RelaySessionSettings& settings() const { return settings_; }

    // The first registration.
    void begin();
    // Registers again when the relay has been silent too long, sends a due
    // heartbeat, then waits at most `longestWait` for one datagram and
    // handles it.
    void step(std::chrono::milliseconds longestWait);
    // Registers again now, whatever the silence (the relay sends the route
    // only in answer to a registration).
    void registerAgain() { registerWithRelay(true); }
    // Tells the relay the client leaves.
    void leave();

    void sendCommand(std::uint8_t code);

    // Whether the last notice was "PAUSED" and nothing has said the pause is over.
    bool simulatorPaused() const { return paused_; }
    // How long nothing has come from the relay.
    Clock::duration silence() const { return Clock::now() - lastArrival_; }

  private:
    void registerWithRelay(bool again);
    void send(const incomingMessage& message);
    void sendDueHeartbeat(Clock::time_point now);
    std::chrono::milliseconds currentSilenceLimit() const;
    std::chrono::milliseconds timeUntilDue(Clock::time_point now) const;
    void receiveOne();
    void handleDatagram(std::span<const std::uint8_t> datagram);
    void handleReply(std::span<const std::uint8_t> datagram);
    void handleRouteDatagram(std::span<const std::uint8_t> datagram);
    void handleMessage(std::span<const std::uint8_t> datagram);
    void ignore(std::size_t size, const std::string& reason);
    void abandonRoute();

    RelaySessionSettings settings_;
    RelaySessionEvents events_;
    std::unique_ptr<platform::UdpSocket> socket_;
    std::vector<std::uint8_t> buffer_;

    RouteAssembly route_;
    std::int32_t lastHeartbeat_ = 0;
    bool paused_ = false;
    Clock::time_point nextHeartbeat_{};
    Clock::time_point lastArrival_{};
};

}  // namespace tools
