// The README's demo, flown fast: the stand-in simulator, corvessa and the
// relay client together, through the same script a newcomer runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "tests/support/paths.h"
#include "tests/support/relay_test_client.h"

namespace {

constexpr int kDemoTimeoutMs = 240000;

std::string fileText(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0) {
            lines.push_back(line.substr(prefix.size()));
        }
    }
    return lines;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The simulator's account of the events the program sent, in order.
std::vector<std::string> programEvents(const std::string& simulatorOutput) {
    std::vector<std::string> events;
    for (const std::string& line : linesStartingWith(simulatorOutput, "corvessa-sim: ")) {
        const auto by = line.find(" by the program");
        if (by != std::string::npos) {
            events.push_back(line.substr(0, by));
        }
    }
    return events;
}

struct SpoilerCorrections {
    bool overSpeed = false;   // throttle cut, then spoilers out
    bool underSpeed = false;  // full throttle, then spoilers in
    bool windChange = false;  // spoilers out with no throttle event before
};

SpoilerCorrections correctionsIn(const std::vector<std::string>& events) {
    SpoilerCorrections found;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i] != "spoilers_toggle") {
            continue;
        }
        const std::string before = i > 0 ? events[i - 1] : "";
        found.overSpeed = found.overSpeed || before == "throttle_cut";
        found.underSpeed = found.underSpeed || before == "throttle_full";
        found.windChange =
            found.windChange || (before != "throttle_cut" && before != "throttle_full");
    }
    return found;
}

// One flight, checked as a whole: at twice the demo's speed-up it still takes
// about a minute, since the frames (and so the samples the program acts on)
// run in real time and a faster run would sample the flight too coarsely.
TEST(DemoFlight, FliesTheWholeDemoAndShowsEveryCorrection) {
    const std::string runDir = testing_support::makeTemporaryDirectory();
    platform::ChildProcess::Options options;
    options.environment = {"DEMO_SPEEDUP=60",
                           "DEMO_RELAY_PORT=" + std::to_string(testing_support::freeUdpPort()),
                           "DEMO_WEB_LISTEN=127.0.0.1:0"};
    const auto run = platform::runProgram("/bin/bash",
                                          {testing_support::sourcePath("tools/demo/run-demo.sh"),
                                           testing_support::programPath(""), runDir},
                                          kDemoTimeoutMs, options);
    const auto output = [&](const char* name) { return fileText(runDir + "/" + name); };

    ASSERT_TRUE(run.ended) << run.standardOutput << run.standardError;
    EXPECT_EQ(run.exitStatus, 0) << "the network log reader found a fault\n" << run.standardError;
    EXPECT_TRUE(contains(output("corvessa.txt"), "quiting\ndistance "));

    const std::string client = output("client.txt");
    EXPECT_TRUE(contains(client, "Route: 11 waypoints")) << client.substr(0, 2000);
    for (const char* phase : {"Z  climb ", "Z  cruise ", "Z  descent "}) {
        EXPECT_TRUE(contains(client, phase)) << phase;
    }

    const SpoilerCorrections corrections = correctionsIn(programEvents(output("simulator.txt")));
    EXPECT_TRUE(corrections.overSpeed);
    EXPECT_TRUE(corrections.underSpeed);
    EXPECT_TRUE(corrections.windChange);

    // The page joined beside the terminal client, from an address of its own.
    EXPECT_TRUE(contains(run.standardOutput, "Watch the flight in a browser: http://127.0.0.1:"))
        << run.standardOutput.substr(0, 1000);
    EXPECT_TRUE(contains(output("web.txt"), "registered: a route of 11 waypoints"))
        << output("web.txt");

    const std::string netlog = output("network-log.txt");
    EXPECT_TRUE(contains(netlog, "incoming: add_entry 2")) << netlog.substr(0, 500);
    std::filesystem::remove_all(runDir);
}

}  // namespace
