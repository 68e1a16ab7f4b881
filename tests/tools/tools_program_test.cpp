// The built programs: corvessa-netlog on logs written by a real relay and on
// broken files, corvessa-client as a child process against a real relay.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "platform/udp_socket.h"
#include "tests/support/paths.h"
#include "tests/tools/relay_harness.h"
#include "tests/tools/tools_test_support.h"

namespace {

using namespace tools_test;
using testing_support::programPath;

std::string netlog() {
    return programPath("tools/netlog/corvessa-netlog");
}
std::string client() {
    return programPath("tools/client/corvessa-client");
}

std::string writeFile(const Bytes& bytes) {
    const std::string path = testing_support::makeTemporaryDirectory() + "/network.log";
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// A client datagram from a socket of the test's own.
class RawClient {
  public:
    RawClient(int relayPort) : socket_(platform::UdpSocket::open()) {
        platform::UdpEndpoint local;
        local.address = platform::ipv4Address("127.0.0.1");
        EXPECT_TRUE(socket_->bind(local));
        relay_.address = local.address;
        relay_.port = static_cast<std::uint16_t>(relayPort);
    }
    void send(const incomingMessage& message) { socket_->sendTo(&message, sizeof message, relay_); }

  private:
    std::unique_ptr<platform::UdpSocket> socket_;
    platform::UdpEndpoint relay_;
};

incomingMessage message(std::int32_t kind, std::int32_t field = 0) {
    incomingMessage m{};
    writeBigEndian32(kind, m.kind);
    writeBigEndian32(field, m.data);
    return m;
}

TEST(ToolsNetlogProgram, ReadsTheLogARealRelayWrote) {
    const std::string folder = testing_support::makeTemporaryDirectory();
    std::unique_ptr<ServerSocket> relay;
    {
        WorkingDirectory inFolder(folder);
        RelayTimings timings = quickTimings();
        relay = std::make_unique<ServerSocket>(0, SimulatorCommands{}, timings);
        relay->enableNetworkLog(1);
    }
    relay->startReceiveThread();
    relay->startSendThread();
    relay->sendToClients(newTelemetry(1000));  // no client yet: dropped
    RawClient raw(relay->boundPort());
    raw.send(message(add_entry));
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 1; }));
    raw.send(message(heartbeat, 1));
    incomingMessage pause = message(command);
    pause.data[0] = kCommandPauseToggle;
    raw.send(pause);
    raw.send(message(7));
    relay->sendToClients(newTelemetry(35000));
    relay->sendToClients(new outgoingMessage(makeNotice(kPausedNotice)));
    raw.send(message(end_flow));
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 0; }));
    relay.reset();

    const std::string log = folder + "/network.log";
    const platform::ProgramRun text = platform::runProgram(netlog(), {log}, 10000);
    ASSERT_TRUE(text.ended);
    EXPECT_EQ(text.exitStatus, 0) << text.standardError;
    const std::string& out = text.standardOutput;
    EXPECT_NE(out.find("dropped  cruise  alt 1000 ft"), std::string::npos) << out;
    EXPECT_NE(out.find("in   add_entry"), std::string::npos) << out;
    EXPECT_NE(out.find("in   heartbeat 1"), std::string::npos) << out;
    EXPECT_NE(out.find("in   command 1 (pause toggle)"), std::string::npos) << out;
    EXPECT_NE(out.find("in   kind 7"), std::string::npos) << out;
    EXPECT_NE(out.find("queued   cruise  alt 35000 ft"), std::string::npos) << out;
    EXPECT_NE(out.find("queued   PAUSED"), std::string::npos) << out;
    EXPECT_NE(out.find("records: 8 (incoming 5, outgoing 3)"), std::string::npos) << out;
    EXPECT_NE(out.find("outgoing: PAUSED 1, telemetry 2; queued 2, dropped 1"), std::string::npos)
        << out;

    const platform::ProgramRun json =
        platform::runProgram(netlog(), {log, "--format", "json"}, 10000);
    EXPECT_EQ(json.exitStatus, 0);
    EXPECT_EQ(countOf(json.standardOutput, "\n"), 9u);  // eight records and the summary
    EXPECT_EQ(countOf(json.standardOutput, "\"altitudeFeet\":35000"), 1u);
    EXPECT_NE(json.standardOutput.find("{\"record\":\"summary\",\"incoming\":5"),
              std::string::npos);

    const platform::ProgramRun csv =
        platform::runProgram(netlog(), {"--format", "csv", log}, 10000);
    EXPECT_EQ(csv.exitStatus, 0);
    EXPECT_EQ(csv.standardOutput.rfind("offset,record,kind,field,time,sent,notice,", 0), 0u);
    EXPECT_EQ(countOf(csv.standardOutput, "\n"), 9u);  // the header and eight rows
    EXPECT_NE(csv.standardError.find("records: 8"), std::string::npos);
}

TEST(ToolsNetlogProgram, BrokenFilesAreReportedWithTheirOffsetAndAFailingStatus) {
    const std::string unknown = writeFile(joined({heartbeatRecord(1), Bytes{9, 1, 2}}));
    const platform::ProgramRun first = platform::runProgram(netlog(), {unknown}, 10000);
    EXPECT_EQ(first.exitStatus, 1);
    EXPECT_NE(first.standardError.find("offset 25: unknown record type 9"), std::string::npos)
        << first.standardError;
    EXPECT_NE(first.standardOutput.find("heartbeat 1"), std::string::npos);
    EXPECT_NE(first.standardOutput.find("records: 1"), std::string::npos);

    Bytes cut = outgoingRecord(kNewYear2014, telemetry(1), 1);
    cut.resize(60);
    const std::string shortened = writeFile(joined({heartbeatRecord(1), heartbeatRecord(2), cut}));
    const platform::ProgramRun second =
        platform::runProgram(netlog(), {shortened, "--format", "json"}, 10000);
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_NE(second.standardError.find("offset 50: record of type 2 cut short: 102 bytes "
                                        "expected, 60 left in the file"),
              std::string::npos)
        << second.standardError;
    EXPECT_NE(second.standardOutput.find("\"fault\":{\"offset\":50"), std::string::npos);

    EXPECT_EQ(platform::runProgram(netlog(), {writeFile({})}, 10000).exitStatus, 0);
    EXPECT_EQ(platform::runProgram(netlog(), {"/nonexistent/network.log"}, 10000).exitStatus, 2);
    EXPECT_EQ(platform::runProgram(netlog(), {}, 10000).exitStatus, 2);
    EXPECT_EQ(platform::runProgram(netlog(), {unknown, "--format", "xml"}, 10000).exitStatus, 2);
    const platform::ProgramRun help = platform::runProgram(netlog(), {"--help"}, 10000);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.standardOutput.find("usage: corvessa-netlog FILE"), std::string::npos);
}

TEST(ToolsNetlogProgram, WhatIsNoRegularFileCannotBeRead) {
    // A folder and an endless device: both end at once with status 2.
    for (const char* path : {"/tmp", "/dev/zero"}) {
        const platform::ProgramRun run = platform::runProgram(netlog(), {path}, 10000);
        EXPECT_EQ(run.exitStatus, 2) << path;
        EXPECT_EQ(run.standardError, std::string("corvessa-netlog: cannot read '") + path + "'\n");
    }
}

// Feeds telemetry to the relay's clients every half second until stopped.
class TelemetryFeed {
  public:
    explicit TelemetryFeed(ServerSocket& relay)
        : thread_([this, &relay] {
              while (!stop_) {
                  relay.sendToClients(newTelemetry(35000));
                  std::this_thread::sleep_for(std::chrono::milliseconds(500));
              }
          }) {}
    ~TelemetryFeed() {
        stop_ = true;
        thread_.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The real durations: the relay's 10-second reaper and 5-second purge, the
// client's 1-second heartbeat and 5-second silence.
TEST(ToolsClientProgram, HeartbeatsKeepItRegisteredPastTenSecondsWithTheRealDurations) {
    auto relay = startRelay(RelayTimings{}, true);
    TelemetryFeed feed(*relay);
    const auto started = std::chrono::steady_clock::now();
    auto child = platform::ChildProcess::start(
        client(), {"--port", std::to_string(relay->boundPort()), "--duration", "12.5"});
    ASSERT_NE(child, nullptr);
    // clientCount waits while the relay holds its registry through the registration.
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 1; }));
    std::this_thread::sleep_until(started + std::chrono::milliseconds(11500));
    EXPECT_EQ(relay->clientCount(), 1u) << child->standardOutput();
    ASSERT_TRUE(child->wait(5000));
    EXPECT_EQ(child->exitStatus(), 0);
    const std::string out = child->standardOutput();
    EXPECT_NE(out.find("Ending: duration reached"), std::string::npos) << out;
    EXPECT_NE(out.find("registrations:               1\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("registering again"), std::string::npos) << out;
    EXPECT_EQ(pauseOffs, 1);
    EXPECT_TRUE(waitUntil([&] { return relay->clientCount() == 0; })) << "no end_flow";
}

TEST(ToolsClientProgram, CtrlCEndsWithEndFlowAndTheSummary) {
    auto relay = startRelay(quickTimings());
    auto child = platform::ChildProcess::start(
        client(), {"--port", std::to_string(relay->boundPort()), "--format", "json"});
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(child->waitForOutput("\"reply\":\"no_route\"", 5000)) << child->standardOutput();
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 1; }));
    child->sendControlEvent(platform::CtrlC);
    ASSERT_TRUE(child->wait(5000));
    EXPECT_EQ(child->exitStatus(), 0);
    const std::string out = child->standardOutput();
    EXPECT_NE(out.find("{\"event\":\"ending\",\"reason\":\"stop requested\"}"), std::string::npos)
        << out;
    EXPECT_NE(out.find("{\"event\":\"summary\",\"records\":0,"), std::string::npos) << out;
    EXPECT_TRUE(waitUntil([&] { return relay->clientCount() == 0; })) << "no end_flow";
}

TEST(ToolsClientProgram, BoundToDistinctAddressesTwoClientsAreTwoClientsAndCsvKeepsRowsAlone) {
    auto relay = startRelay(quickTimings());
    const std::string port = std::to_string(relay->boundPort());
    auto first = platform::ChildProcess::start(
        client(), {"--port", port, "--bind", "127.0.0.2", "--count", "2", "--format", "csv"});
    auto second = platform::ChildProcess::start(
        client(), {"--port", port, "--bind", "127.0.0.3", "--count", "2", "--spoilers"});
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(waitUntil([&] { return relay->clientCount() == 2; })) << relay->clientCount();
    EXPECT_TRUE(waitUntil([&] { return spoilersToggles == 1; }));
    {
        TelemetryFeed feed(*relay);
        ASSERT_TRUE(first->wait(10000));
        ASSERT_TRUE(second->wait(10000));
    }
    EXPECT_EQ(first->exitStatus(), 0);
    const std::string rows = first->standardOutput();
    EXPECT_EQ(rows.rfind("time,notice,longitudeText,latitudeText,altitudeFeet,", 0), 0u) << rows;
    EXPECT_EQ(countOf(rows, "\n"), 3u) << rows;
    EXPECT_EQ(countOf(rows, ",,151.177200,-33.946100,35000,"), 2u) << rows;
    EXPECT_NE(first->standardError().find("records:                     2"), std::string::npos);
    EXPECT_NE(second->standardOutput().find("Sent command: spoilers toggle"), std::string::npos);
}

TEST(ToolsClientProgram, CommandLineFaultsAndHelp) {
    const platform::ProgramRun bad = platform::runProgram(client(), {"--port", "0"}, 10000);
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.standardError.find("bad value '0' for --port"), std::string::npos);
    const platform::ProgramRun unbindable =
        platform::runProgram(client(), {"--bind", "192.0.2.1", "--duration", "1"}, 10000);
    EXPECT_EQ(unbindable.exitStatus, 3) << unbindable.standardError;
    const platform::ProgramRun help = platform::runProgram(client(), {"--help"}, 10000);
    EXPECT_EQ(help.exitStatus, 0);
    for (const char* option : {"--host", "--port", "--bind", "--heartbeat", "--format", "--count",
                               "--duration", "--pause", "--spoilers"}) {
        EXPECT_NE(help.standardOutput.find(option), std::string::npos) << option;
    }
}

}  // namespace
