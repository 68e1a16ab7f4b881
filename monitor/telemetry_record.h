#pragma once

#include "app/shared_flight_state.h"
#include "monitor/outgoing_message.h"
#include "simlink/connection.h"

// Writes one aircraft sample into a zeroed telemetry record: the position as
// "%f" texts, the ten integers truncated toward zero, the temperature, and
// the two status bytes. The wind ahead stays zero until the weather
// observation arrives. `phase` is the phase as it stood before this sample is
// classified, so the record lags the aircraft by one sample.
//
// Thread safety: touches only its arguments.
void fillTelemetryRecord(outgoingMessage& record, const AircraftSample& sample, FlightPhase phase,
                         bool spoilersDeployed);
