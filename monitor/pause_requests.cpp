#include "monitor/pause_requests.h"

#include "app/shared_flight_state.h"

bool takePauseNowRequest() {
    if (flightState.pauseNowRequested == 0) {
        return false;
    }
    flightState.pauseNowRequested = 0;
    return true;
}

bool takePauseAtDistanceRequest(bool descentDetected, double altitudeFeet) {
    if (!descentDetected || flightState.pauseAtDistanceEnabled == 0) {
        return false;
    }
    if (!(static_cast<double>(flightState.pauseDistance) > altitudeFeet &&
          altitudeFeet > kPauseAtDistanceFloorFeet)) {
        return false;
    }
    flightState.pauseAtDistanceEnabled = 0;
    return true;
}
