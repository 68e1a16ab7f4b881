#include "tests/support/relay_test_client.h"

#include <chrono>

namespace testing_support {

RelayTestClient::RelayTestClient(const std::string& localAddress, int relayPort)
    : socket_(platform::UdpSocket::open()) {
    relay_.address = platform::ipv4Address("127.0.0.1");
    relay_.port = static_cast<std::uint16_t>(relayPort);
    platform::UdpEndpoint local;
    local.address = platform::ipv4Address(localAddress.c_str());
    if (socket_ && !socket_->bind(local)) {
        socket_.reset();
    }
}

void RelayTestClient::send(MessageKind kind, const std::vector<std::uint8_t>& data) {
    incomingMessage message{};
    writeBigEndian32(kind, message.kind);
    for (std::size_t i = 0; i < data.size() && i < kIncomingDataSize; ++i) {
        message.data[i] = data[i];
    }
    socket_->sendTo(&message, sizeof message, relay_);
}

void RelayTestClient::sendHeartbeat(std::int32_t number) {
    std::vector<std::uint8_t> data(4);
    writeBigEndian32(number, data.data());
    send(heartbeat, data);
}

void RelayTestClient::sendCommand(std::uint8_t code) {
    send(command, {code});
}

std::optional<std::vector<std::uint8_t>> RelayTestClient::receive(int timeoutMs) {
    if (socket_->waitUntilReadable(timeoutMs) != platform::WaitResult::Readable) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(4096);
    platform::UdpEndpoint sender;
    const int size = socket_->receiveFrom(bytes.data(), bytes.size(), &sender);
    if (size < 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(size));
    return bytes;
}

std::optional<std::vector<std::uint8_t>> RelayTestClient::receiveOfSize(std::size_t size,
                                                                        int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        auto datagram = receive(static_cast<int>(left.count()));
        if (!datagram || datagram->size() == size) {
            return datagram;
        }
    }
}

int freeUdpPort() {
    auto socket = platform::UdpSocket::open();
    platform::UdpEndpoint any;
    socket->bind(any);
    return socket->localPort();
}

}  // namespace testing_support
