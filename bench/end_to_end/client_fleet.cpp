#include "bench/end_to_end/client_fleet.h"

#include <string>

#include "monitor/outgoing_message.h"
#include "relay/wire_protocol.h"

namespace bench {

namespace {

// The relay holds every client's sending for 2 s after each registration
// reply; a reply later than this never came.
constexpr auto kReplyTimeout = std::chrono::seconds(10);
// Clients silent for 10 s are dropped. The relay reads nothing during the
// 2 s after each registration reply, and a heartbeat lost from its full
// receive buffer costs the client its registration, so with fifty clients
// they beat every 3 s rather than every second.
constexpr auto kHeartbeatPeriod = std::chrono::seconds(3);
constexpr int kPollSliceMs = 50;
// The first client's address; the relay sends in the order of the last
// byte while it stays below 128.
constexpr int kFirstHostByte = 2;
constexpr std::size_t kDatagramCapacity = 2048;

void sendKind(platform::UdpSocket& socket, const platform::UdpEndpoint& relay, MessageKind kind,
              std::int32_t data = 0) {
    incomingMessage message{};
    writeBigEndian32(kind, message.kind);
    writeBigEndian32(data, message.data);
    socket.sendTo(&message, sizeof message, relay);
}

int waitMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left) + 1;
}

}  // namespace

ClientFleet::ClientFleet(int relayPort) {
    relay_.address = platform::ipv4Address("127.0.0.1");
    relay_.port = static_cast<std::uint16_t>(relayPort);
}

bool ClientFleet::growTo(int count) {
    while (size() < count) {
        if (!addClient()) {
            return false;
        }
    }
    return true;
}

bool ClientFleet::addClient() {
    Client client;
    client.socket = platform::UdpSocket::open();
    const std::string host = "127.0.0." + std::to_string(kFirstHostByte + size());
    platform::UdpEndpoint local{};
    local.address = platform::ipv4Address(host.c_str());
    if (client.socket == nullptr || !client.socket->bind(local)) {
        return false;
    }
    client.address = local;
    client.address.port = static_cast<std::uint16_t>(client.socket->localPort());
    sendKind(*client.socket, relay_, add_entry);
    const Clock::time_point deadline = Clock::now() + kReplyTimeout;
    std::uint8_t reply[kDatagramCapacity];
    while (Clock::now() < deadline) {
        heartbeatWhenDue();
        if (client.socket->waitUntilReadable(kPollSliceMs) != platform::WaitResult::Readable) {
            continue;
        }
        platform::UdpEndpoint from{};
        if (client.socket->receiveFrom(reply, sizeof reply, &from) == 4) {
            clients_.push_back(std::move(client));
            return true;
        }
    }
    return false;
}

void ClientFleet::heartbeatWhenDue() {
    if (Clock::now() - lastHeartbeats_ >= kHeartbeatPeriod) {
        sendHeartbeats();
    }
}

void ClientFleet::sendHeartbeats() {
    for (Client& client : clients_) {
        client.heartbeat = nextHeartbeat(client.heartbeat);
        sendKind(*client.socket, relay_, heartbeat, client.heartbeat);
    }
    lastHeartbeats_ = Clock::now();
}

void ClientFleet::drain() {
    std::uint8_t bytes[kDatagramCapacity];
    platform::UdpEndpoint from{};
    for (Client& client : clients_) {
        while (client.socket->waitUntilReadable(0) == platform::WaitResult::Readable) {
            client.socket->receiveFrom(bytes, sizeof bytes, &from);
        }
    }
}

Delivery ClientFleet::awaitRecord(Clock::time_point deadline) {
    Delivery delivery;
    std::uint8_t bytes[kDatagramCapacity];
    platform::UdpEndpoint from{};
    bool anyArrived = false;
    for (Client& client : clients_) {
        bool arrived = false;
        while (!arrived && client.socket->waitUntilReadable(waitMs(deadline)) ==
                               platform::WaitResult::Readable) {
            arrived = client.socket->receiveFrom(bytes, sizeof bytes, &from) ==
                      static_cast<int>(kOutgoingMessageSize);
        }
        if (!arrived) {
            ++delivery.lost;
            continue;
        }
        delivery.last = Clock::now();
        if (!anyArrived) {
            delivery.first = delivery.last;
            anyArrived = true;
        }
    }
    return delivery;
}

std::vector<platform::UdpEndpoint> ClientFleet::addresses() const {
    std::vector<platform::UdpEndpoint> all;
    for (const Client& client : clients_) {
        all.push_back(client.address);
    }
    return all;
}

}  // namespace bench
