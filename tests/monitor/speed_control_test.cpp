#include "monitor/speed_control.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

// "-spoilerControl 250 0.78 300 0.82"
constexpr SpeedWindow kWindow{250, 300, 780.0f, 820.0f};

// A record in the middle of the window, the wind ahead as at the aircraft.
outgoingMessage steadyRecord() {
    outgoingMessage record{};
    record.machMilli = 800;
    record.indicatedAirspeedKnots = 280;
    record.headingDegrees = 270;
    record.trueAirspeedKnots = 470;
    record.windDirectionDegrees = 270;
    record.windSpeedKnots = 60;
    record.aheadWindDirection = 270;
    record.aheadWindSpeed = 60;
    record.temperatureCelsius = -56;
    return record;
}

constexpr ControlStatus kCruiseRetracted{FlightPhase::Cruise, false};
constexpr ControlStatus kCruiseDeployed{FlightPhase::Cruise, true};

std::vector<ClientEvent> eventsFor(const outgoingMessage& record, ControlStatus status,
                                   const SpeedWindow& window = kWindow) {
    const ControlEvents decided = decideControlEvents(record, window, status);
    return {decided.events, decided.events + decided.count};
}

TEST(MonitorSpeedControl, OverSpeedInCruiseCutsThrottleAndDeploysSpoilers) {
    outgoingMessage record = steadyRecord();
    EXPECT_TRUE(eventsFor(record, kCruiseRetracted).empty());

    record.machMilli = 825;
    EXPECT_EQ(eventsFor(record, kCruiseRetracted),
              (std::vector<ClientEvent>{ThrottleCut, SpoilersToggle}));
    record.machMilli = 820;  // strictly greater only
    EXPECT_TRUE(eventsFor(record, kCruiseRetracted).empty());

    record.indicatedAirspeedKnots = 301;
    EXPECT_EQ(eventsFor(record, kCruiseRetracted),
              (std::vector<ClientEvent>{ThrottleCut, SpoilersToggle}));
    // Spoilers already out, or not in cruise: nothing.
    EXPECT_TRUE(eventsFor(record, kCruiseDeployed).empty());
    record.indicatedAirspeedKnots = 400;
    EXPECT_TRUE(eventsFor(record, {FlightPhase::Climb, false}).empty());
    EXPECT_TRUE(eventsFor(record, {FlightPhase::Descent, false}).empty());
}

TEST(MonitorSpeedControl, UnderSpeedInCruiseAdvancesThrottleAndRetractsSpoilers) {
    outgoingMessage record = steadyRecord();
    EXPECT_TRUE(eventsFor(record, kCruiseDeployed).empty());

    record.indicatedAirspeedKnots = 249;
    EXPECT_EQ(eventsFor(record, kCruiseDeployed),
              (std::vector<ClientEvent>{ThrottleFull, SpoilersToggle}));
    EXPECT_TRUE(eventsFor(record, kCruiseRetracted).empty());
    EXPECT_TRUE(eventsFor(record, {FlightPhase::Climb, true}).empty());

    record.indicatedAirspeedKnots = 250;
    EXPECT_TRUE(eventsFor(record, kCruiseDeployed).empty());
    record.machMilli = 779;
    EXPECT_EQ(eventsFor(record, kCruiseDeployed),
              (std::vector<ClientEvent>{ThrottleFull, SpoilersToggle}));
}

TEST(MonitorSpeedControl, WindAngleIsTheShorterWayRound) {
    EXPECT_EQ(windAngleBetween(5, 350), 15);
    EXPECT_EQ(windAngleBetween(350, 5), 15);
    EXPECT_EQ(windAngleBetween(355, 350), 5);
    EXPECT_EQ(windAngleBetween(0, 180), 180);
    EXPECT_EQ(windAngleBetween(10, 200), 170);
    EXPECT_EQ(windAngleBetween(720, 0), 0);
    EXPECT_EQ(windAngleBetween(std::numeric_limits<std::int32_t>::max(),
                               std::numeric_limits<std::int32_t>::min()),
              (4294967295LL % 360 > 180 ? 360 - 4294967295LL % 360 : 4294967295LL % 360));
}

TEST(MonitorSpeedControl, WindChangesOnlyBeyondTenDegreesOrTenKnots) {
    outgoingMessage record = steadyRecord();
    record.windDirectionDegrees = 350;
    record.aheadWindDirection = 5;
    EXPECT_TRUE(windChangesAhead(record));

    record.aheadWindDirection = 355;
    record.windSpeedKnots = 40;
    record.aheadWindSpeed = 50;
    EXPECT_FALSE(windChangesAhead(record));
    record.aheadWindSpeed = 51;
    EXPECT_TRUE(windChangesAhead(record));
    record.aheadWindSpeed = 29;
    EXPECT_TRUE(windChangesAhead(record));
    record.aheadWindSpeed = 40;
    record.aheadWindDirection = 0;  // 10 degrees: not more than 10
    EXPECT_FALSE(windChangesAhead(record));
}

TEST(MonitorSpeedControl, PredictedMachAddsTheHeadWindAtTheOutsideTemperature) {
    outgoingMessage record = steadyRecord();
    EXPECT_NEAR(predictedMachMilli(record), 922.5319067952031, 1e-9);

    record.aheadWindDirection = 90;  // the same wind from behind
    EXPECT_NEAR(predictedMachMilli(record), 713.6567580868552, 1e-9);

    record.aheadWindDirection = 0;  // straight across: no head-wind component
    EXPECT_NEAR(predictedMachMilli(record), 470.0 / (39.0 * 14.730919862656235) * 1000.0, 1e-9);
}

TEST(MonitorSpeedControl, WindAheadDeploysSpoilersInEveryPhase) {
    outgoingMessage record = steadyRecord();
    record.windSpeedKnots = 20;  // the head wind grows from 20 to 60 knots ahead
    const SpeedWindow tight{250, 300, 780.0f, 920.0f};
    const SpeedWindow loose{250, 300, 780.0f, 923.0f};

    for (const FlightPhase phase :
         {FlightPhase::Climb, FlightPhase::Cruise, FlightPhase::Descent, FlightPhase::None}) {
        EXPECT_EQ(eventsFor(record, {phase, false}, tight),
                  std::vector<ClientEvent>{SpoilersToggle});
        EXPECT_TRUE(eventsFor(record, {phase, false}, loose).empty());
        EXPECT_TRUE(eventsFor(record, {phase, true}, tight).empty());
    }

    // The same predicted speed without a change of wind: nothing.
    record.windSpeedKnots = 60;
    EXPECT_TRUE(eventsFor(record, kCruiseRetracted, tight).empty());

    // A tail wind ahead lowers the prediction to 713.66.
    record.windSpeedKnots = 20;
    record.aheadWindDirection = 90;
    constexpr ControlStatus climbing{FlightPhase::Climb, false};
    EXPECT_TRUE(eventsFor(record, climbing, SpeedWindow{250, 300, 780.0f, 714.0f}).empty());
    EXPECT_EQ(eventsFor(record, climbing, SpeedWindow{250, 300, 780.0f, 713.0f}),
              std::vector<ClientEvent>{SpoilersToggle});
}

TEST(MonitorSpeedControl, OverSpeedAndWindAheadTogetherToggleTheSpoilersTwice) {
    outgoingMessage record = steadyRecord();
    record.windSpeedKnots = 20;
    record.machMilli = 921;
    EXPECT_EQ(eventsFor(record, kCruiseRetracted, SpeedWindow{250, 300, 780.0f, 920.0f}),
              (std::vector<ClientEvent>{ThrottleCut, SpoilersToggle, SpoilersToggle}));
}

}  // namespace

// A simulator without weather observations: the record's wind ahead is the
// zero of a missing wind group, which must not read as a change of wind.
TEST(MonitorSpeedControlWithoutWindAhead, OnlyTheWindowRulesAct) {
    outgoingMessage record = steadyRecord();
    record.aheadWindDirection = 0;
    record.aheadWindSpeed = 0;
    record.trueAirspeedKnots = 480;  // predicted Mach 0.835 in the calm "ahead"
    EXPECT_EQ(eventsFor(record, kCruiseRetracted), (std::vector<ClientEvent>{SpoilersToggle}));
    const auto withoutWind = [&](ControlStatus status) {
        const ControlEvents decided =
            decideControlEvents(record, kWindow, status, WindAhead::Unknown);
        return std::vector<ClientEvent>(decided.events, decided.events + decided.count);
    };
    EXPECT_TRUE(withoutWind(kCruiseRetracted).empty());

    record.machMilli = 825;
    EXPECT_EQ(withoutWind(kCruiseRetracted),
              (std::vector<ClientEvent>{ThrottleCut, SpoilersToggle}));
    record.machMilli = 770;
    EXPECT_EQ(withoutWind(kCruiseDeployed),
              (std::vector<ClientEvent>{ThrottleFull, SpoilersToggle}));
}
