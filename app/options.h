#pragma once

#include <cstddef>
#include <string_view>

// The command-line options. Every option is looked for in the narrowed
// command line as a plain, case-sensitive substring; its first occurrence
// counts, wherever it stands, even inside another word or the program's path.

// The narrowed command line: program path and arguments as one text.
constexpr std::size_t kCommandLineBytes = 512;
using CommandLineBuffer = char[kCommandLineBytes];

constexpr int kDefaultRelayPort = 1577;
constexpr int kDefaultCruiseAltitudeFeet = 35000;

// Copies `commandLine` into `buffer`, cut to at most 511 bytes so that it
// always ends inside the buffer, and never in the middle of a UTF-8 character.
void narrowCommandLine(std::string_view commandLine, CommandLineBuffer& buffer);

bool optionPresent(const char* commandLine, const char* option);

// The integer written right after the first occurrence of `option`, read the
// way atoi reads it (blanks, optional sign, digits; no digits give 0, values
// beyond the 32-bit range are held at its ends); 0 when the option is absent.
int optionInteger(const char* commandLine, const char* option);

// "-help": the usage message, in the words the program has always used.
void printUsage();

// "-port": the relay's UDP port.
int relayPort(const char* commandLine);

// "-pauseNow" and "-pause ": the pause requests, into the shared state;
// prints "\nPause at %d" for the latter.
void takePauseOptions(const char* commandLine);

// "-altitude": the cruise altitude in feet.
int cruiseAltitude(const char* commandLine);

enum class RouteFileType {
    Missing,  // "-type " absent
    P,        // PMDG: an uppercase P right after "-type "
    I,        // IFlight: any other character, the end of the line included
};
RouteFileType routeFileType(const char* commandLine);

// The route path after "-flightplan " (blanks skipped), running to the end of
// the command line. Without "-flightplan " it is the empty text at the end of
// the buffer. The route readers may end the command line inside it.
char* routePath(char* commandLine);

// "-spoilerControl minIas minMach maxIas maxMach": the speed window, into the
// shared state; prints the window.
void takeSpoilerControl(const char* commandLine);
