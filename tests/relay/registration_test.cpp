// Registration on the wire: the reply, the route listing and the pauses
// around it, and what identifies a client.
#include <chrono>
#include <cstring>
#include <string>

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

    // Offered during the hold: the producer waits for the registry, and the
    // message goes out only once the hold is over.
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

}  // namespace
}  // namespace relay_test
