#include "monitor/weather_observation_handling.h"

#include <cstdio>

#include "app/shared_flight_state.h"
#include "app/status_figures.h"
#include "monitor/metar_wind.h"
#include "monitor/relay_handover.h"
#include "monitor/speed_control.h"
#include "monitor/weather_answers.h"
#include "simlink/client_events.h"

namespace {

// The spoilers go through their sender, as the relay's clients toggle them;
// the throttle events have no sender of their own.
void perform(const ControlEvents& decided) {
    for (int i = 0; i < decided.count; ++i) {
        if (decided.events[i] == SpoilersToggle) {
            sendSpoilersToggle();
        } else {
            transmitClientEvent(decided.events[i]);
        }
    }
}

void applySpeedControl(const outgoingMessage& record, WindAhead windAhead) {
    const SpeedWindow window{flightState.minIas, flightState.maxIas, flightState.minMachMilli,
                             flightState.maxMachMilli};
    const ControlStatus status{flightState.flightPhase, flightState.spoilersDeployed.load()};
    perform(decideControlEvents(record, window, status, windAhead));
}

void completeRecord(outgoingMessage* record, WindAhead windAhead) {
    if (flightState.spoilerControlEnabled) {
        applySpeedControl(*record, windAhead);
    }
    flightState.currentTelemetry = nullptr;
    noteFlightFigures({flightState.flightPhase, record->altitudeFeet,
                       record->indicatedAirspeedKnots, record->trueAirspeedKnots,
                       record->groundSpeedKnots, record->machMilli});
    handOverToClients(record);
}

}  // namespace

void handleWeatherObservation(std::string_view metar) {
    const AheadWind wind = readAheadWind(metar);
    if (noteObservation(flightState.weatherAnswers)) {
        std::printf(
            "\nThe simulator gives weather observations again: records wait for the "
            "wind ahead\n");
    }
    outgoingMessage* record = flightState.currentTelemetry;
    if (record == nullptr) {
        return;
    }
    record->aheadWindDirection = wind.directionDegrees;
    record->aheadWindSpeed = wind.speedKnots;
    completeRecord(record, WindAhead::Known);
}

void completeRecordWithoutWeather() {
    // The wind ahead stays 0, as from an observation without a wind group.
    if (outgoingMessage* record = flightState.currentTelemetry) {
        completeRecord(record, WindAhead::Unknown);
    }
}
