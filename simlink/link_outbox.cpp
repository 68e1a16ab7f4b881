#include "simlink/link_outbox.h"

namespace simlink {

namespace {

// Written bytes are dropped from the front only now and then, so that a long
// backlog is not moved for every short write.
constexpr std::size_t kCompactAfterBytes = 64 * 1024;

}  // namespace

bool LinkOutbox::send(std::string_view line, const WriteSome& write, Clock::time_point now) {
    if (lost_) {
        return false;
    }
    if (unsentBytes() + line.size() > limits_.maxUnsentBytes) {
        lost_ = true;
        return false;
    }
    if (unsentBytes() == 0) {
        progressedAt_ = now;  // the stall is counted from when bytes begin to wait
    }
    unsent_.append(line);
    return flush(write, now);
}

bool LinkOutbox::flush(const WriteSome& write, Clock::time_point now) {
    if (lost_) {
        return false;
    }
    while (unsentBytes() > 0) {
        const long taken = write(std::string_view(unsent_).substr(sentOffset_));
        if (taken < 0) {
            lost_ = true;
            return false;
        }
        if (taken == 0) {
            break;
        }
        sentOffset_ += static_cast<std::size_t>(taken);
        progressedAt_ = now;
    }
    if (unsentBytes() == 0) {
        unsent_.clear();
        sentOffset_ = 0;
        return true;
    }
    if (sentOffset_ >= kCompactAfterBytes) {
        unsent_.erase(0, sentOffset_);
        sentOffset_ = 0;
    }
    if (now - progressedAt_ > limits_.maxStall) {
        lost_ = true;
        return false;
    }
    return true;
}

}  // namespace simlink
