#pragma once

#include <string>
#include <vector>

namespace testing_support {

// Flies the README's demo fast through tools/demo/run-demo.sh, with the
// programs of `buildDir` (laid out as a build folder: app/corvessa,
// sim/standin/corvessa-sim, tools/client/corvessa-client,
// tools/netlog/corvessa-netlog), and checks the flight as a whole: the
// route at the client, all three phases, both speed corrections and the
// wind-change deployment, and a network log that corvessa-netlog reads
// cleanly. Reports each failed check as a test failure.
struct DemoChecks {
    // The route reaches the client only when corvessa can open the plan file
    // the simulator names, which takes both on the same system.
    bool routeAtClient = true;
    // The page (corvessa-web) beside the terminal client; the Windows
    // programs' runs fly without it.
    bool page = true;
    // More environment for the demo script (DEMO_SIMULATOR_OPTIONS=...).
    std::vector<std::string> environment;
};
void flyDemoAndCheckIt(const std::string& buildDir, const DemoChecks& checks = {});

// What a demo run leaves, for checks of its own.
struct DemoRun {
    bool ended = false;
    int exitStatus = -1;
    std::string standardOutput;
    std::string standardError;
    std::string folder;  // simulator.txt, corvessa.txt, client.txt, network-log.txt ...
};
DemoRun flyDemo(const std::string& buildDir, const std::vector<std::string>& environment);

// A program's output as text, its line ends "\n" whichever system wrote it.
std::string fileText(const std::string& path);
bool contains(const std::string& text, const std::string& part);

struct SpoilerCorrections {
    bool overSpeed = false;   // throttle cut, then spoilers out
    bool underSpeed = false;  // full throttle, then spoilers in
    bool windChange = false;  // spoilers out with no throttle event before
};
// The corrections among the events the simulator reports the program sent.
SpoilerCorrections correctionsIn(const std::string& simulatorOutput);

}  // namespace testing_support
