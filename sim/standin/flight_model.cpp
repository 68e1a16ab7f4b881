#include "sim/standin/flight_model.h"

#include <algorithm>
#include <cmath>

#include "sim/standin/atmosphere.h"

namespace standin {
namespace {

constexpr double kSecondsPerHour = 3600.0;

// Ground roll: about 2 m/s² each way, a typical airliner's take-off run and
// a firm but ordinary braking on landing.
constexpr double kTakeoffAccelerationKnotsPerSecond = 4.0;
constexpr double kLandingDecelerationKnotsPerSecond = 3.5;
constexpr double kRotationSpeedKnots = 150.0;

// The speed schedule: 250 kt below 10000 ft (the usual speed limit there),
// 290 kt above until Mach 0.78, the same on the way down, 140 kt on final.
constexpr double kLowSpeedLimitKnots = 250.0;
constexpr double kSpeedLimitAltitudeFeet = 10000.0;
constexpr double kClimbSpeedKnots = 290.0;
constexpr double kDescentSpeedKnots = 280.0;
constexpr double kClimbDescentMach = 0.78;
constexpr double kApproachSpeedKnots = 140.0;
constexpr double kApproachDistanceKm = 30.0;  // start slowing to the approach speed here
constexpr double kSpeedChangeKnotsPerSecond = 1.5;

// Climb rate at full thrust: 3500 ft/min at sea level, 60 ft/min less per
// 1000 ft, so 1400 ft/min at 35000 ft. Spoilers halve it; thrust below 30 %
// cannot hold a climb at all.
constexpr double kSeaLevelClimbFeetPerMinute = 3500.0;
constexpr double kClimbLossPerThousandFeet = 60.0;
constexpr double kSpoilerClimbFactor = 0.5;
constexpr double kClimbThrustThreshold = 0.3;

// Descent path: 1000 ft per 3 NM, about a 3° glide path all the way down.
constexpr double kDescentKmPerThousandFeet = 3.0 * kKmPerNauticalMile;

// Cruise: thrust sets the Mach number the aircraft settles at, from 0.72 at
// idle to 0.86 at full thrust; spoilers take 0.08 off. The speed approaches
// it with a time constant of three minutes, so a change of 0.04 (the width
// of a usual Mach window) takes one to two minutes of cruise, and spoilers
// put out at cruise thrust take about a minute and a half to slow the
// aircraft by 0.03. That is longer than it takes to fly from where the
// program first sees a wind front 10 km ahead to where the front no longer
// differs from the wind 10 km beyond (about 17 km), so the under-speed
// correction that retracts the spoilers comes past the front and the wind
// rule does not put them out again: the corrections do not chase each other.
constexpr double kIdleCruiseMach = 0.72;
constexpr double kFullThrustCruiseMach = 0.86;
constexpr double kSpoilerMachLoss = 0.08;
constexpr double kCruiseSpeedTimeConstantSeconds = 180.0;

// Two engines: 1200 lb/h each at idle, 6000 lb/h each at full thrust.
constexpr double kInitialFuelPounds = 24000.0;
constexpr double kIdleFuelPoundsPerHour = 2400.0;
constexpr double kFullFuelPoundsPerHour = 12000.0;
// Oil follows the thrust with a lag of 20 s: 60-100 °C, 25-60 psi.
constexpr double kOilIdleCelsius = 60.0;
constexpr double kOilFullCelsius = 100.0;
constexpr double kOilIdlePsi = 25.0;
constexpr double kOilFullPsi = 60.0;
constexpr double kOilTimeConstantSeconds = 20.0;

double knotsToKmPerSecond(double knots) {
    return knots * kKmPerNauticalMile / kSecondsPerHour;
}

// Moves `value` towards `target` by at most `step`.
double approach(double value, double target, double step) {
    if (value < target) {
        return std::min(value + step, target);
    }
    return std::max(value - step, target);
}

// The share of the way to `target` covered in `seconds` by a first-order lag.
double lagShare(double seconds, double timeConstant) {
    return 1.0 - std::exp(-seconds / timeConstant);
}

double headWindKnots(const Wind& wind, double headingDegrees) {
    return wind.speedKnots * std::cos(degreesToRadians(wind.directionDegrees - headingDegrees));
}

}  // namespace

const char* stageName(FlightStage stage) {
    switch (stage) {
        case FlightStage::TakeoffRoll:
            return "takeoff";
        case FlightStage::Climb:
            return "climb";
        case FlightStage::Cruise:
            return "cruise";
        case FlightStage::Descent:
            return "descent";
        case FlightStage::LandingRoll:
            return "landing";
        case FlightStage::Parked:
            return "parked";
    }
    return "?";
}

FlightModel::FlightModel(RoutePath route, WindField wind, FlightSettings settings)
    : route_(std::move(route)),
      wind_(wind),
      settings_(settings),
      departureElevationFeet_(route_.waypoints().front().altitudeFeet),
      arrivalElevationFeet_(route_.waypoints().back().altitudeFeet) {
    state_.position = route_.positionAt(0.0);
    state_.altitudeFeet = departureElevationFeet_;
    state_.courseDegrees = route_.courseAt(0.0);
    state_.headingDegrees = state_.courseDegrees;
    state_.wind = wind_.at(state_.position, state_.altitudeFeet);
    state_.temperatureCelsius = standardTemperatureCelsius(state_.altitudeFeet);
    state_.fuelPounds = kInitialFuelPounds;
    state_.oilTemperatureCelsius = kOilIdleCelsius;
    state_.oilPressurePsi = kOilIdlePsi;
    // The crew sets take-off thrust on the runway.
    state_.throttle = 1.0;
}

void FlightModel::setThrottle(double lever) {
    state_.throttle = std::clamp(lever, 0.0, 1.0);
}

double FlightModel::descentPathFeet(double remainingKm) const {
    return arrivalElevationFeet_ + std::max(remainingKm, 0.0) / kDescentKmPerThousandFeet * 1000.0;
}

double FlightModel::cruiseThrottleFor(double mach) {
    return std::clamp((mach - kIdleCruiseMach) / (kFullThrustCruiseMach - kIdleCruiseMach), 0.0,
                      1.0);
}

double FlightModel::settledCruiseMach(double throttle, bool spoilersDeployed) {
    return kIdleCruiseMach + (kFullThrustCruiseMach - kIdleCruiseMach) * throttle -
           (spoilersDeployed ? kSpoilerMachLoss : 0.0);
}

double FlightModel::remainingKm() const {
    return route_.lengthKm() - state_.distanceFlownKm;
}

void FlightModel::step(double seconds) {
    if (seconds <= 0.0 || parked()) {
        return;
    }
    const double altitudeBefore = state_.altitudeFeet;
    switch (state_.stage) {
        case FlightStage::TakeoffRoll:
            rollForTakeoff(seconds);
            break;
        case FlightStage::Climb:
            climb(seconds);
            break;
        case FlightStage::Cruise:
            cruise(seconds);
            break;
        case FlightStage::Descent:
            descend(seconds);
            break;
        case FlightStage::LandingRoll:
            rollAfterLanding(seconds);
            break;
        case FlightStage::Parked:
            break;
    }
    state_.verticalSpeedFeetPerSecond = (state_.altitudeFeet - altitudeBefore) / seconds;
    state_.temperatureCelsius = standardTemperatureCelsius(state_.altitudeFeet);
    runEngines(seconds);
    state_.elapsedSeconds += seconds;
}

void FlightModel::rollForTakeoff(double seconds) {
    state_.groundSpeedKnots += kTakeoffAccelerationKnotsPerSecond * seconds;
    rollOnGround(seconds);
    if (state_.indicatedAirspeedKnots >= kRotationSpeedKnots) {
        state_.stage = FlightStage::Climb;
        state_.onGround = false;
    }
}

void FlightModel::climb(double seconds) {
    const double target =
        state_.altitudeFeet < kSpeedLimitAltitudeFeet
            ? kLowSpeedLimitKnots
            : std::min(kClimbSpeedKnots,
                       indicatedAirspeedFromMach(kClimbDescentMach, state_.altitudeFeet));
    approachSpeed(target, seconds);

    const double thrust = std::clamp(
        (state_.throttle - kClimbThrustThreshold) / (1.0 - kClimbThrustThreshold), 0.0, 1.0);
    const double feetPerMinute =
        (kSeaLevelClimbFeetPerMinute -
         kClimbLossPerThousandFeet * std::max(state_.altitudeFeet, 0.0) / 1000.0) *
        thrust * (state_.spoilersDeployed ? kSpoilerClimbFactor : 1.0);
    state_.altitudeFeet += std::max(feetPerMinute, 0.0) / 60.0 * seconds;
    flyAirborne(seconds);

    if (descentPathFeet(remainingKm()) <= state_.altitudeFeet) {
        // A route too short for the cruise altitude: the descent path is
        // met on the way up.
        state_.stage = FlightStage::Descent;
        state_.throttle = 0.0;
    } else if (state_.altitudeFeet >= settings_.cruiseAltitudeFeet) {
        state_.altitudeFeet = settings_.cruiseAltitudeFeet;
        state_.stage = FlightStage::Cruise;
        // The crew sets cruise thrust at level-off.
        state_.throttle = cruiseThrottleFor(settings_.cruiseMach);
    }
}

void FlightModel::cruise(double seconds) {
    const double settled = settledCruiseMach(state_.throttle, state_.spoilersDeployed);
    state_.mach += (settled - state_.mach) * lagShare(seconds, kCruiseSpeedTimeConstantSeconds);
    state_.indicatedAirspeedKnots = indicatedAirspeedFromMach(state_.mach, state_.altitudeFeet);
    flyAirborne(seconds);
    if (descentPathFeet(remainingKm()) < state_.altitudeFeet) {
        state_.stage = FlightStage::Descent;
        state_.throttle = 0.0;  // the crew pulls the thrust to idle at the top of descent
    }
}

void FlightModel::descend(double seconds) {
    double target = kLowSpeedLimitKnots;
    if (remainingKm() <= kApproachDistanceKm) {
        target = kApproachSpeedKnots;
    } else if (state_.altitudeFeet >= kSpeedLimitAltitudeFeet) {
        target = std::min(kDescentSpeedKnots,
                          indicatedAirspeedFromMach(kClimbDescentMach, state_.altitudeFeet));
    }
    approachSpeed(target, seconds);
    flyAirborne(seconds);
    state_.altitudeFeet = std::min(state_.altitudeFeet, descentPathFeet(remainingKm()));
    if (remainingKm() <= 0.0) {
        state_.altitudeFeet = arrivalElevationFeet_;
        state_.stage = FlightStage::LandingRoll;
        state_.onGround = true;
    }
}

void FlightModel::rollAfterLanding(double seconds) {
    state_.groundSpeedKnots =
        std::max(0.0, state_.groundSpeedKnots - kLandingDecelerationKnotsPerSecond * seconds);
    rollOnGround(seconds);
    if (state_.groundSpeedKnots <= 0.0) {
        state_.stage = FlightStage::Parked;
        state_.indicatedAirspeedKnots = 0.0;
        state_.trueAirspeedKnots = 0.0;
        state_.mach = 0.0;
    }
}

void FlightModel::approachSpeed(double targetKnots, double seconds) {
    state_.indicatedAirspeedKnots =
        approach(state_.indicatedAirspeedKnots, targetKnots, kSpeedChangeKnotsPerSecond * seconds);
    state_.mach = machFromIndicatedAirspeed(state_.indicatedAirspeedKnots, state_.altitudeFeet);
}

// In the air the aircraft holds the route's course over the ground: it
// points into the cross wind, and the head wind takes off its ground speed.
void FlightModel::flyAirborne(double seconds) {
    state_.trueAirspeedKnots = trueAirspeedFromMach(state_.mach, state_.altitudeFeet);
    state_.courseDegrees = route_.courseAt(state_.distanceFlownKm);
    state_.wind = wind_.at(state_.position, state_.altitudeFeet);
    const double relative = degreesToRadians(state_.wind.directionDegrees - state_.courseDegrees);
    const double crossKnots = state_.wind.speedKnots * std::sin(relative);
    const double headKnots = state_.wind.speedKnots * std::cos(relative);
    const double correction =
        std::asin(std::clamp(crossKnots / std::max(state_.trueAirspeedKnots, 1.0), -1.0, 1.0));
    state_.headingDegrees = normalizedDegrees(state_.courseDegrees + radiansToDegrees(correction));
    state_.groundSpeedKnots =
        std::max(0.0, state_.trueAirspeedKnots * std::cos(correction) - headKnots);
    state_.distanceFlownKm += knotsToKmPerSecond(state_.groundSpeedKnots) * seconds;
    state_.position = route_.positionAt(state_.distanceFlownKm);
}

// On the runway the wheels set the ground speed; the air streaming past
// the nose adds the head wind to it.
void FlightModel::rollOnGround(double seconds) {
    state_.distanceFlownKm += knotsToKmPerSecond(state_.groundSpeedKnots) * seconds;
    state_.position = route_.positionAt(state_.distanceFlownKm);
    state_.courseDegrees = route_.courseAt(state_.distanceFlownKm);
    state_.headingDegrees = state_.courseDegrees;
    state_.wind = wind_.at(state_.position, state_.altitudeFeet);
    const double airKnots =
        state_.groundSpeedKnots > 0.0
            ? std::max(0.0,
                       state_.groundSpeedKnots + headWindKnots(state_.wind, state_.headingDegrees))
            : 0.0;
    state_.indicatedAirspeedKnots = airKnots;
    state_.mach = machFromIndicatedAirspeed(airKnots, state_.altitudeFeet);
    state_.trueAirspeedKnots = trueAirspeedFromMach(state_.mach, state_.altitudeFeet);
}

void FlightModel::runEngines(double seconds) {
    const double throttle = state_.throttle;
    const double burn =
        kIdleFuelPoundsPerHour + (kFullFuelPoundsPerHour - kIdleFuelPoundsPerHour) * throttle;
    state_.fuelPounds = std::max(0.0, state_.fuelPounds - burn * seconds / kSecondsPerHour);
    const double share = lagShare(seconds, kOilTimeConstantSeconds);
    const double oilTemperature = kOilIdleCelsius + (kOilFullCelsius - kOilIdleCelsius) * throttle;
    const double oilPressure = kOilIdlePsi + (kOilFullPsi - kOilIdlePsi) * throttle;
    state_.oilTemperatureCelsius += (oilTemperature - state_.oilTemperatureCelsius) * share;
    state_.oilPressurePsi += (oilPressure - state_.oilPressurePsi) * share;
}

}  // namespace standin
