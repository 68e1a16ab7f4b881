#pragma once

// How the companion tools show a 96-byte relay message: decoding its
// integers from the byte order they travel in (big-endian on the wire,
// little-endian in the network log), telling a notice from telemetry, and
// writing either as a readable line, a JSON object or a CSV row.
//
// Thread safety: free functions on their arguments only; callable from any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "monitor/outgoing_message.h"

namespace tools {

enum class OutputFormat { Text, Json, Csv };

// "text", "json" or "csv"; false for anything else.
bool parseOutputFormat(std::string_view name, OutputFormat* format);

enum class IntegerOrder { BigEndian, LittleEndian };

// The 96 bytes as an outgoingMessage with its thirteen integers in host
// order; the texts and the four bytes after the integers are copied as they are.
outgoingMessage decodeMessage(const std::uint8_t* bytes, IntegerOrder order);

// The NUL-terminated text of a 20-byte field, never reading past the field:
// a field without a terminator yields all 20 bytes.
std::string_view fieldText(const char (&field)[kOutgoingTextSize]);

// The notice word ("PAUSED", "UNPAUSED", "RESET") of a notice message, or an
// empty view when the message is telemetry. Only those words are notices: a
// telemetry record's first field is a number.
std::string_view noticeWord(const outgoingMessage& message);

// "none", "climb", "cruise", "descent", or "phase N" for a code that no flight has.
std::string phaseName(std::uint8_t phase);

// Seconds since 1970 as "YYYY-MM-DDTHH:MM:SSZ"; with milliseconds given,
// "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::string utcText(std::int64_t seconds);
std::string utcText(std::int64_t seconds, int milliseconds);

// Text that came off the network, made safe to print: printable ASCII stays,
// every other byte becomes \xNN.
std::string printableText(std::string_view raw);
// The same text as a quoted JSON string.
std::string jsonString(std::string_view raw);
// The same text as a CSV field, quoted when it holds a comma, a quote or a blank.
std::string csvField(std::string_view raw);

// One readable line (no newline) for telemetry: time, phase, altitude,
// indicated and true airspeed, Mach, ground speed, heading, wind at the
// aircraft and ahead, temperature, fuel, spoilers and position.
std::string telemetryText(const outgoingMessage& message);

// The record's own fields as JSON members, without braces:
// "longitudeText":"...","latitudeText":"...","altitudeFeet":35000,...
std::string messageJsonMembers(const outgoingMessage& message);

// The CSV columns of a message, header and row, without a leading or
// trailing comma: "notice,longitudeText,...,reserved". A notice fills the
// notice column and leaves the telemetry columns empty.
std::string messageCsvHeader();
std::string messageCsvColumns(const outgoingMessage& message);

}  // namespace tools
