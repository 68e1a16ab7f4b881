#include "tests/relay/relay_test_support.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "route/waypoint_table.h"

namespace relay_test {

std::atomic<int> pauseToggles{0};
std::atomic<int> spoilersToggles{0};
std::atomic<int> pauseOffs{0};

SimulatorCommands recordingCommands() {
    return SimulatorCommands{[] { ++pauseToggles; }, [] { ++spoilersToggles; },
                             [] { ++pauseOffs; }};
}

std::atomic<std::int64_t> fakeNow{1'000'000};

std::int64_t fakeClock() {
    return fakeNow;
}

RelayTimings fastTimings() {
    RelayTimings timings;
    timings.routeDelayStepMs = 5;
    timings.holdAfterReplyMs = 20;
    timings.reapPeriodMs = 20;
    timings.shutdownSleepMs = 300;
    return timings;
}

Bytes datagram(std::int32_t kind, const Bytes& data) {
    Bytes bytes(kIncomingMessageSize, 0);
    writeBigEndian32(kind, bytes.data());
    std::copy(data.begin(), data.end(), bytes.begin() + kKindFieldSize);
    return bytes;
}

Bytes heartbeatDatagram(std::int32_t number) {
    Bytes data(4);
    writeBigEndian32(number, data.data());
    return datagram(heartbeat, data);
}

Bytes commandDatagram(std::uint8_t code) {
    return datagram(command, {code});
}

outgoingMessage* newTelemetry(std::int32_t altitudeFeet) {
    auto* message = new outgoingMessage{};
    std::snprintf(message->longitudeText, sizeof message->longitudeText, "%f", 151.1772);
    std::snprintf(message->latitudeText, sizeof message->latitudeText, "%f", -33.9461);
    message->altitudeFeet = altitudeFeet;
    return message;
}

TestClient::TestClient(int relayPort, const char* host) : socket_(platform::UdpSocket::open()) {
    if (socket_ == nullptr) {
        ADD_FAILURE() << "no socket for a test client";
        return;
    }
    local_.address = platform::ipv4Address(host);
    if (!socket_->bind(local_)) {
        ADD_FAILURE() << "cannot bind a test client to " << host;
    }
    local_.port = static_cast<std::uint16_t>(socket_->localPort());
    relay_.address = platform::ipv4Address("127.0.0.1");
    relay_.port = static_cast<std::uint16_t>(relayPort);
}

void TestClient::send(const Bytes& bytes) {
    send(bytes.data(), bytes.size());
}

void TestClient::send(const void* bytes, std::size_t size) {
    ASSERT_EQ(socket_->sendTo(bytes, size, relay_), static_cast<int>(size));
}

std::optional<Bytes> TestClient::receive(int timeoutMs) {
    if (socket_->waitUntilReadable(timeoutMs) != platform::WaitResult::Readable) {
        return std::nullopt;
    }
    Bytes bytes(4096);
    const int size = socket_->receiveFrom(bytes.data(), bytes.size(), nullptr);
    if (size < 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(size));
    return bytes;
}

bool TestClient::receivesNothing(int timeoutMs) {
    return !receive(timeoutMs).has_value();
}

long TestClient::key() const {
    return clientKey(local_);
}

ConsoleCapture::ConsoleCapture() {
    testing::internal::CaptureStdout();
}

ConsoleCapture::~ConsoleCapture() {
    text();
}

std::string ConsoleCapture::text() {
    if (capturing_) {
        capturing_ = false;
        captured_ = testing::internal::GetCapturedStdout();
    }
    return captured_;
}

void RelayFixture::SetUp() {
    pauseToggles = 0;
    spoilersToggles = 0;
    pauseOffs = 0;
    fakeNow = 1'000'000;
    publishWaypointTable(WaypointTable{});
}

void RelayFixture::TearDown() {
    server.reset();
}

void RelayFixture::construct(const RelayTimings& timings) {
    server = std::make_unique<ServerSocket>(0, recordingCommands(), timings);
}

void RelayFixture::start(const RelayTimings& timings, bool withReaper) {
    construct(timings);
    server->startReceiveThread();
    server->startSendThread();
    if (withReaper) {
        server->startReapThread();
    }
}

void RelayFixture::syncWithReceiveLoop() {
    TestClient marker(port(), "127.0.0.254");
    const int before = spoilersToggles;
    marker.send(commandDatagram(kCommandSpoilersToggle));
    ASSERT_TRUE(waitUntil([&] { return spoilersToggles > before; }))
        << "the receive loop did not reach the marker";
}

void RelayFixture::registerClient(TestClient& client) {
    client.send(datagram(add_entry));
    syncWithReceiveLoop();
    ASSERT_TRUE(waitUntil([&] { return server->pendingRegistrationCount() == 0; }))
        << "the registration's hold did not end";
}

}  // namespace relay_test
