// The client's conversation, driven in-process against a real relay on a
// loopback port, and against a hand-driven socket that plays a faulty relay.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/udp_socket.h"
#include "tests/support/paths.h"
#include "tests/tools/relay_harness.h"
#include "tests/tools/tools_test_support.h"
#include "tools/client/relay_client.h"
#include "tools/netlog/log_reader.h"

namespace {

using namespace tools_test;
using std::chrono::milliseconds;

// One client running its loop on a thread of its own, its lines collected.
class ClientRun {
  public:
    ClientRun(int relayPort, tools::RelayClientSettings settings = fastSettings())
        : report_(
              tools::OutputFormat::Text, [this](const std::string& line) { keep(line); },
              [this](const std::string& line) { keep(line); }),
          client_(withRelay(settings, relayPort), report_) {}

    ~ClientRun() { stop(); }

    static tools::RelayClientSettings fastSettings() {
        tools::RelayClientSettings settings;
        settings.local.address = platform::ipv4Address("127.0.0.1");
        settings.heartbeatInterval = milliseconds(100);
        return settings;
    }

    void start(tools::KeySource keys = {}) {
        ASSERT_TRUE(client_.open());
        thread_ = std::thread([this, keys] {
            client_.run(keys);
            finished_ = true;
        });
    }

    void stop() {
        client_.requestStop();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    bool finished() const { return finished_; }
    void join() { thread_.join(); }
    const tools::ClientStats& stats() const { return client_.stats(); }
    int localPort() const { return client_.localPort(); }

    bool waitForLine(const std::string& part, int timeoutMs = 5000) {
        return waitUntil([&] { return countLines(part) > 0; }, timeoutMs);
    }

    std::size_t countLines(const std::string& part) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::size_t count = 0;
        for (const std::string& line : lines_) {
            count += line.find(part) != std::string::npos ? 1 : 0;
        }
        return count;
    }

    std::string allLines() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string all;
        for (const std::string& line : lines_) {
            all += line + "\n";
        }
        return all;
    }

  private:
    static tools::RelayClientSettings withRelay(tools::RelayClientSettings settings, int port) {
        settings.relay.address = platform::ipv4Address("127.0.0.1");
        settings.relay.port = static_cast<std::uint16_t>(port);
        return settings;
    }

    void keep(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
    }

    std::mutex mutex_;
    std::vector<std::string> lines_;
    tools::ClientReport report_;
    tools::RelayClient client_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
};

TEST(ToolsClientRelay, RegistersWithoutRouteAndLeavesWithEndFlow) {
    auto relay = startRelay(quickTimings());
    ClientRun run(relay->boundPort());
    run.start();
    ASSERT_TRUE(run.waitForLine("Registered: the relay has no route")) << run.allLines();
    EXPECT_TRUE(waitUntil([&] { return relay->clientCount() == 1; }));
    EXPECT_EQ(pauseOffs, 1);
    run.stop();
    EXPECT_TRUE(waitUntil([&] { return relay->clientCount() == 0; })) << "end_flow did not arrive";
    EXPECT_EQ(run.countLines("Ending: stop requested"), 1u);
    EXPECT_EQ(run.countLines("registrations:               1"), 1u) << run.allLines();
}

TEST(ToolsClientRelay, RegistersWithRouteOnceTelemetryHasStarted) {
    auto relay = startRelay(quickTimings());
    publishRoute({{"WPT1", 12.5, -45.25}, {"ABCDEFG", -33.9461, 151.1772}});
    relay->sendToClients(newTelemetry(1000));  // no client: dropped, but telemetry has started
    ClientRun run(relay->boundPort());
    run.start();
    // The table's last line: the whole table has been printed.
    ASSERT_TRUE(run.waitForLine("    1  ABCDE")) << run.allLines();
    EXPECT_EQ(run.countLines("Route: 2 waypoints"), 1u);
    EXPECT_EQ(run.countLines("Registered: the route follows"), 1u);
    EXPECT_EQ(run.countLines("    0  WPT1     12.50000   -45.25000"), 1u) << run.allLines();
    EXPECT_EQ(run.countLines("ABCDE"), 1u);
    run.stop();
    EXPECT_EQ(run.stats().routeEntries, 2u);
    EXPECT_EQ(run.stats().ignored, 0u);
}

TEST(ToolsClientRelay, DecodesTelemetryAndNoticesUntilTheRecordLimit) {
    auto relay = startRelay(quickTimings());
    tools::RelayClientSettings settings = ClientRun::fastSettings();
    settings.recordLimit = 3;
    ClientRun run(relay->boundPort(), settings);
    run.start();
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 1; }));
    auto* paused = new outgoingMessage(makeNotice(kPausedNotice));
    relay->sendToClients(paused);
    ASSERT_TRUE(waitUntil([&] {
        if (!run.finished()) {
            relay->sendToClients(newTelemetry(35000));
        }
        return run.finished();
    }));
    run.join();
    EXPECT_EQ(run.stats().records, 3u);
    EXPECT_EQ(run.stats().notices, 1u);
    EXPECT_EQ(run.countLines("alt 35000 ft"), 3u) << run.allLines();
    EXPECT_EQ(run.countLines("M0.799"), 3u);
    EXPECT_EQ(run.countLines("Z  PAUSED"), 1u) << run.allLines();
    EXPECT_EQ(run.countLines("Ending: record count reached"), 1u);
    EXPECT_GE(run.stats().longestGap.count(), 0);
    EXPECT_TRUE(waitUntil([&] { return relay->clientCount() == 0; })) << "end_flow did not arrive";
}

TEST(ToolsClientRelay, CommandsAtStartAndFromKeysReachTheSimulator) {
    auto relay = startRelay(quickTimings());
    tools::RelayClientSettings settings = ClientRun::fastSettings();
    settings.pauseAtStart = true;
    settings.spoilersAtStart = true;
    ClientRun run(relay->boundPort(), settings);
    std::mutex keysMutex;
    std::deque<int> keys;
    run.start([&]() {
        std::lock_guard<std::mutex> lock(keysMutex);
        if (keys.empty()) {
            return -1;
        }
        const int key = keys.front();
        keys.pop_front();
        return key;
    });
    ASSERT_TRUE(waitUntil([&] { return pauseToggles == 1 && spoilersToggles == 1; }));
    {
        std::lock_guard<std::mutex> lock(keysMutex);
        keys = {'p', 'x', 's', 'S'};
    }
    ASSERT_TRUE(waitUntil([&] { return pauseToggles == 2 && spoilersToggles == 3; }));
    {
        std::lock_guard<std::mutex> lock(keysMutex);
        keys = {'q', 'p'};  // nothing after q is sent
    }
    ASSERT_TRUE(waitUntil([&] { return run.finished(); }));
    run.join();
    EXPECT_EQ(run.countLines("Ending: q pressed"), 1u);
    EXPECT_TRUE(waitUntil([&] { return relay->clientCount() == 0; }));
    EXPECT_EQ(pauseToggles, 2);
}

TEST(ToolsClientRelay, HeartbeatsKeepItRegisteredPastTheReapersLimit) {
    RelayTimings timings = quickTimings();
    // The relay's clock counts whole seconds: a limit of 2 leaves heartbeats
    // 100 ms apart plenty of room, and drops a silent client within 3 seconds.
    timings.inactivityLimitSeconds = 2.0f;
    auto relay = startRelay(timings, true);
    ClientRun run(relay->boundPort());
    run.start();
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 1; }));
    // Longer than a silent client would last.
    for (int check = 0; check < 40; ++check) {
        std::this_thread::sleep_for(milliseconds(100));
        ASSERT_EQ(relay->clientCount(), 1u) << "dropped after " << check * 100 << " ms";
    }
    run.stop();
    EXPECT_EQ(run.stats().registrations, 1u);
    EXPECT_GE(run.stats().heartbeats, 30u);
}

TEST(ToolsClientRelay, RegistersAgainAfterAPurgeWithItsHeartbeatsFromOne) {
    const std::string folder = testing_support::makeTemporaryDirectory();
    std::unique_ptr<ServerSocket> relay;
    {
        WorkingDirectory inFolder(folder);
        RelayTimings timings = quickTimings();
        timings.selectTimeoutMs = 300;  // the relay drops everyone after 300 ms of silence
        pauseToggles = 0;
        relay = std::make_unique<ServerSocket>(
            0, SimulatorCommands{[] {}, [] {}, [] { ++pauseOffs; }}, timings);
        relay->enableNetworkLog(1);
    }
    relay->startReceiveThread();
    relay->startSendThread();
    tools::RelayClientSettings settings = ClientRun::fastSettings();
    settings.heartbeatInterval = milliseconds(500);  // slower than the relay's purge
    settings.silenceLimit = milliseconds(800);
    ClientRun run(relay->boundPort(), settings);
    run.start();
    ASSERT_TRUE(waitUntil(
        [&] { return run.countLines("Nothing received for 0.8 seconds: registering again") >= 2; },
        10000))
        << run.allLines();
    run.stop();
    relay.reset();
    EXPECT_GE(run.stats().registrations, 3u);

    std::ifstream file(folder + "/network.log", std::ios::binary);
    const std::vector<std::uint8_t> log((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
    std::size_t offset = 0;
    tools::LogRecord record;
    tools::LogFault fault;
    std::int32_t expected = 0;
    int registrations = 0;
    while (tools::readRecord(log, &offset, &record, &fault) == tools::ReadResult::Record) {
        const std::int32_t kind = readBigEndian32(record.incoming.kind);
        if (kind == add_entry) {
            ++registrations;
            expected = 1;
        } else if (kind == heartbeat) {
            EXPECT_EQ(readBigEndian32(record.incoming.data), expected)
                << "after registration " << registrations;
            ++expected;
        }
    }
    EXPECT_GE(registrations, 3);
}

// A socket that plays the relay, so that the test decides every datagram.
class FakeRelay {
  public:
    FakeRelay() : socket_(platform::UdpSocket::open()) {
        platform::UdpEndpoint local;
        local.address = platform::ipv4Address("127.0.0.1");
        EXPECT_TRUE(socket_->bind(local));
    }
    int port() const { return socket_->localPort(); }

    // The next 24-byte datagram from the client; remembers where it came from.
    incomingMessage receive() {
        incomingMessage message{};
        EXPECT_EQ(socket_->waitUntilReadable(5000), platform::WaitResult::Readable);
        EXPECT_EQ(socket_->receiveFrom(&message, sizeof message, &client_), 24);
        return message;
    }
    void send(const Bytes& bytes) { socket_->sendTo(bytes.data(), bytes.size(), client_); }
    platform::UdpEndpoint client() const { return client_; }

  private:
    std::unique_ptr<platform::UdpSocket> socket_;
    platform::UdpEndpoint client_{};
};

Bytes wireTelemetry(std::int32_t altitudeFeet) {
    const outgoingMessage host = telemetry(altitudeFeet);
    Bytes bytes(reinterpret_cast<const std::uint8_t*>(&host),
                reinterpret_cast<const std::uint8_t*>(&host) + kOutgoingMessageSize);
    writeBigEndian32(altitudeFeet, bytes.data() + kOutgoingIntegersOffset);
    return bytes;
}

Bytes reply(std::int32_t kind) {
    Bytes bytes(4);
    writeBigEndian32(kind, bytes.data());
    return bytes;
}

TEST(ToolsClientRelay, NumbersHeartbeatsAndSurvivesDatagramsNoRelaySends) {
    FakeRelay relay;
    ClientRun run(relay.port());
    run.start();
    ASSERT_EQ(readBigEndian32(relay.receive().kind), add_entry);
    for (std::int32_t number = 1; number <= 3; ++number) {
        const incomingMessage beat = relay.receive();
        ASSERT_EQ(readBigEndian32(beat.kind), heartbeat);
        EXPECT_EQ(readBigEndian32(beat.data), number);
    }
    relay.send(Bytes(37, 0xEE));                 // no relay datagram has 37 bytes
    relay.send(Bytes(kRouteDatagramSize, 'x'));  // a route datagram nobody announced
    relay.send(reply(9));                        // a reply of no known kind
    relay.send(reply(route_entries));
    relay.send(Bytes(kRouteDatagramSize, 0));  // two of the five, then telemetry
    relay.send(Bytes(kRouteDatagramSize, 0));
    relay.send(wireTelemetry(35000));
    relay.send(Bytes{});  // an empty datagram
    // A stranger's datagram of the right size is not the relay's.
    auto stranger = platform::UdpSocket::open();
    platform::UdpEndpoint local;
    local.address = platform::ipv4Address("127.0.0.1");
    ASSERT_TRUE(stranger->bind(local));
    const Bytes strangeTelemetry = wireTelemetry(1);
    stranger->sendTo(strangeTelemetry.data(), strangeTelemetry.size(), relay.client());
    relay.send(wireTelemetry(36000));

    ASSERT_TRUE(run.waitForLine("alt 36000 ft")) << run.allLines();
    run.stop();
    EXPECT_EQ(run.stats().records, 2u);
    EXPECT_EQ(run.stats().ignored, 5u) << run.allLines();
    EXPECT_EQ(run.countLines("Ignored a datagram of 37 bytes"), 1u);
    EXPECT_EQ(run.countLines("Ignored a datagram of 0 bytes"), 1u);
    EXPECT_EQ(run.countLines("Unknown reply 9 ignored"), 1u);
    EXPECT_EQ(run.countLines("Route incomplete: 2 of 5 datagrams arrived"), 1u);
    EXPECT_EQ(run.countLines("alt 1 ft"), 0u);
    // The client leaves: the last thing the relay hears is end_flow.
    incomingMessage last{};
    do {
        last = relay.receive();
    } while (readBigEndian32(last.kind) == heartbeat);
    EXPECT_EQ(readBigEndian32(last.kind), end_flow);
}

}  // namespace

TEST(ToolsClientRelay, APauseWithARegisteredClientLastsUntilTheSimulatorResumes) {
    auto relay = startRelay(quickTimings());
    // The real 5 and 30 seconds, shrunk alike so that the test need not wait half a minute.
    tools::RelayClientSettings settings = ClientRun::fastSettings();
    settings.silenceLimit = milliseconds(300);
    settings.pausedSilenceLimit = milliseconds(1800);
    ClientRun run(relay->boundPort(), settings);
    run.start();
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 1; }));
    relay->sendToClients(newTelemetry(35000));
    relay->sendToClients(new outgoingMessage(makeNotice(kPausedNotice)));
    ASSERT_TRUE(run.waitForLine("Simulator paused: waiting for it to resume")) << run.allLines();

    // Four ordinary silence limits of a pause: heartbeats only, no PauseOff.
    std::this_thread::sleep_for(milliseconds(1200));
    EXPECT_EQ(run.countLines("Nothing received"), 0u) << run.allLines();
    EXPECT_EQ(pauseOffs, 1);
    EXPECT_EQ(relay->clientCount(), 1u);

    // The much longer silence says the relay may have lost it after all.
    ASSERT_TRUE(run.waitForLine("Nothing received for 1.8 seconds: registering again"))
        << run.allLines();

    // Once "UNPAUSED" has said the pause is over, silence counts as before.
    relay->sendToClients(new outgoingMessage(makeNotice(kPausedNotice)));
    ASSERT_TRUE(waitUntil([&] { return run.countLines("waiting for it to resume") == 2; }));
    relay->sendToClients(new outgoingMessage(makeNotice(kUnpausedNotice)));
    EXPECT_TRUE(run.waitForLine("Nothing received for 0.3 seconds: registering again", 1500))
        << run.allLines();
    run.stop();
    EXPECT_EQ(run.stats().notices, 3u);
}
