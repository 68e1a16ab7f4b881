// The receive loop and the client registry: registrations and their route
// reply, heartbeats, departures, commands and the purge of a silent network.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>

#include "relay/server_socket.h"

namespace {

void call(void (*command)()) {
    if (command != nullptr) {
        command();
    }
}

}  // namespace

int ServerSocket::receiveLoop() {
    platform::UdpEndpoint sender{};
    incomingMessage incoming{};
    extendSilence(PendingRegistration::Clock::now());
    while (running) {
        keepRegistrationDeadlines();
        const Wake wake = waitForDatagram();
        if (wake == Wake::Silence) {
            purgeClients();
            extendSilence(PendingRegistration::Clock::now());
            continue;
        }
        if (wake != Wake::Datagram) {
            continue;
        }
        if (!running) {
            break;  // the wake-up of a stopping relay: not a client's datagram
        }
        const int size = sock->receiveFrom(&incoming, sizeof incoming, &sender);
        if (size < 0) {
            // Nothing was received: there is nothing to handle, least of
            // all the previous datagram again.
            continue;
        }
        takeDatagram(&incoming, static_cast<std::size_t>(size), sender);
        extendSilence(PendingRegistration::Clock::now());
    }
    return 1;
}

void ServerSocket::extendSilence(PendingRegistration::Clock::time_point from) {
    silentUntil_ =
        std::max(silentUntil_, from + std::chrono::milliseconds(timings_.selectTimeoutMs));
}

ServerSocket::Wake ServerSocket::waitForDatagram() {
    using Clock = PendingRegistration::Clock;
    for (;;) {
        if (!running) {
            return Wake::Stopped;
        }
        Clock::time_point until = silentUntil_;
        const std::optional<Clock::time_point> registrationDue = nextRegistrationDeadline();
        if (registrationDue && *registrationDue < until) {
            until = *registrationDue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0) {
            return Clock::now() >= silentUntil_ ? Wake::Silence : Wake::Deadline;
        }
        // Asleep until the silence or the next registration is due: a
        // stopping relay wakes it.
        const auto timeoutMs =
            static_cast<int>(std::min<long long>(left, std::numeric_limits<int>::max()));
        const platform::WaitResult waited = sock->waitUntilReadable(timeoutMs);
        if (waited == platform::WaitResult::Readable) {
            return Wake::Datagram;
        }
        if (waited == platform::WaitResult::Failed) {
            return Wake::Stopped;
        }
    }
}

void ServerSocket::takeDatagram(const void* bytes, std::size_t size,
                                const platform::UdpEndpoint& sender) {
    // A short datagram leaves the rest zero, never the previous one's bytes.
    incomingMessage incoming{};
    const std::size_t taken = std::min(size, sizeof incoming);
    std::memcpy(&incoming, bytes, taken);
    if (logEnabled) {
        logIncoming(reinterpret_cast<const std::uint8_t*>(&incoming));
    }
    handleDatagram(incoming, static_cast<int>(taken), sender);
}

void ServerSocket::handleDatagram(const incomingMessage& incoming, int size,
                                  const platform::UdpEndpoint& sender) {
    // A kind is acted on only when its fields arrived whole.
    const auto received = static_cast<std::size_t>(size);
    if (received < kKindFieldSize) {
        return;
    }
    switch (readBigEndian32(incoming.kind)) {
        case heartbeat:
            if (received >= kHeartbeatMinimumSize) {
                handleHeartbeat(incoming, sender);
            }
            break;
        case command:
            if (received >= kCommandMinimumSize) {
                handleCommand(incoming);
            }
            break;
        case add_entry:
            registerClient(sender);
            break;
        case end_flow:
            handleEndFlow(sender);
            break;
        default:
            break;
    }
}

void ServerSocket::purgeClients() {
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    for (const auto& [key, client] : clients) {
        std::printf("removing clients with heartbeat:%d", client->heartBeat);
    }
    clients.clear();
    pending_.clear();
}

void ServerSocket::forgetClient(long key) {
    // A client that leaves takes its registration's pending reply with it.
    clients.erase(key);
    pending_.erase(key);
}

void ServerSocket::endPauseForRegistration() {
    // Every registration leaves the simulator running. Where that ends a
    // pause the clients were told of, they are told it is over, or they would
    // go on showing a pause that has ended.
    const bool pauseShown =
        commands_.pauseShownToClients != nullptr && commands_.pauseShownToClients();
    call(commands_.pauseOff);
    if (pauseShown) {
        sendToClients(new outgoingMessage(makeNotice(kUnpausedNotice)));
    }
}

void ServerSocket::handleEndFlow(const platform::UdpEndpoint& sender) {
    std::printf("\n\nReceived a end_flow message\n\n\n");
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    forgetClient(clientKey(sender));
}

void ServerSocket::handleHeartbeat(const incomingMessage& incoming,
                                   const platform::UdpEndpoint& sender) {
    const std::int32_t number = readBigEndian32(incoming.data);
    std::printf("heartbeat:%d \n", number);
    // Decided under the registry's lock, written after it: the sender must
    // not wait for the console.
    bool known = false;
    std::int32_t expected = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(registryMutex);
        const auto found = clients.find(clientKey(sender));
        if (found != clients.end()) {
            known = true;
            clientInfo& client = *found->second;
            expected = nextHeartbeat(client.heartBeat);
            if (number == expected) {
                client.heartBeat = number;
                client.lastSeen = timings_.clock();
            } else {
                // The notice is queued while the offender is still registered;
                // by the time the sender takes it, only the clients that stay
                // receive it.
                sendReset();
                forgetClient(found->first);
            }
        }
    }
    if (!known) {
        return;
    }
    std::printf("client exists\n");
    if (number == expected) {
        std::printf("Setting heart beat to:%d\n", number);
        return;
    }
    std::printf("error on heartbeat, reset everything. expecting%dreceived:%d\n", expected, number);
}

void ServerSocket::handleCommand(const incomingMessage& incoming) {
    // Obeyed from anyone, registered or not.
    switch (incoming.data[0]) {
        case kCommandPauseToggle:
            call(commands_.pauseToggle);
            break;
        case kCommandSpoilersToggle:
            call(commands_.spoilersToggle);
            break;
        default:
            break;
    }
}
