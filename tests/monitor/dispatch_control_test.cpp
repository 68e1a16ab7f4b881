// The speed-control rules as the simulator sees them: the events transmitted
// when an observation completes a record.
#include <gtest/gtest.h>

#include "app/shared_flight_state.h"
#include "app/status_figures.h"
#include "tests/monitor/dispatch_fixture.h"

namespace monitor_testing {
namespace {

class MonitorDispatchControl : public MonitorDispatchTest {
  protected:
    void SetUp() override {
        MonitorDispatchTest::SetUp();
        // "-spoilerControl 250 0.78 300 0.82"
        flightState.spoilerControlEnabled = true;
        flightState.minIas = 250;
        flightState.minMachMilli = 780.0f;
        flightState.maxIas = 300;
        flightState.maxMachMilli = 820.0f;
    }

    static AircraftSample cruisingSample() {
        AircraftSample sample = climbingSample();
        sample.altitude = 36000.0;
        return sample;
    }
};

constexpr std::uint32_t kThrottleCut = ThrottleCut;
constexpr std::uint32_t kThrottleFull = ThrottleFull;
constexpr std::uint32_t kSpoilersToggle = SpoilersToggle;

TEST_F(MonitorDispatchControl, OverSpeedInCruiseCutsThrottleThenDeploysSpoilers) {
    start();
    AircraftSample sample = cruisingSample();
    sample.mach = 0.820;  // at the limit: nothing
    recordOf(sample);
    sample.mach = 0.8255;
    recordOf(sample);

    const auto calls = callsSoFar();
    EXPECT_EQ(transmittedEvents(calls),
              (std::vector<std::uint32_t>{kThrottleCut, kSpoilersToggle}));
    for (const sim::CallLine& call : calls) {
        if (call.name == "TransmitClientEvent") {
            EXPECT_EQ(call.fields,
                      (std::vector<std::string>{"0", call.fields.at(1), "0", "1", "16"}));
        }
    }
}

TEST_F(MonitorDispatchControl, StatusFiguresFollowTheRecordsAndTheEventsSent) {
    resetStatusFigures();
    start();
    AircraftSample sample = cruisingSample();
    sample.mach = 0.820;
    recordOf(sample);
    sample.mach = 0.8255;
    recordOf(sample);
    callsSoFar();

    const StatusFigures figures = statusFigures();
    ASSERT_TRUE(figures.recorded);
    EXPECT_EQ(figures.flight.phase, FlightPhase::Cruise);
    EXPECT_EQ(figures.flight.altitudeFeet, 36000);
    EXPECT_EQ(figures.flight.machMilli, 825);
    EXPECT_EQ(figures.flight.indicatedAirspeedKnots,
              static_cast<std::int32_t>(sample.indicatedAirspeed));
    ASSERT_NE(figures.lastEventSent, nullptr);
    EXPECT_STREQ(figures.lastEventSent, "SPOILERS_TOGGLE");
}

TEST_F(MonitorDispatchControl, UnderSpeedWithSpoilersOutAdvancesThrottleThenRetractsThem) {
    start();
    sendNotification(SpoilersToggle);  // the simulator reports the spoilers out
    AircraftSample sample = cruisingSample();
    sample.indicatedAirspeed = 249.0;
    const outgoingMessage record = recordOf(sample);
    EXPECT_EQ(record.spoilerState, 1);
    EXPECT_EQ(transmittedEvents(callsSoFar()),
              (std::vector<std::uint32_t>{kThrottleFull, kSpoilersToggle}));
}

TEST_F(MonitorDispatchControl, SentSpoilerEventsChangeNothingUntilNotified) {
    start();
    AircraftSample sample = cruisingSample();
    sample.indicatedAirspeed = 320.0;
    recordOf(sample);
    // No notification came back: the spoilers still count as in, so the
    // over-speed rule acts again.
    const outgoingMessage second = recordOf(sample);
    EXPECT_EQ(second.spoilerState, 0);
    sendNotification(SpoilersToggle);
    const outgoingMessage third = recordOf(sample);
    EXPECT_EQ(third.spoilerState, 1);
    sendNotification(SpoilersRetracted);
    EXPECT_EQ(recordOf(climbingSample()).spoilerState, 0);
    EXPECT_EQ(
        transmittedEvents(callsSoFar()),
        (std::vector<std::uint32_t>{kThrottleCut, kSpoilersToggle, kThrottleCut, kSpoilersToggle}));
}

TEST_F(MonitorDispatchControl, OverSpeedAndWindAheadToggleTheSpoilersTwice) {
    start();
    AircraftSample sample = cruisingSample();
    sample.mach = 0.825;
    sample.windVelocity = 20.0;  // 60 knots of head wind ahead: Mach 0.9225 predicted
    recordOf(sample, "KXYZ 121853Z 27060KT");
    EXPECT_EQ(transmittedEvents(callsSoFar()),
              (std::vector<std::uint32_t>{kThrottleCut, kSpoilersToggle, kSpoilersToggle}));
}

TEST_F(MonitorDispatchControl, WindAheadActsOutsideCruiseToo) {
    flightState.maxMachMilli = 920.0f;
    start();
    AircraftSample sample = climbingSample();
    sample.indicatedAirspeed = 400.0;  // far over the window, but climbing
    sample.windVelocity = 20.0;
    recordOf(sample, "KXYZ 121853Z 27060KT");  // 922.5 against 920
    sample.windDirection = 350.0;
    sample.windVelocity = 40.0;
    recordOf(sample, "KXYZ 121853Z 35550KT");  // 5 degrees and 10 knots: no change
    sample.windDirection = 270.0;
    sample.windVelocity = 20.0;
    recordOf(sample, "KXYZ 121853Z 09060KT");  // a tail wind
    EXPECT_EQ(transmittedEvents(callsSoFar()), std::vector<std::uint32_t>{kSpoilersToggle});
}

TEST_F(MonitorDispatchControl, WithControlOffTheRecordStillCarriesTheWind) {
    flightState.spoilerControlEnabled = false;
    start();
    AircraftSample sample = cruisingSample();
    sample.mach = 0.9;
    sample.windVelocity = 0.0;
    const outgoingMessage record = recordOf(sample, "KXYZ 121853Z 27060KT");
    EXPECT_EQ(record.aheadWindDirection, 270);
    EXPECT_EQ(record.aheadWindSpeed, 60);
    EXPECT_TRUE(transmittedEvents(callsSoFar()).empty());
}

}  // namespace
}  // namespace monitor_testing
