#pragma once

// What corvessa-client tells its user, in the chosen format: the records
// and notices it receives, and the notes about its conversation with the
// relay (registrations, replies, the route, ignored datagrams, the summary).
// Records go to one sink and notes to another, so that CSV output can keep
// its rows apart from everything else.
//
// Thread safety: none; a report belongs to the client's loop thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "monitor/outgoing_message.h"
#include "tools/client/relay_datagrams.h"
#include "tools/netlog/record_format.h"

namespace tools {

// What the client counts during a run; the summary shows it.
struct ClientStats {
    std::size_t records = 0;        // telemetry records
    std::size_t notices = 0;        // PAUSED, UNPAUSED, RESET
    std::size_t registrations = 0;  // add_entry sent
    std::size_t routeEntries = 0;   // listed waypoints of the latest route
    std::size_t ignored = 0;        // datagrams not decoded (wrong size, stranger, out of turn)
    std::size_t heartbeats = 0;     // heartbeats sent
    // The longest time between two telemetry records; negative with fewer than two.
    std::chrono::milliseconds longestGap{-1};
};

using LineSink = std::function<void(const std::string& line)>;  // one line, no newline

class ClientReport {
  public:
    ClientReport(OutputFormat format, LineSink records, LineSink notes);

    // The CSV header, before anything else.
    void start();
    void registering(const std::string& relay, bool again, double silenceSeconds);
    void reply(std::int32_t kind);
    void route(const std::vector<RouteEntry>& entries);
    void routeIncomplete(std::size_t datagramsReceived);
    void message(const outgoingMessage& message, std::chrono::system_clock::time_point received);
    void ignored(std::size_t size, const std::string& reason);
    void commandSent(std::uint8_t code);
    // A "PAUSED" notice: the silence that follows is the pause, not a lost relay.
    void waitingForResume(double silenceSeconds);
    void keysAvailable();
    void ending(const std::string& reason);
    void summary(const ClientStats& stats);

  private:
    void note(const std::string& text, const std::string& json);

    OutputFormat format_;
    LineSink records_;
    LineSink notes_;
};

// The summary as text lines without their newlines.
std::vector<std::string> summaryLines(const ClientStats& stats);

}  // namespace tools
