#pragma once

// The stand-in's aircraft: a small, deterministic model of an airliner
// flying a plan from the first waypoint to the last. It rolls and lifts off,
// climbs on a speed schedule, cruises at the cruise altitude where thrust
// and spoilers set its Mach number, descends on a fixed path that ends at
// the last waypoint, lands and stops. Everything follows from the elapsed
// time, so the same plan and the same events give the same flight.

#include "sim/standin/route_path.h"
#include "sim/standin/wind_field.h"

namespace standin {

enum class FlightStage { TakeoffRoll, Climb, Cruise, Descent, LandingRoll, Parked };

const char* stageName(FlightStage stage);

struct FlightSettings {
    double cruiseAltitudeFeet = 35000.0;
    // The Mach number the crew's cruise thrust holds when nothing else acts.
    double cruiseMach = 0.81;
};

struct AircraftState {
    FlightStage stage = FlightStage::TakeoffRoll;
    double elapsedSeconds = 0.0;
    double distanceFlownKm = 0.0;  // along the route from the first waypoint
    LatLon position{};
    double altitudeFeet = 0.0;
    double verticalSpeedFeetPerSecond = 0.0;
    double courseDegrees = 0.0;   // of the path over the ground
    double headingDegrees = 0.0;  // of the nose, true
    double indicatedAirspeedKnots = 0.0;
    double trueAirspeedKnots = 0.0;
    double mach = 0.0;
    double groundSpeedKnots = 0.0;
    Wind wind{};
    double temperatureCelsius = 0.0;
    double throttle = 0.0;  // lever: 0 idle, 1 full
    bool spoilersDeployed = false;
    bool onGround = true;
    double fuelPounds = 0.0;
    double oilTemperatureCelsius = 0.0;
    double oilPressurePsi = 0.0;
};

// Thread safety: none; one thread drives a model.
class FlightModel {
  public:
    FlightModel(RoutePath route, WindField wind, FlightSettings settings);

    // Advances the flight by `seconds` of simulated time (the session steps
    // it at most a thirtieth of a second at a time, several steps a frame
    // when sped up).
    void step(double seconds);

    void setThrottle(double lever);  // clamped to [0, 1]
    void setSpoilers(bool deployed) { state_.spoilersDeployed = deployed; }

    const AircraftState& state() const { return state_; }
    const RoutePath& route() const { return route_; }
    const WindField& wind() const { return wind_; }
    bool parked() const { return state_.stage == FlightStage::Parked; }

    // The altitude of the descent path with `remainingKm` to go to the last
    // waypoint.
    double descentPathFeet(double remainingKm) const;
    // The thrust lever that holds `mach` in cruise, spoilers retracted.
    static double cruiseThrottleFor(double mach);
    // The Mach number that cruise thrust and spoilers settle at.
    static double settledCruiseMach(double throttle, bool spoilersDeployed);

  private:
    void rollForTakeoff(double seconds);
    void climb(double seconds);
    void cruise(double seconds);
    void descend(double seconds);
    void rollAfterLanding(double seconds);
    void approachSpeed(double targetKnots, double seconds);
    void flyAirborne(double seconds);
    void rollOnGround(double seconds);
    void runEngines(double seconds);
    double remainingKm() const;

    RoutePath route_;
    WindField wind_;
    FlightSettings settings_;
    AircraftState state_;
    double departureElevationFeet_;
    double arrivalElevationFeet_;
};

}  // namespace standin
