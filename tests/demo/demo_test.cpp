// The README's demo, flown fast: the stand-in simulator, corvessa and the
// relay client together, through the same script a newcomer runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "monitor/outgoing_message.h"
#include "platform/child_process.h"
#include "relay/wire_protocol.h"
#include "sim/link/link_server.h"
#include "tests/demo/demo_flight.h"
#include "tests/support/paths.h"
#include "tests/support/relay_test_client.h"
#include "tests/support/wait.h"

namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The number written right after `label` in `text`, or -1.
long numberAfter(const std::string& text, const std::string& label) {
    const auto at = text.find(label);
    return at == std::string::npos ? -1 : std::atol(text.c_str() + at + label.size());
}

// The telemetry records among the relay client's text lines.
std::size_t recordLines(const std::string& clientOutput) {
    std::size_t count = 0;
    for (const char* phase : {"Z  none ", "Z  climb ", "Z  cruise ", "Z  descent "}) {
        count += occurrences(clientOutput, phase);
    }
    return count;
}

using testing_support::contains;
using testing_support::correctionsIn;
using testing_support::fileText;
using testing_support::SpoilerCorrections;

// One flight, checked as a whole: at twice the demo's speed-up it still takes
// about a minute, since the frames (and so the samples the program acts on)
// run in real time and a faster run would sample the flight too coarsely.
TEST(DemoFlight, FliesTheWholeDemoAndShowsEveryCorrection) {
    testing_support::flyDemoAndCheckIt(testing_support::programPath(""));
}

// The same flight against a simulator that never answers a weather request,
// as the newer simulators: the records still flow and the speed window acts.
// Without the wind-change rule nothing would push the demo's Mach 0.81
// cruise out of the window, so the crew's thrust holds Mach 0.84, above it.
TEST(DemoFlight, WithoutWeatherObservationsEverySampleAfterTheFirstFewReachesTheClient) {
    const testing_support::DemoRun run = testing_support::flyDemo(
        testing_support::programPath(""), {"DEMO_SIMULATOR_OPTIONS=--no-weather --mach 0.84"});
    const auto output = [&](const char* name) { return fileText(run.folder + "/" + name); };
    ASSERT_TRUE(run.ended) << run.standardOutput << run.standardError;
    EXPECT_EQ(run.exitStatus, 0) << run.standardError;

    const std::string corvessa = output("corvessa.txt");
    EXPECT_TRUE(contains(corvessa,
                         "Received:2\nSimulator: Corvessa stand-in simulator 0.0, build "
                         "0.0; client library 10.0.60905.0\n"))
        << corvessa.substr(0, 2000);
    EXPECT_EQ(occurrences(corvessa,
                          "The simulator gives no weather observations: records go out "
                          "without the wind ahead\n"),
              1u);
    // The first three samples' records wait in vain; every later one goes out.
    const std::string simulator = output("simulator.txt");
    const long blocks = numberAfter(simulator, "corvessa-sim: aircraft data blocks sent: ");
    const long sent = numberAfter(output("network-log.txt"), "outgoing: telemetry ");
    EXPECT_GT(blocks, 50);
    EXPECT_EQ(sent, blocks - 3);
    EXPECT_GE(static_cast<long>(recordLines(output("client.txt"))), blocks - 10);

    const SpoilerCorrections corrections = correctionsIn(simulator);
    EXPECT_TRUE(corrections.overSpeed);
    EXPECT_TRUE(corrections.underSpeed);
    EXPECT_FALSE(corrections.windChange);
    std::filesystem::remove_all(run.folder);
}

// A relay client that registers once and from then on only heartbeats,
// counting the 96-byte messages it receives, on a thread of its own.
class SteadyClient {
  public:
    explicit SteadyClient(int relayPort)
        : client_("127.0.0.7", relayPort), thread_([this] { run(); }) {}
    ~SteadyClient() {
        stop_ = true;
        thread_.join();
    }
    std::size_t records() const { return records_; }

  private:
    void run() {
        using Clock = std::chrono::steady_clock;
        constexpr auto kHeartbeatPeriod = std::chrono::seconds(1);
        client_.send(add_entry);
        auto lastHeartbeat = Clock::now();
        std::int32_t heartbeat = 0;
        while (!stop_) {
            if (const auto datagram = client_.receive(100)) {
                records_ += datagram->size() == kOutgoingMessageSize ? 1 : 0;
            }
            if (Clock::now() - lastHeartbeat >= kHeartbeatPeriod) {
                client_.sendHeartbeat(++heartbeat);
                lastHeartbeat = Clock::now();
            }
        }
    }

    testing_support::RelayTestClient client_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> records_{0};
    std::thread thread_;
};

// "-reconnect" across a simulator restart: corvessa starts first, the
// simulator comes, quits and comes again, and one client registered
// throughout receives the telemetry of both flights.
TEST(DemoReconnect, AClientRegisteredThroughoutReceivesBothFlights) {
    // Each step waits for at most one 5-second retry and a few samples.
    constexpr int kStepMs = 30000;
    const std::string simulatorAddress =
        "127.0.0.1:" + std::to_string(sim::LinkServer::listen()->port());
    const std::string relayPort = std::to_string(testing_support::freeUdpPort());
    platform::ChildProcess::Options withSimulator;
    withSimulator.environment = {"CORVESSA_SIMULATOR=" + simulatorAddress};
    auto corvessa =
        platform::ChildProcess::start(testing_support::programPath("app/corvessa"),
                                      {"-reconnect", "-port", relayPort}, withSimulator);
    ASSERT_TRUE(corvessa->waitForOutput("Waiting for the simulator...", kStepMs));
    SteadyClient client(std::stoi(relayPort));
    const auto records = [&] { return client.records(); };

    // One flight until the client has `wanted` records, then the simulator quits.
    const auto flyUntil = [&](std::vector<std::string> simulatorOptions, std::size_t wanted) {
        simulatorOptions.insert(
            simulatorOptions.begin(),
            {"--listen", simulatorAddress, "--speedup", "30", "--start-delay", "0.5"});
        auto simulator = platform::ChildProcess::start(
            testing_support::programPath("sim/standin/corvessa-sim"), simulatorOptions);
        const bool arrived =
            testing_support::waitUntil([&] { return records() >= wanted; }, kStepMs);
        simulator->sendControlEvent(platform::CtrlC);  // it tells the program it quits
        EXPECT_TRUE(simulator->wait(kStepMs));
        return arrived;
    };
    EXPECT_TRUE(flyUntil({"--application", "KittyHawk:11.0"}, 3));
    EXPECT_TRUE(testing_support::waitUntil(
        [&] {
            return occurrences(corvessa->standardOutput(), "Waiting for the simulator...") == 2;
        },
        kStepMs));
    EXPECT_TRUE(flyUntil({}, records() + 3)) << corvessa->standardOutput();

    corvessa->sendControlEvent(platform::CtrlC);
    ASSERT_TRUE(corvessa->wait(kStepMs));
    EXPECT_TRUE(corvessa->endedBy(platform::CtrlC));
    const std::string console = corvessa->standardOutput();
    EXPECT_TRUE(contains(console, "Received:2\nSimulator: KittyHawk 11.0, build 0.0;")) << console;
    EXPECT_TRUE(contains(console, "Received:2\nSimulator: Corvessa stand-in simulator 0.0,"));
    EXPECT_EQ(occurrences(console, "\nConnected to Flight Simulator!"), 2u);
    EXPECT_EQ(occurrences(console, "quiting\ndistance "), 2u);
    EXPECT_EQ(occurrences(console, "adding entry:"), 1u) << "the client registered once";
    EXPECT_EQ(occurrences(console, "removing"), 0u) << console;
}

}  // namespace
