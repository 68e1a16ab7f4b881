#include "tools/web/web_options.h"

#include <charconv>

#include "platform/udp_socket.h"

namespace tools {

const char kWebUsage[] =
    "usage: corvessa-web [--relay HOST:PORT] [--bind ADDRESS] [--listen HOST:PORT] [--help]\n"
    "\n"
    "Joins a Corvessa relay as a client and serves a live page of the flight to\n"
    "any browser: a map of the route and the aircraft, the instruments, and the\n"
    "pause and spoilers buttons.\n"
    "\n"
    "  --relay HOST:PORT   the relay's IPv4 address and UDP port (default 127.0.0.1:1577)\n"
    "  --bind ADDRESS      the local IPv4 address to send from; the relay tells its\n"
    "                      clients apart by address alone, so a second client on the\n"
    "                      relay's machine needs one of its own, e.g. 127.0.0.2\n"
    "                      (default: any)\n"
    "  --listen HOST:PORT  where the page is served (default 0.0.0.0:8077: every\n"
    "                      address of this machine, so the local network reaches it;\n"
    "                      port 0 picks a free port)\n"
    "  --help              this text\n"
    "\n"
    "If nothing arrives for 10 seconds it registers again (after a PAUSED notice\n"
    "only after 30 seconds, so that the pause lasts). It ends on Ctrl-C, telling\n"
    "the relay it leaves.\n"
    "\n"
    "Exit status: 0 a normal end, 2 a bad command line, 3 the UDP socket could not\n"
    "be opened or bound, 4 the page's address could not be listened on.\n";

namespace {

constexpr int kHighestPort = 65535;

bool isAddress(const std::string& text) {
    // 255.255.255.255 reads as the "not an address" value too; no relay lives there.
    return platform::ipv4Address(text.c_str()) != 0xFFFFFFFFu;
}

std::string addressOf(std::string_view text) {
    return std::string(text == "localhost" ? "127.0.0.1" : text);
}

// "HOST:PORT" with an IPv4 host; the port from `lowestPort` to 65535.
bool parseHostPort(std::string_view text, int lowestPort, std::string* host, int* port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const std::string address = addressOf(text.substr(0, colon));
    const std::string_view digits = text.substr(colon + 1);
    int value = 0;
    const auto [stop, fault] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (fault != std::errc() || stop != digits.data() + digits.size() || digits.empty() ||
        value < lowestPort || value > kHighestPort || !isAddress(address)) {
        return false;
    }
    *host = address;
    *port = value;
    return true;
}

}  // namespace

bool parseWebOptions(const std::vector<std::string_view>& arguments, WebOptions* options,
                     std::string* error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view name = arguments[i];
        if (name == "--help" || name == "-h") {
            options->help = true;
            continue;
        }
        if (name != "--relay" && name != "--bind" && name != "--listen") {
            *error = "unknown option '" + std::string(name) + "'";
            return false;
        }
        if (i + 1 >= arguments.size()) {
            *error = std::string(name) + " needs a value";
            return false;
        }
        const std::string_view value = arguments[++i];
        const std::string bad = "bad value '" + std::string(value) + "' for " + std::string(name);
        if (name == "--bind") {
            if (!isAddress(addressOf(value))) {
                *error = bad + ": an IPv4 address such as 127.0.0.2 is needed";
                return false;
            }
            options->bind = addressOf(value);
        } else if (name == "--relay") {
            if (!parseHostPort(value, 1, &options->relayHost, &options->relayPort)) {
                *error = bad + ": an IPv4 address and a port such as 127.0.0.1:1577 are needed";
                return false;
            }
        } else if (!parseHostPort(value, 0, &options->listenHost, &options->listenPort)) {
            *error = bad + ": an IPv4 address and a port such as 0.0.0.0:8077 are needed";
            return false;
        }
    }
    return true;
}

}  // namespace tools
