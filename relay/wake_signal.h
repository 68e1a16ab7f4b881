#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A wake-up that holds at most one pending raise: raising it while it is
// already raised changes nothing, and one wait consumes it. The sender
// therefore must empty the queue on every wake, since two raises can collapse
// into one.
//
// Thread safety: every member may be called from any thread.
class WakeSignal {
  public:
    void raise() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            raised_ = true;
        }
        changed_.notify_one();
    }

    // Waits until raised, then lowers the signal.
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return raised_; });
        raised_ = false;
    }

    // Waits at most `timeout`; true when raised (and lowers it), false on time out.
    bool waitFor(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [this] { return raised_; })) {
            return false;
        }
        raised_ = false;
        return true;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool raised_ = false;
};
