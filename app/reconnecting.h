#pragma once

#include <atomic>

// "-reconnect": the program outlives the simulator. Pilots restart the
// simulator in the middle of an evening of flying and expect their devices
// to carry on, so instead of ending when the simulator quits (or is not yet
// there) the program waits for it and opens a new connection, while the
// relay, its clients, the network log and a route file's route stay as they
// are. Each connection starts the link and the monitor afresh.

struct ReconnectPacing {
    // Between two attempts to open a connection: often enough that a
    // restarted simulator is found soon, seldom enough not to bother it
    // while it starts.
    int retryIntervalMs = 5000;
};

// Runs one connection after another, printing the end-of-run summary after
// each and "Waiting for the simulator..." once while none opens. Returns
// only when `stop` is set; the program passes none and ends by Ctrl-C.
//
// Thread safety: the main thread's own loop; `stop` may be set from any
// thread.
void runReconnecting(const ReconnectPacing& pacing = {}, const std::atomic<bool>* stop = nullptr);
