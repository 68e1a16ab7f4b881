#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "route/fixed_text.h"
#include "route/number_scanner.h"
#include "route/route_readers.h"
#include "route/route_text_file.h"
#include "route/waypoint_table.h"

namespace {

// A type I route file holds one route line per waypoint, comma-separated:
// two fields, the identifier, the airway (DIRECT), the position as
// "latitude longitude" with signs, and more. Only lines holding "DIRECT,"
// are route lines.
constexpr int kPieceBytes = 1024;             // one read: 1023 characters and the terminator
constexpr std::size_t kMaxRouteLines = 100;   // the reader's room for route lines
constexpr std::size_t kPathCharacters = 254;  // the longest path the reader opens
constexpr const char* kRouteLineMark = "DIRECT,";
// The position field's two numbers: the latitude from at most 10
// characters, the longitude from at most 11.
constexpr std::size_t kLatitudeWidth = 10;
constexpr std::size_t kLongitudeWidth = 11;

struct KeptLines {
    std::array<std::array<char, kPieceBytes>, kMaxRouteLines> lines{};
    std::size_t count = 0;
    int leftOut = 0;  // route lines beyond the reader's room
};

// The fields of one route line that the reader uses.
struct RouteLineFields {
    char id[20] = {};        // third field, cut to 19 characters
    char coordSet[30] = {};  // fifth field, cut to 29 characters
};

void selectRouteLines(route::TextModeFile& file, KeptLines& kept) {
    char line[kPieceBytes] = {};
    while (file.readPiece(line, kPieceBytes)) {
        if (std::strstr(line, kRouteLineMark) == nullptr) {
            continue;
        }
        if (kept.count < kMaxRouteLines) {
            std::memcpy(kept.lines[kept.count++].data(), line, kPieceBytes);
        } else {
            ++kept.leftOut;
        }
    }
}

// One field as "%[^',']" reads it: one or more characters that are neither
// a comma nor an apostrophe, leading blanks and the line end included.
// Keeps what fits into `field` (null: discard). False for an empty field.
template <std::size_t N>
bool takeField(std::string_view& rest, char (*field)[N]) {
    const std::size_t length = rest.find_first_of(",'");
    const std::string_view text = rest.substr(0, length);
    if (text.empty()) {
        return false;
    }
    if (field != nullptr) {
        copyToField(*field, text);
    }
    rest.remove_prefix(text.size());
    return true;
}

bool takeDiscardedField(std::string_view& rest) {
    return takeField<1>(rest, nullptr);
}

bool takeComma(std::string_view& rest) {
    if (rest.empty() || rest.front() != ',') {
        return false;
    }
    rest.remove_prefix(1);
    return true;
}

// Reads the line as "%*[^','],%*[^','],%[^','],%*[^','],%[^','],%*s" does,
// except that long fields are cut to fit instead of overrunning: the scan
// ends at the first empty field or the first field not followed directly by
// a comma (an apostrophe ends a field too). The fifth field needs no comma.
RouteLineFields scanRouteLine(const char* line) {
    RouteLineFields fields;
    std::string_view rest(line);
    if (!takeDiscardedField(rest) || !takeComma(rest)) {
        return fields;
    }
    if (!takeDiscardedField(rest) || !takeComma(rest)) {
        return fields;
    }
    if (!takeField(rest, &fields.id) || !takeComma(rest)) {
        return fields;
    }
    if (!takeDiscardedField(rest) || !takeComma(rest)) {
        return fields;
    }
    takeField(rest, &fields.coordSet);
    return fields;
}

void storeRouteLine(Waypoint& entry, const char* line) {
    const RouteLineFields fields = scanRouteLine(line);
    std::printf("%s\n", fields.coordSet);
    // Signed decimal degrees, the latitude from at most 10 characters and
    // the longitude from at most 11 ("%10f %11f"). A line that gives no numbers stores 0.
    float latitude = 0.0f;
    float longitude = 0.0f;
    NumberScanner(fields.coordSet)
        .decimal(latitude, kLatitudeWidth)
        .decimal(longitude, kLongitudeWidth);
    std::printf("%f %f\n", static_cast<double>(latitude), static_cast<double>(longitude));
    entry.lon = static_cast<double>(longitude);
    entry.lat = static_cast<double>(latitude);
    std::memcpy(entry.id, fields.id, sizeof entry.id);
}

}  // namespace

void readRouteFileI(char* text) {
    const char* path = route::takeRoutePath(text);
    route::TextModeFile file(route::cutRoutePath(path, kPathCharacters));
    if (!route::announceRouteFile(path, file)) {
        return;
    }

    const auto kept = std::make_unique<KeptLines>();
    selectRouteLines(file, *kept);

    // The reader clears nothing: entries beyond the file's waypoints stay.
    WaypointTable route = copyWaypointTable();
    for (std::size_t j = 0; j < kept->count; ++j) {
        storeRouteLine(route[j], kept->lines[j].data());
    }
    publishWaypointTable(route);
    route::finishRouteFile(kept->leftOut, file);
}
