#include "tools/client/client_options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/udp_socket.h"

namespace tools {

const char kClientUsage[] =
    "usage: corvessa-client [options]\n"
    "\n"
    "Registers with a Corvessa relay, keeps the registration alive with heartbeats,\n"
    "prints the route it is sent and every telemetry record and notice, and ends\n"
    "with a summary.\n"
    "\n"
    "  --host ADDRESS      the relay's IPv4 address (default 127.0.0.1)\n"
    "  --port N            the relay's UDP port (default 1577)\n"
    "  --bind ADDRESS      the local IPv4 address to send from, so that several\n"
    "                      clients on one machine are distinct clients to the\n"
    "                      relay, e.g. 127.0.0.2 (default: any)\n"
    "  --heartbeat SECONDS time between heartbeats, below 5 (default 1)\n"
    "  --format FORMAT     text (default), json (one object per line) or csv\n"
    "                      (records only; notes and the summary go to standard error)\n"
    "  --count N           end after N telemetry records\n"
    "  --duration SECONDS  end after this long\n"
    "  --pause             send the pause toggle command at start\n"
    "  --spoilers          send the spoilers toggle command at start\n"
    "  --help              this text\n"
    "\n"
    "When standard input is a terminal: p toggles the pause, s the spoilers, q quits.\n"
    "If nothing arrives for 5 seconds the client registers again (after a PAUSED\n"
    "notice only after 30 seconds, so that the pause lasts). It ends on q,\n"
    "Ctrl-C or the end of --count/--duration: it tells the relay it leaves and\n"
    "prints the summary.\n"
    "\n"
    "Exit status: 0 a normal end, 2 a bad command line, 3 the socket could not be\n"
    "opened or bound.\n";

namespace {

constexpr int kHighestPort = 65535;

// A relay that receives no datagram at all for this long drops every
// client: a lone client's heartbeats must come sooner.
constexpr double kRelaySilenceSeconds = 5.0;

bool parseInteger(std::string_view text, long long* value) {
    const char* end = text.data() + text.size();
    const auto [stop, fault] = std::from_chars(text.data(), end, *value);
    return fault == std::errc() && stop == end;
}

bool parseSeconds(std::string_view text, double* value) {
    // from_chars for floating point is not everywhere yet; strtod needs a terminated copy.
    const std::string copy(text);
    char* end = nullptr;
    *value = std::strtod(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size() && std::isfinite(*value);
}

bool isAddress(const std::string& text) {
    // 255.255.255.255 reads as the "not an address" value too; no relay lives there.
    return platform::ipv4Address(text.c_str()) != 0xFFFFFFFFu;
}

}  // namespace

bool parseClientOptions(const std::vector<std::string_view>& arguments, ClientOptions* options,
                        std::string* error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view name = arguments[i];
        if (name == "--help" || name == "-h") {
            options->help = true;
            continue;
        }
        if (name == "--pause") {
            options->pauseAtStart = true;
            continue;
        }
        if (name == "--spoilers") {
            options->spoilersAtStart = true;
            continue;
        }
        const bool takesValue = name == "--host" || name == "--port" || name == "--bind" ||
                                name == "--heartbeat" || name == "--format" || name == "--count" ||
                                name == "--duration";
        if (!takesValue) {
            *error = "unknown option '" + std::string(name) + "'";
            return false;
        }
        if (i + 1 >= arguments.size()) {
            *error = std::string(name) + " needs a value";
            return false;
        }
        const std::string_view value = arguments[++i];
        const std::string bad = "bad value '" + std::string(value) + "' for " + std::string(name);
        long long integer = 0;
        double seconds = 0.0;
        if (name == "--host" || name == "--bind") {
            std::string address(value == "localhost" ? "127.0.0.1" : value);
            if (!isAddress(address)) {
                *error = bad + ": an IPv4 address such as 127.0.0.2 is needed";
                return false;
            }
            (name == "--host" ? options->host : options->bind) = address;
        } else if (name == "--port") {
            if (!parseInteger(value, &integer) || integer < 1 || integer > kHighestPort) {
                *error = bad;
                return false;
            }
            options->port = static_cast<int>(integer);
        } else if (name == "--heartbeat") {
            if (!parseSeconds(value, &seconds) || seconds <= 0.0) {
                *error = bad;
                return false;
            }
            if (seconds >= kRelaySilenceSeconds) {
                *error = bad +
                         ": below 5 is needed, as the relay drops every client after 5 seconds "
                         "without a datagram";
                return false;
            }
            options->heartbeatSeconds = seconds;
        } else if (name == "--format") {
            if (!parseOutputFormat(value, &options->format)) {
                *error = bad + ": text, json or csv";
                return false;
            }
        } else if (name == "--count") {
            if (!parseInteger(value, &integer) || integer < 1) {
                *error = bad;
                return false;
            }
            options->count = integer;
        } else {
            if (!parseSeconds(value, &seconds) || seconds <= 0.0) {
                *error = bad;
                return false;
            }
            options->durationSeconds = seconds;
        }
    }
    return true;
}

}  // namespace tools
