#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <vector>

#include "app/shared_flight_state.h"
#include "platform/regular_file.h"
#include "route/fixed_text.h"
#include "route/number_scanner.h"
#include "route/route_readers.h"
#include "route/waypoint_table.h"

namespace {

// Where the simulator's .PLN keeps the route: waypoints elsewhere in the
// document (under other elements, or nested deeper) are not part of it.
constexpr const char* kWaypointQuery = "SimBase.Document/FlightPlan.FlightPlan/ATCWaypoint";

// A "WorldPosition" such as N47° 30' 0.00",W122° 30' 36.00",+000100.00 taken
// apart: the degree sign is two bytes in UTF-8 and is skipped as two
// characters, the altitude is ignored. Parts the text does not reach stay 0.
struct PlanPosition {
    char latLetter = 0;
    int latDegrees = 0;
    float latMinutes = 0.0f;
    float latSeconds = 0.0f;
    char lonLetter = 0;
    int lonDegrees = 0;
    float lonMinutes = 0.0f;
    float lonSeconds = 0.0f;
};

PlanPosition scanPlanPosition(const char* text) {
    PlanPosition p;
    // "%c%d%*c%*c %f%*c %f%*c%*c%c%d%*c%*c %f%*c %f%*s"
    NumberScanner(text)
        .character(p.latLetter)
        .integer(p.latDegrees)
        .skipCharacter()
        .skipCharacter()
        .decimal(p.latMinutes)
        .skipCharacter()
        .decimal(p.latSeconds)
        .skipCharacter()
        .skipCharacter()
        .character(p.lonLetter)
        .integer(p.lonDegrees)
        .skipCharacter()
        .skipCharacter()
        .decimal(p.lonMinutes)
        .skipCharacter()
        .decimal(p.lonSeconds);
    return p;
}

void fillFromPlanWaypoint(Waypoint& entry, const pugi::xml_node& waypoint) {
    const PlanPosition p = scanPlanPosition(waypoint.child("WorldPosition").child_value());
    entry.lat = dmsToDecimal(static_cast<double>(p.latDegrees), static_cast<double>(p.latMinutes),
                             static_cast<double>(p.latSeconds));
    entry.lon = dmsToDecimal(static_cast<double>(p.lonDegrees), static_cast<double>(p.lonMinutes),
                             static_cast<double>(p.lonSeconds));
    // A longer identifier is cut to what the field holds rather than
    // ending the program.
    copyToField(entry.id, waypoint.attribute("id").as_string(""));
    // Every letter but a capital N or E, lower case included, means south
    // or west.
    if (p.latLetter != 'N') {
        entry.lat = -entry.lat;
    }
    if (p.lonLetter != 'E') {
        entry.lon = -entry.lon;
    }
}

// Only a regular file is read (a folder or a FIFO is a plan that does not
// open), and at most this much of it: real plans are a few kilobytes.
constexpr std::size_t kMaxPlanBytes = 4 * 1024 * 1024;

void loadPlan(const char* path, pugi::xml_document& document) {
    const platform::OpenedFile opened = platform::openRegularFile(path);
    if (opened.file == nullptr) {
        return;
    }
    std::vector<char> bytes;
    bool cutShort = false;
    if (!platform::readAtMost(opened.file.get(), kMaxPlanBytes, bytes, cutShort)) {
        return;
    }
    if (cutShort) {
        std::fprintf(stderr,
                     "The flight plan \"%s\" is larger than %zu MiB: only its first %zu MiB "
                     "were read\n",
                     path, kMaxPlanBytes / (1024 * 1024), kMaxPlanBytes / (1024 * 1024));
    }
    document.load_buffer(bytes.data(), bytes.size());
}

}  // namespace

void readSimFlightPlan(const char* path) {
    if (flightState.flightPlanFromCommandLine != 0) {
        return;  // the route file named on the command line keeps the route
    }
    WaypointTable route;
    std::memset(&route, 0, sizeof route);  // nothing of an earlier, longer plan survives

    pugi::xml_document document;
    // A plan that does not open or parse yields whatever the parser built:
    // an empty route, or the waypoints read so far.
    loadPlan(path, document);
    const pugi::xpath_query query(kWaypointQuery);
    const pugi::xpath_node_set waypoints = query.evaluate_node_set(document);

    // The table holds 128 waypoints; a longer plan keeps its first 128.
    const std::size_t count =
        waypoints.size() < kWaypointTableEntries ? waypoints.size() : kWaypointTableEntries;
    for (std::size_t i = 0; i < count; ++i) {
        fillFromPlanWaypoint(route[i], waypoints[i].node());
    }
    publishWaypointTable(route);
}
