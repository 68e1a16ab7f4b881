#include <cstdio>
#include <cstdlib>

#include "app/options.h"
#include "app/shared_flight_state.h"
#include "platform/command_line.h"

int main() {
    // Every message appears at once, also those without a line end, as it
    // does in a console: a pipe or a log file sees each when it happens.
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    static CommandLineBuffer commandLine;
    narrowCommandLine(platform::processCommandLine(), commandLine);
    std::printf("%s\n", commandLine);

    if (optionPresent(commandLine, "-help")) {
        printUsage();
        std::exit(1);
    }
    [[maybe_unused]] const int port = relayPort(commandLine);
    takePauseOptions(commandLine);
    flightState.cruiseAltitudeFeet = cruiseAltitude(commandLine);
    if (optionPresent(commandLine, "-flightplan")) {
        flightState.flightPlanFromCommandLine = 1;
        [[maybe_unused]] char* path = routePath(commandLine);
        if (routeFileType(commandLine) == RouteFileType::Missing) {
            std::printf("-type is mandatory, and should be either P or I for PMDG or IFlight\n");
            std::exit(1);
        }
    } else {
        flightState.flightPlanFromCommandLine = 0;
    }
    takeSpoilerControl(commandLine);
    return 0;
}
