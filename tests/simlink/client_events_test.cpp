// The client events: the one-time set-up and the senders.
#include <gtest/gtest.h>

#include "simlink/client_events.h"
#include "simlink/connection.h"
#include "tests/simlink/simulator_fixture.h"

namespace {

using simlink_test::kWaitMs;

class SimLinkClientEvents : public simlink_test::SimulatorTest {
  protected:
    void SetUp() override {
        SimulatorTest::SetUp();
        openLink();
        flightState.simConnectHandle = handle;
    }

    // The calls after Open, once `lastName` has arrived `lastCount` times.
    std::vector<sim::CallLine> callsUpTo(const char* lastName, int lastCount) {
        for (int i = 0; i < lastCount; ++i) {
            EXPECT_TRUE(simulator->waitForCall(lastName, kWaitMs).has_value());
        }
        auto calls = simulator->calls();
        calls.erase(calls.begin());  // Open
        return calls;
    }
};

// "TransmitClientEvent" with the arguments every transmission uses.
sim::CallLine transmission(ClientEvent event) {
    return {"TransmitClientEvent", {"0", std::to_string(event), "0", "1", "16"}};
}

void expectCalls(const std::vector<sim::CallLine>& calls,
                 const std::vector<sim::CallLine>& expected) {
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(calls[i].fields, expected[i].fields) << "call " << i;
    }
}

TEST_F(SimLinkClientEvents, SetUpRequestsSamplesMapsGroupsAndLeavesTheFlightUnpaused) {
    flightState.simPaused = true;
    flightState.spoilersDeployed = true;
    EXPECT_EQ(setUpClientEvents(), S_OK_RESULT);
    EXPECT_EQ(flightState.eventsMapped, 1);
    EXPECT_FALSE(flightState.simPaused);
    EXPECT_FALSE(flightState.spoilersDeployed);

    expectCalls(callsUpTo("TransmitClientEvent", 2),
                {
                    {"RequestDataOnSimObject", {"0", "0", "0", "2", "1", "0", "20", "0"}},
                    {"MapClientEventToSimEvent", {"1", "pause_toggle"}},
                    {"MapClientEventToSimEvent", {"3", "pause_off"}},
                    {"MapClientEventToSimEvent", {"2", "pause_on"}},
                    {"MapClientEventToSimEvent", {"6", "SPOILERS_TOGGLE"}},
                    {"MapClientEventToSimEvent", {"7", "THROTTLE_FULL"}},
                    {"MapClientEventToSimEvent", {"5", "THROTTLE_CUT"}},
                    {"AddClientEventToNotificationGroup", {"0", "2", "0"}},
                    {"AddClientEventToNotificationGroup", {"0", "1", "0"}},
                    {"AddClientEventToNotificationGroup", {"0", "3", "0"}},
                    {"AddClientEventToNotificationGroup", {"0", "4", "0"}},
                    {"AddClientEventToNotificationGroup", {"0", "6", "0"}},
                    {"SetNotificationGroupPriority", {"0", "1"}},
                    transmission(PauseOff),
                    transmission(SpoilersRetracted),
                });
}

TEST_F(SimLinkClientEvents, SetUpReturnsTheDataRequestsResult) {
    SimConnect_Close(handle);
    EXPECT_EQ(setUpClientEvents(), E_FAIL_RESULT);
    handle = nullptr;
}

TEST_F(SimLinkClientEvents, SendersTransmitOneEventEachAndOnlyPauseOffTouchesAFlag) {
    flightState.simPaused = true;
    flightState.spoilersDeployed = true;
    sendPauseToggle();
    sendSpoilersToggle();
    // The notifications, not the senders, change the program's view.
    EXPECT_TRUE(flightState.simPaused);
    EXPECT_TRUE(flightState.spoilersDeployed);
    sendPauseOff();
    EXPECT_FALSE(flightState.simPaused);
    EXPECT_TRUE(flightState.spoilersDeployed);
    transmitClientEvent(ThrottleCut);

    expectCalls(callsUpTo("TransmitClientEvent", 4),
                {transmission(PauseToggle), transmission(SpoilersToggle), transmission(PauseOff),
                 transmission(ThrottleCut)});
}

TEST_F(SimLinkClientEvents, BeforeAConnectionThePauseOffSenderStillClearsThePause) {
    flightState.simConnectHandle = nullptr;
    flightState.simPaused = true;
    sendPauseOff();
    sendSpoilersToggle();
    EXPECT_FALSE(flightState.simPaused);
    EXPECT_FALSE(simulator->waitForCall("TransmitClientEvent", 100).has_value());
}

}  // namespace
