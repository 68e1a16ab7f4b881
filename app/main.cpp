// Corvessa's entry point: the start-up sequence. Its order is fixed, because
// some options are looked at only after others have had their effect (a
// route reader ends the command line at the route path's closing quote).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/console_control_handler.h"
#include "app/options.h"
#include "app/reconnecting.h"
#include "app/route_summary.h"
#include "app/shared_flight_state.h"
#include "app/startup_notes.h"
#include "app/status_reporter.h"
#include "monitor/dispatch.h"
#include "platform/command_line.h"
#include "platform/console_control.h"
#include "relay/server_socket.h"
#include "route/route_readers.h"
#include "route/waypoint_table.h"
#include "simlink/client_events.h"
#include "simlink/connection.h"
#include "simlink/simulator_location.h"

namespace {

// The narrowed command line; route paths point into it and the route
// readers may end it early.
CommandLineBuffer commandLine;

[[noreturn]] void endWithUsage() {
    printUsage();
    std::exit(1);
}

// "-flightplan": a route file instead of the simulator's own flight plan.
void readRouteFile() {
    flightState.flightPlanFromCommandLine = 1;
    char* path = routePath(commandLine);
    if (*path == '\0') {
        noteRoutePathMissing();
    }
    switch (routeFileType(commandLine)) {
        case RouteFileType::P:
            readRouteFileP(path);
            break;
        case RouteFileType::I:
            readRouteFileI(path);
            break;
        case RouteFileType::Missing:
            std::printf("-type is mandatory, and should be either P or I for PMDG or IFlight\n");
            std::exit(1);
    }
}

}  // namespace

int main() {
    // Every message appears at once, also those without a line end, as it
    // does in a console: a pipe or a log file sees each when it happens.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    platform::installConsoleControlHandler(consoleControlHandler);

    narrowCommandLine(platform::processCommandLine(), commandLine);
    std::printf("%s\n", commandLine);
    if (optionPresent(commandLine, "-help")) {
        endWithUsage();
    }

    // The relay lives until the process ends; it is never destroyed.
    const int port = relayPort(commandLine);
    auto* server = new ServerSocket(port, SimulatorCommands{sendPauseToggle, sendSpoilersToggle,
                                                            sendPauseOff, pauseShownToClients});
    flightState.server = server;
    noteSystemChosenPort(port, server->boundPort());

    takePauseOptions(commandLine);
    if (optionPresent(commandLine, "-lognetwork")) {
        server->enableNetworkLog(1);
    }
    flightState.cruiseAltitudeFeet = cruiseAltitude(commandLine);
    if (optionPresent(commandLine, "-flightplan")) {
        readRouteFile();
    } else {
        flightState.flightPlanFromCommandLine = 0;
    }
    takeSpoilerControl(commandLine);

    server->startReceiveThread();
    server->startSendThread();
    server->startReapThread();
    std::unique_ptr<StatusReporter> statusLine;
    if (optionPresent(commandLine, "-status")) {
        statusLine = startStatusLine(*server);
    }
    std::fflush(stdout);

    if (optionPresent(commandLine, "-reconnect")) {
        runReconnecting();  // until Ctrl-C
        return 0;
    }
    if (!runSimConnect(dispatchHandler)) {
        noteNoSimulator(simulatorLocation());
    }

    printRouteSummary(copyWaypointTable());
    return 0;
}
