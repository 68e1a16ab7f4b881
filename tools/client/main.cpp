// corvessa-client: a command-line client of the relay. It registers, keeps
// itself registered, prints what the relay sends, and ends with a summary.
#include <atomic>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"
#include "platform/console_control.h"
#include "platform/keyboard.h"
#include "platform/udp_socket.h"
#include "tools/client/client_options.h"
#include "tools/client/relay_client.h"

namespace {

// Exit statuses: a normal end; a bad command line; no usable socket.
constexpr int kExitNormal = 0;
constexpr int kExitUsage = 2;
constexpr int kExitSocket = 3;

// The client the console control handler stops; set before the handler can run.
std::atomic<tools::RelayClient*> runningClient{nullptr};

bool onConsoleControl(std::uint32_t /*controlType*/) {
    // Every event ends the run the same way: end_flow, then the summary.
    tools::RelayClient* client = runningClient.load();
    if (client != nullptr) {
        client->requestStop();
        return true;
    }
    // Nothing to end cleanly yet: the event ends the process as usual.
    return false;
}

void toStandardOutput(const std::string& line) {
    std::printf("%s\n", line.c_str());
}
void toStandardError(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

tools::RelayClientSettings settingsFrom(const tools::ClientOptions& options) {
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    tools::RelayClientSettings settings;
    settings.relay.address = platform::ipv4Address(options.host.c_str());
    settings.relay.port = static_cast<std::uint16_t>(options.port);
    settings.local.address = platform::ipv4Address(options.bind.c_str());
    settings.heartbeatInterval =
        duration_cast<milliseconds>(std::chrono::duration<double>(options.heartbeatSeconds));
    if (settings.heartbeatInterval.count() < 1) {
        settings.heartbeatInterval = milliseconds(1);
    }
    settings.recordLimit = options.count;
    settings.duration =
        duration_cast<milliseconds>(std::chrono::duration<double>(options.durationSeconds));
    if (options.durationSeconds > 0.0 && settings.duration.count() < 1) {
        settings.duration = milliseconds(1);
    }
    settings.pauseAtStart = options.pauseAtStart;
    settings.spoilersAtStart = options.spoilersAtStart;
    return settings;
}

}  // namespace

int main(int argc, char** argv) {
    // Lines appear as they happen, also when a program reads them through a pipe.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    platform::installConsoleControlHandler(onConsoleControl);

    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    tools::ClientOptions options;
    std::string error;
    if (!tools::parseClientOptions(arguments, &options, &error)) {
        std::fprintf(stderr, "corvessa-client: %s\n\n%s", error.c_str(), tools::kClientUsage);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(tools::kClientUsage, stdout);
        return kExitNormal;
    }
    if (platform::startSocketLibrary() != 0) {
        std::fprintf(stderr, "corvessa-client: the socket library cannot start\n");
        return kExitSocket;
    }

    // CSV keeps its rows alone on standard output; everything else goes beside them.
    const bool csv = options.format == tools::OutputFormat::Csv;
    tools::ClientReport report(options.format, toStandardOutput,
                               csv ? toStandardError : toStandardOutput);
    tools::RelayClient client(settingsFrom(options), report);
    if (!client.open()) {
        std::fprintf(stderr, "corvessa-client: cannot open a UDP socket on %s\n",
                     options.bind.c_str());
        platform::cleanupSocketLibrary();
        return kExitSocket;
    }

    std::unique_ptr<platform::Keyboard> keyboard;
    if (platform::standardInputIsTerminal()) {
        keyboard = platform::Keyboard::open();
    }
    if (keyboard) {
        report.keysAvailable();
    }
    runningClient = &client;
    client.run([&keyboard]() { return keyboard ? keyboard->readKey() : -1; });
    runningClient = nullptr;
    keyboard.reset();
    platform::cleanupSocketLibrary();
    return kExitNormal;
}
