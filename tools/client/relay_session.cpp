#include "tools/client/relay_session.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "tools/netlog/record_format.h"

namespace tools {
namespace {

// Large enough for any UDP datagram, so that a wrong-sized one is reported
// with its true size.
constexpr std::size_t kLargestDatagram = 65536;

bool sameEndpoint(const platform::UdpEndpoint& a, const platform::UdpEndpoint& b) {
    return a.address == b.address && a.port == b.port;
}

template <typename Callback, typename... Arguments>
void tell(const Callback& callback, Arguments&&... arguments) {
    if (callback) {
        callback(std::forward<Arguments>(arguments)...);
    }
}

}  // namespace

std::string endpointText(const platform::UdpEndpoint& endpoint) {
    // The address lies in network order: its first byte in memory is the first number.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&endpoint.address);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u:%u", bytes[0], bytes[1], bytes[2], bytes[3],
                  static_cast<unsigned>(endpoint.port));
    return buffer;
}

RelaySession::RelaySession(const RelaySessionSettings& settings, RelaySessionEvents events)
    : settings_(settings), events_(std::move(events)), buffer_(kLargestDatagram) {}

bool RelaySession::open() {
    socket_ = platform::UdpSocket::open();
    return socket_ != nullptr && socket_->bind(settings_.local);
}

int RelaySession::localPort() const {
    return socket_ ? socket_->localPort() : -1;
}

void RelaySession::begin() {
    registerWithRelay(false);
}

void RelaySession::step(std::chrono::milliseconds longestWait) {
    const Clock::time_point now = Clock::now();
    if (now - lastArrival_ >= currentSilenceLimit()) {
        registerWithRelay(true);
        return;
    }
    sendDueHeartbeat(now);
    const std::chrono::milliseconds wait = std::min(timeUntilDue(now), longestWait);
    const platform::WaitResult waited =
        socket_->waitUntilReadable(static_cast<int>(std::max<long long>(wait.count(), 0)));
    if (waited == platform::WaitResult::Readable) {
        receiveOne();
    }
}

void RelaySession::leave() {
    send(makeEndFlow());
}

void RelaySession::sendCommand(std::uint8_t code) {
    send(makeCommand(code));
}

void RelaySession::registerWithRelay(bool again) {
    abandonRoute();
    tell(events_.registering, again, currentSilenceLimit());
    send(makeAddEntry());
    // The relay answers every registration with PauseOff to the simulator.
    paused_ = false;
    // The relay expects heartbeat 1 after every registration.
    lastHeartbeat_ = 0;
    const Clock::time_point now = Clock::now();
    lastArrival_ = now;
    nextHeartbeat_ = now + settings_.heartbeatInterval;
}

void RelaySession::send(const incomingMessage& message) {
    // A lost datagram is what UDP allows; heartbeats and re-registration cover it.
    socket_->sendTo(&message, sizeof message, settings_.relay);
}

void RelaySession::sendDueHeartbeat(Clock::time_point now) {
    if (now < nextHeartbeat_) {
        return;
    }
    lastHeartbeat_ = nextHeartbeat(lastHeartbeat_);
    send(makeHeartbeat(lastHeartbeat_));
    tell(events_.heartbeatSent);
    nextHeartbeat_ += settings_.heartbeatInterval;
    if (nextHeartbeat_ <= now) {
        // Far behind (the process was stopped): one heartbeat now, none in a burst.
        nextHeartbeat_ = now + settings_.heartbeatInterval;
    }
}

std::chrono::milliseconds RelaySession::currentSilenceLimit() const {
    return paused_ ? std::max(settings_.pausedSilenceLimit, settings_.silenceLimit)
                   : settings_.silenceLimit;
}

std::chrono::milliseconds RelaySession::timeUntilDue(Clock::time_point now) const {
    using std::chrono::ceil;
    using std::chrono::milliseconds;
    const milliseconds heartbeat = ceil<milliseconds>(nextHeartbeat_ - now);
    const milliseconds silence = ceil<milliseconds>(lastArrival_ + currentSilenceLimit() - now);
    return std::min(heartbeat, silence);
}

void RelaySession::receiveOne() {
    platform::UdpEndpoint sender{};
    const int size = socket_->receiveFrom(buffer_.data(), buffer_.size(), &sender);
    if (size < 0) {
        return;
    }
    const std::span<const std::uint8_t> datagram(buffer_.data(), static_cast<std::size_t>(size));
    if (!sameEndpoint(sender, settings_.relay)) {
        ignore(datagram.size(), "not from the relay but from " + endpointText(sender));
        return;
    }
    lastArrival_ = Clock::now();
    handleDatagram(datagram);
}

void RelaySession::handleDatagram(std::span<const std::uint8_t> datagram) {
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
            ignore(datagram.size(), "no relay datagram has this size");
            break;
    }
}

void RelaySession::handleReply(std::span<const std::uint8_t> datagram) {
    abandonRoute();
    const std::int32_t kind = replyKind(datagram);
    tell(events_.reply, kind);
    if (kind == route_entries) {
        route_.expect();
    }
}

void RelaySession::handleRouteDatagram(std::span<const std::uint8_t> datagram) {
    if (!route_.expecting()) {
        ignore(datagram.size(), "a route datagram without a route_entries reply");
        return;
    }
    if (route_.add(datagram)) {
        tell(events_.route, route_.entries());
    }
}

void RelaySession::handleMessage(std::span<const std::uint8_t> datagram) {
    // The relay sends nothing between the route datagrams: a message here
    // means some of them were lost.
    abandonRoute();
    const outgoingMessage message = decodeMessage(datagram.data(), IntegerOrder::BigEndian);
    const bool wasPaused = paused_;
    // "UNPAUSED", "RESET" and every telemetry record say the simulator runs.
    paused_ = noticeWord(message) == "PAUSED";
    tell(events_.message, message);
    if (paused_ && !wasPaused) {
        tell(events_.waitingForResume);
    }
}

void RelaySession::ignore(std::size_t size, const std::string& reason) {
    tell(events_.ignored, size, reason);
}

void RelaySession::abandonRoute() {
    if (route_.expecting()) {
        tell(events_.routeIncomplete, route_.received());
        route_.abandon();
    }
}

}  // namespace tools
