#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/shared_flight_state.h"
#include "route/fixed_text.h"
#include "route/waypoint_table.h"
#include "tests/support/paths.h"

namespace route_test {

inline std::string dataPath(const std::string& name) {
    return testing_support::sourcePath("tests/route/data/" + name);
}

inline void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The rest of a command line after "-flightplan", writable as the readers
// need it, e.g. CommandText("\"C:\\a b.rte\" -type I").
class CommandText {
  public:
    explicit CommandText(std::string_view text) : chars_(text.begin(), text.end()) {
        chars_.push_back('\0');
    }
    char* get() { return chars_.data(); }
    std::string asCString() const { return std::string(chars_.data()); }

  private:
    std::vector<char> chars_;
};

inline std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// Runs `action` and returns what it printed on standard output.
template <typename Action>
std::string printedBy(Action action) {
    ::testing::internal::CaptureStdout();
    action();
    return ::testing::internal::GetCapturedStdout();
}

inline WaypointTable emptyTable() {
    WaypointTable table;
    std::memset(&table, 0, sizeof table);
    return table;
}

// Every field of the entry is zero as at program start (a negative zero
// counts as zero, as the relay compares it).
inline bool isEmptyEntry(const Waypoint& entry) {
    static const char noId[sizeof entry.id] = {};
    return std::memcmp(entry.id, noId, sizeof noId) == 0 && entry.lat == 0.0 && entry.lon == 0.0;
}

inline Waypoint point(const char* id, double lat, double lon) {
    Waypoint w{};
    copyToField(w.id, id);
    w.lat = lat;
    w.lon = lon;
    return w;
}

// A route of `count` waypoints named "<prefix><i>", all with `lat` i + 1.
inline WaypointTable routeOf(int count, const char* prefix) {
    WaypointTable table = emptyTable();
    for (int i = 0; i < count; ++i) {
        table[i] = point((std::string(prefix) + std::to_string(i)).c_str(), i + 1.0, -(i + 1.0));
    }
    return table;
}

class RouteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetSharedFlightState();
        publishWaypointTable(emptyTable());
        directory_ = testing_support::makeTemporaryDirectory();
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    std::string temporaryFile(const std::string& name, std::string_view bytes) {
        const std::string path = directory_ + "/" + name;
        writeFile(path, bytes);
        return path;
    }

    std::string directory_;
};

}  // namespace route_test
