#pragma once

// The stand-in's weather: a wind that varies with position and altitude,
// with one front across the route where the wind changes within about 20 km,
// so that the program's 10 km look-ahead sees the change coming before the
// aircraft is through it, even with data blocks several kilometres apart.

#include "sim/standin/great_circle.h"

namespace standin {

struct Wind {
    double directionDegrees;  // where the wind blows from, degrees true, [0, 360)
    double speedKnots;
};

// Behind the front the wind blows from well behind the aircraft's right side
// (a tail wind); beyond it, hard on the nose (a head wind as strong as a jet
// stream). Both grow with altitude up to the tropopause and turn slowly with
// the distance from the front, so that nowhere but at the front does the
// wind change by more than a few degrees or knots over 10 km.
//
// Thread safety: immutable after construction; any thread may read it.
class WindField {
  public:
    // The front is the line through `frontCentre` across the course
    // `routeCourseDegrees` (the route's course there).
    WindField(LatLon frontCentre, double routeCourseDegrees);

    Wind at(LatLon where, double altitudeFeet) const;

    // Distance of `where` beyond the front along the route's course, km:
    // negative before it.
    double distanceBeyondFrontKm(LatLon where) const;

    LatLon frontCentre() const { return frontCentre_; }

  private:
    LatLon frontCentre_;
    double routeCourseDegrees_;
};

}  // namespace standin
