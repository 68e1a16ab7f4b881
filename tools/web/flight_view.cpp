#include "tools/web/flight_view.h"

#include <algorithm>

namespace tools {

void FlightView::publish(const nlohmann::ordered_json& event) {
    const std::string kind = event.value("event", "");
    std::string text = event.dump();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Latest* latest = kind == "telemetry"    ? &record_
                         : kind == "notice"     ? &notice_
                         : kind == "route"      ? &route_
                         : kind == "connection" ? &connection_
                                                : nullptr;
        if (latest != nullptr) {
            *latest = Latest{event, next_};
        }
        recent_.push_back(std::move(text));
        if (recent_.size() > kKeptEvents) {
            recent_.pop_front();
        }
        ++next_;
    }
    published_.notify_all();
}

nlohmann::ordered_json FlightView::state() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return {{"connection", connection_.event},
            {"route", route_.event},
            {"record", record_.event},
            {"notice", notice_.event}};
}

std::vector<std::string> FlightView::snapshot(std::uint64_t* cursor) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<const Latest*> kept;
    for (const Latest* latest : {&route_, &connection_, &notice_, &record_}) {
        if (!latest->event.is_null()) {
            kept.push_back(latest);
        }
    }
    std::sort(kept.begin(), kept.end(),
              [](const Latest* a, const Latest* b) { return a->number < b->number; });
    std::vector<std::string> events;
    for (const Latest* latest : kept) {
        events.push_back(latest->event.dump());
    }
    *cursor = next_;
    return events;
}

std::vector<std::string> FlightView::waitForEvents(std::uint64_t* cursor,
                                                   std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    published_.wait_for(lock, timeout, [&] { return closed_ || next_ > *cursor; });
    std::vector<std::string> events;
    if (closed_) {
        return events;
    }
    const std::uint64_t oldest = next_ - recent_.size();
    for (std::uint64_t number = std::max(*cursor, oldest); number < next_; ++number) {
        events.push_back(recent_[static_cast<std::size_t>(number - oldest)]);
    }
    *cursor = next_;
    return events;
}

void FlightView::close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    published_.notify_all();
}

bool FlightView::closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

}  // namespace tools
