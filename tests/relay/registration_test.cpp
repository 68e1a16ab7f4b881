// Registration on the wire: the reply, the route listing and the pauses
// around it, and what identifies a client.
#include <chrono>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/sleep.h"
#include "route/waypoint_table.h"
#include "tests/relay/relay_test_support.h"

namespace relay_test {
namespace {

using RelayRegistration = RelayFixture;
using Clock = std::chrono::steady_clock;

void publishOneWaypoint() {
    WaypointTable route{};
    std::strcpy(route[0].id, "WPT1");
    route[0].lat = 12.5;
    route[0].lon = -45.25;
    publishWaypointTable(route);
}

long long millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST_F(RelayRegistration, ClientOfAFlowingRelayReceivesTheRouteByteForByte) {
    publishOneWaypoint();
    start();
    server->sendToClients(newTelemetry(35000));  // nobody yet: dropped, but telemetry has begun

    ConsoleCapture console;
    TestClient client(port(), "127.0.0.1");
    client.send(datagram(add_entry));
    const auto reply = client.receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(*reply, (Bytes{0x00, 0x00, 0x00, 0x05}));

    const auto first = client.receive();
    ASSERT_TRUE(first.has_value());
    ASSERT_EQ(first->size(), kRouteDatagramSize);
    EXPECT_EQ(std::string(first->begin(), first->begin() + 25), " -45.25000  12.50000 WPT1");
    EXPECT_EQ(Bytes(first->begin() + 25, first->end()), Bytes(475, 0));
    for (int datagram = 1; datagram < 5; ++datagram) {
        const auto rest = client.receive();
        ASSERT_TRUE(rest.has_value()) << "route datagram " << datagram;
        EXPECT_EQ(*rest, Bytes(kRouteDatagramSize, 0)) << "route datagram " << datagram;
    }
    syncWithReceiveLoop();
    EXPECT_TRUE(client.receivesNothing());

    EXPECT_EQ(console.text(), "adding entry:16777343 -45.25000   12.50000 WPT1\n");
    EXPECT_EQ(pauseOffs, 1);
    EXPECT_EQ(server->clientCount(), 1u);
}

TEST_F(RelayRegistration, RouteIsListedAsItStandsAfterThePause) {
    publishOneWaypoint();
    RelayTimings timings = fastTimings();
    timings.routeDelayStepMs = 250;  // a one-second pause to publish a new route in
    start(timings);
    server->sendToClients(newTelemetry(1));

    ConsoleCapture console;
    TestClient client(port(), "127.0.0.1");
    client.send(datagram(add_entry));
    ASSERT_TRUE(waitUntil([] { return pauseOffs.load() == 1; }, 5000));
    platform::sleepMilliseconds(100);  // well inside the pause
    WaypointTable replaced{};
    std::strcpy(replaced[0].id, "NEW1");
    replaced[0].lat = 50.0;
    replaced[0].lon = 8.5;
    publishWaypointTable(replaced);

    ASSERT_EQ(client.receive(), (Bytes{0x00, 0x00, 0x00, 0x05}));
    const auto first = client.receive();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(std::string(first->begin(), first->begin() + 25), "   8.50000  50.00000 NEW1");
}

TEST_F(RelayRegistration, EveryListedSlotIsPrintedButOnlyAHundredAreSent) {
    WaypointTable route{};
    for (std::size_t slot = 0; slot < 110; ++slot) {
        std::strcpy(route[slot].id, slot == 0 ? "ABCDEFG" : "WP");
        route[slot].lat = 1.0;
        route[slot].lon = static_cast<double>(slot);
    }
    publishWaypointTable(route);
    start();
    server->sendToClients(newTelemetry(1));

    ConsoleCapture console;
    TestClient client(port());
    client.send(datagram(add_entry));
    ASSERT_TRUE(client.receive().has_value());
    Bytes listing;
    for (int datagram = 0; datagram < 5; ++datagram) {
        const auto part = client.receive();
        ASSERT_TRUE(part.has_value());
        listing.insert(listing.end(), part->begin(), part->end());
    }
    syncWithReceiveLoop();

    EXPECT_EQ(std::string(listing.begin(), listing.begin() + 25), "   0.00000   1.00000ABCDE");
    EXPECT_EQ(std::string(listing.end() - 25, listing.end()), "  99.00000   1.00000   WP");
    const std::string printed = console.text();
    std::size_t lines = 0;
    for (char c : printed) {
        lines += c == '\n' ? 1 : 0;
    }
    EXPECT_EQ(lines, 110u);
    EXPECT_NE(printed.find("   0.00000    1.00000ABCDE\n"), std::string::npos);
    EXPECT_NE(printed.find(" 109.00000    1.00000   WP\n"), std::string::npos);
}

TEST_F(RelayRegistration, EmptyRouteIsAnsweredAtOnceThenEveryClientWaits) {
    RelayTimings timings = fastTimings();
    timings.holdAfterReplyMs = 400;
    start(timings);
    TestClient client(port());

    const Clock::time_point sent = Clock::now();
    client.send(datagram(add_entry));
    const auto reply = client.receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(*reply, (Bytes{0x00, 0x00, 0x00, 0x04}));
    EXPECT_LT(millisecondsSince(sent), 400) << "no_route waits for nothing";

    // Offered during the hold: the registering client gets it only once its
    // hold is over.
    server->sendToClients(newTelemetry(7));
    const auto telemetry = client.receive();
    ASSERT_TRUE(telemetry.has_value());
    EXPECT_EQ(telemetry->size(), kOutgoingMessageSize);
    EXPECT_GE(millisecondsSince(sent), 400);
}

TEST_F(RelayRegistration, RouteWaitsForTelemetryToHaveBegun) {
    publishOneWaypoint();
    start();
    TestClient client(port());
    registerClient(client);
    server->sendToClients(newTelemetry(7));
    const auto first = client.receive();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->size(), kOutgoingMessageSize) << "no reply came before the telemetry";
}

TEST_F(RelayRegistration, TwoClientsOnOneHostShareOneEntry) {
    publishOneWaypoint();  // and no telemetry yet: registrations get no reply
    start();
    TestClient earlier(port(), "127.0.0.2");
    TestClient later(port(), "127.0.0.2");
    TestClient elsewhere(port(), "127.0.0.3");
    registerClient(earlier);
    registerClient(later);
    registerClient(elsewhere);
    EXPECT_EQ(server->clientCount(), 2u);

    server->sendToClients(newTelemetry(7));
    ASSERT_TRUE(later.receive().has_value());
    ASSERT_TRUE(elsewhere.receive().has_value());
    EXPECT_TRUE(earlier.receivesNothing());
}

TEST_F(RelayRegistration, OthersAreServedWhileOneClientRegisters) {
    publishOneWaypoint();
    RelayTimings timings = fastTimings();
    timings.routeDelayStepMs = 500;  // the program's pauses: 2 s to the route, 2 s of hold
    timings.holdAfterReplyMs = 2000;
    start(timings);
    TestClient registered(port(), "127.0.0.2");
    registerClient(registered);  // no reply: telemetry has not begun
    server->sendToClients(newTelemetry(1));
    ASSERT_TRUE(registered.receive().has_value());

    TestClient newcomer(port(), "127.0.0.3");
    newcomer.send(datagram(add_entry));
    ASSERT_TRUE(waitUntil([&] { return server->pendingRegistrationCount() == 1; }));
    // The newcomer's registration holds nobody else up: the producer hands
    // over at once, the registered client receives, its heartbeat is read.
    const Clock::time_point handedOver = Clock::now();
    server->sendToClients(newTelemetry(2));
    EXPECT_LT(millisecondsSince(handedOver), 500);
    const auto during = registered.receive();
    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(during->size(), kOutgoingMessageSize);
    registered.send(heartbeatDatagram(1));
    syncWithReceiveLoop();
    EXPECT_EQ(server->pendingRegistrationCount(), 1u) << "all of it within the newcomer's pause";
    server->sendToClients(newTelemetry(3));

    // The newcomer sees its reply, the route and then, once its hold is
    // over, the records it missed, in order.
    EXPECT_EQ(newcomer.receive(), (Bytes{0x00, 0x00, 0x00, 0x05}));
    for (int datagram = 0; datagram < 5; ++datagram) {
        const auto part = newcomer.receive();
        ASSERT_TRUE(part.has_value());
        EXPECT_EQ(part->size(), kRouteDatagramSize);
    }
    for (std::int32_t altitude : {2, 3}) {
        const auto missed = newcomer.receive();
        ASSERT_TRUE(missed.has_value());
        ASSERT_EQ(missed->size(), kOutgoingMessageSize);
        EXPECT_EQ(readBigEndian32(missed->data() + offsetof(outgoingMessage, altitudeFeet)),
                  altitude);
    }
    EXPECT_EQ(server->pendingRegistrationCount(), 0u);
    EXPECT_TRUE(newcomer.receivesNothing());
}

TEST_F(RelayRegistration, PendingRegistrationsAreBounded) {
    RelayTimings timings = fastTimings();
    timings.holdAfterReplyMs = 60'000;  // every registration stays pending
    start(timings);
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int host = 1; host <= static_cast<int>(kMaxPendingRegistrations) + 1; ++host) {
        clients.push_back(
            std::make_unique<TestClient>(port(), ("127.0.1." + std::to_string(host)).c_str()));
    }
    testing::internal::CaptureStderr();
    for (auto& client : clients) {
        client->send(datagram(add_entry));
    }
    clients.front()->send(datagram(add_entry));  // a repeat while pending
    syncWithReceiveLoop();
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_EQ(server->pendingRegistrationCount(), kMaxPendingRegistrations);
    EXPECT_EQ(server->clientCount(), kMaxPendingRegistrations);
    EXPECT_EQ(pauseOffs, static_cast<int>(kMaxPendingRegistrations)) << "the repeat restarted it";
    EXPECT_EQ(errors, "Registration of " + std::to_string(clients.back()->key()) +
                          " ignored: 32 registrations are pending\n");
    EXPECT_TRUE(clients.back()->receivesNothing());
}

}  // namespace
}  // namespace relay_test
