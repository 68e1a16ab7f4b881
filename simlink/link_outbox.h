#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace simlink {

// What the link may leave unsent before it gives up on a simulator that has
// stopped reading: the program's lines are small, so a backlog this large,
// or this long without the simulator taking a single byte, means it is
// stuck, and waiting for it would freeze the flight monitor.
struct OutboxLimits {
    std::size_t maxUnsentBytes = 1024 * 1024;
    std::chrono::milliseconds maxStall{5000};
};

// The bytes on their way to the simulator. Nothing here ever waits: each
// call hands the peer what it takes at once and keeps the rest for the next
// call. Past either limit the link counts as lost for good.
//
// Thread safety: none; the link's connection lock guards it.
class LinkOutbox {
  public:
    using Clock = std::chrono::steady_clock;
    // Writes what the peer takes without waiting: the number of bytes taken
    // (0 when it takes none now), or a negative number when the stream is broken.
    using WriteSome = std::function<long(std::string_view)>;

    explicit LinkOutbox(OutboxLimits limits = {}) : limits_(limits) {}

    // Queues `line` and writes what the peer takes now. False once lost.
    bool send(std::string_view line, const WriteSome& write, Clock::time_point now);
    // Writes what the peer takes now of what is waiting. False once lost.
    bool flush(const WriteSome& write, Clock::time_point now);

    bool lost() const { return lost_; }
    std::size_t unsentBytes() const { return unsent_.size() - sentOffset_; }

  private:
    std::string unsent_;
    std::size_t sentOffset_ = 0;  // bytes of unsent_ already written
    Clock::time_point
        progressedAt_;  // the last write that took a byte, or when bytes began to wait
    OutboxLimits limits_;
    bool lost_ = false;
};

}  // namespace simlink
