#include "app/reconnecting.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/route_summary.h"
#include "app/shared_flight_state.h"
#include "monitor/dispatch.h"
#include "monitor/flight_monitor_reset.h"
#include "platform/sleep.h"
#include "route/waypoint_table.h"
#include "simlink/connection.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a wait looks away from the stop flag.
constexpr int kStopCheckMs = 50;

bool stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

// What the last connection left behind goes; the relay and the route file's
// route stay.
void prepareNewConnection() {
    flightState.quitRequested = 0;
    flightState.eventsMapped = 0;            // the client events are set up again
    flightState.flightPlanStateHandled = 0;  // the simulator's plan is read again
    resetFlightMonitor();
}

void waitUntil(Clock::time_point when, const std::atomic<bool>* stop) {
    while (!stopped(stop)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count();
        if (left <= 0) {
            return;
        }
        platform::sleepMilliseconds(static_cast<int>(std::min<long long>(left, kStopCheckMs)));
    }
}

}  // namespace

void runReconnecting(const ReconnectPacing& pacing, const std::atomic<bool>* stop) {
    const auto interval = std::chrono::milliseconds(pacing.retryIntervalMs);
    bool waitingSaid = false;
    while (!stopped(stop)) {
        const Clock::time_point attempt = Clock::now();
        prepareNewConnection();
        Clock::time_point nextAttempt = attempt + interval;
        if (runSimConnect(dispatchHandler)) {
            printRouteSummary(copyWaypointTable());
            waitingSaid = false;
            // The simulator has just gone: give it the whole interval.
            nextAttempt = Clock::now() + interval;
        }
        if (!waitingSaid) {
            std::printf("\nWaiting for the simulator...\n");
            waitingSaid = true;
        }
        waitUntil(nextAttempt, stop);
    }
}
