#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "route/fixed_text.h"
#include "route/number_scanner.h"
#include "route/route_readers.h"
#include "route/route_text_file.h"
#include "route/waypoint_table.h"

namespace {

// A type P route file lists each waypoint as a block of lines: the
// identifier, two further lines, then a coordinate line such as
// "1 N 47.5 W 122.25 ...". Every later line longer than 15 characters is
// taken as a coordinate line, its identifier the whole piece read three
// reads before it, line end included.
constexpr int kPieceBytes = 128;                     // one read: 127 characters and the terminator
constexpr std::size_t kShortestCoordinateLine = 16;  // characters, its line end counted
constexpr std::size_t kMaxRouteLines = 100;          // the reader's room for coordinate lines
constexpr std::size_t kPathCharacters = 255;         // the longest path the reader opens

struct RouteLine {
    char text[kPieceBytes];
    char id[20];
};

struct KeptLines {
    std::array<RouteLine, kMaxRouteLines> lines{};
    std::size_t count = 0;
    int leftOut = 0;  // qualifying lines beyond the reader's room
};

void selectCoordinateLines(route::TextModeFile& file, KeptLines& kept) {
    char line[kPieceBytes] = {};
    char prev[kPieceBytes] = {};
    char prevPrev[kPieceBytes] = {};
    char prevPrevPrev[kPieceBytes] = {};
    for (int readNumber = 1; file.readPiece(line, kPieceBytes); ++readNumber) {
        if (readNumber > 1 && std::strlen(line) >= kShortestCoordinateLine) {
            if (kept.count < kMaxRouteLines) {
                RouteLine& slot = kept.lines[kept.count++];
                copyToField(slot.text, line);
                copyToField(slot.id, prevPrevPrev);
            } else {
                ++kept.leftOut;
            }
        }
        std::memcpy(prevPrevPrev, prevPrev, kPieceBytes);
        std::memcpy(prevPrev, prev, kPieceBytes);
        std::memcpy(prev, line, kPieceBytes);
    }
}

// "%*d %c %f %c %f": a number, the latitude letter and value, the longitude
// letter and value. Parts the line does not reach stay zero.
void storeCoordinateLine(Waypoint& entry, const RouteLine& line) {
    char latLetter = 0;
    float lat = 0.0f;
    char lonLetter = 0;
    float lon = 0.0f;
    NumberScanner(line.text).skipInteger().letter(latLetter).decimal(lat).letter(lonLetter).decimal(
        lon);
    entry.lat = static_cast<double>(lat);
    entry.lon = static_cast<double>(lon);
    std::memcpy(entry.id, line.id, sizeof entry.id);
    if (latLetter != 'N') {
        entry.lat = -entry.lat;
    }
    if (lonLetter != 'E') {
        entry.lon = -entry.lon;
    }
    std::printf("coord lat and long and id:%f %f %s\n", entry.lat, entry.lon, entry.id);
}

}  // namespace

void readRouteFileP(char* text) {
    const char* path = route::takeRoutePath(text);
    route::TextModeFile file(route::cutRoutePath(path, kPathCharacters));
    if (!route::announceRouteFile(path, file)) {
        return;
    }

    const auto kept = std::make_unique<KeptLines>();
    selectCoordinateLines(file, *kept);

    // The reader clears nothing: entries beyond the file's waypoints stay.
    WaypointTable route = copyWaypointTable();
    for (std::size_t j = 0; j < kept->count; ++j) {
        storeCoordinateLine(route[j], kept->lines[j]);
    }
    publishWaypointTable(route);
    route::finishRouteFile(kept->leftOut, file);
}
