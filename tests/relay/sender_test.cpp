// The outgoing queue and the sender: byte order, fan-out, order of messages,
// and what happens to messages nobody can receive.
#include <chrono>
#include <cstring>
#include <thread>

#include "route/waypoint_table.h"
#include "tests/relay/relay_test_support.h"

namespace relay_test {
namespace {

using RelaySender = RelayFixture;

std::int32_t altitudeOf(const Bytes& wire) {
    return readBigEndian32(wire.data() + 40);
}

TEST_F(RelaySender, IntegersGoOutBigEndianAndEverythingElseUnchanged) {
    start();
    TestClient client(port());
    registerClient(client);
    ASSERT_TRUE(client.receive().has_value());  // no_route

    outgoingMessage* message = newTelemetry(35000);
    auto* bytes = reinterpret_cast<unsigned char*>(message);
    for (std::size_t i = 1; i < kOutgoingIntegerCount; ++i) {
        const std::int32_t value = -1000 * static_cast<std::int32_t>(i);
        std::memcpy(bytes + kOutgoingIntegersOffset + 4 * i, &value, sizeof value);
    }
    message->phase = 2;
    message->spoilerState = 1;
    Bytes asHanded(kOutgoingMessageSize);
    std::memcpy(asHanded.data(), message, kOutgoingMessageSize);
    server->sendToClients(message);

    const auto wire = client.receive();
    ASSERT_TRUE(wire.has_value());
    ASSERT_EQ(wire->size(), kOutgoingMessageSize);
    EXPECT_EQ(Bytes(wire->begin() + 40, wire->begin() + 44), (Bytes{0x00, 0x00, 0x88, 0xB8}));
    for (std::size_t i = 1; i < kOutgoingIntegerCount; ++i) {
        EXPECT_EQ(readBigEndian32(wire->data() + 40 + 4 * i), -1000 * static_cast<int>(i))
            << "integer at offset " << 40 + 4 * i;
    }
    EXPECT_EQ(Bytes(wire->begin(), wire->begin() + 40),
              Bytes(asHanded.begin(), asHanded.begin() + 40));
    EXPECT_EQ(Bytes(wire->begin() + 92, wire->end()), (Bytes{2, 1, 0, 0}));
}

TEST_F(RelaySender, EveryMessageReachesEveryClientInOrder) {
    start();
    TestClient first(port(), "127.0.0.2");
    TestClient second(port(), "127.0.0.3");
    registerClient(first);
    registerClient(second);
    ASSERT_TRUE(first.receive().has_value());
    ASSERT_TRUE(second.receive().has_value());

    for (std::int32_t altitude : {100, 200, 300}) {
        server->sendToClients(newTelemetry(altitude));
    }
    for (TestClient* client : {&first, &second}) {
        for (std::int32_t altitude : {100, 200, 300}) {
            const auto wire = client->receive();
            ASSERT_TRUE(wire.has_value());
            EXPECT_EQ(altitudeOf(*wire), altitude);
        }
        EXPECT_TRUE(client->receivesNothing());
    }
}

TEST_F(RelaySender, OneWakeSendsEverythingThatWaits) {
    // Three messages queued before the sender runs raise its signal only
    // once; all three must still go out, oldest first, without a fourth.
    construct();
    server->startReceiveThread();
    TestClient client(port());
    registerClient(client);
    ASSERT_TRUE(client.receive().has_value());
    for (std::int32_t altitude : {1, 2, 3}) {
        server->sendToClients(newTelemetry(altitude));
    }
    server->startSendThread();
    for (std::int32_t altitude : {1, 2, 3}) {
        const auto wire = client.receive();
        ASSERT_TRUE(wire.has_value()) << "message " << altitude << " was left behind";
        EXPECT_EQ(altitudeOf(*wire), altitude);
    }
}

TEST_F(RelaySender, MessagesThatFindNobodyAreDroppedNotKept) {
    construct();
    server->startReceiveThread();
    TestClient client(port());
    registerClient(client);
    ASSERT_TRUE(client.receive().has_value());
    server->sendToClients(newTelemetry(1));  // queued, but the sender is not running yet
    client.send(datagram(end_flow));
    syncWithReceiveLoop();
    server->sendToClients(newTelemetry(2));  // nobody left: both are dropped

    server->startSendThread();
    registerClient(client);
    ASSERT_TRUE(client.receive().has_value());
    server->sendToClients(newTelemetry(3));
    const auto wire = client.receive();
    ASSERT_TRUE(wire.has_value());
    EXPECT_EQ(altitudeOf(*wire), 3);
    EXPECT_TRUE(client.receivesNothing());
}

TEST_F(RelaySender, AfterShutdownTheSenderStillDeliversWhatIsQueued) {
    start();
    TestClient client(port());
    registerClient(client);
    ASSERT_TRUE(client.receive().has_value());

    ConsoleCapture console;
    const auto before = std::chrono::steady_clock::now();
    server->shutdown();
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(300));
    EXPECT_EQ(console.text(), "Shutting down");

    server->sendToClients(newTelemetry(42));
    const auto wire = client.receive();
    ASSERT_TRUE(wire.has_value());
    EXPECT_EQ(altitudeOf(*wire), 42);

    // The receive loop has stopped: commands are no longer obeyed.
    client.send(commandDatagram(kCommandPauseToggle));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(pauseToggles, 0);
}

}  // namespace
}  // namespace relay_test
