#include "tools/netlog/log_reader.h"

#include <cstdio>
#include <cstring>

namespace tools {
namespace {

constexpr std::size_t kTimeOffset = 1;
constexpr std::size_t kMessageOffset = kTimeOffset + 4;
constexpr std::size_t kSentOffset = kMessageOffset + kOutgoingMessageSize;
static_assert(kSentOffset + 1 == kOutgoingRecordSize);

std::uint32_t readLittleEndian32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
           (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

std::int32_t incomingKind(const LogRecord& record) {
    return readBigEndian32(record.incoming.kind);
}

// The field that the kind carries, as text: the heartbeat number or the
// command code and what it does; empty for kinds without one.
std::string incomingField(const LogRecord& record) {
    switch (incomingKind(record)) {
        case heartbeat:
            return std::to_string(readBigEndian32(record.incoming.data));
        case command:
            return std::to_string(record.incoming.data[0]);
        default:
            return "";
    }
}

std::string commandMeaning(std::uint8_t code) {
    switch (code) {
        case kCommandPauseToggle:
            return "pause toggle";
        case kCommandSpoilersToggle:
            return "spoilers toggle";
        default:
            return "no effect";
    }
}

std::string sentName(std::uint8_t sent) {
    switch (sent) {
        case 0:
            return "dropped";
        case 1:
            return "queued";
        default:
            return "sent-flag-" + std::to_string(sent);
    }
}

std::string contentName(const outgoingMessage& message) {
    const std::string_view notice = noticeWord(message);
    return notice.empty() ? "telemetry" : std::string(notice);
}

std::string offsetText(std::size_t offset) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%8zu", offset);
    return buffer;
}

std::string incomingText(const LogRecord& record) {
    const std::int32_t kind = incomingKind(record);
    std::string line = offsetText(record.offset) + "  in   " + kindName(kind);
    if (kind == heartbeat) {
        line += " " + incomingField(record);
    } else if (kind == command) {
        line += " " + incomingField(record) + " (" + commandMeaning(record.incoming.data[0]) + ")";
    }
    return line;
}

std::string outgoingText(const LogRecord& record) {
    char flag[24];
    std::snprintf(flag, sizeof flag, "%-8s", sentName(record.sent).c_str());
    std::string line =
        offsetText(record.offset) + "  out  " + utcText(record.timeSeconds) + " " + flag + " ";
    const std::string_view notice = noticeWord(record.message);
    return line + (notice.empty() ? telemetryText(record.message) : std::string(notice));
}

std::string incomingJson(const LogRecord& record) {
    const std::int32_t kind = incomingKind(record);
    std::string json = "{\"offset\":" + std::to_string(record.offset) +
                       ",\"record\":\"incoming\",\"kind\":" + jsonString(kindName(kind)) +
                       ",\"kindValue\":" + std::to_string(kind);
    if (kind == heartbeat) {
        json += ",\"heartbeat\":" + incomingField(record);
    } else if (kind == command) {
        json += ",\"command\":" + incomingField(record);
    }
    return json + "}";
}

std::string outgoingJson(const LogRecord& record) {
    std::string json = "{\"offset\":" + std::to_string(record.offset) +
                       ",\"record\":\"outgoing\",\"time\":\"" + utcText(record.timeSeconds) +
                       "\",\"timeSeconds\":" + std::to_string(record.timeSeconds) +
                       ",\"sent\":" + std::to_string(record.sent);
    const std::string_view notice = noticeWord(record.message);
    if (!notice.empty()) {
        return json + ",\"type\":\"notice\",\"notice\":\"" + std::string(notice) + "\"}";
    }
    return json + ",\"type\":\"telemetry\"," + messageJsonMembers(record.message) + "}";
}

// Columns: offset,record,kind,field,time,sent, then the message's columns.
std::string incomingCsv(const LogRecord& record) {
    const std::size_t messageColumns = 1 + 2 + kOutgoingIntegerCount + 3;
    return std::to_string(record.offset) + ",incoming," + csvField(kindName(incomingKind(record))) +
           "," + incomingField(record) + ",," + std::string(messageColumns, ',');
}

std::string outgoingCsv(const LogRecord& record) {
    return std::to_string(record.offset) + ",outgoing,,," + utcText(record.timeSeconds) + "," +
           std::to_string(record.sent) + "," + messageCsvColumns(record.message);
}

std::string countsText(const std::map<std::string, std::size_t>& counts) {
    std::string text;
    for (const auto& [name, count] : counts) {
        text += (text.empty() ? "" : ", ") + name + " " + std::to_string(count);
    }
    return text.empty() ? "none" : text;
}

std::string countsJson(const std::map<std::string, std::size_t>& counts) {
    std::string json = "{";
    for (const auto& [name, count] : counts) {
        json += (json.size() > 1 ? "," : "") + jsonString(name) + ":" + std::to_string(count);
    }
    return json + "}";
}

}  // namespace

ReadResult readRecord(std::span<const std::uint8_t> log, std::size_t* offset, LogRecord* record,
                      LogFault* fault) {
    const std::size_t start = *offset;
    if (start >= log.size()) {
        return ReadResult::End;
    }
    const std::uint8_t type = log[start];
    std::size_t size = 0;
    if (type == kIncomingRecordType) {
        size = kIncomingRecordSize;
    } else if (type == kOutgoingRecordType) {
        size = kOutgoingRecordSize;
    } else {
        // Without a known type there is no length, so nothing after it can be read.
        *fault = LogFault{start, "unknown record type " + std::to_string(type)};
        return ReadResult::Fault;
    }
    const std::size_t available = log.size() - start;
    if (available < size) {
        *fault = LogFault{start, "record of type " + std::to_string(type) +
                                     " cut short: " + std::to_string(size) + " bytes expected, " +
                                     std::to_string(available) + " left in the file"};
        return ReadResult::Fault;
    }
    const std::uint8_t* bytes = log.data() + start;
    *record = LogRecord{};
    record->offset = start;
    record->type = type;
    if (type == kIncomingRecordType) {
        std::memcpy(&record->incoming, bytes + 1, kIncomingMessageSize);
    } else {
        record->timeSeconds = readLittleEndian32(bytes + kTimeOffset);
        record->message = decodeMessage(bytes + kMessageOffset, IntegerOrder::LittleEndian);
        record->sent = bytes[kSentOffset];
    }
    *offset = start + size;
    return ReadResult::Record;
}

std::string kindName(std::int32_t kind) {
    switch (kind) {
        case heartbeat:
            return "heartbeat";
        case command:
            return "command";
        case add_entry:
            return "add_entry";
        case end_flow:
            return "end_flow";
        case no_route:
            return "no_route";
        case route_entries:
            return "route_entries";
        default:
            return "kind " + std::to_string(kind);
    }
}

void LogSummary::add(const LogRecord& record) {
    if (record.type == kIncomingRecordType) {
        ++incoming;
        ++incomingByKind[kindName(incomingKind(record))];
        return;
    }
    ++outgoing;
    ++outgoingByContent[contentName(record.message)];
    (record.sent != 0 ? queued : dropped) += 1;
    if (!firstTime) {
        firstTime = record.timeSeconds;
    }
    lastTime = record.timeSeconds;
}

std::string formatRecord(const LogRecord& record, OutputFormat format) {
    const bool in = record.type == kIncomingRecordType;
    switch (format) {
        case OutputFormat::Json:
            return in ? incomingJson(record) : outgoingJson(record);
        case OutputFormat::Csv:
            return in ? incomingCsv(record) : outgoingCsv(record);
        case OutputFormat::Text:
        default:
            return in ? incomingText(record) : outgoingText(record);
    }
}

std::string logCsvHeader() {
    return "offset,record,kind,field,time,sent," + messageCsvHeader();
}

std::string summaryText(const LogSummary& s) {
    std::string text = "records: " + std::to_string(s.incoming + s.outgoing) + " (incoming " +
                       std::to_string(s.incoming) + ", outgoing " + std::to_string(s.outgoing) +
                       ")\n";
    text += "incoming: " + countsText(s.incomingByKind) + "\n";
    text += "outgoing: " + countsText(s.outgoingByContent) + "; queued " +
            std::to_string(s.queued) + ", dropped " + std::to_string(s.dropped) + "\n";
    if (s.firstTime) {
        text += "time: " + utcText(*s.firstTime) + " to " + utcText(*s.lastTime) + "\n";
    } else {
        text += "time: no outgoing record\n";
    }
    return text;
}

std::string summaryJson(const LogSummary& s, const std::optional<LogFault>& fault) {
    std::string json = "{\"record\":\"summary\",\"incoming\":" + std::to_string(s.incoming) +
                       ",\"outgoing\":" + std::to_string(s.outgoing) +
                       ",\"incomingByKind\":" + countsJson(s.incomingByKind) +
                       ",\"outgoingByContent\":" + countsJson(s.outgoingByContent) +
                       ",\"queued\":" + std::to_string(s.queued) +
                       ",\"dropped\":" + std::to_string(s.dropped);
    if (s.firstTime) {
        json += ",\"firstTime\":\"" + utcText(*s.firstTime) + "\",\"lastTime\":\"" +
                utcText(*s.lastTime) + "\"";
    }
    if (fault) {
        json += ",\"fault\":{\"offset\":" + std::to_string(fault->offset) +
                ",\"description\":" + jsonString(fault->description) + "}";
    }
    return json + "}";
}

std::string faultText(const std::string& fileName, const LogFault& fault) {
    return fileName + ": offset " + std::to_string(fault.offset) + ": " + fault.description;
}

}  // namespace tools
