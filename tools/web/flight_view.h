#pragma once

// The flight as the page sees it: the latest record, route, notice and
// connection state, and the stream of events that changed them, numbered,
// for every browser that follows the flight. A browser that joins late is
// given the current picture first, then the events after it.
//
// Thread safety: every member may be called from any thread; the relay's
// thread publishes while the web server's threads read and wait.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tools {

class FlightView {
  public:
    // Each keeps the object as the latest of its kind and sends it as an
    // event; `event` is told apart by its "event" member: "telemetry",
    // "notice", "route" or "connection".
    void publish(const nlohmann::ordered_json& event);

    // {"connection":…,"route":…,"record":…,"notice":…}, null where nothing came yet.
    nlohmann::ordered_json state() const;

    // What a browser needs first (the route, connection, notice and record,
    // as far as they exist, in the order they came, so that a record after
    // a "PAUSED" notice still says the pause is over) as event texts;
    // `cursor` is set to follow on from them.
    std::vector<std::string> snapshot(std::uint64_t* cursor) const;

    // The event texts published after `cursor`, waiting for the first at
    // most `timeout`; empty when none came or the view is closed.
    std::vector<std::string> waitForEvents(std::uint64_t* cursor,
                                           std::chrono::milliseconds timeout) const;

    // Wakes every waiter for good: the program is ending.
    void close();
    bool closed() const;

  private:
    // Enough for a browser that lags a few seconds behind; one that lags
    // further misses the oldest records, never the current picture.
    static constexpr std::size_t kKeptEvents = 64;

    mutable std::mutex mutex_;
    mutable std::condition_variable published_;
    struct Latest {
        nlohmann::ordered_json event;  // null until one came
        std::uint64_t number = 0;
    };
    Latest connection_;
    Latest route_;
    Latest record_;
    Latest notice_;
    std::deque<std::string> recent_;  // recent_.back() is event number next_ - 1
    std::uint64_t next_ = 0;
    bool closed_ = false;
};

}  // namespace tools
