#include "tests/tools/relay_harness.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "route/waypoint_table.h"

namespace tools_test {

std::atomic<int> pauseToggles{0};
std::atomic<int> spoilersToggles{0};
std::atomic<int> pauseOffs{0};

RelayTimings quickTimings() {
    RelayTimings timings;
    timings.routeDelayStepMs = 5;
    timings.holdAfterReplyMs = 20;
    timings.reapPeriodMs = 50;
    timings.shutdownSleepMs = 100;
    return timings;
}

std::unique_ptr<ServerSocket> startRelay(const RelayTimings& timings, bool withReaper) {
    pauseToggles = 0;
    spoilersToggles = 0;
    pauseOffs = 0;
    publishWaypointTable(WaypointTable{});
    const SimulatorCommands commands{[] { ++pauseToggles; }, [] { ++spoilersToggles; },
                                     [] { ++pauseOffs; }};
    auto server = std::make_unique<ServerSocket>(0, commands, timings);
    server->startReceiveThread();
    server->startSendThread();
    if (withReaper) {
        server->startReapThread();
    }
    return server;
}

outgoingMessage* newTelemetry(std::int32_t altitudeFeet) {
    auto* message = new outgoingMessage{};
    std::snprintf(message->longitudeText, sizeof message->longitudeText, "%f", 151.1772);
    std::snprintf(message->latitudeText, sizeof message->latitudeText, "%f", -33.9461);
    message->altitudeFeet = altitudeFeet;
    message->machMilli = 799;
    message->phase = 2;
    return message;
}

void publishRoute(std::initializer_list<RoutePoint> points) {
    WaypointTable table{};
    std::size_t slot = 0;
    for (const RoutePoint& point : points) {
        std::snprintf(table[slot].id, sizeof table[slot].id, "%s", point.id);
        table[slot].lat = point.lat;
        table[slot].lon = point.lon;
        ++slot;
    }
    publishWaypointTable(table);
}

WorkingDirectory::WorkingDirectory(const std::string& folder)
    : previous_(std::filesystem::current_path().string()) {
    std::filesystem::current_path(folder);
}

WorkingDirectory::~WorkingDirectory() {
    std::filesystem::current_path(previous_);
}

}  // namespace tools_test
