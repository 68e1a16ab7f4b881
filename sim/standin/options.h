#pragma once

// The command line of corvessa-sim.

#include <string>
#include <vector>

namespace standin {

struct StandinOptions {
    std::string listenHost = "127.0.0.1";
    int listenPort = 1578;  // where the program's stand-in client library looks by default
    std::string planPath;   // empty: the demo plan shipped with the stand-in
    double cruiseFeet = 35000.0;
    double cruiseMach = 0.81;
    double speedup = 1.0;  // simulated seconds per real second
    bool loop = false;
    double startDelaySeconds = 1.0;  // real seconds from the program's arrival to the flight start
    bool answersWeather = true;      // --no-weather: never answer, as the newer simulators
    std::string applicationName = "Corvessa stand-in simulator";
    unsigned applicationVersionMajor = 0;
    unsigned applicationVersionMinor = 0;
    bool help = false;
};

struct ParsedOptions {
    StandinOptions options;
    std::string error;  // empty when the command line is good
};

// `arguments` without the program name. Options take their value as the
// next argument or after "=" ("--speedup 30" or "--speedup=30").
ParsedOptions parseOptions(const std::vector<std::string>& arguments);

std::string usageText();

}  // namespace standin
