#pragma once

// The lateral path of a flight: great-circle legs from waypoint to waypoint,
// measured by the distance flown from the first waypoint.

#include <vector>

#include "sim/standin/flight_plan.h"
#include "sim/standin/great_circle.h"

namespace standin {

// Thread safety: immutable after construction; any thread may read it.
class RoutePath {
  public:
    // Needs at least two waypoints (readFlightPlan guarantees it).
    explicit RoutePath(std::vector<PlanWaypoint> waypoints);

    double lengthKm() const { return cumulativeKm_.back(); }
    const std::vector<PlanWaypoint>& waypoints() const { return waypoints_; }

    // The point `distanceKm` along the path. Past the last waypoint the path
    // goes on straight along the final course (the landing roll); before
    // the first it is the first waypoint.
    LatLon positionAt(double distanceKm) const;
    // The course of the path at that point, degrees true.
    double courseAt(double distanceKm) const;
    // Index of the leg flown at that point (0 = first to second waypoint).
    std::size_t legAt(double distanceKm) const;

  private:
    std::vector<PlanWaypoint> waypoints_;
    std::vector<double> cumulativeKm_;    // distance of each waypoint from the first
    std::vector<double> initialCourses_;  // course at the start of each leg
    double finalCourse_ = 0.0;            // course on arrival at the last waypoint
};

}  // namespace standin
