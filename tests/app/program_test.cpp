// The program as a user meets it: run as a process, its output and exit
// status observed from outside.
#include <gtest/gtest.h>

#include "platform/child_process.h"
#include "tests/support/paths.h"
#include "tests/support/relay_test_client.h"

namespace {

constexpr int kTimeoutMs = 20000;

platform::ProgramRun runCorvessa(const std::vector<std::string>& arguments) {
    return platform::runProgram(testing_support::programPath("app/corvessa"), arguments,
                                kTimeoutMs);
}

TEST(ProgramTest, HelpPrintsTheCommandLineThenUsageAndEndsWithOne) {
    const auto run = runCorvessa({"-help"});
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.standardOutput,
              testing_support::programPath("app/corvessa") +
                  " -help\n"
                  "usage: Corvessa  [-pause -altitude <feet>]  -spoilerControl minIas minMach "
                  "maxIas maxMach  [-type <p> -flightplan <file>] [-help]\n"
                  "       [-reconnect]  wait for the simulator, and for it again whenever it "
                  "quits\n");
}

TEST(ProgramTest, FlightPlanWithoutTypeEndsWithOne) {
    const auto run = runCorvessa(
        {"-port", std::to_string(testing_support::freeUdpPort()), "-flightplan", "x.rte"});
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.standardOutput.find(
                  "\n-type is mandatory, and should be either P or I for PMDG or IFlight\n"),
              std::string::npos)
        << run.standardOutput;
}

TEST(ProgramTest, ArgumentsWithBlanksAreShownQuoted) {
    const auto run = runCorvessa({"-help", "my route.rte", ""});
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.standardOutput.substr(0, run.standardOutput.find('\n')),
              testing_support::programPath("app/corvessa") + " -help \"my route.rte\" \"\"");
}

}  // namespace
