#pragma once

// A test simulator on an ephemeral port with the client library pointed at
// it, and a dispatch procedure that keeps a copy of every message.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/shared_flight_state.h"
#include "platform/environment.h"
#include "platform/sleep.h"
#include "sim/link/link_server.h"
#include "simlink/simconnect.h"

namespace simlink_test {

// Generous limits: they only bound how long a failing test hangs.
constexpr int kWaitMs = 5000;

// A received message, copied byte for byte as far as its dwSize reaches.
struct Message {
    std::vector<char> bytes;

    DWORD id() const { return as<SIMCONNECT_RECV>().dwID; }
    template <typename Structure>
    Structure as() const {
        Structure value{};
        std::memcpy(&value, bytes.data(), std::min(sizeof value, bytes.size()));
        return value;
    }
};

inline void SIMCONNECT_CALL collectMessage(SIMCONNECT_RECV* message, DWORD size, void* context) {
    auto* messages = static_cast<std::vector<Message>*>(context);
    const char* first = reinterpret_cast<const char*>(message);
    messages->push_back(Message{std::vector<char>(first, first + size)});
}

// Dispatches until `count` messages have been collected or the time is up.
inline bool dispatchUntil(HANDLE handle, std::vector<Message>& messages, std::size_t count,
                          int timeoutMs = kWaitMs) {
    for (int waited = 0; messages.size() < count && waited < timeoutMs; ++waited) {
        SimConnect_CallDispatch(handle, collectMessage, &messages);
        platform::sleepMilliseconds(1);
    }
    return messages.size() >= count;
}

class SimulatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetSharedFlightState();
        simulator = sim::LinkServer::listen();
        ASSERT_NE(simulator, nullptr);
        platform::setEnvironmentVariable("CORVESSA_SIMULATOR", simulator->address().c_str());
    }

    void TearDown() override {
        if (handle != nullptr) {
            SimConnect_Close(handle);
        }
    }

    // Opens the library's connection and waits until the simulator has it.
    void openLink(const char* name = "Link Test") {
        ASSERT_EQ(SimConnect_Open(&handle, name, nullptr, 0, nullptr, 0), S_OK_RESULT);
        ASSERT_NE(handle, nullptr);
        ASSERT_TRUE(simulator->waitForProgram(kWaitMs));
        ASSERT_TRUE(simulator->waitForCall("Open", kWaitMs).has_value());
    }

    std::unique_ptr<sim::LinkServer> simulator;
    HANDLE handle = nullptr;
};

}  // namespace simlink_test
