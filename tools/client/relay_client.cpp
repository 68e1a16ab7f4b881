#include "tools/client/relay_client.h"

#include <algorithm>

#include "tools/netlog/record_format.h"

namespace tools {
namespace {

// The loop waits for datagrams at most this long at a time, so that keys
// and a stop request are looked at often enough.
constexpr std::chrono::milliseconds kLongestWait{50};

double seconds(std::chrono::milliseconds duration) {
    return static_cast<double>(duration.count()) / 1000.0;
}

}  // namespace

RelayClient::RelayClient(const RelayClientSettings& settings, ClientReport& report)
    : settings_(settings), report_(report), session_(settings, sessionEvents()) {}

RelaySessionEvents RelayClient::sessionEvents() {
    RelaySessionEvents events;
    events.registering = [this](bool again, std::chrono::milliseconds silenceLimit) {
        report_.registering(endpointText(settings_.relay), again, seconds(silenceLimit));
        ++stats_.registrations;
    };
    events.heartbeatSent = [this] { ++stats_.heartbeats; };
    events.reply = [this](std::int32_t kind) {
        if (kind != no_route && kind != route_entries) {
            ++stats_.ignored;
        }
        report_.reply(kind);
        if (kind == no_route) {
            stats_.routeEntries = 0;
        }
    };
    events.route = [this](const std::vector<RouteEntry>& entries) {
        stats_.routeEntries = entries.size();
        report_.route(entries);
    };
    events.routeIncomplete = [this](std::size_t received) { report_.routeIncomplete(received); };
    events.message = [this](const outgoingMessage& message) {
        countMessage(message);
        report_.message(message, std::chrono::system_clock::now());
    };
    events.ignored = [this](std::size_t size, const std::string& reason) {
        ++stats_.ignored;
        report_.ignored(size, reason);
    };
    events.waitingForResume = [this] {
        report_.waitingForResume(seconds(settings_.pausedSilenceLimit));
    };
    return events;
}

void RelayClient::run(const KeySource& keys) {
    report_.start();
    session_.begin();
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
        for (int key = keys ? keys() : -1; key >= 0 && !quitKey_; key = keys()) {
            quitKey_ = !handleKey(key);
        }
        std::chrono::milliseconds wait = kLongestWait;
        if (limitedDuration) {
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(end - now));
        }
        session_.step(wait);
    }
    session_.leave();
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

void RelayClient::sendCommand(std::uint8_t code) {
    session_.sendCommand(code);
    report_.commandSent(code);
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

void RelayClient::countMessage(const outgoingMessage& message) {
    if (!noticeWord(message).empty()) {
        ++stats_.notices;
        return;
    }
    const Clock::time_point now = Clock::now();
    if (stats_.records > 0) {
        const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastRecord_);
        stats_.longestGap = std::max(stats_.longestGap, gap);
    }
    lastRecord_ = now;
    ++stats_.records;
}

}  // namespace tools
