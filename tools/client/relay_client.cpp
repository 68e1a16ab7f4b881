#include "tools/client/relay_client.h"

#include <algorithm>
#include <cstdio>

namespace tools {
namespace {

// The loop waits for datagrams at most this long at a time, so that keys,
// a stop request and the heartbeat schedule are looked at often enough.
constexpr std::chrono::milliseconds kLongestWait{50};

// Large enough for any UDP datagram, so that a wrong-sized one is reported
// with its true size.
constexpr std::size_t kLargestDatagram = 65536;

std::string endpointText(const platform::UdpEndpoint& endpoint) {
    // The address lies in network order: its first byte in memory is the first number.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&endpoint.address);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u:%u", bytes[0], bytes[1], bytes[2], bytes[3],
                  static_cast<unsigned>(endpoint.port));
    return buffer;
}

bool sameEndpoint(const platform::UdpEndpoint& a, const platform::UdpEndpoint& b) {
    return a.address == b.address && a.port == b.port;
}

}  // namespace

RelayClient::RelayClient(const RelayClientSettings& settings, ClientReport& report)
    : settings_(settings), report_(report), buffer_(kLargestDatagram) {}

bool RelayClient::open() {
    socket_ = platform::UdpSocket::open();
    return socket_ != nullptr && socket_->bind(settings_.local);
}

int RelayClient::localPort() const {
    return socket_ ? socket_->localPort() : -1;
}

void RelayClient::run(const KeySource& keys) {
    report_.start();
    registerWithRelay(false);
    if (settings_.pauseAtStart) {
        sendCommand(kCommandPauseToggle);
    }
    if (settings_.spoilersAtStart) {
        sendCommand(kCommandSpoilersToggle);
    }
    const Clock::time_point started = Clock::now();
    const Clock::time_point end = started + settings_.duration;
    const bool limitedDuration = settings_.duration.count() > 0;
    const bool limitedRecords = settings_.recordLimit > 0;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (stopRequested_ || quitKey_ || (limitedDuration && now >= end) ||
            (limitedRecords && stats_.records >= static_cast<std::size_t>(settings_.recordLimit))) {
            report_.ending(endReason(now, end));
            break;
        }
        if (now - lastArrival_ >= settings_.silenceLimit) {
            registerWithRelay(true);
            continue;
        }
        sendDueHeartbeat(now);
        for (int key = keys ? keys() : -1; key >= 0 && !quitKey_; key = keys()) {
            quitKey_ = !handleKey(key);
        }
        std::chrono::milliseconds wait = timeUntilNextEvent(now);
        if (limitedDuration) {
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(end - now));
        }
        const platform::WaitResult waited =
            socket_->waitUntilReadable(static_cast<int>(std::max<long long>(wait.count(), 0)));
        if (waited == platform::WaitResult::Readable) {
            receiveOne();
        }
    }
    send(makeEndFlow());
    report_.summary(stats_);
}

std::string RelayClient::endReason(Clock::time_point now, Clock::time_point end) const {
    if (quitKey_) {
        return "q pressed";
    }
    if (stopRequested_) {
        return "stop requested";
    }
    if (settings_.duration.count() > 0 && now >= end) {
        return "duration reached";
    }
    return "record count reached";
}

void RelayClient::registerWithRelay(bool again) {
    abandonRoute();
    report_.registering(endpointText(settings_.relay), again,
                        static_cast<double>(settings_.silenceLimit.count()) / 1000.0);
    send(makeAddEntry());
    ++stats_.registrations;
    // The relay expects heartbeat 1 after every registration.
    lastHeartbeat_ = 0;
    const Clock::time_point now = Clock::now();
    lastArrival_ = now;
    nextHeartbeat_ = now + settings_.heartbeatInterval;
}

void RelayClient::send(const incomingMessage& message) {
    // A lost datagram is what UDP allows; heartbeats and re-registration cover it.
    socket_->sendTo(&message, sizeof message, settings_.relay);
}

void RelayClient::sendCommand(std::uint8_t code) {
    send(makeCommand(code));
    report_.commandSent(code);
}

void RelayClient::sendDueHeartbeat(Clock::time_point now) {
    if (now < nextHeartbeat_) {
        return;
    }
    lastHeartbeat_ = nextHeartbeat(lastHeartbeat_);
    send(makeHeartbeat(lastHeartbeat_));
    ++stats_.heartbeats;
    nextHeartbeat_ += settings_.heartbeatInterval;
    if (nextHeartbeat_ <= now) {
        // Far behind (the process was stopped): one heartbeat now, none in a burst.
        nextHeartbeat_ = now + settings_.heartbeatInterval;
    }
}

bool RelayClient::handleKey(int key) {
    switch (key) {
        case 'p':
        case 'P':
            sendCommand(kCommandPauseToggle);
            return true;
        case 's':
        case 'S':
            sendCommand(kCommandSpoilersToggle);
            return true;
        case 'q':
        case 'Q':
            return false;
        default:
            return true;
    }
}

std::chrono::milliseconds RelayClient::timeUntilNextEvent(Clock::time_point now) const {
    using std::chrono::ceil;
    using std::chrono::milliseconds;
    const milliseconds heartbeat = ceil<milliseconds>(nextHeartbeat_ - now);
    const milliseconds silence = ceil<milliseconds>(lastArrival_ + settings_.silenceLimit - now);
    return std::min({heartbeat, silence, kLongestWait});
}

void RelayClient::receiveOne() {
    platform::UdpEndpoint sender{};
    const int size = socket_->receiveFrom(buffer_.data(), buffer_.size(), &sender);
    if (size < 0) {
        return;
    }
    const std::span<const std::uint8_t> datagram(buffer_.data(), static_cast<std::size_t>(size));
    if (!sameEndpoint(sender, settings_.relay)) {
        ++stats_.ignored;
        report_.ignored(datagram.size(), "not from the relay but from " + endpointText(sender));
        return;
    }
    lastArrival_ = Clock::now();
    handleDatagram(datagram);
}

void RelayClient::handleDatagram(std::span<const std::uint8_t> datagram) {
    switch (shapeOf(datagram.size())) {
        case DatagramShape::Reply:
            handleReply(datagram);
            break;
        case DatagramShape::RouteDatagram:
            handleRouteDatagram(datagram);
            break;
        case DatagramShape::Message:
            handleMessage(datagram);
            break;
        case DatagramShape::Unknown:
            ++stats_.ignored;
            report_.ignored(datagram.size(), "no relay datagram has this size");
            break;
    }
}

void RelayClient::handleReply(std::span<const std::uint8_t> datagram) {
    abandonRoute();
    const std::int32_t kind = replyKind(datagram);
    if (kind != no_route && kind != route_entries) {
        ++stats_.ignored;
    }
    report_.reply(kind);
    if (kind == no_route) {
        stats_.routeEntries = 0;
    } else if (kind == route_entries) {
        route_.expect();
    }
}

void RelayClient::handleRouteDatagram(std::span<const std::uint8_t> datagram) {
    if (!route_.expecting()) {
        ++stats_.ignored;
        report_.ignored(datagram.size(), "a route datagram without a route_entries reply");
        return;
    }
    if (route_.add(datagram)) {
        const std::vector<RouteEntry> entries = route_.entries();
        stats_.routeEntries = entries.size();
        report_.route(entries);
    }
}

void RelayClient::handleMessage(std::span<const std::uint8_t> datagram) {
    // The relay sends nothing between the route datagrams: a message here
    // means some of them were lost.
    abandonRoute();
    const outgoingMessage message = decodeMessage(datagram.data(), IntegerOrder::BigEndian);
    if (noticeWord(message).empty()) {
        const Clock::time_point now = Clock::now();
        if (stats_.records > 0) {
            const auto gap =
                std::chrono::duration_cast<std::chrono::milliseconds>(now - lastRecord_);
            stats_.longestGap = std::max(stats_.longestGap, gap);
        }
        lastRecord_ = now;
        ++stats_.records;
    } else {
        ++stats_.notices;
    }
    report_.message(message, std::chrono::system_clock::now());
}

void RelayClient::abandonRoute() {
    if (route_.expecting()) {
        report_.routeIncomplete(route_.received());
        route_.abandon();
    }
}

}  // namespace tools
