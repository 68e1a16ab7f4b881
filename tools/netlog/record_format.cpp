#include "tools/netlog/record_format.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace tools {
namespace {

// The thirteen integers in the order they lie in the record, with the
// record's own field names (what JSON and CSV call them).
struct IntegerField {
    const char* name;
    std::int32_t outgoingMessage::*member;
};

constexpr IntegerField kIntegerFields[] = {
    {"altitudeFeet", &outgoingMessage::altitudeFeet},
    {"headingDegrees", &outgoingMessage::headingDegrees},
    {"trueAirspeedKnots", &outgoingMessage::trueAirspeedKnots},
    {"groundSpeedKnots", &outgoingMessage::groundSpeedKnots},
    {"windSpeedKnots", &outgoingMessage::windSpeedKnots},
    {"windDirectionDegrees", &outgoingMessage::windDirectionDegrees},
    {"machMilli", &outgoingMessage::machMilli},
    {"verticalSpeedFps", &outgoingMessage::verticalSpeedFps},
    {"fuelPounds", &outgoingMessage::fuelPounds},
    {"indicatedAirspeedKnots", &outgoingMessage::indicatedAirspeedKnots},
    {"aheadWindDirection", &outgoingMessage::aheadWindDirection},
    {"aheadWindSpeed", &outgoingMessage::aheadWindSpeed},
    {"temperatureCelsius", &outgoingMessage::temperatureCelsius},
};
static_assert(std::size(kIntegerFields) == kOutgoingIntegerCount);

constexpr std::string_view kNotices[] = {kPausedNotice, kUnpausedNotice, kResetNotice};

std::int32_t readInteger(const std::uint8_t* bytes, IntegerOrder order) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const int shift = order == IntegerOrder::BigEndian ? 8 * (3 - i) : 8 * i;
        value |= std::uint32_t{bytes[i]} << shift;
    }
    return static_cast<std::int32_t>(value);
}

bool isPrintable(unsigned char c) {
    return c >= 0x20 && c < 0x7F;
}

std::string hexByte(const char* pattern, unsigned char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, pattern, static_cast<unsigned>(c));
    return buffer;
}

// The reserved bytes as four hexadecimal digits: always "0000" from a sound relay.
std::string reservedHex(const outgoingMessage& message) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02x%02x", static_cast<unsigned>(message.reserved[0]),
                  static_cast<unsigned>(message.reserved[1]));
    return buffer;
}

}  // namespace

bool parseOutputFormat(std::string_view name, OutputFormat* format) {
    if (name == "text") {
        *format = OutputFormat::Text;
    } else if (name == "json") {
        *format = OutputFormat::Json;
    } else if (name == "csv") {
        *format = OutputFormat::Csv;
    } else {
        return false;
    }
    return true;
}

outgoingMessage decodeMessage(const std::uint8_t* bytes, IntegerOrder order) {
    outgoingMessage message{};
    std::memcpy(&message, bytes, kOutgoingMessageSize);
    for (std::size_t i = 0; i < kOutgoingIntegerCount; ++i) {
        message.*kIntegerFields[i].member =
            readInteger(bytes + kOutgoingIntegersOffset + 4 * i, order);
    }
    return message;
}

std::string_view fieldText(const char (&field)[kOutgoingTextSize]) {
    const void* end = std::memchr(field, '\0', kOutgoingTextSize);
    const std::size_t length =
        end == nullptr ? kOutgoingTextSize : static_cast<const char*>(end) - field;
    return std::string_view(field, length);
}

std::string_view noticeWord(const outgoingMessage& message) {
    const std::string_view word = fieldText(message.longitudeText);
    for (std::string_view notice : kNotices) {
        if (word == notice) {
            return notice;
        }
    }
    return {};
}

std::string phaseName(std::uint8_t phase) {
    switch (phase) {
        case 0:
            return "none";
        case 1:
            return "climb";
        case 2:
            return "cruise";
        case 3:
            return "descent";
        default:
            return "phase " + std::to_string(phase);
    }
}

std::string utcText(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds instant{std::chrono::seconds{seconds}};
    const sys_days day = floor<days>(instant);
    const year_month_day date{day};
    const hh_mm_ss<std::chrono::seconds> clock{instant - day};
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return buffer;
}

std::string utcText(std::int64_t seconds, int milliseconds) {
    std::string text = utcText(seconds);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", milliseconds);
    text.insert(text.size() - 1, fraction);
    return text;
}

std::string printableText(std::string_view raw) {
    std::string text;
    for (char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        text += isPrintable(byte) && byte != '\\' ? std::string(1, c) : hexByte("\\x%02x", byte);
    }
    return text;
}

std::string jsonString(std::string_view raw) {
    std::string text = "\"";
    for (char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            text += '\\';
            text += c;
        } else if (isPrintable(byte)) {
            text += c;
        } else {
            // Bytes off the network need not be UTF-8: each is shown as its own code point.
            text += hexByte("\\u%04x", byte);
        }
    }
    return text + "\"";
}

std::string csvField(std::string_view raw) {
    const std::string text = printableText(raw);
    if (text.find_first_of(",\" ") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::string telemetryText(const outgoingMessage& m) {
    const int mach = m.machMilli;
    const char* machSign = mach < 0 ? "-" : "";
    const long long machMagnitude = mach < 0 ? -static_cast<long long>(mach) : mach;
    char buffer[512];
    std::snprintf(buffer, sizeof buffer,
                  "%-7s alt %" PRId32 " ft  IAS %" PRId32 " kt  TAS %" PRId32
                  " kt  M%s%lld.%03lld  GS %" PRId32 " kt  hdg %03" PRId32 "  wind %03" PRId32
                  "/%" PRId32 " kt  ahead %03" PRId32 "/%" PRId32 " kt  %" PRId32
                  " C  fuel %" PRId32 " lb  spoilers %s  at %s %s",
                  phaseName(m.phase).c_str(), m.altitudeFeet, m.indicatedAirspeedKnots,
                  m.trueAirspeedKnots, machSign, machMagnitude / 1000, machMagnitude % 1000,
                  m.groundSpeedKnots, m.headingDegrees, m.windDirectionDegrees, m.windSpeedKnots,
                  m.aheadWindDirection, m.aheadWindSpeed, m.temperatureCelsius, m.fuelPounds,
                  m.spoilerState != 0 ? "out" : "in",
                  printableText(fieldText(m.latitudeText)).c_str(),
                  printableText(fieldText(m.longitudeText)).c_str());
    return buffer;
}

std::string messageJsonMembers(const outgoingMessage& m) {
    std::string json = "\"longitudeText\":" + jsonString(fieldText(m.longitudeText)) +
                       ",\"latitudeText\":" + jsonString(fieldText(m.latitudeText));
    for (const IntegerField& field : kIntegerFields) {
        json += ",\"" + std::string(field.name) + "\":" + std::to_string(m.*field.member);
    }
    json += ",\"phase\":" + std::to_string(m.phase) +
            ",\"spoilerState\":" + std::to_string(m.spoilerState) + ",\"reserved\":\"" +
            reservedHex(m) + "\"";
    return json;
}

std::string messageCsvHeader() {
    std::string header = "notice,longitudeText,latitudeText";
    for (const IntegerField& field : kIntegerFields) {
        header += ",";
        header += field.name;
    }
    return header + ",phase,spoilerState,reserved";
}

std::string messageCsvColumns(const outgoingMessage& m) {
    const std::string_view notice = noticeWord(m);
    if (!notice.empty()) {
        // The notice word, then one empty column for each telemetry field.
        return std::string(notice) + std::string(2 + kOutgoingIntegerCount + 3, ',');
    }
    std::string row =
        "," + csvField(fieldText(m.longitudeText)) + "," + csvField(fieldText(m.latitudeText));
    for (const IntegerField& field : kIntegerFields) {
        row += "," + std::to_string(m.*field.member);
    }
    row +=
        "," + std::to_string(m.phase) + "," + std::to_string(m.spoilerState) + "," + reservedHex(m);
    return row;
}

}  // namespace tools
