#pragma once

// The stand-in's reader of the simulator's .PLN flight plan: the waypoints
// it flies, with their positions and altitudes. (The program reads the same
// file with its own reader; this one only has to serve the flight model.)

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/standin/great_circle.h"

namespace standin {

struct PlanWaypoint {
    std::string id;
    LatLon position;
    double altitudeFeet;  // the airport's elevation for the first and last waypoint
};

struct PlanPosition {
    LatLon position;
    double altitudeFeet;
};

// Reads a WorldPosition text such as
// N47° 30' 0.00",W122° 30' 36.00",+000433.00
// (hemisphere letter, degrees, the degree sign, minutes, seconds; then the
// longitude the same way; then the altitude in feet). Empty when the text
// does not have that form or a value is out of range.
std::optional<PlanPosition> parseWorldPosition(std::string_view text);

struct FlightPlanReading {
    std::vector<PlanWaypoint> waypoints;
    std::string error;  // empty when the plan can be flown
};

// The ATCWaypoint elements under SimBase.Document/FlightPlan.FlightPlan, in
// order. A plan is refused when the file cannot be read, a position cannot
// be read, or it has fewer than two waypoints.
FlightPlanReading readFlightPlan(const std::string& path);

}  // namespace standin
