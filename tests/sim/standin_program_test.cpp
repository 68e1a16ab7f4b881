#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/tcp_socket.h"
#include "simlink/link_text.h"
#include "tests/support/paths.h"

namespace {

using testing_support::programPath;

const std::string kSim = programPath("sim/standin/corvessa-sim");

// Plays the program on the link: writes call lines, reads message lines.
class ProgramEnd {
  public:
    // Starts corvessa-sim on an ephemeral port with `arguments` and connects.
    explicit ProgramEnd(std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--listen", "127.0.0.1:0"});
        sim = platform::ChildProcess::start(kSim, arguments);
        EXPECT_TRUE(sim != nullptr);
        EXPECT_TRUE(sim->waitForOutput("listening on 127.0.0.1:", 10000)) << sim->standardOutput();
        const std::string out = sim->standardOutput();
        const int port = std::stoi(out.substr(out.find("127.0.0.1:") + 10));
        stream = platform::TcpStream::connect("127.0.0.1", port, 2000);
        EXPECT_TRUE(stream != nullptr);
    }

    void send(const std::vector<std::string>& fields) {
        std::string line;
        for (const std::string& field : fields) {
            line += (line.empty() ? "" : "\t") + field;
        }
        stream->sendAll(line + "\n");
    }

    // The next message line whose first field is `name`, skipping others
    // (they are kept in `seen`); empty after `timeoutMs`.
    std::vector<std::string> waitFor(const std::string& name, int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            while (next_ < lines_.size()) {
                const std::vector<std::string_view> parts = simlink::splitFields(lines_[next_++]);
                std::vector<std::string> fields(parts.begin(), parts.end());
                seen.push_back(fields);
                if (fields[0] == name) {
                    return fields;
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return {};
            }
            char buffer[4096];
            const platform::ReceiveResult got =
                stream->receive(buffer, sizeof buffer, static_cast<int>(left.count()));
            if (got.status == platform::ReceiveStatus::Closed) {
                return {};
            }
            assembler_.append(std::string_view(buffer, got.size), lines_);
        }
    }

    void openAsProgram() {
        send({"Open", "Devovav Adazova", "0"});
        send({"AddToDataDefinition", "0", "Indicated Altitude", "feet", "4", "0", "4294967295"});
        send({"AddToDataDefinition", "0", "AIRSPEED MACH", "Mach", "4", "0", "4294967295"});
        send({"SubscribeToSystemEvent", "0", "SimStart"});
        send({"RequestSystemState", "9898", "FlightPlan"});
    }

    std::unique_ptr<platform::ChildProcess> sim;
    std::unique_ptr<platform::TcpStream> stream;
    std::vector<std::vector<std::string>> seen;

  private:
    simlink::LineAssembler assembler_;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
};

}  // namespace

TEST(StandinProgram, HelpDocumentsEveryOptionAndBadCommandLinesAreRefused) {
    const platform::ProgramRun help = platform::runProgram(kSim, {"--help"}, 10000);
    ASSERT_TRUE(help.ended);
    EXPECT_EQ(help.exitStatus, 0);
    for (const char* option : {"--listen HOST:PORT", "--plan FILE", "--cruise FEET", "--mach MACH",
                               "--speedup N", "--start-delay", "--loop", "--no-weather",
                               "--application NAME[:MAJOR.MINOR]", "--help", "p pause"}) {
        EXPECT_NE(help.standardOutput.find(option), std::string::npos) << option;
    }
    const platform::ProgramRun unknown = platform::runProgram(kSim, {"--fly-faster"}, 10000);
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_NE(unknown.standardError.find("unknown option --fly-faster"), std::string::npos);
    EXPECT_EQ(platform::runProgram(kSim, {"--speedup", "0"}, 10000).exitStatus, 2);
    EXPECT_EQ(platform::runProgram(kSim, {"--cruise=99000"}, 10000).exitStatus, 2);
    for (const char* application : {":11.0", "KittyHawk:11", "KittyHawk:11.x", "KittyHawk:-1.0"}) {
        EXPECT_EQ(platform::runProgram(kSim, {"--application", application}, 10000).exitStatus, 2)
            << application;
    }
    const platform::ProgramRun noPlan =
        platform::runProgram(kSim, {"--plan", "/nonexistent.pln"}, 10000);
    EXPECT_EQ(noPlan.exitStatus, 3);
    EXPECT_NE(noPlan.standardError.find("/nonexistent.pln"), std::string::npos);
}

TEST(StandinProgram, FliesAWholeFlightForTheProgramOnTheLink) {
    // The take-off waits a second, so that the subscription to "SimStart" is
    // in before the flight starts even on a busy machine.
    ProgramEnd program(
        {"--speedup", "500", "--start-delay", "1", "--application", "KittyHawk:11.0"});
    ASSERT_TRUE(program.stream);
    program.openAsProgram();
    EXPECT_EQ(program.waitFor("OPEN", 5000),
              (std::vector<std::string>{"OPEN", "KittyHawk", "11", "0", "0", "0"}));
    const std::vector<std::string> plan = program.waitFor("SYSTEM_STATE", 5000);
    ASSERT_EQ(plan.size(), 5u);
    EXPECT_EQ(plan[1], "9898");
    EXPECT_EQ(plan[4], testing_support::sourcePath("sim/standin/demo-plan.pln"));
    EXPECT_EQ(program.waitFor("EVENT", 5000),
              (std::vector<std::string>{"EVENT", "4294967295", "0", "0"}));

    program.send({"RequestDataOnSimObject", "0", "0", "0", "2", "1", "0", "20", "0"});
    program.send({"MapClientEventToSimEvent", "6", "SPOILERS_TOGGLE"});
    program.send({"AddClientEventToNotificationGroup", "0", "6", "0"});
    const std::vector<std::string> data = program.waitFor("SIMOBJECT_DATA", 5000);
    ASSERT_EQ(data.size(), 6u);  // ids, then the two declared values
    EXPECT_EQ(data[1], "0");
    program.send({"TransmitClientEvent", "0", "6", "0", "1", "16"});
    EXPECT_EQ(program.waitFor("EVENT", 5000), (std::vector<std::string>{"EVENT", "0", "6", "0"}));
    program.send({"WeatherRequestInterpolatedObservation", "1", "36.66", "-121.6", "10668"});
    const std::vector<std::string> weather = program.waitFor("WEATHER_OBSERVATION", 5000);
    ASSERT_EQ(weather.size(), 3u);
    EXPECT_EQ(weather[2].rfind("ZZZZ ", 0), 0u) << weather[2];

    // About an hour of flight at five hundred times: QUIT after about seven
    // seconds, with a block every 350 simulated seconds.
    ASSERT_EQ(program.waitFor("QUIT", 60000).size(), 1u) << program.sim->standardOutput();
    program.send({"Close"});
    ASSERT_TRUE(program.sim->wait(10000));
    EXPECT_EQ(program.sim->exitStatus(), 0);
    const std::string out = program.sim->standardOutput();
    for (const char* note : {"stage: climb", "stage: cruise", "stage: descent", "stage: parked",
                             "spoilers_toggle by the program", "flight 1 ends at KLAX"}) {
        EXPECT_NE(out.find(note), std::string::npos) << note;
    }
    // The program asked for each changed sample: the altitude rose to 35000 ft.
    bool cruised = false;
    for (const auto& line : program.seen) {
        cruised |= line[0] == "SIMOBJECT_DATA" && line.size() == 6 && std::stod(line[4]) == 35000.0;
    }
    EXPECT_TRUE(cruised);
}

// Frames run in real time: at thirty times real time, as at real pace, the
// program's request (every 21 frames) gets a block every 0.7 real seconds,
// each 21 simulated seconds further on. Ended by Ctrl-C: the program is told
// QUIT.
TEST(StandinProgram, SendsBlocksAtTheRealFrameRateAndTellsTheProgramWhenStopped) {
    ProgramEnd program({"--start-delay", "0", "--speedup", "30"});
    ASSERT_TRUE(program.stream);
    program.openAsProgram();
    program.send({"RequestDataOnSimObject", "0", "0", "0", "2", "1", "0", "20", "0"});
    ASSERT_EQ(program.waitFor("SIMOBJECT_DATA", 5000).size(), 6u);
    const auto first = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(program.waitFor("SIMOBJECT_DATA", 5000).size(), 6u);
    }
    // Three blocks 0.7 s apart: never faster, and not slowed to a crawl.
    const auto took = std::chrono::steady_clock::now() - first;
    EXPECT_GE(took, std::chrono::milliseconds(1900));
    EXPECT_LE(took, std::chrono::milliseconds(4000));

    program.sim->sendControlEvent(platform::CtrlC);
    EXPECT_EQ(program.waitFor("QUIT", 5000).size(), 1u);
    program.send({"Close"});
    ASSERT_TRUE(program.sim->wait(10000));
    EXPECT_EQ(program.sim->exitStatus(), 0);
}
