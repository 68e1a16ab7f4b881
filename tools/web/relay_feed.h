#pragma once

// corvessa-web's place in the relay: the shared relay session run on a
// thread of its own, everything it hears published to the flight view, and
// the page's commands sent on.
//
// Thread safety: start, stop and the destructor belong to one thread;
// sendCommand may be called from any thread (the web server's).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "tools/client/relay_session.h"
#include "tools/web/flight_view.h"
#include "tools/web/page_json.h"

namespace tools {

// Where the feed's few console lines go (one line, no newline).
using FeedLog = std::function<void(const std::string& line)>;

class RelayFeed {
  public:
    RelayFeed(const RelaySessionSettings& settings, FlightView& view, FeedLog log);
    ~RelayFeed();  // stops a running feed
    RelayFeed(const RelayFeed&) = delete;
    RelayFeed& operator=(const RelayFeed&) = delete;

    // Opens and binds the socket; false when the system refuses either.
    bool open() { return session_.open(); }
    int localPort() const { return session_.localPort(); }

    void start();
    // Leaves the relay with end_flow and ends the thread.
    void stop();

    void sendCommand(std::uint8_t code) { session_.sendCommand(code); }

    // Records flow 1.4 a second; a silence this long, short of the 5 seconds
    // after which the session registers again, is worth showing the pilot
    // (the relay also holds everything back for 2 to 4 seconds whenever
    // some client registers).
    static constexpr std::chrono::milliseconds kSilentAfter{3000};

  private:
    RelaySessionEvents sessionEvents();
    void run();
    void setLink(LinkState state);

    FlightView& view_;
    FeedLog log_;
    RelaySession session_;
    std::string relay_;
    LinkState link_ = LinkState::Registering;
    // The relay answers a registration only once records flow, and with
    // no_route until the simulator's plan has been read; a registration
    // made before the flight started brought no route, so records arriving
    // without one make the feed register once more, for the route.
    bool haveRoute_ = false;
    bool recordsWithoutRoute_ = false;
    bool routeAsked_ = false;  // since the last ordinary registration
    bool askingNow_ = false;
    std::atomic<bool> stopRequested_{false};
    std::thread thread_;
};

}  // namespace tools
