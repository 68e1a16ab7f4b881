// "-reconnect" in the program's own process: one test simulator after
// another on the same address, each connection starting afresh.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/reconnecting.h"
#include "app/shared_flight_state.h"
#include "monitor/flight_monitor_reset.h"
#include "platform/environment.h"
#include "route/waypoint_table.h"
#include "sim/link/link_server.h"
#include "simlink/client_events.h"
#include "simlink/connection.h"
#include "tests/support/paths.h"

namespace {

constexpr int kWaitMs = 10000;
// Short, so that the test does not wait out the program's 5 seconds.
constexpr ReconnectPacing kQuickPacing{50};

std::vector<double> sampleAt(double altitudeFeet) {
    std::vector<double> values(sizeof(AircraftSample) / sizeof(double), 0.0);
    values[0] = altitudeFeet;
    values[1] = 47.45;   // latitude
    values[2] = -122.3;  // longitude
    return values;
}

// Waits for the program's connection and its opening calls, then answers as
// the simulator `name` of that version whose flight runs with `plan` loaded.
void connectAndFly(sim::LinkServer& simulator, const char* name, std::uint32_t versionMajor,
                   const std::string& plan) {
    ASSERT_TRUE(simulator.waitForProgram(kWaitMs));
    simulator.sendOpen(name, sim::ApplicationVersion{versionMajor, 0, 0, 0});
    ASSERT_TRUE(simulator.waitForCall("RequestSystemState", kWaitMs));
    ASSERT_TRUE(simulator.waitForCall("RequestSystemState", kWaitMs));
    simulator.sendSystemState(RequestSimState, 1, 0.0f, "");
    simulator.sendSystemState(RequestFlightPlanState, 0, 0.0f, plan);
    // The client events are set up on every connection, not once per process.
    ASSERT_TRUE(simulator.waitForCall("RequestDataOnSimObject", kWaitMs));
}

std::string firstWaypoint() {
    return copyWaypointTable()[0].id;
}

TEST(AppReconnecting, EveryConnectionStartsTheLinkAndTheMonitorAfresh) {
    resetSharedFlightState();
    flightState.cruiseAltitudeFeet = 35000;
    const int port = sim::LinkServer::listen()->port();  // free, and nobody listens now
    const std::string address = "127.0.0.1:" + std::to_string(port);
    platform::setEnvironmentVariable("CORVESSA_SIMULATOR", address.c_str());
    std::atomic<bool> stop{false};
    std::thread program([&stop] { runReconnecting(kQuickPacing, &stop); });

    // The program started first and waits. Then a newer simulator flies in
    // cruise and quits.
    auto first = sim::LinkServer::listen("127.0.0.1", port);
    ASSERT_NE(first, nullptr);
    connectAndFly(*first, "KittyHawk", 11,
                  testing_support::sourcePath("tests/route/data/plan_cdata.pln"));
    first->sendSimObjectData(AircraftSampleRequest, 0, 0, sampleAt(36000.0));
    first->sendQuit();
    ASSERT_TRUE(first->waitForCall("Close", kWaitMs));
    for (const sim::CallLine& call : first->calls()) {
        EXPECT_NE(call.name, "WeatherRequestInterpolatedObservation");
    }
    EXPECT_EQ(firstWaypoint(), "CDATA");
    first.reset();

    // An older simulator on the same address: the whole link is set up
    // again, its plan read, and it is asked for the weather once more.
    auto second = sim::LinkServer::listen("127.0.0.1", port);
    ASSERT_NE(second, nullptr);
    connectAndFly(*second, "Stand-in", 10,
                  testing_support::sourcePath("tests/route/data/plan_degrees.pln"));
    second->sendSimObjectData(AircraftSampleRequest, 0, 0, sampleAt(20000.0));
    ASSERT_TRUE(second->waitForCall("WeatherRequestInterpolatedObservation", kWaitMs));
    stop = true;
    second->sendQuit();
    program.join();

    std::size_t definitions = 0;
    for (const sim::CallLine& call : second->calls()) {
        definitions += call.name == "AddToDataDefinition" ? 1 : 0;
    }
    EXPECT_EQ(definitions, 15u);
    EXPECT_EQ(firstWaypoint(), "KSEA");
    // Below cruise after a flight that ended in cruise: a fresh start climbs,
    // where the last flight's altitude would have made it a descent.
    EXPECT_EQ(flightState.flightPhase, FlightPhase::Climb);
    EXPECT_EQ(flightState.simConnectHandle.load(), nullptr);

    platform::unsetEnvironmentVariable("CORVESSA_SIMULATOR");
    resetFlightMonitor();  // frees a record still waiting
    resetSharedFlightState();
}

}  // namespace
