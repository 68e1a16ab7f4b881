// Aircraft samples and weather observations in, telemetry records out.
#include <gtest/gtest.h>

#include <cstring>

#include "app/shared_flight_state.h"
#include "simlink/link_text.h"
#include "tests/monitor/dispatch_fixture.h"

namespace monitor_testing {
namespace {

class MonitorDispatchRecords : public MonitorDispatchTest {
  protected:
    // The phase byte of the record of a sample at each altitude in turn.
    std::vector<int> phasesCarried(const std::vector<double>& altitudes) {
        std::vector<int> phases;
        for (const double altitude : altitudes) {
            AircraftSample sample = climbingSample();
            sample.altitude = altitude;
            phases.push_back(recordOf(sample).phase);
        }
        return phases;
    }
};

float floatField(const sim::CallLine& call, std::size_t index) {
    float value = 0.0f;
    EXPECT_TRUE(simlink::parseFloat(call.fields.at(index), value)) << call.fields.at(index);
    return value;
}

// With the relay's real durations: the registration holds every message back
// for two seconds, then the record arrives in network byte order.
TEST_F(MonitorDispatchRecords, RecordCarriesTheSampleAndTheWindAhead) {
    start(RelayTimings{});
    AircraftSample sample = climbingSample();
    sample.altitude = 35000.0;
    sample.latitude = -33.9461;
    sample.longitude = 151.1772;
    sample.headingTrue = 90.0;
    sample.mach = 0.7999;
    sample.verticalSpeed = -12.9;
    sendSample(sample);

    const auto request = simulator_->waitForCall("WeatherRequestInterpolatedObservation", kWaitMs);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->fields.at(0), "1");
    // 10 km due east along the great circle, which bends toward the equator.
    EXPECT_FLOAT_EQ(floatField(*request, 1), static_cast<float>(-33.946052490367215));
    EXPECT_FLOAT_EQ(floatField(*request, 2), static_cast<float>(151.28560883471857));
    EXPECT_FLOAT_EQ(floatField(*request, 3), 10668.0f);

    sendWeather("YSSY 121853Z 27015G25KT 9999");
    const auto message = nextMessage();
    ASSERT_TRUE(message);
    const std::uint8_t altitudeOnWire[] = {0x00, 0x00, 0x88, 0xB8};
    EXPECT_EQ(std::memcmp(message->bytes + 40, altitudeOnWire, 4), 0);

    const outgoingMessage record = message->record();
    EXPECT_STREQ(record.longitudeText, "151.177200");
    EXPECT_STREQ(record.latitudeText, "-33.946100");
    EXPECT_EQ(record.altitudeFeet, 35000);
    EXPECT_EQ(record.headingDegrees, 90);
    EXPECT_EQ(record.machMilli, 799);
    EXPECT_EQ(record.verticalSpeedFps, -12);
    EXPECT_EQ(record.temperatureCelsius, -56);
    EXPECT_EQ(record.aheadWindDirection, 270);
    EXPECT_EQ(record.aheadWindSpeed, 15);
    EXPECT_EQ(record.phase, 0);  // no sample had been classified before this one
    EXPECT_EQ(record.spoilerState, 0);
    EXPECT_EQ(record.reserved[0], 0);
    EXPECT_EQ(record.reserved[1], 0);
}

TEST_F(MonitorDispatchRecords, PhaseReportsThePreviousSample) {
    start();
    EXPECT_EQ(phasesCarried({34990.0, 35000.0, 34999.9, 34999.95, 34999.95}),
              (std::vector<int>{0, 1, 2, 2, 1}));
}

TEST_F(MonitorDispatchRecords, SmallFallsKeepDescentLevelFlightClimbs) {
    start();
    EXPECT_EQ(phasesCarried({30000.0, 29996.0, 29994.0, 29994.0, 29994.0}),
              (std::vector<int>{0, 1, 3, 3, 1}));
    stopProgram();
    EXPECT_EQ(flightState.previousAltitudeFeet, 29994.0);
}

TEST_F(MonitorDispatchRecords, LateObservationCompletesTheNewestRecord) {
    start();
    AircraftSample first = climbingSample();
    first.altitude = 1000.0;
    AircraftSample second = climbingSample();
    second.altitude = 2000.0;
    sendSample(first);
    sendSample(second);
    sendWeather("KSEA 121853Z 18005KT");
    const auto completed = nextMessage();
    ASSERT_TRUE(completed);
    EXPECT_EQ(completed->record().altitudeFeet, 2000);
    EXPECT_EQ(completed->record().aheadWindDirection, 180);

    // An observation with no record waiting sends nothing: the next message
    // the client sees is the pause notice that follows it.
    sendWeather("KSEA 121853Z 18005KT");
    sendNotification(PauseToggle);
    const auto next = nextMessage();
    ASSERT_TRUE(next);
    EXPECT_STREQ(next->record().longitudeText, "PAUSED");
}

TEST_F(MonitorDispatchRecords, OnlyWholeSamplesOfTheSampleRequestAreRead) {
    start();
    AircraftSample other = climbingSample();
    other.altitude = 20000.0;
    sendSample(other, RequestWeatherAhead);  // another request's data
    simulator_->sendSimObjectData(AircraftSampleRequest, 0, 0, {20000.0, 47.0, -122.0});
    AircraftSample sample = climbingSample();
    sample.altitude = 3000.0;
    const outgoingMessage record = recordOf(sample);
    EXPECT_EQ(record.altitudeFeet, 3000);
    EXPECT_EQ(record.phase, 0);  // neither message was classified

    std::size_t weatherRequests = 0;
    for (const sim::CallLine& call : callsSoFar()) {
        weatherRequests += call.name == "WeatherRequestInterpolatedObservation" ? 1 : 0;
    }
    EXPECT_EQ(weatherRequests, 2u);  // the whole sample's and the marker's
}

TEST_F(MonitorDispatchRecords, ShortReportsGiveNoWindButStillSendTheRecord) {
    start();
    const outgoingMessage record = recordOf(climbingSample(), "KSEA 121853Z");
    EXPECT_EQ(record.aheadWindDirection, 0);
    EXPECT_EQ(record.aheadWindSpeed, 0);
    EXPECT_EQ(record.altitudeFeet, 1200);
}

}  // namespace
}  // namespace monitor_testing
