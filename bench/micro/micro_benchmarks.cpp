// Microbenchmarks of the work done per flight plan, per sample and per
// datagram. The readers and the relay print as they work; run with standard
// output sent elsewhere and the report written by --benchmark_out.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/shared_flight_state.h"
#include "monitor/metar_wind.h"
#include "monitor/telemetry_record.h"
#include "monitor/weather_point.h"
#include "relay/server_socket.h"
#include "route/route_readers.h"

namespace {

namespace fs = std::filesystem;

fs::path scratchFile(const std::string& name, const std::string& bytes) {
    const fs::path path = fs::temp_directory_path() / ("corvessa-bench-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// A plan of `count` waypoints in the simulator's own format, each with a
// degrees-minutes-seconds position like the simulator writes.
std::string generatedPlan(int count) {
    std::string plan =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<SimBase.Document Type=\"AceXML\" version=\"1,0\">\n"
        "<FlightPlan.FlightPlan>\n<Title>Bench plan</Title>\n";
    for (int i = 0; i < count; ++i) {
        char waypoint[256];
        std::snprintf(waypoint, sizeof waypoint,
                      "<ATCWaypoint id=\"WP%03d\">\n<ATCWaypointType>Intersection"
                      "</ATCWaypointType>\n<WorldPosition>N%d° %d' %d.50\",W%d° %d' "
                      "12.25\",+035000.00</WorldPosition>\n</ATCWaypoint>\n",
                      i, 20 + i % 50, i % 60, i % 60, 70 + i % 50, (i * 7) % 60);
        plan += waypoint;
    }
    return plan + "</FlightPlan.FlightPlan>\n</SimBase.Document>\n";
}

void readPlan(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        readSimFlightPlan(path.c_str());
    }
}

void BM_ReadFixturePlan121(benchmark::State& state) {
    const fs::path path =
        fs::path(CORVESSA_SOURCE_DIR) / "../shared/fixtures/plans" / "KSEA_KFLL_sid_star_trans.pln";
    if (!fs::exists(path)) {
        state.SkipWithError("the shared fixture folder ../shared/fixtures is absent");
        return;
    }
    readPlan(state, path.string());
}
BENCHMARK(BM_ReadFixturePlan121)->Unit(benchmark::kMicrosecond);

void BM_ReadGeneratedPlan128(benchmark::State& state) {
    readPlan(state, scratchFile("plan128.pln", generatedPlan(128)).string());
}
BENCHMARK(BM_ReadGeneratedPlan128)->Unit(benchmark::kMicrosecond);

// The route readers take the rest of the command line, which they cut at the
// path's closing quote: a fresh copy for every read.
void readRouteFile(benchmark::State& state, void (*reader)(char*), const fs::path& path,
                   const char* type) {
    std::string commandText = "\"";
    commandText.append(path.string()).append("\" -type ").append(type);
    std::vector<char> text;
    for (auto _ : state) {
        text.assign(commandText.begin(), commandText.end() + 1);
        reader(text.data());
    }
}

void BM_ReadRouteFileP100Lines(benchmark::State& state) {
    std::string lines = "header\nID\nx\n";
    for (int i = 3; i < 100; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%d N %d W %d padding\n", i, 30 + i % 40, 80 + i % 40);
        lines += line;
    }
    readRouteFile(state, readRouteFileP, scratchFile("route100.rte", lines), "P");
}
BENCHMARK(BM_ReadRouteFileP100Lines)->Unit(benchmark::kMicrosecond);

void BM_ReadRouteFileI100Lines(benchmark::State& state) {
    std::string lines;
    for (int i = 0; i < 100; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "a,b,WP%d,DIRECT,%d.5 -%d.25,x,\n", i, 30 + i % 40,
                      80 + i % 40);
        lines += line;
    }
    readRouteFile(state, readRouteFileI, scratchFile("route100.txt", lines), "I");
}
BENCHMARK(BM_ReadRouteFileI100Lines)->Unit(benchmark::kMicrosecond);

AircraftSample cruiseSample() {
    return AircraftSample{35000.0, 47.45, -122.31, 85.0, 60.0, 452.0, 128.0, 455.0,
                          0.78,    35.0,  270.0,   9000, 0.0,  280.0, -54.0};
}

// Everything done with one sample: the record filled and the point 10 km
// ahead whose weather is asked for.
void BM_FillRecordAndPointAhead(benchmark::State& state) {
    const AircraftSample sample = cruiseSample();
    for (auto _ : state) {
        outgoingMessage record{};
        fillTelemetryRecord(record, sample, FlightPhase::Cruise, false);
        benchmark::DoNotOptimize(record);
        benchmark::DoNotOptimize(weatherPointAhead(sample));
    }
}
BENCHMARK(BM_FillRecordAndPointAhead);

void BM_ReadMetarWind(benchmark::State& state) {
    const std::string metar = "KSEA 101853Z 27015G25KT 10SM FEW050 BKN250 12/04 A3012 RMK AO2";
    for (auto _ : state) {
        benchmark::DoNotOptimize(readAheadWind(metar));
    }
}
BENCHMARK(BM_ReadMetarWind);

void ignoreCommand() {}

}  // namespace

// Reaches the relay's datagram handler directly, without the receive loop.
struct RelayBenchAccess {
    static void handle(ServerSocket& server, const incomingMessage& message,
                       const platform::UdpEndpoint& sender) {
        server.handleDatagram(message, sizeof message, sender);
    }
};

namespace {

incomingMessage datagramOf(MessageKind kind, std::int32_t data = 0) {
    incomingMessage message{};
    writeBigEndian32(kind, message.kind);
    writeBigEndian32(data, message.data);
    return message;
}

// One datagram of each kind from one client, in the order a client sends
// them: registration (no route, no pauses), a heartbeat, a command, leaving.
void BM_HandleDatagramOfEachKind(benchmark::State& state) {
    RelayTimings noPauses;
    noPauses.routeDelaySteps = 0;
    noPauses.holdAfterReplyMs = 0;
    ServerSocket server(0, SimulatorCommands{ignoreCommand, ignoreCommand, ignoreCommand},
                        noPauses);
    platform::UdpEndpoint client;
    client.address = platform::ipv4Address("127.0.0.2");
    client.port = 9;  // discard: nobody reads the registration reply
    const incomingMessage registration = datagramOf(add_entry);
    const incomingMessage beat = datagramOf(heartbeat, nextHeartbeat(0));
    incomingMessage toggle = datagramOf(command);
    toggle.data[0] = kCommandSpoilersToggle;
    const incomingMessage leave = datagramOf(end_flow);
    for (auto _ : state) {
        RelayBenchAccess::handle(server, registration, client);
        RelayBenchAccess::handle(server, beat, client);
        RelayBenchAccess::handle(server, toggle, client);
        RelayBenchAccess::handle(server, leave, client);
    }
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_HandleDatagramOfEachKind)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
