#include "sim/standin/route_path.h"

#include <algorithm>

namespace standin {

RoutePath::RoutePath(std::vector<PlanWaypoint> waypoints) : waypoints_(std::move(waypoints)) {
    cumulativeKm_.push_back(0.0);
    for (std::size_t i = 0; i + 1 < waypoints_.size(); ++i) {
        const LatLon from = waypoints_[i].position;
        const LatLon to = waypoints_[i + 1].position;
        cumulativeKm_.push_back(cumulativeKm_.back() + greatCircleDistanceKm(from, to));
        initialCourses_.push_back(initialCourseDegrees(from, to));
    }
    // The arrival course is the reverse of the course from the last waypoint
    // back to the one before it.
    const std::size_t last = waypoints_.size() - 1;
    finalCourse_ = normalizedDegrees(
        initialCourseDegrees(waypoints_[last].position, waypoints_[last - 1].position) + 180.0);
}

std::size_t RoutePath::legAt(double distanceKm) const {
    const auto after = std::upper_bound(cumulativeKm_.begin(), cumulativeKm_.end(), distanceKm);
    const std::size_t index = after == cumulativeKm_.begin()
                                  ? 0
                                  : static_cast<std::size_t>(after - cumulativeKm_.begin()) - 1;
    return std::min(index, initialCourses_.size() - 1);
}

LatLon RoutePath::positionAt(double distanceKm) const {
    if (distanceKm <= 0.0) {
        return waypoints_.front().position;
    }
    if (distanceKm >= lengthKm()) {
        return travel(waypoints_.back().position, finalCourse_, distanceKm - lengthKm());
    }
    const std::size_t leg = legAt(distanceKm);
    return travel(waypoints_[leg].position, initialCourses_[leg], distanceKm - cumulativeKm_[leg]);
}

double RoutePath::courseAt(double distanceKm) const {
    if (distanceKm >= lengthKm()) {
        return finalCourse_;
    }
    const std::size_t leg = legAt(std::max(distanceKm, 0.0));
    const LatLon here = positionAt(std::max(distanceKm, 0.0));
    // On a great circle the course changes along the leg: it is the course
    // from here to the leg's end. Right at that end, the leg's own course.
    if (cumulativeKm_[leg + 1] - std::max(distanceKm, 0.0) < 1e-6) {
        return initialCourses_[leg];
    }
    return initialCourseDegrees(here, waypoints_[leg + 1].position);
}

}  // namespace standin
