// corvessa-bench: the real program against the simulator side of the link,
// with N relay clients on loopback, measured beside a plain UDP socket that
// feeds the same clients in the same run. Every time is read from one
// steady clock in this one process.
//
//   corvessa-bench [--program PATH] [--clients 1,10,50] [--samples N] [--idle-seconds S]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/end_to_end/client_fleet.h"
#include "bench/end_to_end/latency_summary.h"
#include "monitor/outgoing_message.h"
#include "platform/child_process.h"
#include "platform/process_usage.h"
#include "sim/link/link_server.h"

namespace {

using bench::Clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// 50 samples a second, a busy flight's rate: the program and the plain
// socket share each 20 ms slot.
constexpr auto kSamplePeriod = std::chrono::milliseconds(20);
// A record later than this is counted lost.
constexpr auto kRecordDeadline = std::chrono::milliseconds(250);
// After each registration reply the relay sends nothing for 2 s; measuring
// starts once that is over.
constexpr double kRegistrationHoldSeconds = 2.5;
constexpr int kStartTimeoutMs = 10000;
constexpr int kCallTimeoutMs = 1000;
constexpr const char* kMetar = "KSEA 101853Z 27015G25KT 10SM FEW050 BKN250 12/04 A3012";

struct Options {
    std::string program = CORVESSA_PROGRAM;
    std::vector<int> clientCounts = {1, 10, 50};
    int samples = 500;
    double idleSeconds = 5;
};

std::vector<int> parseCounts(const char* text) {
    std::vector<int> counts;
    for (const char* at = text; *at != '\0';) {
        char* end = nullptr;
        const long count = std::strtol(at, &end, 10);
        if (end == at || count < 1 || count > 120) {
            return {};
        }
        counts.push_back(static_cast<int>(count));
        at = *end == ',' ? end + 1 : end;
    }
    return counts;
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--program") {
            options.program = value;
        } else if (name == "--clients") {
            options.clientCounts = parseCounts(value);
        } else if (name == "--samples") {
            options.samples = std::atoi(value);
        } else if (name == "--idle-seconds") {
            options.idleSeconds = std::atof(value);
        } else {
            return std::nullopt;
        }
    }
    if (argc % 2 == 0 || options.clientCounts.empty() || options.samples < 1 ||
        options.idleSeconds <= 0) {
        return std::nullopt;
    }
    return options;
}

// The relay's port, from the line the program writes for "-port 0".
int relayPortOf(const platform::ChildProcess& program) {
    constexpr const char* kNote = "The relay listens on UDP port ";
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (Clock::now() < deadline) {
        const std::string errors = program.standardError();
        const std::size_t at = errors.find(kNote);
        if (at != std::string::npos && errors.find(',', at) != std::string::npos) {
            return std::atoi(errors.c_str() + at + std::strlen(kNote));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

// Latencies of the records to the first and to the last client.
struct Run {
    std::vector<double> first;
    std::vector<double> last;
    int lost = 0;

    void add(Clock::time_point written, const bench::Delivery& delivery, int clients) {
        lost += delivery.lost;
        if (delivery.lost < clients) {
            first.push_back(Milliseconds(delivery.first - written).count());
        }
        if (delivery.lost == 0) {
            last.push_back(Milliseconds(delivery.last - written).count());
        }
    }
};

// A cruising aircraft, a little higher with every sample.
std::vector<double> sampleValues(int index) {
    return {35000.0 + index % 100,
            47.45,
            -122.31,
            85.0,
            60.0,
            452.0,
            128.0,
            455.0,
            0.78,
            35.0,
            270.0,
            9000.,
            0.0,
            280.0,
            -54.0};
}

class Bench {
  public:
    Bench(sim::LinkServer& simulator, platform::ChildProcess& program, int relayPort)
        : simulator_(simulator),
          program_(program),
          fleet_(relayPort),
          plain_(platform::UdpSocket::open()) {}

    bool measure(int clients, const Options& options);

  private:
    void programRound(int index);
    void plainRound();
    double cpuPercentOver(const std::function<void()>& work);
    void idle(double seconds);

    sim::LinkServer& simulator_;
    platform::ChildProcess& program_;
    bench::ClientFleet fleet_;
    std::unique_ptr<platform::UdpSocket> plain_;
    Run relayed_;
    Run plain_run_;
};

void Bench::programRound(int index) {
    fleet_.drain();
    simulator_.clearCalls();
    simulator_.sendSimObjectData(0, 0, 0, sampleValues(index));
    const auto request =
        simulator_.waitForCall("WeatherRequestInterpolatedObservation", kCallTimeoutMs);
    if (!request || request->fields.empty()) {
        relayed_.lost += fleet_.size();
        return;
    }
    const Clock::time_point written = Clock::now();
    simulator_.sendWeatherObservation(static_cast<std::uint32_t>(std::stoul(request->fields[0])),
                                      kMetar);
    relayed_.add(written, fleet_.awaitRecord(written + kRecordDeadline), fleet_.size());
}

void Bench::plainRound() {
    fleet_.drain();
    const outgoingMessage record{};
    const std::vector<platform::UdpEndpoint> addresses = fleet_.addresses();
    const Clock::time_point written = Clock::now();
    for (const platform::UdpEndpoint& address : addresses) {
        plain_->sendTo(&record, kOutgoingMessageSize, address);
    }
    plain_run_.add(written, fleet_.awaitRecord(written + kRecordDeadline), fleet_.size());
}

double Bench::cpuPercentOver(const std::function<void()>& work) {
    const platform::ProcessUsage before = platform::processUsage(program_.processId());
    const Clock::time_point start = Clock::now();
    work();
    const platform::ProcessUsage after = platform::processUsage(program_.processId());
    const double elapsedNs = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    if (!before.known || !after.known || elapsedNs <= 0) {
        return -1;
    }
    return 100.0 * static_cast<double>(after.cpuNanoseconds - before.cpuNanoseconds) / elapsedNs;
}

void Bench::idle(double seconds) {
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        fleet_.heartbeatWhenDue();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool Bench::measure(int clients, const Options& options) {
    if (!fleet_.growTo(clients)) {
        std::fprintf(stderr, "corvessa-bench: client %d was not registered\n", fleet_.size() + 1);
        return false;
    }
    relayed_ = Run{};
    plain_run_ = Run{};
    idle(kRegistrationHoldSeconds);
    const double idlePercent = cpuPercentOver([&] { idle(options.idleSeconds); });
    const double busyPercent = cpuPercentOver([&] {
        Clock::time_point slot = Clock::now();
        for (int i = 0; i < options.samples; ++i) {
            programRound(i);
            plainRound();
            fleet_.heartbeatWhenDue();
            slot += kSamplePeriod;
            std::this_thread::sleep_until(slot);
        }
    });
    const platform::ProcessUsage usage = platform::processUsage(program_.processId());
    const bench::LatencySummary first = bench::summarize(relayed_.first);
    const bench::LatencySummary last = bench::summarize(relayed_.last);
    const bench::LatencySummary plainLast = bench::summarize(plain_run_.last);
    const double ratio = plainLast.p99 > 0 ? last.p99 / plainLast.p99 : 0;
    std::printf(
        "%7d | %5.3f %5.3f %6.2f | %5.3f %5.3f %6.2f | %5.3f %5.3f | %5.1f | %4d/%-6d | "
        "%5.2f | %5.2f | %5.1f\n",
        clients, first.p50, first.p99, first.max, last.p50, last.p99, last.max, plainLast.p50,
        plainLast.p99, ratio, relayed_.lost, options.samples * clients, idlePercent, busyPercent,
        static_cast<double>(usage.residentBytes) / 1e6);
    std::fflush(stdout);
    return true;
}

void printHeader() {
    std::printf(
        "clients | to first client ms  | to last client ms   | plain last ms | p99   | lost       "
        "| CPU %%  | CPU %%  | RSS\n"
        "        |  p50   p99    max   |  p50   p99    max   |  p50   p99    | ratio | /records   "
        "| idle   | 50/s   | MB\n");
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: corvessa-bench [--program PATH] [--clients 1,10,50] [--samples N] "
                     "[--idle-seconds S]\n");
        return 2;
    }
    auto simulator = sim::LinkServer::listen();
    if (simulator == nullptr) {
        std::fprintf(stderr, "corvessa-bench: no port for the simulator link\n");
        return 1;
    }
    platform::ChildProcess::Options environment;
    environment.environment = {"CORVESSA_SIMULATOR=" + simulator->address()};
    auto program = platform::ChildProcess::start(options->program, {"-port", "0"}, environment);
    const int relayPort = program ? relayPortOf(*program) : -1;
    if (relayPort <= 0 || !simulator->waitForProgram(kStartTimeoutMs)) {
        std::fprintf(stderr, "corvessa-bench: %s did not start its relay and link\n",
                     options->program.c_str());
        return 1;
    }
    Bench bench(*simulator, *program, relayPort);
    printHeader();
    for (const int clients : options->clientCounts) {
        if (!bench.measure(clients, *options)) {
            return 1;
        }
    }
    simulator->sendQuit();
    program->wait(kStartTimeoutMs);
    return 0;
}
