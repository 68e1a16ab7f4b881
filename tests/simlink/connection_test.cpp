// runSimConnect: the program's whole life with a (test) simulator.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>

#include "simlink/client_events.h"
#include "simlink/connection.h"
#include "tests/simlink/simulator_fixture.h"

namespace {

using simlink_test::kWaitMs;
using Fields = std::vector<std::string>;

// What the test's dispatch procedure saw, shared with the test thread.
std::mutex seenMutex;
std::vector<DWORD> seenIds;

// Plays the program's dispatch handler as far as this link needs: a quit
// message ends the loop.
void SIMCONNECT_CALL recordAndQuit(SIMCONNECT_RECV* message, DWORD, void*) {
    {
        std::lock_guard lock(seenMutex);
        seenIds.push_back(message->dwID);
    }
    if (message->dwID == SIMCONNECT_RECV_ID_QUIT) {
        flightState.quitRequested = 1;
    }
}

class SimLinkConnection : public simlink_test::SimulatorTest {
  protected:
    void SetUp() override {
        SimulatorTest::SetUp();
        std::lock_guard lock(seenMutex);
        seenIds.clear();
    }

    void TearDown() override {
        if (program.joinable()) {
            simulator->sendQuit();
            program.join();
        }
    }

    void startProgram() {
        program = std::thread([] { runSimConnect(recordAndQuit); });
    }

    std::thread program;
};

TEST_F(SimLinkConnection, OpensDefinesTheSampleSubscribesAndAsksForBothStatesInThatOrder) {
    testing::internal::CaptureStdout();
    startProgram();
    ASSERT_TRUE(simulator->waitForCall("RequestSystemState", kWaitMs));
    ASSERT_TRUE(simulator->waitForCall("RequestSystemState", kWaitMs));
    simulator->sendQuit();
    program.join();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nConnected to Flight Simulator!");

    const std::vector<std::pair<std::string, std::string>> variables = {
        {"Indicated Altitude", "feet"},
        {"Plane Latitude", "degrees"},
        {"Plane Longitude", "degrees"},
        {"ENG OIL TEMPERATURE:1", "Celsius"},
        {"ENG OIL PRESSURE:1", "Psi"},
        {"GROUND VELOCITY", "Knots"},
        {"PLANE HEADING DEGREES TRUE", "Degrees"},
        {"AIRSPEED TRUE", "Knots"},
        {"AIRSPEED MACH", "Mach"},
        {"AMBIENT WIND VELOCITY", "Knots"},
        {"AMBIENT WIND DIRECTION", "Degrees"},
        {"FUEL TOTAL QUANTITY WEIGHT", "Pounds"},
        {"VERTICAL SPEED", "Feet per second"},
        {"AIRSPEED INDICATED", "Knots"},
        {"AMBIENT TEMPERATURE", "Celsius"},
    };
    std::vector<sim::CallLine> expected = {{"Open", {"Devovav Adazova", "0"}}};
    for (const auto& [name, units] : variables) {
        expected.push_back({"AddToDataDefinition", {"0", name, units, "4", "0", "4294967295"}});
    }
    expected.push_back({"SubscribeToSystemEvent", {"0", "SimStart"}});
    expected.push_back({"RequestSystemState", {"9897", "Sim"}});
    expected.push_back({"RequestSystemState", {"9898", "FlightPlan"}});
    expected.push_back({"Close", {}});

    ASSERT_TRUE(simulator->waitForCall("Close", kWaitMs));
    const auto calls = simulator->calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].name, expected[i].name) << "call " << i;
        EXPECT_EQ(calls[i].fields, expected[i].fields) << "call " << i;
    }
}

TEST_F(SimLinkConnection, TheLoopEndsAfterTheDispatchCallThatCarriedQuitAndClosesOnce) {
    startProgram();
    ASSERT_TRUE(simulator->waitForCall("RequestSystemState", kWaitMs));
    simulator->sendEvent(0, SimStart, 0);
    // Both lines in one write, so one dispatch call reads them together: the
    // event after the quit is still handed over before the loop ends.
    simulator->sendLine("QUIT\nEVENT\t0\t1\t0");
    program.join();

    {
        std::lock_guard lock(seenMutex);
        EXPECT_EQ(seenIds, (std::vector<DWORD>{SIMCONNECT_RECV_ID_EVENT, SIMCONNECT_RECV_ID_QUIT,
                                               SIMCONNECT_RECV_ID_EVENT}));
    }
    for (int waited = 0; simulator->connected() && waited < kWaitMs; waited += 10) {
        platform::sleepMilliseconds(10);
    }
    int closes = 0;
    for (const sim::CallLine& call : simulator->calls()) {
        closes += call.name == "Close";
    }
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(simulator->calls().back().name, "Close");
}

TEST_F(SimLinkConnection, ASimulatorThatVanishesEndsTheLoopLikeAQuit) {
    startProgram();
    ASSERT_TRUE(simulator->waitForCall("RequestSystemState", kWaitMs));
    simulator->sendEvent(0, SimStart, 0);
    simulator->closeConnection();
    program.join();
    std::lock_guard lock(seenMutex);
    EXPECT_EQ(seenIds, (std::vector<DWORD>{SIMCONNECT_RECV_ID_EVENT, SIMCONNECT_RECV_ID_QUIT}));
}

TEST(SimLinkConnectionAbsent, WithoutASimulatorItReturnsAtOnceAndSilently) {
    resetSharedFlightState();
    int port = 0;
    {
        auto gone = sim::LinkServer::listen();
        ASSERT_NE(gone, nullptr);
        port = gone->port();
    }
    const std::string address = "127.0.0.1:" + std::to_string(port);
    platform::setEnvironmentVariable("CORVESSA_SIMULATOR", address.c_str());
    testing::internal::CaptureStdout();
    runSimConnect(recordAndQuit);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(flightState.simConnectHandle.load(), nullptr);
    EXPECT_TRUE(seenIds.empty());
}

}  // namespace
