#include "tests/demo/demo_flight.h"

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

namespace testing_support {
namespace {

constexpr int kDemoTimeoutMs = 240000;

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix);

}  // namespace

std::string fileText(const std::string& path) {
    std::ifstream file(path);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::erase(text, '\r');
    return text;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

namespace {

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

}  // namespace

SpoilerCorrections correctionsIn(const std::string& simulatorOutput) {
    const std::vector<std::string> events = programEvents(simulatorOutput);
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

DemoRun flyDemo(const std::string& buildDir, const std::vector<std::string>& environment) {
    DemoRun demo;
    demo.folder = makeTemporaryDirectory();
    platform::ChildProcess::Options options;
    options.environment = {"DEMO_SPEEDUP=60", "DEMO_RELAY_PORT=" + std::to_string(freeUdpPort()),
                           "DEMO_WEB_LISTEN=127.0.0.1:0"};
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
    const auto run = platform::runProgram(
        "/bin/bash", {sourcePath("tools/demo/run-demo.sh"), buildDir, demo.folder}, kDemoTimeoutMs,
        options);
    demo.ended = run.ended;
    demo.exitStatus = run.exitStatus;
    demo.standardOutput = run.standardOutput;
    demo.standardError = run.standardError;
    return demo;
}

void flyDemoAndCheckIt(const std::string& buildDir, const DemoChecks& checks) {
    const DemoRun run = flyDemo(buildDir, checks.environment);
    const auto output = [&](const char* name) { return fileText(run.folder + "/" + name); };

    ASSERT_TRUE(run.ended) << run.standardOutput << run.standardError;
    EXPECT_EQ(run.exitStatus, 0) << "the network log reader found a fault\n" << run.standardError;
    EXPECT_TRUE(contains(output("corvessa.txt"), "quiting\ndistance ")) << output("corvessa.txt");

    const std::string client = output("client.txt");
    if (checks.routeAtClient) {
        EXPECT_TRUE(contains(client, "Route: 11 waypoints")) << client.substr(0, 2000);
    } else {
        EXPECT_TRUE(contains(client, "Registered: ")) << client.substr(0, 2000);
    }
    for (const char* phase : {"Z  climb ", "Z  cruise ", "Z  descent "}) {
        EXPECT_TRUE(contains(client, phase)) << phase;
    }

    const SpoilerCorrections corrections = correctionsIn(output("simulator.txt"));
    EXPECT_TRUE(corrections.overSpeed);
    EXPECT_TRUE(corrections.underSpeed);
    EXPECT_TRUE(corrections.windChange);

    const std::string netlog = output("network-log.txt");
    if (checks.page) {
        // The page joined beside the terminal client, from an address of its own.
        EXPECT_TRUE(
            contains(run.standardOutput, "Watch the flight in a browser: http://127.0.0.1:"))
            << run.standardOutput.substr(0, 1000);
        EXPECT_TRUE(contains(output("web.txt"), "registered: a route of 11 waypoints"))
            << output("web.txt");
        EXPECT_TRUE(contains(netlog, "incoming: add_entry 2")) << netlog.substr(0, 500);
    } else {
        EXPECT_TRUE(contains(netlog, "incoming: add_entry 1")) << netlog.substr(0, 500);
    }
    std::filesystem::remove_all(run.folder);
}

}  // namespace testing_support
