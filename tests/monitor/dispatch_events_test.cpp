// Notifications, system states, the simulator's quit and the command-line
// pause requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "app/shared_flight_state.h"
#include "route/waypoint_table.h"
#include "tests/monitor/dispatch_fixture.h"
#include "tests/support/paths.h"

namespace monitor_testing {
namespace {

class MonitorDispatchNotifications : public MonitorDispatchTest {
  protected:
    std::string nextNotice() {
        const auto message = nextMessage();
        if (!message) {
            return "(nothing)";
        }
        // A notice is its word and zeros: anything else is reported whole.
        const std::uint8_t* end = std::find(message->bytes, message->bytes + 20, 0);
        const std::size_t length = static_cast<std::size_t>(end - message->bytes);
        const bool zerosBehind = std::all_of(message->bytes + length, message->bytes + 96,
                                             [](std::uint8_t b) { return b == 0; });
        std::string word(reinterpret_cast<const char*>(message->bytes), length);
        return zerosBehind ? word : word + " (with bytes behind it)";
    }
};

TEST_F(MonitorDispatchNotifications, PauseToggleTellsTheClientsPauseOffDoesNot) {
    start();
    sendNotification(PauseToggle);
    EXPECT_EQ(nextNotice(), "PAUSED");
    sendNotification(PauseToggle);
    EXPECT_EQ(nextNotice(), "UNPAUSED");

    sendNotification(PauseToggle);
    EXPECT_EQ(nextNotice(), "PAUSED");
    sendNotification(PauseOff);
    sendNotification(PauseOn);  // not followed
    sendNotification(PauseToggle);
    EXPECT_EQ(nextNotice(), "PAUSED");
}

class MonitorDispatchSystemState : public MonitorDispatchTest {
  protected:
    void TearDown() override {
        MonitorDispatchTest::TearDown();
        publishWaypointTable(WaypointTable{});
    }

    static std::string writePlan(const std::string& dir, const std::string& id) {
        const std::string path = dir + "/" + id + ".pln";
        std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<SimBase.Document Type=\"AceXML\" version=\"1,0\">\n"
                               " <FlightPlan.FlightPlan>\n"
                               "  <ATCWaypoint id=\""
                            << id
                            << "\">\n"
                               "   <WorldPosition>N47\xC2\xB0 30' 0.00\",W122\xC2\xB0 30' "
                               "36.00\",+000433.00</WorldPosition>\n"
                               "  </ATCWaypoint>\n"
                               " </FlightPlan.FlightPlan>\n"
                               "</SimBase.Document>\n";
        return path;
    }

    static std::string firstWaypoint() { return copyWaypointTable()[0].id; }

    bool waitForFirstWaypoint(const std::string& id) {
        for (int waited = 0; waited < kWaitMs; waited += 5) {
            if (firstWaypoint() == id) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    static std::size_t count(const std::vector<sim::CallLine>& calls, const std::string& name) {
        return std::count_if(calls.begin(), calls.end(),
                             [&](const sim::CallLine& call) { return call.name == name; });
    }
};

TEST_F(MonitorDispatchSystemState, FlightPlanIsReadOncePerFlight) {
    const std::string dir = testing_support::makeTemporaryDirectory();
    const std::string first = writePlan(dir, "ALPHA");
    const std::string second = writePlan(dir, "BRAVO");
    start();

    simulator_->sendSystemState(RequestFlightPlanState, 0, 0.0f, "");  // no plan loaded yet
    simulator_->sendSystemState(RequestFlightPlanState, 0, 0.0f, first);
    ASSERT_TRUE(waitForFirstWaypoint("ALPHA"));
    EXPECT_DOUBLE_EQ(copyWaypointTable()[0].lat, 47.5);

    simulator_->sendSystemState(RequestFlightPlanState, 0, 0.0f, second);  // same flight
    callsSoFar();
    EXPECT_EQ(firstWaypoint(), "ALPHA");

    sendNotification(SimStart);
    const auto request = simulator_->waitForCall("RequestSystemState", kWaitMs);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->fields, (std::vector<std::string>{"9898", "FlightPlan"}));
    simulator_->sendSystemState(RequestFlightPlanState, 0, 0.0f, second);
    EXPECT_TRUE(waitForFirstWaypoint("BRAVO"));
    stopProgram();
    EXPECT_EQ(flightState.flightPlanStateHandled, 1);
}

TEST_F(MonitorDispatchSystemState, EventsAreSetUpOnceWhenTheSimulationRuns) {
    start();
    simulator_->sendSystemState(RequestSimState, 0, 0.0f, "");
    EXPECT_EQ(count(callsSoFar(), "RequestDataOnSimObject"), 0u);

    simulator_->sendSystemState(RequestSimState, 1, 0.0f, "");
    sendNotification(SimStart);
    simulator_->sendSystemState(RequestSimState, 1, 0.0f, "");
    const auto calls = callsSoFar();
    EXPECT_EQ(count(calls, "RequestDataOnSimObject"), 1u);
    EXPECT_EQ(count(calls, "RequestSystemState"), 1u);  // the flight plan, at SimStart
    stopProgram();
    EXPECT_EQ(flightState.eventsMapped, 1);
}

TEST_F(MonitorDispatchSystemState, SimStartSetsTheEventsUpWhenNoStateDid) {
    start();
    sendNotification(SimStart);
    EXPECT_EQ(count(callsSoFar(), "RequestDataOnSimObject"), 1u);
}

TEST_F(MonitorDispatchSystemState, QuitEndsTheLoopOtherMessagesAreOnlyShown) {
    ::testing::internal::CaptureStdout();
    start();
    simulator_->sendOpen("Stand-in simulator");
    simulator_->sendException(7, 1, 0);
    stopProgram();
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("\nReceived:2"), std::string::npos) << printed;
    EXPECT_NE(printed.find("\nReceived:1"), std::string::npos) << printed;
    EXPECT_NE(printed.find("quiting\n"), std::string::npos) << printed;
    EXPECT_EQ(flightState.quitRequested, 1);
    EXPECT_TRUE(simulator_->waitForCall("Close", kWaitMs));
}

class MonitorDispatchPauseRequests : public MonitorDispatchTest {
  protected:
    // The positions of the pause toggles among the weather requests: for
    // each PauseToggle transmitted, how many weather requests came before it.
    static std::vector<int> pausesAfterRequests(const std::vector<sim::CallLine>& calls) {
        std::vector<int> positions;
        int requests = 0;
        for (const sim::CallLine& call : calls) {
            if (call.name == "WeatherRequestInterpolatedObservation") {
                ++requests;
            } else if (call.name == "TransmitClientEvent" && call.fields.at(1) == "1") {
                positions.push_back(requests);
            }
        }
        return positions;
    }

    void sendSamplesAt(const std::vector<double>& altitudes) {
        for (const double altitude : altitudes) {
            AircraftSample sample = climbingSample();
            sample.altitude = altitude;
            sendSample(sample);
        }
    }
};

TEST_F(MonitorDispatchPauseRequests, PauseNowPausesAtTheFirstSampleOnce) {
    flightState.pauseNowRequested = 1;
    start();
    sendSamplesAt({1200.0});
    sendNotification(PauseToggle);  // the simulator pauses and tells the program
    const auto notice = nextMessage();
    ASSERT_TRUE(notice);
    EXPECT_STREQ(notice->record().longitudeText, "PAUSED");
    sendSamplesAt({1300.0, 1400.0});
    EXPECT_EQ(pausesAfterRequests(callsSoFar()), std::vector<int>{0});
    stopProgram();
    EXPECT_EQ(flightState.pauseNowRequested, 0);
}

TEST_F(MonitorDispatchPauseRequests, PauseNowLeavesAPausedSimulatorAlone) {
    flightState.pauseNowRequested = 1;
    start();
    sendNotification(PauseToggle);
    sendSamplesAt({1200.0});
    sendNotification(PauseToggle);  // the pilot resumes
    sendSamplesAt({1300.0});
    EXPECT_TRUE(pausesAfterRequests(callsSoFar()).empty());
}

TEST_F(MonitorDispatchPauseRequests, PauseAtDistanceActsOnTheFirstDescentBelowIt) {
    flightState.pauseAtDistanceEnabled = 1;
    flightState.pauseDistance = 10000;
    start();
    // Climb, descent above, descent at, a kept descent below, the first
    // detected descent below (the fifth sample), and one more.
    sendSamplesAt({12000.0, 11000.0, 10000.0, 9999.5, 9000.0, 8000.0});
    EXPECT_EQ(pausesAfterRequests(callsSoFar()), std::vector<int>{5});
}

TEST_F(MonitorDispatchPauseRequests, PauseAtDistanceNeverActsAtOrBelow5000Feet) {
    flightState.pauseAtDistanceEnabled = 1;
    flightState.pauseDistance = 6000;
    start();
    sendSamplesAt({7000.0, 5000.0, 3000.0});
    EXPECT_TRUE(pausesAfterRequests(callsSoFar()).empty());
    stopProgram();
    EXPECT_EQ(flightState.pauseAtDistanceEnabled, 1);
}

}  // namespace
}  // namespace monitor_testing
