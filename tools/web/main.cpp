// corvessa-web: a client of the relay that serves a live page of the flight
// to any browser on the network.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console_control.h"
#include "platform/udp_socket.h"
#include "tools/web/relay_feed.h"
#include "tools/web/web_options.h"
#include "tools/web/web_server.h"

namespace {

// Exit statuses: a normal end; a bad command line; no usable UDP socket; no
// usable listening address.
constexpr int kExitNormal = 0;
constexpr int kExitUsage = 2;
constexpr int kExitSocket = 3;
constexpr int kExitListen = 4;

// Every registration makes the relay hold back everything, from every
// client, for up to 4 seconds, and one made while another is held waits for
// it: with the terminal client's 5 seconds, two clients registering close
// together make each other fall silent in turn. The page waits longer
// before it takes a silence for being dropped; its heartbeats keep it
// registered meanwhile.
constexpr std::chrono::milliseconds kSilenceLimit{10000};

// The server the console control handler stops; set before the handler can run.
std::atomic<tools::WebServer*> runningServer{nullptr};

bool onConsoleControl(std::uint32_t /*controlType*/) {
    // Every event ends the run the same way: the page's streams end, then end_flow.
    tools::WebServer* server = runningServer.load();
    if (server != nullptr) {
        server->stop();
        return true;
    }
    return false;
}

void say(const std::string& line) {
    std::printf("corvessa-web: %s\n", line.c_str());
}

tools::RelaySessionSettings settingsFrom(const tools::WebOptions& options) {
    tools::RelaySessionSettings settings;
    settings.relay.address = platform::ipv4Address(options.relayHost.c_str());
    settings.relay.port = static_cast<std::uint16_t>(options.relayPort);
    settings.local.address = platform::ipv4Address(options.bind.c_str());
    settings.silenceLimit = kSilenceLimit;
    return settings;
}

std::string pageAddress(const tools::WebOptions& options, int port) {
    const std::string host = options.listenHost == "0.0.0.0" ? "127.0.0.1" : options.listenHost;
    return "http://" + host + ":" + std::to_string(port) + "/";
}

}  // namespace

int main(int argc, char** argv) {
    // Lines appear as they happen, also when a program reads them through a pipe.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    platform::installConsoleControlHandler(onConsoleControl);

    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    tools::WebOptions options;
    std::string error;
    if (!tools::parseWebOptions(arguments, &options, &error)) {
        std::fprintf(stderr, "corvessa-web: %s\n\n%s", error.c_str(), tools::kWebUsage);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(tools::kWebUsage, stdout);
        return kExitNormal;
    }
    if (platform::startSocketLibrary() != 0) {
        std::fprintf(stderr, "corvessa-web: the socket library cannot start\n");
        return kExitSocket;
    }

    tools::FlightView view;
    tools::RelayFeed feed(settingsFrom(options), view, say);
    if (!feed.open()) {
        std::fprintf(stderr, "corvessa-web: cannot open a UDP socket on %s\n",
                     options.bind.c_str());
        platform::cleanupSocketLibrary();
        return kExitSocket;
    }
    tools::WebServer server(view, [&feed](std::uint8_t code) { feed.sendCommand(code); });
    if (!server.bind(options.listenHost, options.listenPort)) {
        std::fprintf(stderr,
                     "corvessa-web: cannot listen on %s:%d (in use, or not an address of "
                     "this machine)\n",
                     options.listenHost.c_str(), options.listenPort);
        platform::cleanupSocketLibrary();
        return kExitListen;
    }
    say("serving the page at " + pageAddress(options, server.port()) +
        (options.listenHost == "0.0.0.0" ? " (and on every address of this machine)" : ""));
    feed.start();
    runningServer = &server;
    server.serve();
    runningServer = nullptr;
    say("ending: the page's streams are closed, leaving the relay");
    feed.stop();
    platform::cleanupSocketLibrary();
    return kExitNormal;
}
