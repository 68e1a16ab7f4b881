// What clients send: heartbeats, departures, commands, and datagrams of the
// wrong size.
#include <string>

#include "tests/relay/relay_test_support.h"

namespace relay_test {
namespace {

using RelayHeartbeat = RelayFixture;
using RelayClientMessages = RelayFixture;

std::string accepted(int number) {
    return "heartbeat:" + std::to_string(number) +
           " \nclient exists\nSetting heart beat to:" + std::to_string(number) + "\n";
}

std::string rejected(int expected, int number) {
    return "heartbeat:" + std::to_string(number) +
           " \nclient exists\nerror on heartbeat, reset everything. expecting" +
           std::to_string(expected) + "received:" + std::to_string(number) + "\n";
}

std::string unknown(int number) {
    return "heartbeat:" + std::to_string(number) + " \n";
}

TEST_F(RelayHeartbeat, ConsecutiveNumbersAreAcceptedAndARepeatDropsTheClient) {
    start();
    TestClient client(port());
    registerClient(client);
    ASSERT_TRUE(client.receive().has_value());  // no_route
    ConsoleCapture console;
    for (int number : {1, 2, 3, 3, 4}) {
        client.send(heartbeatDatagram(number));
    }
    syncWithReceiveLoop();
    EXPECT_EQ(console.text(),
              accepted(1) + accepted(2) + accepted(3) + rejected(4, 3) + unknown(4));
    EXPECT_EQ(server->clientCount(), 0u);
    // The reset notice was queued while the client was still registered, but
    // it goes only to the clients that stay: here nobody.
    EXPECT_TRUE(client.receivesNothing(200));
}

TEST_F(RelayHeartbeat, ResetNoticeReachesOnlyTheClientsThatStay) {
    start();
    TestClient offender(port(), "127.0.0.2");
    TestClient bystander(port(), "127.0.0.3");
    registerClient(offender);
    registerClient(bystander);
    ASSERT_TRUE(offender.receive().has_value());  // the no_route replies
    ASSERT_TRUE(bystander.receive().has_value());

    ConsoleCapture console;
    offender.send(heartbeatDatagram(2));  // the first must be 1
    offender.send(heartbeatDatagram(3));
    syncWithReceiveLoop();
    EXPECT_EQ(console.text(), rejected(1, 2) + unknown(3));

    const auto notice = bystander.receive();
    ASSERT_TRUE(notice.has_value());
    Bytes expected(kOutgoingMessageSize, 0);
    std::copy_n("RESET", 5, expected.begin());
    EXPECT_EQ(*notice, expected);
    EXPECT_TRUE(offender.receivesNothing());
    EXPECT_EQ(server->clientCount(), 1u);
}

TEST_F(RelayHeartbeat, RegisteringAgainStartsTheCountAfresh) {
    start();
    TestClient client(port());
    registerClient(client);
    client.send(heartbeatDatagram(1));
    client.send(heartbeatDatagram(2));
    registerClient(client);
    ConsoleCapture console;
    client.send(heartbeatDatagram(1));
    syncWithReceiveLoop();
    EXPECT_EQ(console.text(), accepted(1));
    EXPECT_EQ(server->clientCount(), 1u);
    EXPECT_EQ(pauseOffs, 2) << "each registration unpauses the simulator";
}

TEST_F(RelayHeartbeat, HeartbeatOfAStrangerIsOnlyPrinted) {
    start();
    TestClient stranger(port());
    ConsoleCapture console;
    stranger.send(heartbeatDatagram(5));
    syncWithReceiveLoop();
    EXPECT_EQ(console.text(), unknown(5));
    EXPECT_EQ(server->clientCount(), 0u);
    EXPECT_TRUE(stranger.receivesNothing());
}

TEST_F(RelayClientMessages, EndFlowDropsOnlyItsSender) {
    start();
    TestClient leaving(port(), "127.0.0.2");
    TestClient staying(port(), "127.0.0.3");
    TestClient stranger(port(), "127.0.0.4");
    registerClient(leaving);
    registerClient(staying);
    ASSERT_TRUE(leaving.receive().has_value());
    ASSERT_TRUE(staying.receive().has_value());

    ConsoleCapture console;
    stranger.send(datagram(end_flow));
    syncWithReceiveLoop();
    EXPECT_EQ(server->clientCount(), 2u);
    leaving.send(datagram(end_flow));
    syncWithReceiveLoop();
    EXPECT_EQ(server->clientCount(), 1u);
    EXPECT_EQ(console.text(),
              "\n\nReceived a end_flow message\n\n\n\n\nReceived a end_flow message\n\n\n");

    server->sendToClients(newTelemetry(1));
    ASSERT_TRUE(staying.receive().has_value());
    EXPECT_TRUE(leaving.receivesNothing());
}

TEST_F(RelayClientMessages, CommandsAreObeyedFromAnyoneAndOtherCodesIgnored) {
    start();
    TestClient stranger(port());
    stranger.send(commandDatagram(kCommandPauseToggle));
    stranger.send(commandDatagram(3));
    stranger.send(commandDatagram(0));
    stranger.send(datagram(7, {kCommandPauseToggle}));  // not a kind at all
    stranger.send(commandDatagram(kCommandSpoilersToggle));
    ASSERT_TRUE(waitUntil([] { return spoilersToggles == 1; }));
    EXPECT_EQ(pauseToggles, 1);
    EXPECT_EQ(pauseOffs, 0);
    EXPECT_EQ(server->clientCount(), 0u);
    EXPECT_TRUE(stranger.receivesNothing());
}

TEST_F(RelayClientMessages, LongDatagramIsHandledByItsFirstTwentyFourBytes) {
    start();
    TestClient client(port());
    Bytes longCommand = commandDatagram(kCommandPauseToggle);
    longCommand.resize(200, 0xFF);
    client.send(longCommand);
    ASSERT_TRUE(waitUntil([] { return pauseToggles == 1; }));
}

TEST_F(RelayClientMessages, ShortDatagramNeverBorrowsThePreviousOnesBytes) {
    start();
    TestClient client(port());
    registerClient(client);
    ConsoleCapture console;

    // A full command, then its kind alone: the code did not arrive, so the
    // second one does nothing (it must not reuse the code before it).
    client.send(commandDatagram(kCommandPauseToggle));
    client.send(commandDatagram(kCommandPauseToggle).data(), 4);
    // A stranger's heartbeat 1, then the client's heartbeat kind without a
    // number: it must not be taken as the client's heartbeat 1.
    TestClient stranger(port(), "127.0.0.9");
    stranger.send(heartbeatDatagram(1));
    client.send(heartbeatDatagram(1).data(), 6);
    // Fragments too short for any kind, and an empty datagram.
    client.send(datagram(add_entry).data(), 3);
    client.send(datagram(add_entry).data(), 0);
    syncWithReceiveLoop();
    EXPECT_EQ(pauseToggles, 1);
    EXPECT_EQ(pauseOffs, 1) << "only the registration";

    client.send(heartbeatDatagram(1));
    syncWithReceiveLoop();
    EXPECT_EQ(console.text(), unknown(1) + accepted(1));
}

}  // namespace
}  // namespace relay_test
