#include "app/status_figures.h"

#include <mutex>

namespace {

std::mutex figuresMutex;
StatusFigures latest;  // guarded by figuresMutex

}  // namespace

void noteFlightFigures(const FlightFigures& figures) {
    std::lock_guard lock(figuresMutex);
    latest.recorded = true;
    latest.flight = figures;
}

void noteEventSent(const char* eventName) {
    std::lock_guard lock(figuresMutex);
    latest.lastEventSent = eventName;
}

StatusFigures statusFigures() {
    std::lock_guard lock(figuresMutex);
    return latest;
}

void resetStatusFigures() {
    std::lock_guard lock(figuresMutex);
    latest = StatusFigures{};
}
