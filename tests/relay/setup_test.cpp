// Setting the relay up, and the program's real durations end to end.
#include <chrono>
#include <cstring>
#include <string>

#include "platform/child_process.h"
#include "route/waypoint_table.h"
#include "tests/relay/relay_test_support.h"
#include "tests/support/paths.h"

namespace relay_test {
namespace {

using RelaySetUp = RelayFixture;
using RelayRealTimings = RelayFixture;
using Clock = std::chrono::steady_clock;

constexpr int kProbeTimeoutMs = 20000;
constexpr int kPortsPerWrap = 65536;
const char* const kKeyWait = "Press any key to continue . . . \n";

std::string probePath() {
    return testing_support::programPath("tests/relay/relay_server_probe");
}

TEST_F(RelaySetUp, PortInUseEndsTheProcessWithFourteen) {
    construct();
    const auto run = platform::runProgram(probePath(), {std::to_string(port())}, kProbeTimeoutMs);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitStatus, 14);
    EXPECT_EQ(run.standardError, "ServerSocket: Failed to connect\nUDP port " +
                                     std::to_string(port()) +
                                     " cannot be bound: Address already in use\n");
    EXPECT_EQ(run.standardOutput, kKeyWait);
}

TEST_F(RelaySetUp, PortAboveSixtyFiveThousandBindsItsLowSixteenBits) {
    construct();
    const int taken = port();
    // The same port one wrap higher is the same port, so it is in use too.
    const auto run =
        platform::runProgram(probePath(), {std::to_string(taken + kPortsPerWrap)}, kProbeTimeoutMs);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitStatus, 14);

    server.reset();
    server =
        std::make_unique<ServerSocket>(taken + kPortsPerWrap, recordingCommands(), fastTimings());
    EXPECT_EQ(server->boundPort(), taken);
}

TEST_F(RelaySetUp, NoSocketEndsTheProcessWithEleven) {
#ifdef _WIN32
    GTEST_SKIP() << "runs the probe under a POSIX shell's descriptor limit";
#endif
    // The probe takes every descriptor the limit allows before it asks for a socket.
    const auto run = platform::runProgram(
        "/bin/sh", {"-c", "ulimit -n 64 && exec \"$0\" --exhaust-descriptors 0", probePath()},
        kProbeTimeoutMs);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitStatus, 11) << run.standardOutput << run.standardError;
    EXPECT_EQ(run.standardError, "Socket Initialization: Error creating socket\n");
    EXPECT_EQ(run.standardOutput, kKeyWait);
}

TEST_F(RelaySetUp, ProbeBindsAnEphemeralPort) {
    // The probe's success path, so that the failures above are its own.
    const auto run = platform::runProgram(probePath(), {"0"}, kProbeTimeoutMs);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.standardOutput.rfind("bound ", 0), 0u) << run.standardOutput;
    EXPECT_EQ(run.standardError, "");
}

long long millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The program's own durations: the route 2 s after registering, nothing else
// for 2 s more, and shutdown's 1 s.
TEST_F(RelayRealTimings, RegistrationPausesAndShutdownTakeTheirFullTime) {
    WaypointTable route{};
    std::strcpy(route[0].id, "WPT1");
    route[0].lat = 12.5;
    route[0].lon = -45.25;
    publishWaypointTable(route);
    start(RelayTimings{});
    server->sendToClients(newTelemetry(1));

    TestClient client(port());
    const Clock::time_point registered = Clock::now();
    client.send(datagram(add_entry));
    const auto reply = client.receive(10000);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(*reply, (Bytes{0, 0, 0, 5}));
    EXPECT_GE(millisecondsSince(registered), 2000);
    for (int datagram = 0; datagram < 5; ++datagram) {
        ASSERT_TRUE(client.receive().has_value());
    }

    server->sendToClients(newTelemetry(35000));
    const auto telemetry = client.receive(10000);
    ASSERT_TRUE(telemetry.has_value());
    EXPECT_EQ(readBigEndian32(telemetry->data() + 40), 35000);
    EXPECT_GE(millisecondsSince(registered), 4000);

    ConsoleCapture console;
    const Clock::time_point stopping = Clock::now();
    server->shutdown();
    EXPECT_GE(millisecondsSince(stopping), 1000);
    EXPECT_EQ(console.text(), "Shutting down");
}

// The receive loop sleeps through a whole silent period instead of waking
// to look at a flag; stopping the relay wakes it, so the end does not wait
// for the silence to run out.
TEST_F(RelaySetUp, StoppingWakesTheReceiveLoopFromItsSilentPeriod) {
    RelayTimings timings = fastTimings();
    timings.selectTimeoutMs = 600000;
    start(timings);
    TestClient client(port());
    registerClient(client);

    const auto before = std::chrono::steady_clock::now();
    server.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
}

}  // namespace
}  // namespace relay_test
