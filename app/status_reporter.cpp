#include "app/status_reporter.h"

#include <cstdio>

#include "relay/server_socket.h"

namespace {

const char* phaseName(FlightPhase phase) {
    switch (phase) {
        case FlightPhase::Climb:
            return "climb";
        case FlightPhase::Cruise:
            return "cruise";
        case FlightPhase::Descent:
            return "descent";
        case FlightPhase::None:
            break;
    }
    return "no phase yet";
}

std::string flightText(const StatusFigures& figures) {
    if (!figures.recorded) {
        return "no aircraft sample yet";
    }
    const FlightFigures& f = figures.flight;
    char text[160];
    std::snprintf(text, sizeof text, "%s, %d ft, IAS %d kt, TAS %d kt, GS %d kt, M%.3f",
                  phaseName(f.phase), f.altitudeFeet, f.indicatedAirspeedKnots, f.trueAirspeedKnots,
                  f.groundSpeedKnots, f.machMilli / 1000.0);
    return text;
}

}  // namespace

std::string statusLine(const StatusFigures& figures, std::size_t clientsRegistered) {
    return "status: " + flightText(figures) + "; " + std::to_string(clientsRegistered) +
           (clientsRegistered == 1 ? " client" : " clients") + " registered; last event sent: " +
           (figures.lastEventSent != nullptr ? figures.lastEventSent : "none");
}

StatusReporter::StatusReporter(std::function<std::string()> line,
                               std::function<void(const std::string&)> sink,
                               std::chrono::milliseconds period)
    : line_(std::move(line)), sink_(std::move(sink)), period_(period) {
    sink_(line_());
    thread_ = std::thread([this] { run(); });
}

StatusReporter::~StatusReporter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void StatusReporter::run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, period_, [this] { return stopping_; })) {
        lock.unlock();
        sink_(line_());
        lock.lock();
    }
}

std::unique_ptr<StatusReporter> startStatusLine(const ServerSocket& relay) {
    // The count waits while a registration holds the registry (up to 4 s);
    // only this thread waits then.
    return std::make_unique<StatusReporter>(
        [&relay] { return statusLine(statusFigures(), relay.clientCount()); },
        [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
}
