#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/standin/flight_model.h"
#include "sim/standin/flight_plan.h"

using namespace standin;

namespace {

constexpr double kFrame = 1.0 / 30.0;

FlightModel demoFlight(FlightSettings settings = {}) {
    const FlightPlanReading plan = readFlightPlan(CORVESSA_STANDIN_DEMO_PLAN);
    EXPECT_EQ(plan.error, "");
    RoutePath route(plan.waypoints);
    const double frontKm = route.lengthKm() * 0.55;
    const WindField wind(route.positionAt(frontKm), route.courseAt(frontKm));
    return FlightModel(route, wind, settings);
}

// Flies until parked or `limitSeconds`, collecting the stages in order.
std::vector<FlightStage> flyThrough(FlightModel& model, double limitSeconds = 4 * 3600.0) {
    std::vector<FlightStage> stages{model.state().stage};
    while (!model.parked() && model.state().elapsedSeconds < limitSeconds) {
        model.step(kFrame);
        if (model.state().stage != stages.back()) {
            stages.push_back(model.state().stage);
        }
    }
    return stages;
}

}  // namespace

TEST(StandinFlight, FliesTheDemoPlanFromTakeOffToParking) {
    FlightModel model = demoFlight();
    double highest = 0.0;
    double fastestMach = 0.0;
    std::vector<FlightStage> stages{model.state().stage};
    while (!model.parked() && model.state().elapsedSeconds < 4 * 3600.0) {
        model.step(kFrame);
        highest = std::max(highest, model.state().altitudeFeet);
        fastestMach = std::max(fastestMach, model.state().mach);
        if (model.state().stage != stages.back()) {
            stages.push_back(model.state().stage);
        }
        if (model.state().stage == FlightStage::Cruise) {
            // The program counts cruise only at or above its cruise altitude.
            ASSERT_EQ(model.state().altitudeFeet, 35000.0);
        }
    }
    EXPECT_EQ(stages, (std::vector<FlightStage>{FlightStage::TakeoffRoll, FlightStage::Climb,
                                                FlightStage::Cruise, FlightStage::Descent,
                                                FlightStage::LandingRoll, FlightStage::Parked}));
    EXPECT_EQ(highest, 35000.0);
    EXPECT_LT(fastestMach, 0.86);
    // Landed at the last waypoint's elevation, stopped within a few
    // kilometres past it, in less than an hour and a quarter.
    const AircraftState& end = model.state();
    EXPECT_EQ(end.altitudeFeet, 128.0);
    EXPECT_GT(end.distanceFlownKm, model.route().lengthKm());
    EXPECT_LT(end.distanceFlownKm, model.route().lengthKm() + 5.0);
    EXPECT_LT(end.elapsedSeconds, 75 * 60.0);
    EXPECT_LT(end.fuelPounds, 24000.0);
}

TEST(StandinFlight, CruiseSpeedFollowsThrustAndSpoilers) {
    FlightModel model = demoFlight();
    while (model.state().stage != FlightStage::Cruise) {
        model.step(kFrame);
    }
    // The crew's cruise thrust settles at the cruise Mach number.
    for (int i = 0; i < 30 * 600 && model.state().stage == FlightStage::Cruise; ++i) {
        model.step(kFrame);
    }
    ASSERT_EQ(model.state().stage, FlightStage::Cruise);
    EXPECT_NEAR(model.state().mach, 0.81, 0.005);

    const auto machAfter = [&](double seconds) {
        for (int i = 0; i < static_cast<int>(seconds * 30); ++i) {
            model.step(kFrame);
        }
        return model.state().mach;
    };
    // Full thrust speeds it up, past the usual Mach 0.82 limit within two
    // minutes; cut thrust and spoilers slow it under Mach 0.78 within one.
    model.setThrottle(1.0);
    EXPECT_GT(machAfter(120.0), 0.82);
    model.setThrottle(0.0);
    model.setSpoilers(true);
    EXPECT_LT(machAfter(60.0), 0.78);
    EXPECT_EQ(model.state().stage, FlightStage::Cruise);
    // Indicated airspeed and true airspeed follow the Mach number.
    const AircraftState& s = model.state();
    EXPECT_NEAR(s.trueAirspeedKnots / s.mach, 576.0, 2.0);
    EXPECT_LT(s.indicatedAirspeedKnots, s.trueAirspeedKnots);
}

TEST(StandinFlight, GroundSpeedAndHeadingAllowForTheWind) {
    FlightModel model = demoFlight();
    while (model.state().stage != FlightStage::Cruise) {
        model.step(kFrame);
    }
    bool sawHeadWind = false;
    bool sawTailWind = false;
    while (model.state().stage == FlightStage::Cruise) {
        model.step(kFrame);
        const AircraftState& s = model.state();
        const double relative =
            (s.wind.directionDegrees - s.courseDegrees) * 3.14159265358979 / 180;
        const double head = s.wind.speedKnots * std::cos(relative);
        const double cross = s.wind.speedKnots * std::sin(relative);
        // The air vector plus the wind vector gives the track over the ground.
        const double drift = (s.headingDegrees - s.courseDegrees) * 3.14159265358979 / 180;
        EXPECT_NEAR(s.trueAirspeedKnots * std::sin(drift), cross, 1e-6);
        EXPECT_NEAR(s.trueAirspeedKnots * std::cos(drift) - head, s.groundSpeedKnots, 1e-6);
        sawHeadWind |= head > 60.0;
        sawTailWind |= head < -20.0;
    }
    // The demo plan crosses the front in cruise: tail wind, then head wind.
    EXPECT_TRUE(sawTailWind);
    EXPECT_TRUE(sawHeadWind);
}

TEST(StandinFlight, ShortRouteClimbsIntoTheDescentAndStillLands) {
    const std::vector<PlanWaypoint> hop{{"A", {47.0, 8.0}, 1000.0}, {"B", {47.0, 9.0}, 1500.0}};
    RoutePath route(hop);
    FlightModel model(route, WindField(route.positionAt(40.0), 90.0), FlightSettings{});
    const std::vector<FlightStage> stages = flyThrough(model);
    EXPECT_EQ(stages, (std::vector<FlightStage>{FlightStage::TakeoffRoll, FlightStage::Climb,
                                                FlightStage::Descent, FlightStage::LandingRoll,
                                                FlightStage::Parked}));
    EXPECT_EQ(model.state().altitudeFeet, 1500.0);
}

TEST(StandinFlight, WithoutThrustItCannotClimb) {
    FlightModel model = demoFlight();
    while (model.state().altitudeFeet < 5000.0) {
        model.step(kFrame);
    }
    model.setThrottle(0.0);
    const double altitude = model.state().altitudeFeet;
    for (int i = 0; i < 30 * 60; ++i) {
        model.step(kFrame);
    }
    EXPECT_EQ(model.state().altitudeFeet, altitude);
    EXPECT_EQ(model.state().verticalSpeedFeetPerSecond, 0.0);
}

TEST(StandinFlight, IsDeterministic) {
    FlightModel first = demoFlight();
    FlightModel second = demoFlight();
    flyThrough(first, 1800.0);
    flyThrough(second, 1800.0);
    EXPECT_EQ(first.state().distanceFlownKm, second.state().distanceFlownKm);
    EXPECT_EQ(first.state().altitudeFeet, second.state().altitudeFeet);
    EXPECT_EQ(first.state().mach, second.state().mach);
}
