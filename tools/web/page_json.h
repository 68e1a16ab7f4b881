#pragma once

// What the page is told, as JSON objects with the field names of
// corvessa-client's JSON output: {"event":"telemetry",...},
// {"event":"notice",...}, {"event":"route",...}, and the page's own
// {"event":"connection",...}.
//
// Thread safety: free functions on their arguments only.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "monitor/outgoing_message.h"
#include "tools/client/relay_datagrams.h"

namespace tools {

// A telemetry record or a notice, received at `received`.
nlohmann::ordered_json messageJson(const outgoingMessage& message,
                                   std::chrono::system_clock::time_point received);

// A waypoint identifier as a pilot reads it: type P route files keep each
// identifier's line end, which the relay sends on; it is no part of the name.
std::string displayIdentifier(std::string_view id);

nlohmann::ordered_json routeJson(const std::vector<RouteEntry>& entries);

// How the page's link to the simulator stands.
enum class LinkState {
    Registering,       // the first add_entry sent, nothing heard yet
    Receiving,         // the relay's datagrams arrive
    Silent,            // nothing from the relay for a while, no pause announced
    RegisteringAgain,  // silent so long that the relay has probably dropped us
    SimulatorPaused,   // "PAUSED": silence is expected
};

std::string_view linkStateName(LinkState state);

nlohmann::ordered_json connectionJson(LinkState state, const std::string& relay);

}  // namespace tools
