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
