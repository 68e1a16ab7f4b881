#include "route/waypoint_table.h"

#include <mutex>

namespace {

WaypointTable table{};  // all zero at program start: no route
std::mutex tableMutex;

}  // namespace

const Waypoint* getWaypointTable() {
    return table.data();
}

WaypointTable copyWaypointTable() {
    std::lock_guard<std::mutex> lock(tableMutex);
    return table;
}

void publishWaypointTable(const WaypointTable& route) {
    std::lock_guard<std::mutex> lock(tableMutex);
    table = route;
}

double dmsToDecimal(double degrees, double minutes, double seconds) {
    return degrees + minutes / 60.0 + seconds / 3600.0;
}
