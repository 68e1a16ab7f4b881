#include "tools/web/page_json.h"

#include "tools/netlog/record_format.h"

namespace tools {
namespace {

std::string timeText(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(when.time_since_epoch()).count();
    const std::int64_t seconds = sinceEpoch / 1000 - (sinceEpoch % 1000 < 0 ? 1 : 0);
    return utcText(seconds, static_cast<int>(sinceEpoch - seconds * 1000));
}

}  // namespace

nlohmann::ordered_json messageJson(const outgoingMessage& message,
                                   std::chrono::system_clock::time_point received) {
    const std::string_view notice = noticeWord(message);
    if (!notice.empty()) {
        return {{"event", "notice"}, {"time", timeText(received)}, {"notice", notice}};
    }
    // The record's members come from the one place that names them for every tool.
    nlohmann::ordered_json json = {{"event", "telemetry"}, {"time", timeText(received)}};
    json.update(nlohmann::ordered_json::parse("{" + messageJsonMembers(message) + "}"));
    return json;
}

std::string displayIdentifier(std::string_view id) {
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) {
        id.remove_suffix(1);
    }
    return std::string(id);
}

nlohmann::ordered_json routeJson(const std::vector<RouteEntry>& entries) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const RouteEntry& entry : entries) {
        if (entry.malformed) {
            // Bytes off the network need not be UTF-8; JSON text must be.
            list.push_back({{"index", entry.index}, {"malformed", printableText(entry.raw)}});
        } else {
            list.push_back({{"index", entry.index},
                            {"id", printableText(displayIdentifier(entry.id))},
                            {"lat", entry.lat},
                            {"lon", entry.lon}});
        }
    }
    return {{"event", "route"}, {"entries", list}};
}

std::string_view linkStateName(LinkState state) {
    switch (state) {
        case LinkState::Registering:
            return "registering";
        case LinkState::Receiving:
            return "receiving";
        case LinkState::Silent:
            return "silent";
        case LinkState::RegisteringAgain:
            return "registering again";
        case LinkState::SimulatorPaused:
            return "paused";
    }
    return "unknown";
}

nlohmann::ordered_json connectionJson(LinkState state, const std::string& relay) {
    return {{"event", "connection"}, {"state", linkStateName(state)}, {"relay", relay}};
}

}  // namespace tools
