// The simulator's side of the link, driven by a raw TCP client that plays
// the program, so that the server is checked against the bytes themselves.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/tcp_socket.h"
#include "sim/link/link_server.h"

namespace {

constexpr int kWaitMs = 5000;

class SimLinkServer : public ::testing::Test {
  protected:
    void SetUp() override {
        server = sim::LinkServer::listen();
        ASSERT_NE(server, nullptr);
        EXPECT_EQ(server->address(), "127.0.0.1:" + std::to_string(server->port()));
        program = platform::TcpStream::connect("127.0.0.1", server->port(), kWaitMs);
        ASSERT_NE(program, nullptr);
        ASSERT_TRUE(server->waitForProgram(kWaitMs));
        EXPECT_TRUE(server->connected());
    }

    // Reads what the server sent until `expected` bytes have arrived.
    std::string receiveBytes(std::size_t expected) {
        std::string received;
        char buffer[512];
        while (received.size() < expected) {
            const auto got = program->receive(buffer, sizeof buffer, kWaitMs);
            if (got.status != platform::ReceiveStatus::Received) {
                break;
            }
            received.append(buffer, got.size);
        }
        return received;
    }

    std::unique_ptr<sim::LinkServer> server;
    std::unique_ptr<platform::TcpStream> program;
};

TEST_F(SimLinkServer, CallLinesArriveInOrderAsNameAndFieldsEvenWhenSplitAcrossWrites) {
    ASSERT_TRUE(program->sendAll("Open\tDevovav Adazova\t0\nTransmitClientEvent\t0\t6"));
    ASSERT_TRUE(program->sendAll("\t0\t1\t16\nClose\n"));
    ASSERT_TRUE(server->waitForCall("Close", kWaitMs).has_value());

    const auto calls = server->calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "Open");
    EXPECT_EQ(calls[0].fields, (std::vector<std::string>{"Devovav Adazova", "0"}));
    EXPECT_EQ(calls[1].name, "TransmitClientEvent");
    EXPECT_EQ(calls[1].fields, (std::vector<std::string>{"0", "6", "0", "1", "16"}));
    EXPECT_TRUE(calls[2].fields.empty());
}

TEST_F(SimLinkServer, WaitForCallHandsOutEachCallOnceAndTimesOutWhenNoneIsLeft) {
    ASSERT_TRUE(
        program->sendAll("RequestSystemState\t9897\tSim\nSubscribeToSystemEvent\t0\t"
                         "SimStart\nRequestSystemState\t9898\tFlightPlan\n"));
    const auto first = server->waitForCall("RequestSystemState", kWaitMs);
    const auto second = server->waitForCall("RequestSystemState", kWaitMs);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->fields[1], "Sim");
    EXPECT_EQ(second->fields[1], "FlightPlan");
    EXPECT_FALSE(server->waitForCall("RequestSystemState", 50).has_value());
    // Calls of another name are not taken by those waits.
    EXPECT_TRUE(server->waitForCall("SubscribeToSystemEvent", kWaitMs).has_value());

    server->clearCalls();
    EXPECT_TRUE(server->calls().empty());
    ASSERT_TRUE(program->sendAll("RequestSystemState\t9898\tFlightPlan\n"));
    EXPECT_TRUE(server->waitForCall("RequestSystemState", kWaitMs).has_value());
}

TEST_F(SimLinkServer, TakeCallsHandsOutEachCallExactlyOnce) {
    ASSERT_TRUE(program->sendAll("Open\tDevovav Adazova\t0\nClose\n"));
    ASSERT_TRUE(server->waitForCall("Close", kWaitMs).has_value());
    const auto first = server->takeCalls();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].name, "Open");
    EXPECT_TRUE(server->takeCalls().empty());
    EXPECT_TRUE(server->calls().empty());

    ASSERT_TRUE(program->sendAll("RequestSystemState\t9898\tFlightPlan\n"));
    ASSERT_TRUE(server->waitForCall("RequestSystemState", kWaitMs).has_value());
    const auto second = server->takeCalls();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].fields, (std::vector<std::string>{"9898", "FlightPlan"}));
}

TEST_F(SimLinkServer, MessagesAreWrittenAsOneLineEachWithTheirFieldsMadeToFit) {
    server->sendOpen("Stand-in\tSimulator");
    server->sendQuit();
    server->sendException(7, 4294967295u, 2);
    server->sendEvent(0, 6, 0);
    server->sendSimObjectData(0, 0, 0, {0.1, 35000.0, -1.5e-7});
    server->sendWeatherObservation(1, "EGLL 121250Z\n27015KT");
    server->sendSystemState(9897, 1, 0.1f, "C:\\plans\\a\tb.pln");
    server->sendRecv(0);
    server->sendLine("raw\ttext");
    const std::string expected =
        "OPEN\tStand-in Simulator\n"
        "QUIT\n"
        "EXCEPTION\t7\t4294967295\t2\n"
        "EVENT\t0\t6\t0\n"
        "SIMOBJECT_DATA\t0\t0\t0\t0.10000000000000001\t35000\t-1.4999999999999999e-07\n"
        "WEATHER_OBSERVATION\t1\tEGLL 121250Z 27015KT\n"
        "SYSTEM_STATE\t9897\t1\t0.100000001\tC:\\plans\\a b.pln\n"
        "RECV\t0\n"
        "raw\ttext\n";
    EXPECT_EQ(receiveBytes(expected.size()), expected);
}

TEST_F(SimLinkServer, TheEndOfEitherSideIsSeenByTheOther) {
    program.reset();
    for (int waited = 0; server->connected() && waited < kWaitMs; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(server->connected());
    server->sendQuit();  // no one to send to: dropped without harm
}

TEST_F(SimLinkServer, ClosingTheConnectionEndsTheProgramsStream) {
    server->sendEvent(0, 1, 0);
    server->closeConnection();
    EXPECT_FALSE(server->connected());
    EXPECT_EQ(receiveBytes(100), "EVENT\t0\t1\t0\n");  // what was sent, then the end
    char buffer[16];
    EXPECT_EQ(program->receive(buffer, sizeof buffer, kWaitMs).status,
              platform::ReceiveStatus::Closed);
}

TEST(SimLinkServerLifetime, DestructionEndsWithOrWithoutAProgram) {
    auto idle = sim::LinkServer::listen();
    ASSERT_NE(idle, nullptr);
    EXPECT_FALSE(idle->waitForProgram(20));
    EXPECT_FALSE(idle->connected());
    idle.reset();

    auto busy = sim::LinkServer::listen();
    ASSERT_NE(busy, nullptr);
    auto program = platform::TcpStream::connect("127.0.0.1", busy->port(), kWaitMs);
    ASSERT_NE(program, nullptr);
    ASSERT_TRUE(busy->waitForProgram(kWaitMs));
    busy.reset();
    char buffer[16];
    EXPECT_EQ(program->receive(buffer, sizeof buffer, kWaitMs).status,
              platform::ReceiveStatus::Closed);
}

TEST(SimLinkServerLifetime, AnAddressThatCannotBeBoundGivesNoServer) {
    EXPECT_EQ(sim::LinkServer::listen("256.1.1.1"), nullptr);
    auto first = sim::LinkServer::listen();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(sim::LinkServer::listen("127.0.0.1", first->port()), nullptr);
}

}  // namespace
