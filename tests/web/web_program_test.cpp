// The corvessa-web program: its command line, its exit statuses and its
// page address line.
#include <gtest/gtest.h>

#include <httplib.h>

#include <string>

#include "platform/child_process.h"
#include "tests/support/paths.h"

namespace {

std::string web() {
    return testing_support::programPath("tools/web/corvessa-web");
}

TEST(WebProgram, CommandLineFaultsHelpAndABusyAddress) {
    const platform::ProgramRun help = platform::runProgram(web(), {"--help"}, 10000);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.standardOutput.find("--listen HOST:PORT"), std::string::npos);

    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--relay", "127.0.0.1"},
                                                  {"--listen", "0.0.0.0:70000"},
                                                  {"--bind", "tablet"},
                                                  {"--relay"},
                                                  {"--port", "1577"}}) {
        const platform::ProgramRun run = platform::runProgram(web(), wrong, 10000);
        EXPECT_EQ(run.exitStatus, 2) << wrong[0];
        EXPECT_NE(run.standardError.find("usage: corvessa-web"), std::string::npos) << wrong[0];
    }

    // A port some other server holds.
    httplib::Server other;
    const int taken = other.bind_to_any_port("127.0.0.1");
    ASSERT_GT(taken, 0);
    const platform::ProgramRun busy = platform::runProgram(
        web(), {"--listen", "127.0.0.1:" + std::to_string(taken), "--relay", "127.0.0.1:9"}, 10000);
    EXPECT_EQ(busy.exitStatus, 4);
    EXPECT_NE(busy.standardError.find("cannot listen on 127.0.0.1:" + std::to_string(taken)),
              std::string::npos)
        << busy.standardError;
}

TEST(WebProgram, PrintsTheAddressItServesAndEndsCleanlyOnInterrupt) {
    auto child =
        platform::ChildProcess::start(web(), {"--listen", "127.0.0.1:0", "--relay", "127.0.0.1:9"});
    ASSERT_TRUE(child);
    const std::string prefix = "corvessa-web: serving the page at http://127.0.0.1:";
    ASSERT_TRUE(child->waitForOutput(prefix, 10000)) << child->standardOutput();
    const std::string output = child->standardOutput();
    const int port = std::stoi(output.substr(output.find(prefix) + prefix.size()));
    httplib::Client browser("127.0.0.1", port);
    const auto page = browser.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    child->sendControlEvent(platform::CtrlC);
    ASSERT_TRUE(child->wait(10000));
    EXPECT_EQ(child->exitStatus(), 0);
    EXPECT_NE(child->standardOutput().find("leaving the relay"), std::string::npos);
}

}  // namespace
