// The whole program against a test simulator and real UDP clients: the
// start-up order, the road of a sample, commands, routes, and both ways the
// program ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "monitor/outgoing_message.h"
#include "platform/child_process.h"
#include "platform/udp_socket.h"
#include "relay/wire_protocol.h"
#include "sim/link/link_server.h"
#include "tests/support/paths.h"
#include "tests/support/relay_test_client.h"

namespace {

using testing_support::RelayTestClient;

constexpr int kWaitMs = 10000;
// After a registration reply the relay holds every other message back for 2 s.
constexpr int kRegistrationMs = 2000;

std::string corvessaPath() {
    return testing_support::programPath("app/corvessa");
}

// A simulator whose port is closed again: nothing listens there.
std::string deadSimulatorAddress() {
    auto link = sim::LinkServer::listen();
    return link->address();
}

// The program, run with the test simulator's address and its own relay port.
class Corvessa {
  public:
    Corvessa(const std::string& simulatorAddress, std::vector<std::string> arguments,
             const std::string& workingDirectory = "") {
        platform::ChildProcess::Options options;
        options.environment.push_back("CORVESSA_SIMULATOR=" + simulatorAddress);
        options.workingDirectory = workingDirectory;
        process_ = platform::ChildProcess::start(corvessaPath(), arguments, options);
    }
    platform::ChildProcess& operator*() { return *process_; }
    platform::ChildProcess* operator->() { return process_.get(); }

  private:
    std::unique_ptr<platform::ChildProcess> process_;
};

// A test simulator with the program connected, its flight running and its
// aircraft data requested.
class FlyingProgram {
  public:
    explicit FlyingProgram(std::vector<std::string> arguments,
                           const std::string& workingDirectory = "")
        : link(sim::LinkServer::listen()), relayPort(testing_support::freeUdpPort()) {
        // First, so that an unquoted route path can still run to the end.
        arguments.insert(arguments.begin(), {"-port", std::to_string(relayPort)});
        program = std::make_unique<Corvessa>(link->address(), arguments, workingDirectory);
    }

    // Waits for the connection's opening calls and starts the flight.
    void startFlight() {
        ASSERT_TRUE(link->waitForProgram(kWaitMs));
        ASSERT_TRUE(link->waitForCall("RequestSystemState", kWaitMs));
        ASSERT_TRUE(link->waitForCall("RequestSystemState", kWaitMs));
        link->sendOpen("Stand-in");
        link->sendSystemState(9897, 1, 0.0f, "");
        ASSERT_TRUE(link->waitForCall("RequestDataOnSimObject", kWaitMs));
        // The set-up leaves the simulator unpaused and the spoilers retracted.
        ASSERT_TRUE(link->waitForCall("TransmitClientEvent", kWaitMs));
        ASSERT_TRUE(link->waitForCall("TransmitClientEvent", kWaitMs));
    }

    std::unique_ptr<sim::LinkServer> link;
    int relayPort;
    std::unique_ptr<Corvessa> program;
};

// The sample that the whole-road tests fly, in the definition's order.
const std::vector<double> kSample = {
    35000.7,  // altitude, feet
    47.5,     // latitude
    -122.25,  // longitude
    80.0,     // oil temperature
    60.0,     // oil pressure
    455.2,    // ground speed, knots
    270.9,    // true heading
    470.5,    // true airspeed
    0.8249,   // Mach
    40.9,     // wind velocity, knots
    350.2,    // wind direction
    12000.4,  // fuel, pounds
    -12.9,    // vertical speed, feet per second
    280.3,    // indicated airspeed
    -56.4,    // ambient temperature, Celsius
};
constexpr const char* kMetar = "KSEA 091530Z 27060KT 9999 FEW040 M56/M60 Q1013";

// kSample as the relay's clients receive it: integers truncated, in network order.
std::vector<std::uint8_t> expectedDatagram() {
    outgoingMessage m{};
    std::strcpy(m.longitudeText, "-122.250000");
    std::strcpy(m.latitudeText, "47.500000");
    const std::int32_t integers[] = {35000, 270,   470, 455, 40, 350, 824,
                                     -12,   12000, 280, 270, 60, -56};
    auto* at = reinterpret_cast<std::uint8_t*>(&m) + kOutgoingIntegersOffset;
    for (std::int32_t value : integers) {
        writeBigEndian32(value, at);
        at += 4;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&m);
    return std::vector<std::uint8_t>(bytes, bytes + sizeof m);
}

void flySample(sim::LinkServer& link) {
    link.sendSimObjectData(0, 0, 0, kSample);
    ASSERT_TRUE(link.waitForCall("WeatherRequestInterpolatedObservation", kWaitMs));
    link.sendWeatherObservation(1, kMetar);
}

// Registers `client` with an empty route table and takes the no_route reply.
void registerWithoutRoute(RelayTestClient& client) {
    client.send(add_entry);
    const auto reply = client.receive(kWaitMs);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (std::vector<std::uint8_t>{0, 0, 0, no_route}));
}

std::string fileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(AppStartup, WithoutSimulatorPrintsTheSummaryAndEndsWithZero) {
    const int port = testing_support::freeUdpPort();
    const std::string simulator = deadSimulatorAddress();
    Corvessa program(simulator, {"-port", std::to_string(port)});
    ASSERT_TRUE(program->wait(kWaitMs));
    EXPECT_EQ(program->exitStatus(), 0);
    EXPECT_EQ(program->standardOutput(), corvessaPath() + " -port " + std::to_string(port) +
                                             "\ndistance 0.000000\ndistance 0.000000");
    EXPECT_EQ(program->standardError(), "No simulator answered at " + simulator +
                                            " (CORVESSA_SIMULATOR); run with -reconnect to "
                                            "wait for one\n");
}

TEST(AppStartup, MistakesOnTheCommandLineEachGetTheirLineOnTheErrorStream) {
    Corvessa program(deadSimulatorAddress(),
                     {"-port", "0", "-spoilerControl", "250", "0.78", "-type", "P", "-flightplan"});
    ASSERT_TRUE(program->wait(kWaitMs));
    EXPECT_EQ(program->exitStatus(), 0);
    const std::string errors = program->standardError();
    const std::string chosen = "The relay listens on UDP port ";
    const std::size_t at = errors.find(chosen);
    ASSERT_NE(at, std::string::npos) << errors;
    EXPECT_GT(std::atoi(errors.c_str() + at + chosen.size()), 0);
    EXPECT_EQ(errors.find(chosen, at + 1), std::string::npos) << "the port is shown once";
    EXPECT_NE(errors.find("-flightplan has no route file after it"), std::string::npos) << errors;
    EXPECT_NE(errors.find(": maxIas, maxMach missing or not a number; spoiler control will act "
                          "on 0 for them\n"),
              std::string::npos)
        << errors;
    EXPECT_NE(program->standardOutput().find("\n780.000000 250 0.000000 0\n"), std::string::npos)
        << "standard output keeps its texts";
}

TEST(AppStartup, StatusOptionShowsTheFlightOnTheErrorStreamFromTheStart) {
    Corvessa program(deadSimulatorAddress(),
                     {"-port", std::to_string(testing_support::freeUdpPort()), "-status"});
    ASSERT_TRUE(program->wait(kWaitMs));
    EXPECT_EQ(program->exitStatus(), 0);
    const std::string errors = program->standardError();
    EXPECT_EQ(errors.substr(0, errors.find('\n')),
              "status: no aircraft sample yet; 0 clients registered; last event sent: none");
    EXPECT_EQ(program->standardOutput().find("status:"), std::string::npos);
}

TEST(AppStartup, HelpEndsBeforeAnyServerExists) {
    // The relay's port is taken: had the program created its server, it would
    // have failed to bind and ended with 14.
    auto holder = platform::UdpSocket::open();
    platform::UdpEndpoint any;
    ASSERT_TRUE(holder->bind(any));
    const std::string port = std::to_string(holder->localPort());
    Corvessa program(deadSimulatorAddress(), {"-port", port, "-help"});
    ASSERT_TRUE(program->wait(kWaitMs));
    EXPECT_EQ(program->exitStatus(), 1);
    EXPECT_EQ(program->standardError(), "");
}

TEST(AppStartup, FlightPlanWithoutTypeEndsAfterTheServerExists) {
    auto holder = platform::UdpSocket::open();
    platform::UdpEndpoint any;
    ASSERT_TRUE(holder->bind(any));
    const std::string takenPort = std::to_string(holder->localPort());
    Corvessa blocked(deadSimulatorAddress(), {"-port", takenPort, "-flightplan", "x.rte"});
    ASSERT_TRUE(blocked->wait(kWaitMs));
    EXPECT_EQ(blocked->exitStatus(), 14) << "the server is created before -type is checked";
    EXPECT_EQ(blocked->standardError().substr(0, 31), "ServerSocket: Failed to connect");

    const int port = testing_support::freeUdpPort();
    Corvessa program(deadSimulatorAddress(),
                     {"-port", std::to_string(port), "-flightplan", "x.rte"});
    ASSERT_TRUE(program->wait(kWaitMs));
    EXPECT_EQ(program->exitStatus(), 1);
    EXPECT_NE(program->standardOutput().find(
                  "-type is mandatory, and should be either P or I for PMDG or IFlight\n"),
              std::string::npos);
    EXPECT_EQ(program->standardOutput().find("distance"), std::string::npos);
}

TEST(AppStartup, SpoilerControlAfterAQuotedRoutePathIsNotSeen) {
    const std::string dir = testing_support::makeTemporaryDirectory();
    const std::string route = dir + "/my route.txt";  // the blank makes the argument quoted
    std::ofstream(route) << "x,y,WPT1,DIRECT,47.5 -122.25,z,\n";
    const std::string port = std::to_string(testing_support::freeUdpPort());

    Corvessa after(deadSimulatorAddress(), {"-port", port, "-type", "I", "-flightplan", route,
                                            "-spoilerControl", "250", "0.78", "300", "0.82"});
    ASSERT_TRUE(after->wait(kWaitMs));
    EXPECT_EQ(after->exitStatus(), 0);
    EXPECT_NE(after->standardOutput().find("Found file: " + route), std::string::npos);
    EXPECT_EQ(after->standardOutput().find("780.000000"), std::string::npos);

    Corvessa before(deadSimulatorAddress(), {"-port", port, "-spoilerControl", "250", "0.78", "300",
                                             "0.82", "-type", "I", "-flightplan", route});
    ASSERT_TRUE(before->wait(kWaitMs));
    EXPECT_NE(before->standardOutput().find("\n780.000000 250 820.000000 300\n"),
              std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(AppStartup, OneSampleReachesTwoClientsByteForByte) {
    FlyingProgram flight({});
    flight.startFlight();
    RelayTestClient first("127.0.0.2", flight.relayPort);
    RelayTestClient second("127.0.0.3", flight.relayPort);
    registerWithoutRoute(first);
    registerWithoutRoute(second);

    flySample(*flight.link);
    const auto expected = expectedDatagram();
    const auto atFirst = first.receiveOfSize(kOutgoingMessageSize, kWaitMs);
    const auto atSecond = second.receiveOfSize(kOutgoingMessageSize, kWaitMs);
    ASSERT_TRUE(atFirst);
    ASSERT_TRUE(atSecond);
    EXPECT_EQ(*atFirst, expected);
    EXPECT_EQ(*atSecond, expected);
}

TEST(AppStartup, PauseCommandReachesTheSimulatorAndTheNoticeComesBack) {
    FlyingProgram flight({});
    flight.startFlight();
    RelayTestClient client("127.0.0.2", flight.relayPort);
    registerWithoutRoute(client);
    const auto pauseOff = flight.link->waitForCall("TransmitClientEvent", kWaitMs);
    ASSERT_TRUE(pauseOff);
    EXPECT_EQ(pauseOff->fields, (std::vector<std::string>{"0", "3", "0", "1", "16"}))
        << "a registration leaves the simulator unpaused";

    client.sendCommand(kCommandPauseToggle);
    const auto transmitted = flight.link->waitForCall("TransmitClientEvent", kWaitMs);
    ASSERT_TRUE(transmitted);
    EXPECT_EQ(transmitted->fields, (std::vector<std::string>{"0", "1", "0", "1", "16"}));

    flight.link->sendEvent(0, 1, 0);  // the simulator's notification of the pause
    const auto notice = client.receiveOfSize(kOutgoingMessageSize, kWaitMs);
    ASSERT_TRUE(notice);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(notice->data())), "PAUSED");
}

std::string noticeAt(RelayTestClient& client) {
    const auto message = client.receiveOfSize(kOutgoingMessageSize, kWaitMs);
    return message ? std::string(reinterpret_cast<const char*>(message->data())) : "nothing";
}

TEST(AppStartup, RegistrationDuringAPauseEndsItAndTellsEveryClient) {
    FlyingProgram flight({});
    flight.startFlight();
    RelayTestClient first("127.0.0.2", flight.relayPort);
    registerWithoutRoute(first);
    ASSERT_TRUE(flight.link->waitForCall("TransmitClientEvent", kWaitMs));  // its PauseOff
    flight.link->sendEvent(0, 1, 0);                                        // the simulator pauses
    ASSERT_EQ(noticeAt(first), "PAUSED");

    RelayTestClient second("127.0.0.3", flight.relayPort);
    registerWithoutRoute(second);
    const auto pauseOff = flight.link->waitForCall("TransmitClientEvent", kWaitMs);
    ASSERT_TRUE(pauseOff);
    EXPECT_EQ(pauseOff->fields[1], "3") << "the registration unpauses the simulator";
    EXPECT_EQ(noticeAt(first), "UNPAUSED");
    EXPECT_EQ(noticeAt(second), "UNPAUSED");
}

// Flies one sample so that telemetry has started, registers a client and
// returns the first record of the route it is sent.
std::string firstRouteRecord(FlyingProgram& flight) {
    flySample(*flight.link);
    // The program handles the simulator's messages in order: once the next
    // sample's weather request arrives, the first record has been offered
    // to the relay, and the relay lists its route to registering clients.
    flight.link->sendSimObjectData(0, 0, 0, kSample);
    if (!flight.link->waitForCall("WeatherRequestInterpolatedObservation", kWaitMs)) {
        return "second sample not handled";
    }
    RelayTestClient client("127.0.0.2", flight.relayPort);
    client.send(add_entry);
    const auto reply = client.receive(kWaitMs + kRegistrationMs);
    if (!reply || *reply != std::vector<std::uint8_t>{0, 0, 0, route_entries}) {
        return "no route_entries reply but " +
               (reply ? std::to_string(reply->size()) + " bytes ending in " +
                            std::to_string(reply->back())
                      : std::string("nothing"));
    }
    std::vector<std::vector<std::uint8_t>> datagrams;
    for (std::size_t i = 0; i < kRouteDatagramCount; ++i) {
        const auto datagram = client.receive(kWaitMs);
        if (!datagram || datagram->size() != kRouteDatagramSize) {
            return "route datagram missing";
        }
        datagrams.push_back(*datagram);
    }
    return std::string(datagrams[0].begin(), datagrams[0].begin() + kRouteRecordSize);
}

TEST(AppStartup, RouteFilesOfBothTypesReachARegisteringClient) {
    const std::string dir = testing_support::makeTemporaryDirectory();
    std::ofstream(dir + "/route.rte") << "PMDG RTE\n\nKSEA\nshort\nshort\n1 N 47.5 W 122.25 0\n";
    std::ofstream(dir + "/route.txt") << "x,y,WPT1,DIRECT,47.5 -122.25,z,\n";

    FlyingProgram typeP({"-type", "P", "-flightplan", dir + "/route.rte"});
    typeP.startFlight();
    EXPECT_EQ(firstRouteRecord(typeP), "-122.25000  47.50000KSEA\n");

    FlyingProgram typeI({"-type", "I", "-flightplan", dir + "/route.txt"});
    typeI.startFlight();
    EXPECT_EQ(firstRouteRecord(typeI), "-122.25000  47.50000 WPT1");
    std::filesystem::remove_all(dir);
}

TEST(AppStartup, SimulatorFlightPlanReachesARegisteringClient) {
    const std::string dir = testing_support::makeTemporaryDirectory();
    const std::string plan = dir + "/plan.pln";
    std::ofstream(plan) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<SimBase.Document><FlightPlan.FlightPlan>\n"
                           "<ATCWaypoint id=\"WPT1\"><WorldPosition>N47\xC2\xB0 30' 0.00\","
                           "W122\xC2\xB0 15' 0.00\",+000000.00</WorldPosition></ATCWaypoint>\n"
                           "</FlightPlan.FlightPlan></SimBase.Document>\n";
    FlyingProgram flight({});
    flight.startFlight();
    flight.link->sendSystemState(9898, 0, 0.0f, plan);
    EXPECT_EQ(firstRouteRecord(flight), "-122.25000  47.50000 WPT1");
    std::filesystem::remove_all(dir);
}

TEST(AppStartup, SimulatorQuitClosesOnceAndPrintsTheSummary) {
    FlyingProgram flight({});
    flight.startFlight();
    flight.link->sendQuit();
    auto& program = **flight.program;
    ASSERT_TRUE(program.wait(kWaitMs));
    EXPECT_EQ(program.exitStatus(), 0);
    const std::string out = program.standardOutput();
    EXPECT_NE(out.find("quiting\ndistance 0.000000\ndistance 0.000000"), std::string::npos) << out;
    EXPECT_EQ(out.find("Shutting down"), std::string::npos);
    int closes = 0;
    for (const auto& call : flight.link->calls()) {
        closes += call.name == "Close" ? 1 : 0;
    }
    EXPECT_EQ(closes, 1);
}

TEST(AppStartup, CtrlCShutsTheRelayDownWithoutSummary) {
    FlyingProgram flight({});
    flight.startFlight();
    auto& program = **flight.program;
    program.sendControlEvent(platform::CtrlC);
    ASSERT_TRUE(program.wait(kWaitMs));
    EXPECT_TRUE(program.endedBy(platform::CtrlC));
    const std::string out = program.standardOutput();
    EXPECT_NE(out.find("Shutting down"), std::string::npos) << out;
    EXPECT_EQ(out.find("distance"), std::string::npos);
}

TEST(AppStartup, SystemShutdownBeepsAndLeavesTheRelayAlone) {
    FlyingProgram flight({});
    flight.startFlight();
    auto& program = **flight.program;
    program.sendControlEvent(platform::CtrlShutdown);
    ASSERT_TRUE(program.wait(kWaitMs));
    EXPECT_TRUE(program.endedBy(platform::CtrlShutdown));
    const std::string out = program.standardOutput();
    EXPECT_NE(out.find("Ctrl-Shutdown event\n\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("Shutting down"), std::string::npos);
    EXPECT_EQ(out.find("distance"), std::string::npos);
}

TEST(AppStartup, NetworkLogHoldsWhatTheClientsSaw) {
    const std::string dir = testing_support::makeTemporaryDirectory();
    FlyingProgram flight({"-lognetwork"}, dir);
    flight.startFlight();
    RelayTestClient client("127.0.0.2", flight.relayPort);
    registerWithoutRoute(client);
    flySample(*flight.link);
    const auto received = client.receiveOfSize(kOutgoingMessageSize, kWaitMs);
    ASSERT_TRUE(received);

    const std::string log = fileText(dir + "/network.log");
    ASSERT_EQ(log.size(), 25u + 102u);
    EXPECT_EQ(log.substr(0, 5), std::string("\x01\x00\x00\x00\x02", 5));  // the add_entry
    EXPECT_EQ(log[25], '\x02');
    EXPECT_EQ(log[126], '\x01');  // queued for the registered client
    // The log keeps the record in host order; the client got it in network order.
    outgoingMessage logged;
    std::memcpy(&logged, log.data() + 30, sizeof logged);
    std::vector<std::uint8_t> asSent(sizeof logged);
    std::memcpy(asSent.data(), &logged, sizeof logged);
    for (std::size_t at = kOutgoingIntegersOffset; at < kOutgoingIntegersOffset + 4 * 13; at += 4) {
        std::int32_t value;
        std::memcpy(&value, asSent.data() + at, 4);
        writeBigEndian32(value, asSent.data() + at);
    }
    EXPECT_EQ(asSent, *received);
    std::filesystem::remove_all(dir);
}

}  // namespace
