// Simulators that give no weather observations: the records still reach the
// clients, and the speed window still acts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/shared_flight_state.h"
#include "tests/monitor/dispatch_fixture.h"

namespace monitor_testing {
namespace {

constexpr const char* kNoWeatherLine = "The simulator gives no weather observations";
constexpr const char* kWeatherAgainLine = "The simulator gives weather observations again";

AircraftSample sampleAt(double altitudeFeet) {
    AircraftSample sample = climbingSample();
    sample.altitude = altitudeFeet;
    return sample;
}

std::size_t countOf(const std::vector<sim::CallLine>& calls, const std::string& name) {
    return static_cast<std::size_t>(std::count_if(
        calls.begin(), calls.end(), [&](const sim::CallLine& call) { return call.name == name; }));
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class MonitorDispatchWeather : public MonitorDispatchTest {
  protected:
    int altitudeOfNextRecord() {
        const auto message = nextMessage();
        EXPECT_TRUE(message);
        return message ? message->record().altitudeFeet : -1;
    }
};

TEST_F(MonitorDispatchWeather, ANewerSimulatorIsNeverAskedAndEverySampleGoesOut) {
    flightState.spoilerControlEnabled = true;  // -spoilerControl 250 0.78 300 0.82
    flightState.minIas = 250;
    flightState.maxIas = 300;
    flightState.minMachMilli = 780.0f;
    flightState.maxMachMilli = 820.0f;
    start();
    simulator_->sendOpen("KittyHawk", sim::ApplicationVersion{11, 0, 282174, 999});

    sendSample(sampleAt(1200.0));
    EXPECT_EQ(altitudeOfNextRecord(), 1200);  // the very first sample's record
    // In cruise too fast, with the wind at the aircraft unlike the (absent)
    // wind ahead: the window rule acts, the wind-change rule does not.
    AircraftSample fast = sampleAt(36000.0);
    fast.mach = 0.83;
    sendSample(fast);
    const auto cruise = nextMessage();
    ASSERT_TRUE(cruise);
    EXPECT_EQ(cruise->record().altitudeFeet, 36000);
    EXPECT_EQ(cruise->record().aheadWindDirection, 0);
    EXPECT_EQ(cruise->record().aheadWindSpeed, 0);

    // The flight's start makes the program ask for the flight plan: once that
    // request is in, every call before it is too.
    sendNotification(SimStart);
    ASSERT_TRUE(simulator_->waitForCall("RequestSystemState", kWaitMs));
    const std::vector<sim::CallLine> calls = simulator_->calls();
    EXPECT_EQ(countOf(calls, "WeatherRequestInterpolatedObservation"), 0u);
    EXPECT_EQ(transmittedEvents(calls), (std::vector<std::uint32_t>{ThrottleCut, SpoilersToggle,
                                                                    PauseOff, SpoilersRetracted}));
}

TEST_F(MonitorDispatchWeather, AnswersThatStopAndStartAgainSwitchTheWayRecordsGoOut) {
    start();
    testing::internal::CaptureStdout();
    EXPECT_EQ(recordOf(sampleAt(1000.0)).aheadWindDirection, 270);

    // Three records replaced unanswered in a row: the third sample's record
    // and every one after it go out at once, without the wind ahead.
    for (const double altitude : {2000.0, 3000.0, 4000.0, 5000.0}) {
        sendSample(sampleAt(altitude));
    }
    EXPECT_EQ(altitudeOfNextRecord(), 5000);
    sendSample(sampleAt(6000.0));
    EXPECT_EQ(altitudeOfNextRecord(), 6000);
    // Each sample still asked, the marker sample of callsSoFar too.
    EXPECT_EQ(countOf(callsSoFar(), "WeatherRequestInterpolatedObservation"), 7u);
    EXPECT_EQ(altitudeOfNextRecord(), 1200);  // the marker's record

    // An observation again: it finds no record, but the next one waits for its own.
    sendWeather("KSEA 121853Z 18005KT");
    sendSample(sampleAt(7000.0));
    sendWeather("KSEA 121853Z 18005KT");
    const auto waited = nextMessage();
    ASSERT_TRUE(waited);
    EXPECT_EQ(waited->record().altitudeFeet, 7000);
    EXPECT_EQ(waited->record().aheadWindDirection, 180);

    stopProgram();
    const std::string console = testing::internal::GetCapturedStdout();
    EXPECT_EQ(occurrences(console, kNoWeatherLine), 1u) << console;
    EXPECT_EQ(occurrences(console, kWeatherAgainLine), 1u) << console;
}

}  // namespace
}  // namespace monitor_testing
