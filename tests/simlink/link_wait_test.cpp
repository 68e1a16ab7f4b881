// The wait between two dispatch calls: it ends as soon as the simulator
// sends, and lasts its whole time where nothing can arrive, so that the
// dispatch loop neither lags behind the simulator nor spins.
#include <chrono>
#include <thread>

#include "simlink/link_wait.h"
#include "tests/simlink/simulator_fixture.h"

namespace {

using simlink_test::Message;
using Clock = std::chrono::steady_clock;

// Short enough to keep the suite quick; only its lower bound is checked,
// since a loaded machine may always take longer.
constexpr int kShortWaitMs = 80;
constexpr double kShortWaitFloorMs = 70;
// Far longer than any wake-up takes, even on a loaded machine.
constexpr int kLongWaitMs = 20000;
constexpr double kWokenWithinMs = 10000;

double millisecondsOfWait(HANDLE handle, int timeoutMs) {
    const Clock::time_point start = Clock::now();
    waitForLinkMessage(handle, timeoutMs);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class SimLinkWait : public simlink_test::SimulatorTest {};

TEST_F(SimLinkWait, EndsWhenTheSimulatorSendsAndTakesNothing) {
    openLink();
    EXPECT_GE(millisecondsOfWait(handle, kShortWaitMs), kShortWaitFloorMs);

    std::thread later([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        simulator->sendEvent(0, 1, 0);
    });
    EXPECT_LT(millisecondsOfWait(handle, kLongWaitMs), kWokenWithinMs);
    later.join();
    // Still unread, so the next wait ends at once too, and the dispatch
    // call hands the message over.
    EXPECT_LT(millisecondsOfWait(handle, kLongWaitMs), kWokenWithinMs);
    std::vector<Message> messages;
    ASSERT_TRUE(simlink_test::dispatchUntil(handle, messages, 1));
    EXPECT_EQ(messages[0].id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_EVENT));
}

TEST_F(SimLinkWait, LastsItsWholeTimeWhereNothingCanArrive) {
    openLink();
    simulator->closeConnection();
    std::vector<Message> messages;
    ASSERT_TRUE(simlink_test::dispatchUntil(handle, messages, 1));  // the quit for the lost link
    EXPECT_GE(millisecondsOfWait(handle, kShortWaitMs), kShortWaitFloorMs) << "lost link";

    ASSERT_EQ(SimConnect_Close(handle), S_OK_RESULT);
    EXPECT_GE(millisecondsOfWait(handle, kShortWaitMs), kShortWaitFloorMs) << "closed handle";
    handle = nullptr;
    EXPECT_GE(millisecondsOfWait(nullptr, kShortWaitMs), kShortWaitFloorMs) << "no handle";
}

}  // namespace
