#include "monitor/flight_phase.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/shared_flight_state.h"
#include "monitor/pause_requests.h"

namespace {

constexpr std::int32_t kCruise = 35000;

// Classifies the altitudes in turn from the state at process start and
// returns the phase after each.
std::vector<FlightPhase> phasesOf(const std::vector<double>& altitudes) {
    FlightPhase phase = FlightPhase::None;
    double previous = -9999.0;
    std::vector<FlightPhase> phases;
    for (const double altitude : altitudes) {
        phase = classifyFlightPhase(phase, altitude, previous, kCruise).phase;
        previous = altitude;
        phases.push_back(phase);
    }
    return phases;
}

using enum FlightPhase;

TEST(MonitorFlightPhase, FirstSampleBelowCruiseClimbs) {
    EXPECT_EQ(phasesOf({1200.0}), std::vector<FlightPhase>{Climb});
    EXPECT_EQ(phasesOf({-500.0}), std::vector<FlightPhase>{Climb});
}

TEST(MonitorFlightPhase, CruiseIsJudgedInWholeFeet) {
    EXPECT_EQ(phasesOf({34990.0, 35000.0, 34999.9, 34999.95}),
              (std::vector<FlightPhase>{Climb, Cruise, Cruise, Climb}));
    EXPECT_EQ(phasesOf({34999.99}), std::vector<FlightPhase>{Climb});
    EXPECT_EQ(phasesOf({35000.0, 41000.0, 35000.5}),
              (std::vector<FlightPhase>{Cruise, Cruise, Cruise}));
}

TEST(MonitorFlightPhase, SmallFallsKeepThePhaseLevelFlightClimbs) {
    EXPECT_EQ(phasesOf({30000.0, 29996.0, 29994.0, 29994.0}),
              (std::vector<FlightPhase>{Climb, Descent, Descent, Climb}));
    // Exactly three feet is a descent; just under it keeps climb.
    EXPECT_EQ(phasesOf({30000.0, 29997.0}), (std::vector<FlightPhase>{Climb, Descent}));
    EXPECT_EQ(phasesOf({30000.0, 29997.5}), (std::vector<FlightPhase>{Climb, Climb}));
}

TEST(MonitorFlightPhase, OnlyAFallOfThreeFeetDetectsDescent) {
    EXPECT_TRUE(classifyFlightPhase(Climb, 29990.0, 30000.0, kCruise).descentDetected);
    EXPECT_FALSE(classifyFlightPhase(Descent, 29999.0, 30000.0, kCruise).descentDetected);
    EXPECT_EQ(classifyFlightPhase(Descent, 29999.0, 30000.0, kCruise).phase, Descent);
    EXPECT_FALSE(classifyFlightPhase(Cruise, 35000.0, 36000.0, kCruise).descentDetected);
}

class MonitorPauseRequests : public ::testing::Test {
  protected:
    void SetUp() override { resetSharedFlightState(); }
    void TearDown() override { resetSharedFlightState(); }
};

TEST_F(MonitorPauseRequests, PauseNowIsTakenOnce) {
    EXPECT_FALSE(takePauseNowRequest());
    flightState.pauseNowRequested = 1;
    EXPECT_TRUE(takePauseNowRequest());
    EXPECT_EQ(flightState.pauseNowRequested, 0);
    EXPECT_FALSE(takePauseNowRequest());
}

TEST_F(MonitorPauseRequests, PauseAtDistanceActsInDescentBetweenItsAltitudeAnd5000Feet) {
    flightState.pauseAtDistanceEnabled = 1;
    flightState.pauseDistance = 10000;

    EXPECT_FALSE(takePauseAtDistanceRequest(false, 9000.0));  // no descent detected
    EXPECT_FALSE(takePauseAtDistanceRequest(true, 10000.0));  // not below the distance
    EXPECT_FALSE(takePauseAtDistanceRequest(true, 5000.0));   // not above 5000 feet
    EXPECT_EQ(flightState.pauseAtDistanceEnabled, 1);

    EXPECT_TRUE(takePauseAtDistanceRequest(true, 9999.5));  // compared as floating point
    EXPECT_EQ(flightState.pauseAtDistanceEnabled, 0);
    EXPECT_FALSE(takePauseAtDistanceRequest(true, 9000.0));
}

TEST_F(MonitorPauseRequests, PauseAtDistanceNeedsTheOption) {
    flightState.pauseDistance = 10000;
    EXPECT_FALSE(takePauseAtDistanceRequest(true, 9000.0));
}

}  // namespace
