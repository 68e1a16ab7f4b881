#pragma once

// The flight monitor as the program runs it: the dispatch loop on a thread of
// its own (the program's main thread) connected through the stand-in client
// library to a test simulator, and a real relay on an ephemeral port with one
// UDP client registered, which receives what the monitor publishes.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "monitor/outgoing_message.h"
#include "platform/udp_socket.h"
#include "relay/server_socket.h"
#include "sim/link/link_server.h"
#include "simlink/client_events.h"
#include "simlink/connection.h"

namespace monitor_testing {

// How long a test waits for something that should come at once.
constexpr int kWaitMs = 5000;

// Relay timings that keep the client registered for the whole test and do
// not hold the relay up after the registration.
RelayTimings shortRelayTimings();

// A sample in climb at 1200 feet over Seattle, heading west, the wind ahead
// as at the aircraft.
AircraftSample climbingSample();

// One 96-byte datagram as it arrived.
struct ReceivedMessage {
    std::uint8_t bytes[kOutgoingMessageSize];
    // The message with its integers back in host order.
    outgoingMessage record() const;
};

// Thread safety: the test's thread only. The shared flight state belongs to
// the program's thread from start() until stopProgram() has returned.
class MonitorDispatchTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Sets the settings first (flightState), then call this: starts the relay
    // and the program, and registers the client.
    void start(RelayTimings timings = shortRelayTimings());

    // Plays the simulator's quit and waits for the program's loop to end.
    void stopProgram();

    void sendSample(const AircraftSample& sample, std::uint32_t requestId = AircraftSampleRequest);
    void sendWeather(std::string_view metar);
    void sendNotification(ClientEvent event);

    // The next 96-byte datagram the client receives; route replies are skipped.
    std::optional<ReceivedMessage> nextMessage(int timeoutMs = kWaitMs);
    // A sample and its observation, and the record they make.
    outgoingMessage recordOf(const AircraftSample& sample,
                             std::string_view metar = "KSEA 121853Z 27060KT 10SM");

    // The program's calls up to and including the weather request of one
    // more sample sent now (at 1200 feet), which makes sure every call made
    // for the messages before it has arrived.
    std::vector<sim::CallLine> callsSoFar();

    // The client events among `calls`, in order.
    static std::vector<std::uint32_t> transmittedEvents(const std::vector<sim::CallLine>& calls);

    std::unique_ptr<sim::LinkServer> simulator_;
    std::unique_ptr<ServerSocket> relay_;
    std::unique_ptr<platform::UdpSocket> client_;

  private:
    std::thread program_;
    bool programRunning_ = false;
    long markersSent_ = 0;
};

// The values of a sample in definition order, as the simulator sends them.
std::vector<double> sampleValues(const AircraftSample& sample);

}  // namespace monitor_testing
