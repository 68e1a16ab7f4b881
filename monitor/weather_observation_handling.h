#pragma once

#include <string_view>

// The weather observation for the waiting telemetry record: the wind ahead
// goes into the record, the speed-control rules act on it when spoiler
// control is on, and the record goes to the relay. Without a waiting record
// nothing happens. The observation's request id is not looked at: every
// observation answers the latest sample.
//
// Thread safety: main thread only, inside the dispatch procedure.
void handleWeatherObservation(std::string_view metar);

// A simulator that gives no weather observations: the record of the sample
// just handled goes out at once, as if an observation without a wind group
// had come, with the speed window's rules but not the wind-change rule.
//
// Thread safety: main thread only, inside the dispatch procedure.
void completeRecordWithoutWeather();
