// The simulator's messages as the dispatch procedure receives them: the
// structures, their sizes, unreadable lines, and the end of the connection.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "simlink/client_events.h"
#include "simlink/connection.h"
#include "tests/simlink/simulator_fixture.h"

namespace {

using simlink_test::kWaitMs;
using simlink_test::Message;

class SimLinkMessages : public simlink_test::SimulatorTest {
  protected:
    void SetUp() override {
        SimulatorTest::SetUp();
        openLink();
    }

    // Dispatches until `count` messages are in.
    void receive(std::size_t count) {
        ASSERT_TRUE(simlink_test::dispatchUntil(handle, messages, count))
            << "only " << messages.size() << " of " << count << " messages arrived";
    }

    std::vector<Message> messages;
};

// The header every message carries: its real size, version 4 and its id.
void expectHeader(const Message& message, DWORD id, std::size_t size) {
    EXPECT_EQ(message.id(), id);
    EXPECT_EQ(message.as<SIMCONNECT_RECV>().dwSize, size);
    EXPECT_EQ(message.bytes.size(), size);
    EXPECT_EQ(message.as<SIMCONNECT_RECV>().dwVersion, 4u);
}

TEST_F(SimLinkMessages, FixedSizeKindsArriveAsTheirStructures) {
    simulator->sendOpen("Stand-in Simulator");
    simulator->sendException(3, 4294967295u, 1);
    simulator->sendEvent(0, SpoilersToggle, 42);
    simulator->sendSystemState(RequestSimState, 1, 2.5f, "");
    simulator->sendRecv(SIMCONNECT_RECV_ID_NULL);
    simulator->sendRecv(99);
    simulator->sendQuit();
    receive(7);
    ASSERT_EQ(messages.size(), 7u);

    expectHeader(messages[0], SIMCONNECT_RECV_ID_OPEN, 308);
    const auto open = messages[0].as<SIMCONNECT_RECV_OPEN>();
    EXPECT_STREQ(open.szApplicationName, "Stand-in Simulator");

    expectHeader(messages[1], SIMCONNECT_RECV_ID_EXCEPTION, 24);
    const auto exception = messages[1].as<SIMCONNECT_RECV_EXCEPTION>();
    EXPECT_EQ(exception.dwException, 3u);
    EXPECT_EQ(exception.dwSendID, 0xFFFFFFFFu);
    EXPECT_EQ(exception.dwIndex, 1u);

    expectHeader(messages[2], SIMCONNECT_RECV_ID_EVENT, 24);
    const auto event = messages[2].as<SIMCONNECT_RECV_EVENT>();
    EXPECT_EQ(event.uGroupID, 0u);
    EXPECT_EQ(event.uEventID, static_cast<DWORD>(SpoilersToggle));
    EXPECT_EQ(event.dwData, 42u);

    expectHeader(messages[3], SIMCONNECT_RECV_ID_SYSTEM_STATE, 284);
    const auto state = messages[3].as<SIMCONNECT_RECV_SYSTEM_STATE>();
    EXPECT_EQ(state.dwRequestID, RequestSimState);
    EXPECT_EQ(state.dwInteger, 1u);
    EXPECT_EQ(state.fFloat, 2.5f);
    EXPECT_STREQ(state.szString, "");

    expectHeader(messages[4], SIMCONNECT_RECV_ID_NULL, 12);
    expectHeader(messages[5], 99, 12);
    expectHeader(messages[6], SIMCONNECT_RECV_ID_QUIT, 12);
}

TEST_F(SimLinkMessages, AnAircraftSampleIsOneHundredTwentyBytesOfFloatsAtOffsetForty) {
    std::vector<double> values;
    for (int i = 0; i < 15; ++i) {
        values.push_back(1000.0 * i + 0.1);
    }
    values[1] = 47.449888888888886;
    values[14] = -56.5;
    simulator->sendSimObjectData(AircraftSampleRequest, SIMCONNECT_OBJECT_ID_USER,
                                 kAircraftSampleDefinition, values);
    receive(1);

    expectHeader(messages[0], SIMCONNECT_RECV_ID_SIMOBJECT_DATA, 40 + 120);
    const auto data = messages[0].as<SIMCONNECT_RECV_SIMOBJECT_DATA>();
    EXPECT_EQ(data.dwRequestID, AircraftSampleRequest);
    EXPECT_EQ(data.dwObjectID, SIMCONNECT_OBJECT_ID_USER);
    EXPECT_EQ(data.dwDefineID, kAircraftSampleDefinition);
    EXPECT_EQ(data.dwDefineCount, 15u);
    AircraftSample sample{};
    std::memcpy(&sample, messages[0].bytes.data() + 40, sizeof sample);
    EXPECT_EQ(sample.altitude, 0.1);
    EXPECT_EQ(sample.latitude, 47.449888888888886);  // every bit survives the text form
    EXPECT_EQ(sample.mach, 8000.1);
    EXPECT_EQ(sample.ambientTemperature, -56.5);
}

TEST_F(SimLinkMessages, ADataMessageWithoutValuesIsStillAsLongAsItsStructure) {
    simulator->sendSimObjectData(5, 0, 0, {});
    receive(1);
    expectHeader(messages[0], SIMCONNECT_RECV_ID_SIMOBJECT_DATA, 44);
    EXPECT_EQ(messages[0].as<SIMCONNECT_RECV_SIMOBJECT_DATA>().dwDefineCount, 0u);
}

TEST_F(SimLinkMessages, TheOpenCarriesTheApplicationsVersionAndTheLibrarysOwn) {
    simulator->sendOpen("KittyHawk", sim::ApplicationVersion{11, 0, 282174, 999});
    simulator->sendLine("OPEN\tFS X\t10");  // the numbers left out are 0
    receive(2);
    const auto newer = messages[0].as<SIMCONNECT_RECV_OPEN>();
    EXPECT_STREQ(newer.szApplicationName, "KittyHawk");
    EXPECT_EQ(newer.dwApplicationVersionMajor, 11u);
    EXPECT_EQ(newer.dwApplicationVersionMinor, 0u);
    EXPECT_EQ(newer.dwApplicationBuildMajor, 282174u);
    EXPECT_EQ(newer.dwApplicationBuildMinor, 999u);
    EXPECT_EQ(newer.dwSimConnectVersionMajor, 10u);
    EXPECT_EQ(newer.dwSimConnectBuildMajor, 60905u);

    const auto older = messages[1].as<SIMCONNECT_RECV_OPEN>();
    EXPECT_STREQ(older.szApplicationName, "FS X");
    EXPECT_EQ(older.dwApplicationVersionMajor, 10u);
    EXPECT_EQ(older.dwApplicationVersionMinor, 0u);
    EXPECT_EQ(older.dwApplicationBuildMinor, 0u);
}

TEST_F(SimLinkMessages, TextsAreTerminatedAndCutToTheirFields) {
    const std::string metar = "KSEA 121253Z 18012KT 10SM FEW040 12/08 A3001";
    simulator->sendWeatherObservation(RequestWeatherAhead, metar);
    simulator->sendWeatherObservation(RequestWeatherAhead, std::string(5000, 'M'));
    simulator->sendSystemState(RequestFlightPlanState, 0, 0.0f, std::string(400, 'p'));
    simulator->sendOpen(std::string(300, 'n'));
    receive(4);

    expectHeader(messages[0], SIMCONNECT_RECV_ID_WEATHER_OBSERVATION, 16 + metar.size() + 1);
    EXPECT_EQ(messages[0].as<SIMCONNECT_RECV_WEATHER_OBSERVATION>().dwRequestID,
              RequestWeatherAhead);
    EXPECT_EQ(std::string(messages[0].bytes.data() + 16), metar);

    // Up to 2000 bytes of report, its terminating NUL included.
    expectHeader(messages[1], SIMCONNECT_RECV_ID_WEATHER_OBSERVATION, 16 + 2000);
    EXPECT_EQ(std::string(messages[1].bytes.data() + 16), std::string(1999, 'M'));

    const auto state = messages[2].as<SIMCONNECT_RECV_SYSTEM_STATE>();
    EXPECT_EQ(std::string(state.szString, sizeof state.szString - 1), std::string(259, 'p'));
    EXPECT_EQ(state.szString[259], '\0');
    const auto open = messages[3].as<SIMCONNECT_RECV_OPEN>();
    EXPECT_EQ(open.szApplicationName[255], '\0');
    EXPECT_EQ(std::strlen(open.szApplicationName), 255u);
}

TEST_F(SimLinkMessages, UnreadableLinesAreSkippedWithOneErrorLineEachAndTheRestStillArrives) {
    const char* unreadable[] = {
        "HELLO",                    // unknown kind
        "EVENT\t0\t1",              // a field short
        "EVENT\t0\t1\t0\t9",        // a field too many
        "EVENT\t0\tx\t0",           // not a number
        "EVENT\t0\t4294967296\t0",  // beyond 32 bits
        "SIMOBJECT_DATA\t0\t0\t0\t1.5\tfast",
        "SYSTEM_STATE\t9897\t1\tone\tx",
        "RECV\t4",                          // a bare header may not pose as an EVENT
        "OPEN\tKittyHawk\t11\t0\t1\t2\t3",  // a version field too many
        "OPEN\tKittyHawk\televen",
        "QUIT\tnow",
        "",
    };
    for (const char* line : unreadable) {
        simulator->sendLine(line);
    }
    simulator->sendEvent(0, PauseToggle, 0);
    testing::internal::CaptureStderr();
    receive(1);
    // Anything after the good message would already have been read with it.
    SimConnect_CallDispatch(handle, simlink_test::collectMessage, &messages);
    const std::string errors = testing::internal::GetCapturedStderr();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].as<SIMCONNECT_RECV_EVENT>().uEventID, static_cast<DWORD>(PauseToggle));
    std::size_t errorLines = 0;
    for (const char c : errors) {
        errorLines += c == '\n';
    }
    EXPECT_EQ(errorLines, std::size(unreadable)) << errors;
    EXPECT_NE(errors.find("HELLO"), std::string::npos);
}

TEST_F(SimLinkMessages, DispatchReturnsAtOnceWhenNothingHasArrived) {
    // A dispatch call that waited for the simulator would hang here.
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(SimConnect_CallDispatch(handle, simlink_test::collectMessage, &messages),
                  S_OK_RESULT);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(SimLinkMessages, ALostConnectionDeliversOneQuitAfterTheMessagesAlreadyReceived) {
    simulator->sendEvent(0, PauseToggle, 0);
    simulator->sendEvent(0, SpoilersToggle, 0);
    simulator->sendLine("EVENT\t0\t3");  // unreadable: skipped, not delivered
    simulator->closeConnection();
    testing::internal::CaptureStderr();
    receive(3);
    for (int i = 0; i < 20; ++i) {
        EXPECT_NE(SimConnect_CallDispatch(handle, simlink_test::collectMessage, &messages),
                  S_OK_RESULT);
    }
    testing::internal::GetCapturedStderr();

    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].as<SIMCONNECT_RECV_EVENT>().uEventID, static_cast<DWORD>(PauseToggle));
    EXPECT_EQ(messages[1].as<SIMCONNECT_RECV_EVENT>().uEventID, static_cast<DWORD>(SpoilersToggle));
    expectHeader(messages[2], SIMCONNECT_RECV_ID_QUIT, 12);
}

TEST_F(SimLinkMessages, AQuitFromTheSimulatorIsNotFollowedByASecondOneWhenTheLinkEnds) {
    simulator->sendQuit();
    simulator->closeConnection();
    receive(1);
    for (int i = 0; i < 20; ++i) {
        SimConnect_CallDispatch(handle, simlink_test::collectMessage, &messages);
        platform::sleepMilliseconds(1);
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_QUIT));
}

// Closes the connection from inside the dispatch procedure.
void SIMCONNECT_CALL closeOnFirstMessage(SIMCONNECT_RECV* message, DWORD size, void* context) {
    auto* state = static_cast<std::pair<HANDLE, std::vector<Message>*>*>(context);
    simlink_test::collectMessage(message, size, state->second);
    SimConnect_Close(state->first);
}

TEST_F(SimLinkMessages, MessagesStopWhenTheProcedureClosesTheConnection) {
    simulator->sendLine("EVENT\t0\t1\t0\nEVENT\t0\t6\t0");  // two lines, one write
    std::pair<HANDLE, std::vector<Message>*> state{handle, &messages};
    for (int waited = 0; messages.empty() && waited < kWaitMs; ++waited) {
        SimConnect_CallDispatch(handle, closeOnFirstMessage, &state);
        platform::sleepMilliseconds(1);
    }
    handle = nullptr;  // closed already
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].as<SIMCONNECT_RECV_EVENT>().uEventID, 1u);
    EXPECT_TRUE(simulator->waitForCall("Close", kWaitMs).has_value());
}

}  // namespace
