#pragma once

// Reading "network.log", the relay's binary traffic log: a plain sequence
// of records, each beginning with a one-byte type (docs/network-log.md).
//   type 1, 25 bytes:  the 24 bytes of a client datagram as received
//   type 2, 102 bytes: time (low 32 bits of the seconds since 1970,
//                      little-endian), the 96-byte message with its integers
//                      little-endian, and the sent flag (1 queued, 0 dropped)
// Any other type byte, or a record that the end of the file cuts short, is a
// fault of the file: reading stops there and the fault names its offset.
//
// Thread safety: free functions and plain values; a LogSummary belongs to
// the thread that adds to it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "monitor/outgoing_message.h"
#include "relay/wire_protocol.h"
#include "tools/netlog/record_format.h"

namespace tools {

constexpr std::uint8_t kIncomingRecordType = 1;
constexpr std::uint8_t kOutgoingRecordType = 2;
constexpr std::size_t kIncomingRecordSize = 1 + kIncomingMessageSize;
constexpr std::size_t kOutgoingRecordSize = 1 + 4 + kOutgoingMessageSize + 1;

struct LogRecord {
    std::size_t offset = 0;  // of the type byte, from the start of the file
    std::uint8_t type = 0;   // kIncomingRecordType or kOutgoingRecordType
    // Incoming records: the datagram exactly as received.
    incomingMessage incoming{};
    // Outgoing records: the time, the message with its integers in host
    // order, and the sent flag as written.
    std::uint32_t timeSeconds = 0;
    outgoingMessage message{};
    std::uint8_t sent = 0;
};

struct LogFault {
    std::size_t offset = 0;
    std::string description;  // "unknown record type 7", "record of type 2 cut short: ..."
};

enum class ReadResult { Record, End, Fault };

// Reads the record at *offset of `log`; on Record advances *offset past it.
ReadResult readRecord(std::span<const std::uint8_t> log, std::size_t* offset, LogRecord* record,
                      LogFault* fault);

// The name of a client datagram's kind ("heartbeat", "add_entry", ...) or
// "kind N" for a value the relay does not know.
std::string kindName(std::int32_t kind);

// Counts by record type and kind, and the span of the outgoing records' times.
struct LogSummary {
    std::size_t incoming = 0;
    std::size_t outgoing = 0;
    std::map<std::string, std::size_t> incomingByKind;     // kindName -> count
    std::map<std::string, std::size_t> outgoingByContent;  // "telemetry", "PAUSED", ... -> count
    std::size_t queued = 0;
    std::size_t dropped = 0;
    std::optional<std::uint32_t> firstTime;
    std::optional<std::uint32_t> lastTime;

    void add(const LogRecord& record);
};

// One record in the chosen format, without a newline. The CSV header is the
// first line of CSV output.
std::string formatRecord(const LogRecord& record, OutputFormat format);
std::string logCsvHeader();

// The summary as text lines (each ending in a newline), or as one JSON object
// line carrying the fault too, when there was one.
std::string summaryText(const LogSummary& summary);
std::string summaryJson(const LogSummary& summary, const std::optional<LogFault>& fault);

// The fault as the one-line message on the error stream (no newline).
std::string faultText(const std::string& fileName, const LogFault& fault);

}  // namespace tools
