#pragma once

#include <atomic>
#include <cstdint>

class ServerSocket;
struct outgoingMessage;

// The flight phase as the monitor classifies it, one signed byte.
enum class FlightPhase : std::int8_t {
    None = 0,  // no aircraft sample classified yet
    Climb = 1,
    Cruise = 2,
    Descent = 3,
};

// The previous altitude before the first sample: below any real altitude,
// so the first sample climbs.
constexpr double kNoPreviousAltitudeFeet = -9999.0;

// Whether the simulator answers the monitor's weather requests. The older
// simulators do; the newer ones keep the requests but never answer them, and
// the newest have retired the weather functions altogether. Without answers
// the monitor completes each record at its own sample, with no wind ahead.
struct WeatherAnswers {
    bool retired = false;  // a simulator whose weather functions are gone: no requests at all
    bool absent = false;   // records go out at their own sample, without the wind ahead
    std::int32_t unansweredInRow = 0;  // records replaced unsent, no observation between
};

// The one process-wide record through which the subsystems meet: the
// command-line settings, the simulator connection's handle and flags, the
// flight status the monitor keeps between messages, and the relay server.
//
// Thread safety: the settings are written on the main thread before the
// relay's threads start and only read afterwards. The fields that another
// thread reads or writes while the main thread runs are atomic: `server`
// (read by the console control thread), `simConnectHandle` (read by the
// relay's receive thread through the event senders), `simPaused` (written by
// the main and the receive thread) and `spoilersDeployed`. Everything else
// belongs to the main thread.
struct SharedFlightState {
    // Settings taken from the command line.
    std::int32_t cruiseAltitudeFeet = 0;
    bool spoilerControlEnabled = false;
    std::int32_t minIas = 0;    // knots
    std::int32_t maxIas = 0;    // knots
    float minMachMilli = 0.0f;  // Mach x 1000, a whole number
    float maxMachMilli = 0.0f;  // Mach x 1000, a whole number
    std::int32_t flightPlanFromCommandLine = 0;
    std::int32_t pauseNowRequested = 0;
    std::int32_t pauseAtDistanceEnabled = 0;
    std::int32_t pauseDistance = 0;  // feet
    std::atomic<ServerSocket*> server{nullptr};

    // The connection with the simulator.
    std::atomic<void*> simConnectHandle{nullptr};
    std::int32_t quitRequested = 0;
    std::int32_t eventsMapped = 0;

    // Flight status kept by the monitor between messages.
    FlightPhase flightPhase = FlightPhase::None;
    std::atomic<bool> simPaused{false};
    std::atomic<bool> spoilersDeployed{false};
    double previousAltitudeFeet = kNoPreviousAltitudeFeet;
    std::int32_t flightPlanStateHandled = 0;
    outgoingMessage* currentTelemetry = nullptr;  // waiting for its weather observation
    WeatherAnswers weatherAnswers;
};

extern SharedFlightState flightState;

// Puts every field back to its value at process start. The program never
// needs it; tests that drive several runs in one process do.
void resetSharedFlightState();
