#include "sim/standin/options.h"

#include <charconv>
#include <cmath>

namespace standin {
namespace {

// The cruise altitudes and Mach numbers the flight model can fly: an
// airliner's ceiling, and the Mach range its cruise thrust can hold.
constexpr double kLowestCruiseFeet = 2000.0;
constexpr double kHighestCruiseFeet = 43000.0;
constexpr double kSlowestCruiseMach = 0.72;
constexpr double kFastestCruiseMach = 0.86;
constexpr double kLargestSpeedup = 1000.0;
constexpr double kLongestStartDelaySeconds = 3600.0;

bool parseWhole(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

bool parseReal(std::string_view text, double& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && std::isfinite(value);
}

bool parseListen(std::string_view text, StandinOptions& options) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        return false;
    }
    int port = 0;
    if (!parseWhole(text.substr(colon + 1), port) || port < 0 || port > 65535) {
        return false;
    }
    options.listenHost = std::string(text.substr(0, colon));
    options.listenPort = port;
    return true;
}

bool parseRange(std::string_view text, double lowest, double highest, double& value) {
    double parsed = 0.0;
    if (!parseReal(text, parsed) || parsed < lowest || parsed > highest) {
        return false;
    }
    value = parsed;
    return true;
}

// "NAME[:MAJOR.MINOR]": the name the open acknowledgement gives, and its
// application version (0.0 when left out).
bool parseApplication(std::string_view text, StandinOptions& options) {
    std::string_view name = text;
    unsigned major = 0;
    unsigned minor = 0;
    if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        name = text.substr(0, colon);
        const std::string_view version = text.substr(colon + 1);
        const auto point = version.find('.');
        if (point == std::string_view::npos) {
            return false;
        }
        const std::string_view majorText = version.substr(0, point);
        const std::string_view minorText = version.substr(point + 1);
        const auto [majorEnd, majorError] =
            std::from_chars(majorText.data(), majorText.data() + majorText.size(), major);
        const auto [minorEnd, minorError] =
            std::from_chars(minorText.data(), minorText.data() + minorText.size(), minor);
        if (majorError != std::errc{} || majorEnd != majorText.data() + majorText.size() ||
            minorError != std::errc{} || minorEnd != minorText.data() + minorText.size()) {
            return false;
        }
    }
    if (name.empty()) {
        return false;
    }
    options.applicationName = std::string(name);
    options.applicationVersionMajor = major;
    options.applicationVersionMinor = minor;
    return true;
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    StandinOptions& options = parsed.options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::string value;
        bool hasValue = false;
        if (const auto equals = name.find('=');
            name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--loop") {
            options.loop = true;
            continue;
        }
        if (name == "--no-weather") {
            options.answersWeather = false;
            continue;
        }
        const bool takesValue = name == "--listen" || name == "--plan" || name == "--cruise" ||
                                name == "--mach" || name == "--speedup" ||
                                name == "--start-delay" || name == "--application";
        if (!takesValue) {
            parsed.error = "unknown option " + arguments[i];
            return parsed;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
            value = arguments[++i];
        }
        bool good = true;
        if (name == "--listen") {
            good = parseListen(value, options);
        } else if (name == "--plan") {
            good = !value.empty();
            options.planPath = value;
        } else if (name == "--cruise") {
            good = parseRange(value, kLowestCruiseFeet, kHighestCruiseFeet, options.cruiseFeet);
        } else if (name == "--mach") {
            good = parseRange(value, kSlowestCruiseMach, kFastestCruiseMach, options.cruiseMach);
        } else if (name == "--speedup") {
            good =
                parseRange(value, 0.0, kLargestSpeedup, options.speedup) && options.speedup > 0.0;
        } else if (name == "--start-delay") {
            good = parseRange(value, 0.0, kLongestStartDelaySeconds, options.startDelaySeconds);
        } else if (name == "--application") {
            good = parseApplication(value, options);
        }
        if (!good) {
            parsed.error = "bad value \"" + value + "\" for " + name;
            return parsed;
        }
    }
    return parsed;
}

std::string usageText() {
    return "usage: corvessa-sim [options]\n"
           "A stand-in flight simulator: it waits for the program on the simulator link,\n"
           "flies a flight plan from its first waypoint to its last and answers the\n"
           "program as the simulator would.\n"
           "\n"
           "  --listen HOST:PORT   where to wait for the program (127.0.0.1:1578; port 0\n"
           "                       picks a free one, printed on the first line)\n"
           "  --plan FILE          the .PLN flight plan to fly (the demo plan, San Francisco\n"
           "                       to Los Angeles)\n"
           "  --cruise FEET        cruise altitude, 2000 to 43000 (35000)\n"
           "  --mach MACH          the Mach number cruise thrust holds, 0.72 to 0.86 (0.81)\n"
           "  --speedup N          simulated seconds per real second, up to 1000 (1); the\n"
           "                       30 visual frames a second stay real seconds\n"
           "  --start-delay SECONDS\n"
           "                       real seconds from the program's arrival to the take-off (1)\n"
           "  --loop               fly the plan again after landing instead of quitting\n"
           "  --no-weather         never answer a weather request, as the newer simulators\n"
           "  --application NAME[:MAJOR.MINOR]\n"
           "                       the name and version the open acknowledgement gives\n"
           "                       (Corvessa stand-in simulator, 0.0); KittyHawk:11.0 plays\n"
           "                       the 2020 simulator, which is never asked for weather\n"
           "  --help               this text\n"
           "\n"
           "Keys, when standard input is a terminal: p pause toggle, s spoilers toggle,\n"
           "q quit. One status line is printed per real second.\n";
}

}  // namespace standin
