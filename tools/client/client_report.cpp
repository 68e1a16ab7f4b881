#include "tools/client/client_report.h"

#include <cstdio>
#include <string_view>

namespace tools {
namespace {

std::string timeText(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(when.time_since_epoch()).count();
    const std::int64_t seconds = sinceEpoch / 1000 - (sinceEpoch % 1000 < 0 ? 1 : 0);
    const int millis = static_cast<int>(sinceEpoch - seconds * 1000);
    return utcText(seconds, millis);
}

std::string fixed5(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.5f", value);
    return buffer;
}

std::string commandName(std::uint8_t code) {
    return code == kCommandPauseToggle ? "pause toggle" : "spoilers toggle";
}

std::string gapText(std::chrono::milliseconds gap) {
    if (gap.count() < 0) {
        return "none (fewer than two records)";
    }
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.3f s", static_cast<double>(gap.count()) / 1000.0);
    return buffer;
}

// A type P route file leaves each identifier's line end in the route the
// relay sends ("KSEA\n"); a pilot reads the identifier without it.
std::string displayedId(std::string_view id) {
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) {
        id.remove_suffix(1);
    }
    return std::string(id);
}

std::string routeLine(const RouteEntry& entry) {
    char buffer[96];
    if (entry.malformed) {
        std::snprintf(buffer, sizeof buffer, "  %3zu  malformed record \"%s\"", entry.index,
                      printableText(entry.raw).c_str());
    } else {
        std::snprintf(buffer, sizeof buffer, "  %3zu  %-5s  %10.5f  %10.5f", entry.index,
                      printableText(displayedId(entry.id)).c_str(), entry.lat, entry.lon);
    }
    return buffer;
}

std::string routeEntryJson(const RouteEntry& entry) {
    std::string json = "{\"index\":" + std::to_string(entry.index);
    if (entry.malformed) {
        return json + ",\"malformed\":" + jsonString(entry.raw) + "}";
    }
    return json + ",\"id\":" + jsonString(displayedId(entry.id)) + ",\"lat\":" + fixed5(entry.lat) +
           ",\"lon\":" + fixed5(entry.lon) + "}";
}

}  // namespace

ClientReport::ClientReport(OutputFormat format, LineSink records, LineSink notes)
    : format_(format), records_(std::move(records)), notes_(std::move(notes)) {}

void ClientReport::note(const std::string& text, const std::string& json) {
    notes_(format_ == OutputFormat::Json ? "{" + json + "}" : text);
}

void ClientReport::start() {
    if (format_ == OutputFormat::Csv) {
        records_("time," + messageCsvHeader());
    }
}

void ClientReport::registering(const std::string& relay, bool again, double silenceSeconds) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", silenceSeconds);
    const std::string text = again ? "Nothing received for " + std::string(seconds) +
                                         " seconds: registering again with " + relay
                                   : "Registering with " + relay;
    note(text, "\"event\":\"registering\",\"relay\":" + jsonString(relay) +
                   ",\"again\":" + (again ? "true" : "false"));
}

void ClientReport::reply(std::int32_t kind) {
    std::string text;
    std::string name;
    if (kind == no_route) {
        name = "no_route";
        text = "Registered: the relay has no route";
    } else if (kind == route_entries) {
        name = "route_entries";
        text = "Registered: the route follows";
    } else {
        name = "kind " + std::to_string(kind);
        text = "Unknown reply " + std::to_string(kind) + " ignored";
    }
    note(text, "\"event\":\"reply\",\"reply\":" + jsonString(name));
}

void ClientReport::route(const std::vector<RouteEntry>& entries) {
    if (format_ == OutputFormat::Json) {
        std::string list;
        for (const RouteEntry& entry : entries) {
            list += (list.empty() ? "" : ",") + routeEntryJson(entry);
        }
        notes_("{\"event\":\"route\",\"entries\":[" + list + "]}");
        return;
    }
    notes_("Route: " + std::to_string(entries.size()) + " waypoints");
    if (entries.empty()) {
        return;
    }
    notes_("    #  id       latitude   longitude");
    for (const RouteEntry& entry : entries) {
        notes_(routeLine(entry));
    }
}

void ClientReport::routeIncomplete(std::size_t datagramsReceived) {
    note("Route incomplete: " + std::to_string(datagramsReceived) + " of " +
             std::to_string(kRouteDatagramCount) + " datagrams arrived",
         "\"event\":\"route_incomplete\",\"datagrams\":" + std::to_string(datagramsReceived));
}

void ClientReport::message(const outgoingMessage& message,
                           std::chrono::system_clock::time_point received) {
    const std::string time = timeText(received);
    const std::string_view notice = noticeWord(message);
    switch (format_) {
        case OutputFormat::Text:
            records_(time + "  " + (notice.empty() ? telemetryText(message) : std::string(notice)));
            break;
        case OutputFormat::Json:
            records_(notice.empty() ? "{\"event\":\"telemetry\",\"time\":\"" + time + "\"," +
                                          messageJsonMembers(message) + "}"
                                    : "{\"event\":\"notice\",\"time\":\"" + time +
                                          "\",\"notice\":\"" + std::string(notice) + "\"}");
            break;
        case OutputFormat::Csv:
            records_(time + "," + messageCsvColumns(message));
            break;
    }
}

void ClientReport::ignored(std::size_t size, const std::string& reason) {
    note("Ignored a datagram of " + std::to_string(size) + " bytes: " + reason,
         "\"event\":\"ignored\",\"size\":" + std::to_string(size) +
             ",\"reason\":" + jsonString(reason));
}

void ClientReport::commandSent(std::uint8_t code) {
    note("Sent command: " + commandName(code),
         "\"event\":\"command\",\"command\":" + jsonString(commandName(code)));
}

void ClientReport::waitingForResume(double silenceSeconds) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", silenceSeconds);
    note("Simulator paused: waiting for it to resume (registering again only after " +
             std::string(seconds) + " seconds of silence)",
         "\"event\":\"waiting\",\"for\":\"resume\",\"silenceSeconds\":" + std::string(seconds));
}

void ClientReport::keysAvailable() {
    note("Keys: p pause toggle, s spoilers toggle, q quit", "\"event\":\"keys\",\"keys\":\"psq\"");
}

void ClientReport::ending(const std::string& reason) {
    note("Ending: " + reason, "\"event\":\"ending\",\"reason\":" + jsonString(reason));
}

void ClientReport::summary(const ClientStats& stats) {
    if (format_ == OutputFormat::Json) {
        notes_("{\"event\":\"summary\",\"records\":" + std::to_string(stats.records) +
               ",\"notices\":" + std::to_string(stats.notices) +
               ",\"registrations\":" + std::to_string(stats.registrations) +
               ",\"routeEntries\":" + std::to_string(stats.routeEntries) +
               ",\"ignored\":" + std::to_string(stats.ignored) +
               ",\"heartbeats\":" + std::to_string(stats.heartbeats) + ",\"longestGapMs\":" +
               (stats.longestGap.count() < 0 ? "null" : std::to_string(stats.longestGap.count())) +
               "}");
        return;
    }
    for (const std::string& line : summaryLines(stats)) {
        notes_(line);
    }
}

std::vector<std::string> summaryLines(const ClientStats& stats) {
    return {
        "Summary",
        "  records:                     " + std::to_string(stats.records),
        "  notices:                     " + std::to_string(stats.notices),
        "  registrations:               " + std::to_string(stats.registrations),
        "  route entries:               " + std::to_string(stats.routeEntries),
        "  longest gap between records: " + gapText(stats.longestGap),
        "  ignored datagrams:           " + std::to_string(stats.ignored),
        "  heartbeats sent:             " + std::to_string(stats.heartbeats),
    };
}

}  // namespace tools
