// The network log's records, byte for byte, and the log's life: a fresh file
// each run, none without logging, and a log that cannot be opened.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/relay/relay_test_support.h"
#include "tests/support/paths.h"

namespace relay_test {
namespace {

constexpr std::int64_t kNewYear2014 = 1388534400;  // 2014-01-01 00:00:00 UTC

// Each test runs in a folder of its own, where the relay writes "network.log".
class RelayNetworkLog : public RelayFixture {
  protected:
    void SetUp() override {
        RelayFixture::SetUp();
        previous_ = std::filesystem::current_path();
        folder_ = testing_support::makeTemporaryDirectory();
        std::filesystem::current_path(folder_);
    }
    void TearDown() override {
        RelayFixture::TearDown();
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }

    static Bytes logContents() {
        std::ifstream file("network.log", std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    void startLogging() {
        RelayTimings timings = fastTimings();
        timings.clock = fakeClock;
        construct(timings);
        server->enableNetworkLog(1);
        server->startReceiveThread();
        server->startSendThread();
    }

  private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
};

Bytes incomingRecord(const Bytes& datagram) {
    Bytes record{1};
    record.insert(record.end(), datagram.begin(), datagram.end());
    record.resize(1 + kIncomingMessageSize, 0);
    return record;
}

Bytes outgoingRecord(std::uint32_t time, const outgoingMessage& message, std::uint8_t sent) {
    Bytes record(1 + 4 + kOutgoingMessageSize + 1);
    record[0] = 2;
    for (int i = 0; i < 4; ++i) {
        record[1 + i] = static_cast<std::uint8_t>(time >> (8 * i));
    }
    std::memcpy(record.data() + 5, &message, kOutgoingMessageSize);
    record.back() = sent;
    return record;
}

void append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

TEST_F(RelayNetworkLog, RecordsEveryDatagramInAndEveryMessageOffered) {
    fakeNow = kNewYear2014;
    startLogging();
    TestClient client(port());
    const Bytes marker = incomingRecord(commandDatagram(kCommandSpoilersToggle));
    Bytes expected;

    outgoingMessage* unsent = newTelemetry(35000);
    const outgoingMessage unsentCopy = *unsent;
    server->sendToClients(unsent);  // nobody registered: sent flag 0
    const Bytes first = outgoingRecord(kNewYear2014, unsentCopy, 0);
    ASSERT_EQ(first.size(), 102u);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 5), (Bytes{0x02, 0x80, 0x5A, 0xC3, 0x52}));
    EXPECT_EQ(Bytes(first.begin() + 45, first.begin() + 49), (Bytes{0xB8, 0x88, 0x00, 0x00}));
    append(expected, first);

    Bytes registration = datagram(add_entry);
    for (std::size_t i = 0; i < kIncomingDataSize; ++i) {
        registration[kKindFieldSize + i] = static_cast<std::uint8_t>(i + 1);
    }
    client.send(registration);
    syncWithReceiveLoop();
    append(expected, incomingRecord(registration));
    append(expected, marker);

    client.send(datagram(7));
    client.send(Bytes{0xAB, 0xCD});  // recorded as 24 bytes, the rest zero
    syncWithReceiveLoop();
    append(expected, incomingRecord(datagram(7)));
    append(expected, incomingRecord(Bytes{0xAB, 0xCD}));
    append(expected, marker);

    fakeNow = kNewYear2014 + 0x0102;
    outgoingMessage* sent = newTelemetry(-1);
    const outgoingMessage sentCopy = *sent;
    server->sendToClients(sent);  // queued for the client: flag 1, host byte order
    append(expected, outgoingRecord(kNewYear2014 + 0x0102, sentCopy, 1));

    EXPECT_EQ(logContents(), expected);
    EXPECT_EQ(Bytes(expected.begin() + 102, expected.begin() + 107),
              (Bytes{0x01, 0x00, 0x00, 0x00, 0x02}));
}

TEST_F(RelayNetworkLog, EachRunStartsTheFileAfresh) {
    std::ofstream("network.log") << "records of an earlier run";
    startLogging();
    EXPECT_TRUE(logContents().empty());
}

TEST_F(RelayNetworkLog, WithoutLoggingNoFileIsTouched) {
    start();
    TestClient client(port());
    registerClient(client);
    server->sendToClients(newTelemetry(1));
    ASSERT_TRUE(client.receive().has_value());
    EXPECT_FALSE(std::filesystem::exists("network.log"));
}

TEST_F(RelayNetworkLog, UnopenableLogIsReportedAndLoggingStaysOff) {
    std::filesystem::create_directory("network.log");
    construct();
    testing::internal::CaptureStderr();
    server->enableNetworkLog(1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::strerror(EISDIR));

    server->startReceiveThread();
    server->startSendThread();
    TestClient client(port());
    registerClient(client);
    ASSERT_TRUE(client.receive().has_value());  // no_route
    server->sendToClients(newTelemetry(5));
    const auto wire = client.receive();
    ASSERT_TRUE(wire.has_value());
    EXPECT_EQ(readBigEndian32(wire->data() + 40), 5);
    EXPECT_TRUE(std::filesystem::is_directory("network.log"));
}

TEST_F(RelayNetworkLog, AFifoInThePlaceOfTheLogIsRefusedWithoutWaiting) {
    if (std::system("mkfifo network.log") != 0) {
        GTEST_SKIP() << "no FIFO can be made here";
    }
    construct();
    testing::internal::CaptureStderr();
    server->enableNetworkLog(1);  // opening a FIFO to write would wait for a reader
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "network.log is not a regular file");
    server->sendToClients(newTelemetry(5));  // logging is off: nothing is written anywhere
}

}  // namespace
}  // namespace relay_test
