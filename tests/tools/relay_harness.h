#pragma once

// A real relay on an ephemeral loopback port for the companion tools'
// tests, with recording fakes in place of the simulator's senders.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "relay/server_socket.h"
#include "tests/support/wait.h"

namespace tools_test {

// How often the relay's clients have caused each simulator event.
extern std::atomic<int> pauseToggles;
extern std::atomic<int> spoilersToggles;
extern std::atomic<int> pauseOffs;

// The relay's durations shortened for a quick suite; the silence before a
// purge stays the real 5 seconds unless a test shortens it.
RelayTimings quickTimings();

// Builds a relay with the recording commands and starts its receive and
// send threads (and the reaper when asked). The counters start at zero and
// the route table empty.
std::unique_ptr<ServerSocket> startRelay(const RelayTimings& timings, bool withReaper = false);

// A telemetry record as the monitor hands it over (made with new).
outgoingMessage* newTelemetry(std::int32_t altitudeFeet);

// Publishes a route of the given waypoints: {id, lat, lon}.
struct RoutePoint {
    const char* id;
    double lat;
    double lon;
};
void publishRoute(std::initializer_list<RoutePoint> points);

using testing_support::waitUntil;

// Runs the current directory in `folder` for the object's lifetime: the
// relay writes "network.log" in the current directory.
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::string& folder);
    ~WorkingDirectory();

  private:
    std::string previous_;
};

}  // namespace tools_test
