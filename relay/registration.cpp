// Registrations: the reply, the route listing after its pause, and the hold
// after the reply, all kept as deadlines by the receive loop.
#include <chrono>
#include <cstdio>
#include <cstring>

#include "relay/route_reply.h"
#include "relay/server_socket.h"
#include "route/waypoint_table.h"

namespace {

using Clock = PendingRegistration::Clock;

std::chrono::milliseconds milliseconds(int count) {
    return std::chrono::milliseconds(count);
}

unsigned announcedKey(long key) {
    return static_cast<unsigned>(static_cast<std::uint32_t>(key));
}

}  // namespace

void ServerSocket::registerClient(const platform::UdpEndpoint& sender) {
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    const long key = clientKey(sender);
    if (pending_.count(key) != 0) {
        return;  // its registration is running: a repeat restarts nothing
    }
    if (pending_.size() >= kMaxPendingRegistrations) {
        reportIgnoredRegistration(key);
        return;
    }
    // The one place a registration acts on the simulator.
    endPauseForRegistration();
    auto client = std::make_unique<clientInfo>();
    client->address = sender;
    client->heartBeat = 0;
    client->lastSeen = timings_.clock();
    std::printf("adding entry:%u", announcedKey(key));
    // A client registering again replaces its earlier record.
    std::unique_ptr<clientInfo>& entry = clients[key];
    entry = std::move(client);
    startReply(key, *entry);
}

void ServerSocket::reportIgnoredRegistration(long key) {
    constexpr std::chrono::seconds kReportPeriod{1};
    const Clock::time_point now = Clock::now();
    if (ignoredSinceReport_ > 0 && now - ignoredReportedAt_ < kReportPeriod) {
        ++ignoredSinceReport_;
        return;
    }
    std::fprintf(stderr, "Registration of %u ignored: %zu registrations are pending",
                 announcedKey(key), kMaxPendingRegistrations);
    if (ignoredSinceReport_ > 1) {
        std::fprintf(stderr, " (%ld more ignored since the last such line)",
                     ignoredSinceReport_ - 1);
    }
    std::fprintf(stderr, "\n");
    ignoredReportedAt_ = now;
    ignoredSinceReport_ = 1;
}

void ServerSocket::startReply(long key, const clientInfo& client) {
    PendingRegistration registration;
    const Clock::time_point now = Clock::now();
    // A whole copy of the table: the main thread may publish a new route at
    // any time.
    if (copyWaypointTable()[0].lat == 0.0) {
        std::uint8_t reply[kReplySize];
        writeBigEndian32(no_route, reply);
        sock->sendTo(reply, sizeof reply, client.address);
        registration.due = now + milliseconds(timings_.holdAfterReplyMs);
    } else if (!telemetryStarted) {
        // No reply at all before the first telemetry, only the hold.
        registration.due = now + milliseconds(timings_.holdAfterReplyMs);
    } else {
        registration.step = PendingRegistration::Step::RouteDue;
        registration.due = now + milliseconds(timings_.routeDelayStepMs * timings_.routeDelaySteps);
    }
    const Clock::time_point holdEnds =
        registration.step == PendingRegistration::Step::RouteDue
            ? registration.due + milliseconds(timings_.holdAfterReplyMs)
            : registration.due;
    // The silence before a purge counts from the end of the registration,
    // as it did when the relay waited through it.
    extendSilence(holdEnds);
    pending_[key] = registration;
}

void ServerSocket::sendRoute(const clientInfo& client) {
    // The route as it stands now, after the pause.
    const WaypointTable route = copyWaypointTable();
    const RouteReply listing = buildRouteReply(route);
    printRouteListing(route);
    std::uint8_t reply[kReplySize];
    writeBigEndian32(route_entries, reply);
    sock->sendTo(reply, sizeof reply, client.address);
    for (std::size_t datagram = 0; datagram < kRouteDatagramCount; ++datagram) {
        sock->sendTo(listing.data() + datagram * kRouteDatagramSize, kRouteDatagramSize,
                     client.address);
    }
}

void ServerSocket::keepRegistrationDeadlines() {
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    const Clock::time_point now = Clock::now();
    for (auto entry = pending_.begin(); entry != pending_.end();) {
        PendingRegistration& registration = entry->second;
        if (registration.due > now) {
            ++entry;
            continue;
        }
        const auto found = clients.find(entry->first);
        if (found == clients.end()) {
            entry = pending_.erase(entry);  // its client has gone: nothing is owed
            continue;
        }
        const clientInfo& client = *found->second;
        if (registration.step == PendingRegistration::Step::RouteDue) {
            sendRoute(client);
            registration.step = PendingRegistration::Step::HoldEnds;
            registration.due = Clock::now() + milliseconds(timings_.holdAfterReplyMs);
            ++entry;
            continue;
        }
        for (const auto& message : registration.missed) {
            sock->sendTo(message.data(), kOutgoingMessageSize, client.address);
        }
        entry = pending_.erase(entry);
    }
}

std::optional<Clock::time_point> ServerSocket::nextRegistrationDeadline() const {
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    std::optional<Clock::time_point> earliest;
    for (const auto& [key, registration] : pending_) {
        if (!earliest || registration.due < *earliest) {
            earliest = registration.due;
        }
    }
    return earliest;
}

std::size_t ServerSocket::pendingRegistrationCount() const {
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    return pending_.size();
}
