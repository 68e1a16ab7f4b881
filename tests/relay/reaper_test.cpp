// Dropping clients that have gone quiet: the reaper's once-a-period check
// and the purge after a silent network.
#include <chrono>
#include <thread>

#include "tests/relay/relay_test_support.h"

namespace relay_test {
namespace {

using RelayReaper = RelayFixture;
using RelayPurge = RelayFixture;

RelayTimings reaperTimings() {
    RelayTimings timings = fastTimings();
    timings.clock = fakeClock;
    return timings;
}

// Long enough for the reaper to have looked several times.
void letTheReaperLook() {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

TEST_F(RelayReaper, ClientIsDroppedWhenItsLastHeartbeatIsTenSecondsOld) {
    start(reaperTimings(), true);
    TestClient client(port());
    registerClient(client);
    fakeNow += 3;
    client.send(heartbeatDatagram(1));
    syncWithReceiveLoop();

    fakeNow += 9;
    letTheReaperLook();
    ConsoleCapture console;
    letTheReaperLook();
    EXPECT_EQ(server->clientCount(), 1u);
    fakeNow += 1;
    ASSERT_TRUE(waitUntil([this] { return server->clientCount() == 0; }));
    letTheReaperLook();

    const std::string printed = console.text();
    const std::string quiet = "\nChecking client:9\n";
    const std::string dropped =
        "\nChecking client:10\nremoving client from the list. Non active.\n";
    EXPECT_EQ(printed.find("removing"), printed.find(dropped) + dropped.find("removing"));
    EXPECT_EQ(printed.substr(printed.size() - dropped.size()), dropped)
        << "nothing is printed once the registry is empty";
    // Nothing but checks of nine seconds came before.
    std::string before = printed.substr(0, printed.size() - dropped.size());
    ASSERT_FALSE(before.empty());
    for (std::size_t at = 0; at < before.size(); at += quiet.size()) {
        ASSERT_EQ(before.substr(at, quiet.size()), quiet) << printed;
    }
}

TEST_F(RelayReaper, ChecksEveryClientInKeyOrderAndKeepsOneFromTheFuture) {
    start(reaperTimings(), true);
    TestClient higherKey(port(), "127.0.0.3");
    TestClient lowerKey(port(), "127.0.0.2");
    registerClient(higherKey);  // at 1 000 000
    fakeNow += 4;
    registerClient(lowerKey);  // at 1 000 004
    ASSERT_LT(lowerKey.key(), higherKey.key());

    ConsoleCapture console;
    fakeNow += 1;
    letTheReaperLook();
    fakeNow -= 10;  // the system clock set back
    letTheReaperLook();
    const std::string printed = console.text();
    EXPECT_NE(printed.find("\nChecking client:1\n\nChecking client:5\n"), std::string::npos)
        << printed;
    EXPECT_NE(printed.find("\nChecking client:-9\n\nChecking client:-5\n"), std::string::npos)
        << printed;
    EXPECT_EQ(server->clientCount(), 2u);
}

TEST_F(RelayReaper, EmptyRegistryPrintsNothing) {
    start(reaperTimings(), true);
    ConsoleCapture console;
    letTheReaperLook();
    EXPECT_EQ(console.text(), "");
}

TEST_F(RelayPurge, SilenceFromEveryoneDropsEveryClient) {
    RelayTimings timings = fastTimings();
    timings.selectTimeoutMs = 500;
    start(timings);
    TestClient first(port(), "127.0.0.2");
    TestClient second(port(), "127.0.0.3");
    registerClient(first);
    registerClient(second);
    ConsoleCapture console;
    second.send(heartbeatDatagram(1));
    syncWithReceiveLoop();
    EXPECT_EQ(server->clientCount(), 2u);

    ASSERT_TRUE(waitUntil([this] { return server->clientCount() == 0; }));
    EXPECT_EQ(console.text(),
              "heartbeat:1 \nclient exists\nSetting heart beat to:1\n"
              "removing clients with heartbeat:0removing clients with heartbeat:1");
}

}  // namespace
}  // namespace relay_test
