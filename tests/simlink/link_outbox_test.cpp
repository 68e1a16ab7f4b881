// Writes to a simulator that stops reading: the outbox's limits on the
// backlog and on the time without progress, and the library's link giving
// up instead of freezing the program.
#include <gtest/gtest.h>

#include <string>

#include "platform/environment.h"
#include "platform/tcp_socket.h"
#include "simlink/link_outbox.h"
#include "simlink/simconnect.h"
#include "tests/simlink/simulator_fixture.h"

namespace {

using simlink::LinkOutbox;
using namespace std::chrono_literals;

// A peer that takes at most `budget` bytes in all, and records them.
struct FakePeer {
    std::string taken;
    std::size_t budget = 0;
    bool broken = false;

    LinkOutbox::WriteSome writer() {
        return [this](std::string_view bytes) -> long {
            if (broken) {
                return -1;
            }
            const std::size_t take = std::min(bytes.size(), budget);
            taken.append(bytes.substr(0, take));
            budget -= take;
            return static_cast<long>(take);
        };
    }
};

const LinkOutbox::Clock::time_point kStart{};

TEST(SimLinkOutbox, KeepsWhatThePeerCannotTakeAndDeliversItInOrder) {
    LinkOutbox outbox;
    FakePeer peer;
    peer.budget = 3;
    EXPECT_TRUE(outbox.send("Close\n", peer.writer(), kStart));
    EXPECT_TRUE(outbox.send("Open\n", peer.writer(), kStart + 1s));
    EXPECT_EQ(peer.taken, "Clo");
    EXPECT_EQ(outbox.unsentBytes(), 8u);
    peer.budget = 100;
    EXPECT_TRUE(outbox.flush(peer.writer(), kStart + 2s));
    EXPECT_EQ(peer.taken, "Close\nOpen\n");
    EXPECT_EQ(outbox.unsentBytes(), 0u);
}

TEST(SimLinkOutbox, GivesUpAfterFiveSecondsWithoutProgress) {
    LinkOutbox outbox;
    FakePeer peer;
    ASSERT_TRUE(outbox.send("line\n", peer.writer(), kStart));
    EXPECT_TRUE(outbox.flush(peer.writer(), kStart + 4s));
    peer.budget = 1;  // one byte taken: the five seconds start again
    EXPECT_TRUE(outbox.flush(peer.writer(), kStart + 4500ms));
    EXPECT_TRUE(outbox.flush(peer.writer(), kStart + 9500ms));
    EXPECT_FALSE(outbox.flush(peer.writer(), kStart + 9501ms));
    EXPECT_TRUE(outbox.lost());
    peer.budget = 100;
    EXPECT_FALSE(outbox.send("more\n", peer.writer(), kStart + 10s)) << "lost is for good";
    EXPECT_EQ(peer.taken, "l");
}

TEST(SimLinkOutbox, GivesUpPastOneMebibyteUnsentOrOnABrokenStream) {
    LinkOutbox outbox;
    FakePeer peer;
    const std::string line(1024, 'x');
    for (int i = 0; i < 1024; ++i) {
        ASSERT_TRUE(outbox.send(line, peer.writer(), kStart)) << i;
    }
    EXPECT_FALSE(outbox.send("y", peer.writer(), kStart));
    EXPECT_TRUE(outbox.lost());

    LinkOutbox broken;
    peer.broken = true;
    EXPECT_FALSE(broken.send("line\n", peer.writer(), kStart));
    EXPECT_TRUE(broken.lost());
}

// A simulator that accepts the link and never reads from it: the calls keep
// returning at once, then fail, and the next dispatch ends the program as
// when the simulator quits.
TEST(SimLinkOutbox, ASimulatorThatStopsReadingEndsTheLinkInsteadOfBlockingIt) {
    auto listener = platform::TcpListener::listen("127.0.0.1", 0);
    ASSERT_NE(listener, nullptr);
    const std::string address = "127.0.0.1:" + std::to_string(listener->port());
    platform::setEnvironmentVariable("CORVESSA_SIMULATOR", address.c_str());
    HANDLE handle = nullptr;
    ASSERT_EQ(SimConnect_Open(&handle, "Devovav Adazova", nullptr, 0, nullptr, 0), S_OK_RESULT);
    auto peer = listener->accept(simlink_test::kWaitMs);
    ASSERT_NE(peer, nullptr);

    // Far more than the system's buffers and the outbox hold together.
    constexpr int kMostCalls = 1'000'000;
    int calls = 0;
    testing::internal::CaptureStderr();
    while (calls < kMostCalls &&
           SimConnect_TransmitClientEvent(handle, 0, 5, 0, 1, 16) == S_OK_RESULT) {
        ++calls;
    }
    std::vector<simlink_test::Message> messages;
    SimConnect_CallDispatch(handle, simlink_test::collectMessage, &messages);
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_LT(calls, kMostCalls);
    EXPECT_EQ(errors, "The simulator stopped reading what the program sends: the link is lost\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id(), static_cast<DWORD>(SIMCONNECT_RECV_ID_QUIT));
    EXPECT_EQ(SimConnect_Close(handle), S_OK_RESULT);
}

}  // namespace
