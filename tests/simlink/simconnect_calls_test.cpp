// The stand-in library's side of the calls: what reaches the simulator for
// each call, opening and closing, and calls from two threads at once.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/tcp_socket.h"
#include "tests/simlink/simulator_fixture.h"

namespace {

using simlink_test::kWaitMs;
using Fields = std::vector<std::string>;

class SimLinkCalls : public simlink_test::SimulatorTest {
  protected:
    Fields fieldsOf(const char* name) {
        const auto call = simulator->waitForCall(name, kWaitMs);
        return call ? call->fields : Fields{"<no " + std::string(name) + " call>"};
    }
};

TEST_F(SimLinkCalls, OpenNamesTheClientAndItsConfiguration) {
    ASSERT_EQ(SimConnect_Open(&handle, "Devovav\tAdazova", nullptr, 0, nullptr,
                              SIMCONNECT_OPEN_CONFIGINDEX_LOCAL),
              S_OK_RESULT);
    ASSERT_TRUE(simulator->waitForProgram(kWaitMs));
    EXPECT_EQ(fieldsOf("Open"), (Fields{"Devovav Adazova", "4294967295"}));
}

TEST_F(SimLinkCalls, EveryCallIsOneLineWithItsArgumentsInOrder) {
    openLink();
    EXPECT_EQ(SimConnect_AddToDataDefinition(handle, 0, "Plane Latitude", "degrees",
                                             SIMCONNECT_DATATYPE_FLOAT64, 0.5f, SIMCONNECT_UNUSED),
              S_OK_RESULT);
    SimConnect_SubscribeToSystemEvent(handle, 0, "SimStart");
    SimConnect_RequestSystemState(handle, 9898, "FlightPlan");
    SimConnect_RequestDataOnSimObject(handle, 0, 0, 0, SIMCONNECT_PERIOD_VISUAL_FRAME,
                                      SIMCONNECT_DATA_REQUEST_FLAG_CHANGED, 0, 20, 0);
    SimConnect_MapClientEventToSimEvent(handle, 6, "SPOILERS_TOGGLE");
    SimConnect_AddClientEventToNotificationGroup(handle, 0, 4, 7);  // any true value is 1
    SimConnect_SetNotificationGroupPriority(handle, 0, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    SimConnect_TransmitClientEvent(handle, 0, 3, 0, 1, SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
    SimConnect_WeatherRequestInterpolatedObservation(handle, 1, 47.4498889f, -122.311778f,
                                                     35000 * 0.3048f);

    EXPECT_EQ(fieldsOf("AddToDataDefinition"),
              (Fields{"0", "Plane Latitude", "degrees", "4", "0.5", "4294967295"}));
    EXPECT_EQ(fieldsOf("SubscribeToSystemEvent"), (Fields{"0", "SimStart"}));
    EXPECT_EQ(fieldsOf("RequestSystemState"), (Fields{"9898", "FlightPlan"}));
    EXPECT_EQ(fieldsOf("RequestDataOnSimObject"),
              (Fields{"0", "0", "0", "2", "1", "0", "20", "0"}));
    EXPECT_EQ(fieldsOf("MapClientEventToSimEvent"), (Fields{"6", "SPOILERS_TOGGLE"}));
    EXPECT_EQ(fieldsOf("AddClientEventToNotificationGroup"), (Fields{"0", "4", "1"}));
    EXPECT_EQ(fieldsOf("SetNotificationGroupPriority"), (Fields{"0", "1"}));
    EXPECT_EQ(fieldsOf("TransmitClientEvent"), (Fields{"0", "3", "0", "1", "16"}));
    // 32-bit floats with nine significant digits: they read back exactly.
    EXPECT_EQ(fieldsOf("WeatherRequestInterpolatedObservation"),
              (Fields{"1", "47.4498901", "-122.311775", "10668"}));
}

TEST_F(SimLinkCalls, ClosedNullAndForeignHandlesWriteNothingAndFail) {
    openLink();
    int notAHandle = 0;
    EXPECT_EQ(SimConnect_TransmitClientEvent(nullptr, 0, 1, 0, 1, 16), E_FAIL_RESULT);
    EXPECT_EQ(SimConnect_TransmitClientEvent(&notAHandle, 0, 1, 0, 1, 16), E_FAIL_RESULT);
    EXPECT_EQ(SimConnect_CallDispatch(&notAHandle, simlink_test::collectMessage, nullptr),
              E_FAIL_RESULT);

    EXPECT_EQ(SimConnect_Close(handle), S_OK_RESULT);
    EXPECT_TRUE(simulator->waitForCall("Close", kWaitMs).has_value());
    // The handle stays a valid address after Close: these must neither
    // write nor touch freed memory (the sanitizer builds check the latter).
    EXPECT_EQ(SimConnect_Close(handle), E_FAIL_RESULT);
    EXPECT_EQ(SimConnect_RequestSystemState(handle, 9897, "Sim"), E_FAIL_RESULT);
    EXPECT_EQ(SimConnect_CallDispatch(handle, simlink_test::collectMessage, nullptr),
              E_FAIL_RESULT);
    handle = nullptr;

    for (int waited = 0; simulator->connected() && waited < kWaitMs; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(simulator->connected());
    const auto calls = simulator->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].name, "Open");
    EXPECT_EQ(calls[1].name, "Close");
}

TEST_F(SimLinkCalls, TwoThreadsTransmittingAtOnceNeverTearEachOthersLines) {
    openLink();
    constexpr DWORD kEventsPerThread = 2000;
    const auto transmit = [this](DWORD eventId) {
        for (DWORD sequence = 0; sequence < kEventsPerThread; ++sequence) {
            SimConnect_TransmitClientEvent(handle, 0, eventId, sequence, 1, 16);
        }
    };
    std::thread mainLike(transmit, 6);
    std::thread relayLike(transmit, 1);
    mainLike.join();
    relayLike.join();
    SimConnect_RequestSystemState(handle, 1, "end");
    ASSERT_TRUE(simulator->waitForCall("RequestSystemState", kWaitMs).has_value());

    DWORD next[7] = {};
    std::size_t transmitted = 0;
    for (const sim::CallLine& call : simulator->calls()) {
        if (call.name == "Open" || call.name == "RequestSystemState") {
            continue;
        }
        ASSERT_EQ(call.name, "TransmitClientEvent");
        ASSERT_EQ(call.fields.size(), 5u);
        const DWORD eventId = static_cast<DWORD>(std::stoul(call.fields[1]));
        ASSERT_TRUE(eventId == 6 || eventId == 1) << call.fields[1];
        // Each thread's lines arrive whole and in its own order.
        EXPECT_EQ(call.fields[2], std::to_string(next[eventId]++));
        ++transmitted;
    }
    EXPECT_EQ(transmitted, 2 * kEventsPerThread);
}

TEST(SimLinkOpen, FailsSilentlyAndLeavesTheHandleNullWhenNothingListens) {
    int port = 0;
    {
        auto gone = sim::LinkServer::listen();
        ASSERT_NE(gone, nullptr);
        port = gone->port();
    }
    const std::string address = "127.0.0.1:" + std::to_string(port);
    platform::setEnvironmentVariable("CORVESSA_SIMULATOR", address.c_str());
    int sentinel = 0;
    HANDLE handle = &sentinel;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const HRESULT result = SimConnect_Open(&handle, "Devovav Adazova", nullptr, 0, nullptr, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(result, E_FAIL_RESULT);
    EXPECT_LT(result, 0);
    EXPECT_EQ(handle, nullptr);
}

TEST(SimLinkOpen, AnUnusableAddressFailsLikeAnAbsentSimulator) {
    for (const char* address :
         {"127.0.0.1", "127.0.0.1:", ":1578", "127.0.0.1:70000", "127.0.0.1:0", "127.0.0.1:15x"}) {
        platform::setEnvironmentVariable("CORVESSA_SIMULATOR", address);
        HANDLE handle = nullptr;
        EXPECT_EQ(SimConnect_Open(&handle, "x", nullptr, 0, nullptr, 0), E_FAIL_RESULT) << address;
        EXPECT_EQ(handle, nullptr);
    }
    EXPECT_EQ(SimConnect_Open(nullptr, "x", nullptr, 0, nullptr, 0), E_FAIL_RESULT);
}

// Runs with the real 2-second limit. A listener whose queue of pending
// connections is full leaves further connection requests unanswered, which
// is how an absent or hung simulator host looks from here.
TEST(SimLinkOpen, GivesUpOnASimulatorThatDoesNotAnswerWithinTwoSeconds) {
    auto listener = platform::TcpListener::listen("127.0.0.1", 0);
    ASSERT_NE(listener, nullptr);
    std::vector<std::unique_ptr<platform::TcpStream>> queued;
    bool queueFull = false;
    for (int attempt = 0; attempt < 64 && !queueFull; ++attempt) {
        auto stream = platform::TcpStream::connect("127.0.0.1", listener->port(), 200);
        queueFull = stream == nullptr;
        queued.push_back(std::move(stream));
    }
    if (!queueFull) {
        GTEST_SKIP() << "this system answers every connection request, so an unanswered one "
                        "cannot be arranged";
    }
    const std::string address = "127.0.0.1:" + std::to_string(listener->port());
    platform::setEnvironmentVariable("CORVESSA_SIMULATOR", address.c_str());
    HANDLE handle = nullptr;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SimConnect_Open(&handle, "x", nullptr, 0, nullptr, 0), E_FAIL_RESULT);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(handle, nullptr);
    // It waited for the answer rather than failing at once.
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
}

}  // namespace
