#pragma once

// What the relay's tests share: clients on real loopback sockets, recording
// fakes for the simulator commands, an adjustable clock and a server fixture.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/udp_socket.h"
#include "relay/server_socket.h"
#include "tests/support/wait.h"

namespace relay_test {

using Bytes = std::vector<std::uint8_t>;

// The recording fakes of the simulator commands.
extern std::atomic<int> pauseToggles;
extern std::atomic<int> spoilersToggles;
extern std::atomic<int> pauseOffs;
SimulatorCommands recordingCommands();

// A clock the test sets by hand.
extern std::atomic<std::int64_t> fakeNow;
std::int64_t fakeClock();

// Durations short enough for a quick suite; the silence before a purge stays
// long so that no test loses its clients by accident.
RelayTimings fastTimings();

// Polls `condition` until it holds or `timeoutMs` has passed.
using testing_support::waitUntil;

// A 24-byte client datagram: the kind big-endian, then `data`, zero-padded.
Bytes datagram(std::int32_t kind, const Bytes& data = {});
Bytes heartbeatDatagram(std::int32_t number);
Bytes commandDatagram(std::uint8_t code);

// A telemetry record as the monitor hands it over: owned by the caller until
// sendToClients.
outgoingMessage* newTelemetry(std::int32_t altitudeFeet);

// A network client on its own UDP socket at `host` (any 127.0.0.x).
class TestClient {
  public:
    TestClient(int relayPort, const char* host = "127.0.0.1");

    void send(const Bytes& bytes);
    void send(const void* bytes, std::size_t size);
    // The next datagram, or nothing within `timeoutMs`.
    std::optional<Bytes> receive(int timeoutMs = 5000);
    // True when nothing is waiting now or arrives within `timeoutMs`.
    bool receivesNothing(int timeoutMs = 100);

    long key() const;

  private:
    std::unique_ptr<platform::UdpSocket> socket_;
    platform::UdpEndpoint relay_;
    platform::UdpEndpoint local_;
};

// Captures what the process writes to standard output from construction
// until text() is called.
class ConsoleCapture {
  public:
    ConsoleCapture();
    ~ConsoleCapture();
    std::string text();

  private:
    bool capturing_ = true;
    std::string captured_;
};

// One relay on an ephemeral port, its threads started on demand, and the
// route table emptied.
class RelayFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the server and starts the receive and send threads (and the
    // reaper when asked).
    void start(const RelayTimings& timings = fastTimings(), bool withReaper = false);
    // Builds the server and starts nothing.
    void construct(const RelayTimings& timings = fastTimings());

    int port() const { return server->boundPort(); }

    // Returns once the receive loop has handled every datagram sent before:
    // a marker command goes out last and is waited for. Counts one spoilers toggle.
    void syncWithReceiveLoop();

    // Registers `client` and waits until the registration is complete.
    void registerClient(TestClient& client);

    std::unique_ptr<ServerSocket> server;
};

}  // namespace relay_test
