#include "tools/web/relay_feed.h"

#include <cstdio>

#include "tools/netlog/record_format.h"

namespace tools {
namespace {

// The thread looks at a stop request at least this often.
constexpr std::chrono::milliseconds kLongestWait{50};

std::string secondsText(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

}  // namespace

RelayFeed::RelayFeed(const RelaySessionSettings& settings, FlightView& view, FeedLog log)
    : view_(view),
      log_(std::move(log)),
      session_(settings, sessionEvents()),
      relay_(endpointText(settings.relay)) {}

RelayFeed::~RelayFeed() {
    stop();
}

RelaySessionEvents RelayFeed::sessionEvents() {
    RelaySessionEvents events;
    events.registering = [this](bool again, std::chrono::milliseconds silenceLimit) {
        haveRoute_ = false;
        recordsWithoutRoute_ = false;
        if (askingNow_) {
            askingNow_ = false;
            log_("records flow but no route came: registering again for it");
        } else {
            routeAsked_ = false;
            log_(again ? "nothing received for " + secondsText(silenceLimit) +
                             " seconds: registering again with " + relay_
                       : "registering with the relay at " + relay_);
        }
        setLink(again ? LinkState::RegisteringAgain : LinkState::Registering);
    };
    events.reply = [this](std::int32_t kind) {
        if (kind == no_route) {
            log_("registered: the relay has no route");
            view_.publish(routeJson({}));
        }
        if (link_ != LinkState::SimulatorPaused) {
            setLink(LinkState::Receiving);
        }
    };
    events.route = [this](const std::vector<RouteEntry>& entries) {
        haveRoute_ = true;
        log_("registered: a route of " + std::to_string(entries.size()) + " waypoints");
        view_.publish(routeJson(entries));
    };
    events.message = [this](const outgoingMessage& message) {
        view_.publish(messageJson(message, std::chrono::system_clock::now()));
        recordsWithoutRoute_ = !haveRoute_ && noticeWord(message).empty();
        setLink(session_.simulatorPaused() ? LinkState::SimulatorPaused : LinkState::Receiving);
    };
    events.waitingForResume = [this] { log_("simulator paused: waiting for it to resume"); };
    return events;
}

void RelayFeed::start() {
    view_.publish(connectionJson(link_, relay_));
    thread_ = std::thread([this] { run(); });
}

void RelayFeed::stop() {
    stopRequested_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RelayFeed::run() {
    session_.begin();
    while (!stopRequested_) {
        session_.step(kLongestWait);
        if (recordsWithoutRoute_ && !routeAsked_) {
            routeAsked_ = true;
            askingNow_ = true;
            session_.registerAgain();
        }
        if (link_ == LinkState::Receiving && session_.silence() >= kSilentAfter) {
            setLink(LinkState::Silent);
        }
    }
    session_.leave();
}

void RelayFeed::setLink(LinkState state) {
    if (state != link_) {
        link_ = state;
        view_.publish(connectionJson(state, relay_));
    }
}

}  // namespace tools
