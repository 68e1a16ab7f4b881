#pragma once

// The simulation variables the stand-in can report, by the names and units a
// client declares in its data definitions.

#include <string_view>

#include "sim/standin/flight_model.h"

namespace standin {

// The value of the variable `name` (matched without regard to case; an
// index such as ":1" is accepted and all engines read alike) in `units`.
// 0 for a name the stand-in does not know or units that do not suit it.
double simVariableValue(std::string_view name, std::string_view units,
                        const AircraftState& aircraft);

bool knowsSimVariable(std::string_view name);

}  // namespace standin
