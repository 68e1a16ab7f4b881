#include "sim/standin/flight_plan.h"

#include <pugixml.hpp>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace standin {
namespace {

// Reads the text of a WorldPosition from left to right.
class PositionScanner {
  public:
    explicit PositionScanner(std::string_view text) : text_(text) {}

    void skipBlanks() {
        while (!text_.empty() && (text_.front() == ' ' || text_.front() == '\t')) {
            text_.remove_prefix(1);
        }
    }

    bool take(std::string_view expected) {
        skipBlanks();
        if (text_.substr(0, expected.size()) != expected) {
            return false;
        }
        text_.remove_prefix(expected.size());
        return true;
    }

    std::optional<char> letter() {
        skipBlanks();
        if (text_.empty()) {
            return std::nullopt;
        }
        const char c = text_.front();
        text_.remove_prefix(1);
        return c;
    }

    std::optional<double> number() {
        skipBlanks();
        if (!text_.empty() && text_.front() == '+') {
            text_.remove_prefix(1);  // from_chars takes no plus sign
        }
        double value = 0.0;
        const auto [end, error] = std::from_chars(text_.data(), text_.data() + text_.size(), value);
        if (error != std::errc{}) {
            return std::nullopt;
        }
        text_.remove_prefix(static_cast<std::size_t>(end - text_.data()));
        return value;
    }

    bool degreeSign() {
        // UTF-8 "°"; a Latin-1 degree byte is accepted too, as older tools write it.
        return take("\xC2\xB0") || take("\xB0");
    }

  private:
    std::string_view text_;
};

// One of "N47° 30' 0.00"" with its hemisphere letters `positive` / `negative`.
std::optional<double> angle(PositionScanner& scanner, char positive, char negative,
                            double limitDegrees) {
    const auto hemisphere = scanner.letter();
    if (!hemisphere || (*hemisphere != positive && *hemisphere != negative)) {
        return std::nullopt;
    }
    const auto degrees = scanner.number();
    if (!degrees || !scanner.degreeSign()) {
        return std::nullopt;
    }
    const auto minutes = scanner.number();
    if (!minutes || !scanner.take("'")) {
        return std::nullopt;
    }
    const auto seconds = scanner.number();
    if (!seconds || !scanner.take("\"")) {
        return std::nullopt;
    }
    if (*degrees < 0 || *minutes < 0 || *minutes >= 60 || *seconds < 0 || *seconds >= 60) {
        return std::nullopt;
    }
    const double value = *degrees + *minutes / 60.0 + *seconds / 3600.0;
    if (value > limitDegrees) {
        return std::nullopt;
    }
    return *hemisphere == positive ? value : -value;
}

}  // namespace

std::optional<PlanPosition> parseWorldPosition(std::string_view text) {
    PositionScanner scanner(text);
    const auto latitude = angle(scanner, 'N', 'S', 90.0);
    if (!latitude || !scanner.take(",")) {
        return std::nullopt;
    }
    const auto longitude = angle(scanner, 'E', 'W', 180.0);
    if (!longitude) {
        return std::nullopt;
    }
    double altitude = 0.0;
    if (scanner.take(",")) {
        const auto feet = scanner.number();
        if (!feet) {
            return std::nullopt;
        }
        altitude = *feet;
    }
    return PlanPosition{LatLon{*latitude, *longitude}, altitude};
}

FlightPlanReading readFlightPlan(const std::string& path) {
    FlightPlanReading reading;
    // The XML reader takes a folder for a file it cannot allocate memory
    // for, which would send the user looking in the wrong place.
    std::error_code fault;
    if (std::filesystem::is_directory(path, fault)) {
        reading.error = "cannot read " + path + ": it is a folder, not a file";
        return reading;
    }
    pugi::xml_document document;
    const pugi::xml_parse_result loaded = document.load_file(path.c_str());
    if (!loaded) {
        reading.error = "cannot read " + path + ": " + loaded.description();
        return reading;
    }
    const pugi::xml_node plan = document.child("SimBase.Document").child("FlightPlan.FlightPlan");
    for (const pugi::xml_node waypoint : plan.children("ATCWaypoint")) {
        const std::string id = waypoint.attribute("id").as_string();
        const auto position = parseWorldPosition(waypoint.child("WorldPosition").child_value());
        if (!position) {
            reading.waypoints.clear();
            reading.error =
                "the position of waypoint \"" + id + "\" in " + path + " cannot be read";
            return reading;
        }
        reading.waypoints.push_back(PlanWaypoint{id, position->position, position->altitudeFeet});
    }
    if (reading.waypoints.size() < 2) {
        reading.waypoints.clear();
        reading.error = path + " holds fewer than two waypoints";
    }
    return reading;
}

}  // namespace standin
