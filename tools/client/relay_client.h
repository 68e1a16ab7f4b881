#pragma once

// corvessa-client's run: the relay session (tools/client/relay_session.h)
// driven until the record limit, the duration, a q key or a stop request,
// with the user's keys turned into commands and everything the session
// hears told through the report, counted for the summary.
//
// Thread safety: run() belongs to one thread; requestStop() may be called
// from any thread (the console control handler's among them).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "tools/client/client_report.h"
#include "tools/client/relay_session.h"

namespace tools {

struct RelayClientSettings : RelaySessionSettings {
    long long recordLimit = 0;              // 0: no limit
    std::chrono::milliseconds duration{0};  // 0: no limit
    bool pauseAtStart = false;
    bool spoilersAtStart = false;
};

// Where key presses come from: the next key, or -1 when none waits. Never blocks.
using KeySource = std::function<int()>;

class RelayClient {
  public:
    RelayClient(const RelayClientSettings& settings, ClientReport& report);

    // Opens and binds the socket; false when the system refuses either.
    bool open() { return session_.open(); }
    // The local UDP port, once open.
    int localPort() const { return session_.localPort(); }

    // Runs the conversation until the record limit, the duration, a q key
    // or requestStop; then sends end_flow and reports the summary.
    void run(const KeySource& keys);
    void requestStop() { stopRequested_ = true; }

    // After run() has returned.
    const ClientStats& stats() const { return stats_; }

  private:
    using Clock = std::chrono::steady_clock;

    RelaySessionEvents sessionEvents();
    void sendCommand(std::uint8_t code);
    // False when the key asks to quit.
    bool handleKey(int key);
    void countMessage(const outgoingMessage& message);
    std::string endReason(Clock::time_point now, Clock::time_point end) const;

    RelayClientSettings settings_;
    ClientReport& report_;
    RelaySession session_;
    std::atomic<bool> stopRequested_{false};
    bool quitKey_ = false;

    ClientStats stats_;
    Clock::time_point lastRecord_{};
};

}  // namespace tools
