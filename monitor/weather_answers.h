#pragma once

#include <cstdint>

#include "app/shared_flight_state.h"

// How the monitor learns whether the simulator answers its weather requests.
// The newer simulators keep the client library's weather request but never
// answer it; waiting for the observation would then hold every record back
// for good, so after a few unanswered records the monitor stops waiting and
// completes each record at its own sample, without the wind ahead. The
// newest simulators name themselves at the open, and their weather
// functions are retired: the monitor then sends no request at all.
//
// Thread safety: pure rules on the caller's state; the monitor calls them on
// the main thread only.

// Records replaced unsent in a row, with no observation between, that show
// the simulator gives no weather observations. One late observation replaces
// a record but not three: a slow simulator does not get here.
constexpr std::int32_t kUnansweredRecordsForNoWeather = 3;

// The first application version of the simulators whose weather functions
// are retired (the 2020 simulator answers the open with 11.0).
constexpr std::uint32_t kFirstVersionWithoutWeather = 11;

// A record was replaced unsent. True when this makes the monitor conclude
// that the simulator gives no weather observations.
bool noteRecordUnanswered(WeatherAnswers& answers);

// An observation arrived. True when this ends the mode without weather.
bool noteObservation(WeatherAnswers& answers);

// The simulator named its application version at the open. True when its
// weather functions are retired.
bool noteApplicationVersion(WeatherAnswers& answers, std::uint32_t versionMajor);

// Whether each sample asks for the weather ahead.
bool sendsWeatherRequests(const WeatherAnswers& answers);

// Whether a record waits for its observation, or goes out at its own sample.
bool recordsWaitForWeather(const WeatherAnswers& answers);
