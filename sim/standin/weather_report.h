#pragma once

// The weather observation the stand-in sends for a point: a METAR-shaped
// text whose third word is the wind group, as the program reads it.

#include <string>

#include "sim/standin/wind_field.h"

namespace standin {

// E.g. "ZZZZ 091530Z 27015KT 9999 FEW040 M56/M60 Q1013": a station of its
// own ("ZZZZ"), day, hour and minute of the simulated time, the wind
// (direction and speed rounded to whole degrees and knots, 360 for north,
// 00000KT for calm), visibility, cloud, temperature and dew point in whole
// degrees Celsius (M for minus) and the standard pressure.
std::string weatherReport(double simulatedUtcSeconds, const Wind& wind, double temperatureCelsius);

}  // namespace standin
