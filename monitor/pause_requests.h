#pragma once

// The pause requests of the command line: "-pauseNow" pauses the simulator at
// the first aircraft sample, "-pause <feet>" when the aircraft descends
// through that altitude. Each is taken at most once per run: taking one
// clears its flag in the shared flight state.
//
// Thread safety: main thread only (they read and clear the shared settings).

// Below this altitude the "-pause" request no longer acts, so that a pause
// is never sprung on the pilot in the last minutes of the approach; feet.
constexpr double kPauseAtDistanceFloorFeet = 5000.0;

// True, once, at the first aircraft sample when "-pauseNow" was given.
bool takePauseNowRequest();

// True, once, when "-pause <feet>" was given and a sample whose fall made the
// phase descent is below <feet> and above 5000 feet.
bool takePauseAtDistanceRequest(bool descentDetected, double altitudeFeet);
