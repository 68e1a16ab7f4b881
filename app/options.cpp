#include "app/options.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/shared_flight_state.h"
#include "app/startup_notes.h"
#include "route/number_scanner.h"

namespace {

// Whether `byte` continues a UTF-8 character rather than starting one.
bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// atoi without its undefined behaviour on overflow: out-of-range values are
// held at the ends of the 32-bit range, as the Windows runtime holds them.
int readInteger(const char* text) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

// Mach x 1000 in single precision, truncated toward zero to a whole number.
float machMilli(float mach) {
    return std::trunc(mach * 1000.0f);
}

}  // namespace

void narrowCommandLine(std::string_view commandLine, CommandLineBuffer& buffer) {
    size_t length = commandLine.size();
    if (length > kCommandLineBytes - 1) {
        length = kCommandLineBytes - 1;
        while (length > 0 && isContinuationByte(commandLine[length])) {
            --length;
        }
    }
    std::memcpy(buffer, commandLine.data(), length);
    buffer[length] = '\0';
}

bool optionPresent(const char* commandLine, const char* option) {
    return std::strstr(commandLine, option) != nullptr;
}

int optionInteger(const char* commandLine, const char* option) {
    const char* found = std::strstr(commandLine, option);
    return found == nullptr ? 0 : readInteger(found + std::strlen(option));
}

void printUsage() {
    std::printf(
        "usage: Corvessa  [-pause -altitude <feet>]  -spoilerControl minIas minMach maxIas "
        "maxMach  [-type <p> -flightplan <file>] [-help]\n"
        "       [-reconnect]  wait for the simulator, and for it again whenever it quits\n");
}

int relayPort(const char* commandLine) {
    return optionPresent(commandLine, "-port") ? optionInteger(commandLine, "-port")
                                               : kDefaultRelayPort;
}

void takePauseOptions(const char* commandLine) {
    if (optionPresent(commandLine, "-pauseNow")) {
        flightState.pauseNowRequested = 1;
    }
    if (optionPresent(commandLine, "-pause ")) {
        flightState.pauseAtDistanceEnabled = 1;
        // The value follows the first "-pause", which may be that of "-pauseNow".
        flightState.pauseDistance = optionInteger(commandLine, "-pause");
        std::printf("\nPause at %d", flightState.pauseDistance);
    }
}

int cruiseAltitude(const char* commandLine) {
    return optionPresent(commandLine, "-altitude") ? optionInteger(commandLine, "-altitude")
                                                   : kDefaultCruiseAltitudeFeet;
}

RouteFileType routeFileType(const char* commandLine) {
    const char* found = std::strstr(commandLine, "-type ");
    if (found == nullptr) {
        return RouteFileType::Missing;
    }
    return found[std::strlen("-type ")] == 'P' ? RouteFileType::P : RouteFileType::I;
}

char* routePath(char* commandLine) {
    char* found = std::strstr(commandLine, "-flightplan ");
    if (found == nullptr) {
        return commandLine + std::strlen(commandLine);
    }
    char* path = found + std::strlen("-flightplan ");
    while (*path == ' ') {
        ++path;
    }
    return path;
}

void takeSpoilerControl(const char* commandLine) {
    const char* found = std::strstr(commandLine, "-spoilerControl ");
    if (found == nullptr) {
        return;
    }
    SharedFlightState& s = flightState;
    s.spoilerControlEnabled = true;
    int minIas = 0;
    int maxIas = 0;
    float minMach = 0.0f;
    float maxMach = 0.0f;
    // "%d %f %d %f", the numbers in their decimal form only; the scan stops
    // at the first limit that is missing or not a number.
    NumberScanner scan(found + std::strlen("-spoilerControl "));
    int limitsRead = 0;
    limitsRead += scan.integer(minIas).complete() ? 1 : 0;
    limitsRead += scan.decimal(minMach).complete() ? 1 : 0;
    limitsRead += scan.integer(maxIas).complete() ? 1 : 0;
    limitsRead += scan.decimal(maxMach).complete() ? 1 : 0;
    s.minIas = minIas;
    s.maxIas = maxIas;
    s.minMachMilli = machMilli(minMach);
    s.maxMachMilli = machMilli(maxMach);
    std::printf("\n%f %d %f %d\n", s.minMachMilli, s.minIas, s.maxMachMilli, s.maxIas);
    noteMissingSpoilerLimits(limitsRead);
}
