// The receive loop and the client registry: registrations and their route
// reply, heartbeats, departures, commands and the purge of a silent network.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/sleep.h"
#include "relay/route_reply.h"
#include "relay/server_socket.h"
#include "route/waypoint_table.h"

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
    while (running) {
        const platform::WaitResult waited = waitForDatagram();
        if (waited == platform::WaitResult::TimedOut) {
            purgeClients();
            continue;
        }
        if (waited != platform::WaitResult::Readable) {
            continue;
        }
        if (!running) {
            break;  // the wake-up of a stopping relay: not a client's datagram
        }
        // A short datagram leaves the rest zero, never the previous one's bytes.
        incoming = incomingMessage{};
        const int size = sock->receiveFrom(&incoming, sizeof incoming, &sender);
        if (size < 0) {
            // Nothing was received: there is nothing to handle, least of
            // all the previous datagram again.
            continue;
        }
        if (logEnabled) {
            logIncoming(reinterpret_cast<const std::uint8_t*>(&incoming));
        }
        handleDatagram(incoming, size, sender);
    }
    return 1;
}

platform::WaitResult ServerSocket::waitForDatagram() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(timings_.selectTimeoutMs);
    for (;;) {
        if (!running) {
            return platform::WaitResult::Failed;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return platform::WaitResult::TimedOut;
        }
        // Asleep for the whole silent period: a stopping relay wakes it.
        const platform::WaitResult waited = sock->waitUntilReadable(static_cast<int>(left));
        if (waited != platform::WaitResult::TimedOut) {
            return waited;
        }
    }
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
}

void ServerSocket::registerClient(const platform::UdpEndpoint& sender) {
    // Held through the reply and the pause after it: nothing else reaches
    // any client meanwhile, and telemetryStarted cannot change.
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    endPauseForRegistration();
    auto client = std::make_unique<clientInfo>();
    client->address = sender;
    client->heartBeat = 0;
    client->lastSeen = timings_.clock();
    const long key = clientKey(sender);
    std::printf("adding entry:%u", static_cast<unsigned>(static_cast<std::uint32_t>(key)));
    // A client registering again replaces its earlier record.
    std::unique_ptr<clientInfo>& entry = clients[key];
    entry = std::move(client);
    replyToRegistration(*entry);
    platform::sleepMilliseconds(timings_.holdAfterReplyMs);
}

void ServerSocket::endPauseForRegistration() {
    // Every registration leaves the simulator running. Where that ends a
    // pause the clients were told of, they are told it is over, or they would
    // go on showing a pause that has ended. The notice waits in the queue
    // until this registration is done, so the new client receives it too.
    const bool pauseShown =
        commands_.pauseShownToClients != nullptr && commands_.pauseShownToClients();
    call(commands_.pauseOff);
    if (pauseShown) {
        sendToClients(new outgoingMessage(makeNotice(kUnpausedNotice)));
    }
}

void ServerSocket::replyToRegistration(const clientInfo& client) {
    // Whole copies of the table: the main thread may publish a new route at
    // any time, also during the pause, after which the route is listed as
    // it then stands.
    std::uint8_t reply[kReplySize];
    if (copyWaypointTable()[0].lat == 0.0) {
        writeBigEndian32(no_route, reply);
        sock->sendTo(reply, sizeof reply, client.address);
        return;
    }
    if (!telemetryStarted) {
        return;
    }
    for (int step = 0; step < timings_.routeDelaySteps; ++step) {
        platform::sleepMilliseconds(timings_.routeDelayStepMs);
    }
    const WaypointTable route = copyWaypointTable();
    const RouteReply listing = buildRouteReply(route);
    printRouteListing(route);
    writeBigEndian32(route_entries, reply);
    sock->sendTo(reply, sizeof reply, client.address);
    for (std::size_t datagram = 0; datagram < kRouteDatagramCount; ++datagram) {
        sock->sendTo(listing.data() + datagram * kRouteDatagramSize, kRouteDatagramSize,
                     client.address);
    }
}

void ServerSocket::handleEndFlow(const platform::UdpEndpoint& sender) {
    std::printf("\n\nReceived a end_flow message\n\n\n");
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    clients.erase(clientKey(sender));
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
                clients.erase(found);
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
