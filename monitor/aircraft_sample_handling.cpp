#include "monitor/aircraft_sample_handling.h"

#include <cstdio>

#include "app/shared_flight_state.h"
#include "monitor/flight_phase.h"
#include "monitor/pause_requests.h"
#include "monitor/telemetry_record.h"
#include "monitor/weather_answers.h"
#include "monitor/weather_observation_handling.h"
#include "monitor/weather_point.h"
#include "simlink/client_events.h"

namespace {

// A pause the user asked for on the command line. Pausing toggles, so a
// simulator that is already paused is left alone; the toggle's notification
// then tells the clients "PAUSED" like any other pause.
void pauseOnRequest() {
    if (!flightState.simPaused.load()) {
        sendPauseToggle();
    }
}

void requestWeatherAhead(const AircraftSample& sample) {
    const WeatherPoint point = weatherPointAhead(sample);
    SimConnect_WeatherRequestInterpolatedObservation(flightState.simConnectHandle.load(),
                                                     RequestWeatherAhead, point.latitude,
                                                     point.longitude, point.altitudeMetres);
}

// A record whose observation never came is dropped unsent. Several in a row
// show a simulator that does not answer weather requests.
void dropUnansweredRecord() {
    delete flightState.currentTelemetry;
    flightState.currentTelemetry = nullptr;
    if (noteRecordUnanswered(flightState.weatherAnswers)) {
        std::printf(
            "\nThe simulator gives no weather observations: records go out without the "
            "wind ahead\n");
    }
}

}  // namespace

void handleAircraftSample(const AircraftSample& sample) {
    if (flightState.currentTelemetry != nullptr) {
        dropUnansweredRecord();
    }
    flightState.currentTelemetry = new outgoingMessage{};

    if (takePauseNowRequest()) {
        pauseOnRequest();
    }

    if (sendsWeatherRequests(flightState.weatherAnswers)) {
        requestWeatherAhead(sample);
    }
    fillTelemetryRecord(*flightState.currentTelemetry, sample, flightState.flightPhase,
                        flightState.spoilersDeployed.load());

    const PhaseClassification classified =
        classifyFlightPhase(flightState.flightPhase, sample.altitude,
                            flightState.previousAltitudeFeet, flightState.cruiseAltitudeFeet);
    flightState.flightPhase = classified.phase;
    if (takePauseAtDistanceRequest(classified.descentDetected, sample.altitude)) {
        pauseOnRequest();
    }
    flightState.previousAltitudeFeet = sample.altitude;
    if (!recordsWaitForWeather(flightState.weatherAnswers)) {
        completeRecordWithoutWeather();
    }
}
