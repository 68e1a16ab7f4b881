// corvessa.exe under Wine as a user meets it: its exit statuses, Ctrl-C,
// the network log in the current folder and a route file in a folder whose
// name is not plain ASCII, against a test simulator on loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/udp_socket.h"
#include "sim/link/link_server.h"
#include "tests/support/paths.h"
#include "tests/support/relay_test_client.h"
#include "tests/wine/wine_support.h"

namespace {

// Wine's first start in a prefix takes a while, and a loaded machine runs
// several of them at once.
constexpr int kWaitMs = 60000;

// Nothing listens there. (A port just closed again could be handed to a
// simulator of a test running alongside, and the program would wait on it.)
std::string deadSimulatorAddress() {
    return "127.0.0.1:1";
}

struct CorvessaRun {
    std::unique_ptr<platform::ChildProcess> process;
    std::string output() const { return wine_support::withUnixLineEnds(process->standardOutput()); }
    std::string errors() const { return wine_support::withUnixLineEnds(process->standardError()); }
};

CorvessaRun startCorvessa(const std::string& simulator, const std::vector<std::string>& arguments,
                          const std::string& workingDirectory = "") {
    platform::ChildProcess::Options options;
    options.environment = {"CORVESSA_SIMULATOR=" + simulator};
    options.workingDirectory = workingDirectory;
    return {wine_support::startWindowsProgram("app/corvessa", arguments, options)};
}

TEST(WineProgram, HelpAndAMissingTypeEndWithOne) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    // Also the narrowing: a character the code page lacks, and a line longer
    // than the 512-byte buffer, which must still end inside it.
    CorvessaRun help =
        startCorvessa(deadSimulatorAddress(), {"-help", "\u0416", std::string(600, 'x')});
    CorvessaRun untyped = startCorvessa(
        deadSimulatorAddress(),
        {"-port", std::to_string(testing_support::freeUdpPort()), "-flightplan", "x.rte"});
    ASSERT_TRUE(help.process->wait(kWaitMs)) << help.output() << help.errors();
    EXPECT_EQ(help.process->exitStatus(), 1);
    const std::string shown = help.output();
    EXPECT_EQ(shown.find('\n'), 511u) << shown;
    EXPECT_NE(shown.find(" -help ? xxxx"), std::string::npos) << shown;
    EXPECT_NE(shown.find("x\nusage: Corvessa  [-pause -altitude <feet>]"), std::string::npos)
        << shown;
    ASSERT_TRUE(untyped.process->wait(kWaitMs)) << untyped.output() << untyped.errors();
    EXPECT_EQ(untyped.process->exitStatus(), 1);
    EXPECT_NE(untyped.output().find("-type is mandatory"), std::string::npos) << untyped.output();
}

// One corvessa.exe connected and flying; a second on its port cannot bind
// (Windows would let it share the port without the exclusive bind); Ctrl-C
// then shuts the first one's relay down.
TEST(WineProgram, SecondOnTheSamePortEndsWithFourteenAndCtrlCShutsDown) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    auto link = sim::LinkServer::listen();
    const std::string port = std::to_string(testing_support::freeUdpPort());
    CorvessaRun first = startCorvessa(link->address(), {"-port", port});
    ASSERT_TRUE(link->waitForProgram(kWaitMs)) << first.output() << first.errors();
    ASSERT_TRUE(link->waitForCall("RequestSystemState", kWaitMs).has_value());

    CorvessaRun second = startCorvessa(deadSimulatorAddress(), {"-port", port});
    ASSERT_TRUE(second.process->wait(kWaitMs));
    EXPECT_EQ(second.process->exitStatus(), 14) << second.output();
    EXPECT_NE(second.errors().find("ServerSocket: Failed to connect\n"), std::string::npos)
        << second.errors();

    first.process->sendControlEvent(platform::CtrlC);
    ASSERT_TRUE(first.process->wait(kWaitMs)) << first.output() << first.errors();
    EXPECT_NE(first.output().find("Shutting down"), std::string::npos) << first.output();
    EXPECT_EQ(first.output().find("distance"), std::string::npos) << first.output();
}

TEST(WineProgram, WithoutSimulatorEndsWithZeroAndLogsInTheCurrentFolder) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    const std::string dir = testing_support::makeTemporaryDirectory();
    CorvessaRun run = startCorvessa(
        deadSimulatorAddress(),
        {"-lognetwork", "-port", std::to_string(testing_support::freeUdpPort())}, dir);
    ASSERT_TRUE(run.process->wait(kWaitMs)) << run.output() << run.errors();
    EXPECT_EQ(run.process->exitStatus(), 0) << run.output() << run.errors();
    EXPECT_NE(run.output().find("\ndistance 0.000000\ndistance 0.000000"), std::string::npos)
        << run.output();
    EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/network.log"));
    std::filesystem::remove_all(dir);
}

// A user folder such as C:\Users\Jürgen: the command line narrows to the
// system's code page, in which the route reader opens the file.
TEST(WineProgram, OpensARouteFileInAFolderWithANonAsciiName) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    const std::string dir = testing_support::makeTemporaryDirectory();
    const std::filesystem::path folder = std::filesystem::path(dir) / "J\u00fcrgen";
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(testing_support::sourcePath("tests/route/data/route_p_crlf.rte"),
                               folder / "route.rte");
    // The Windows form of the path: Wine shows the Linux root as drive Z:.
    std::string windowsPath = "Z:" + (folder / "route.rte").string();
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');

    CorvessaRun run = startCorvessa(
        deadSimulatorAddress(), {"-port", std::to_string(testing_support::freeUdpPort()), "-type",
                                 "P", "-flightplan", windowsPath});
    ASSERT_TRUE(run.process->wait(kWaitMs)) << run.output() << run.errors();
    EXPECT_EQ(run.process->exitStatus(), 0);
    EXPECT_NE(run.output().find("Found file: Z:\\"), std::string::npos) << run.output();
    EXPECT_NE(run.output().find("coord lat and long and id:47.500000 -122.250000 ABCD"),
              std::string::npos)
        << run.output();
    std::filesystem::remove_all(dir);
}

}  // namespace
