#pragma once

#include "simlink/connection.h"

// One aircraft sample of the periodic data request: a new telemetry record
// (replacing one still waiting for its weather), the weather request for the
// point ahead, the record filled with the phase as it stood, then the flight
// phase of this sample. The command-line pause requests are taken here too.
// From a simulator that gives no weather observations the record goes out
// at once, without the wind ahead (monitor/weather_answers.h).
//
// Thread safety: main thread only, inside the dispatch procedure.
void handleAircraftSample(const AircraftSample& sample);
