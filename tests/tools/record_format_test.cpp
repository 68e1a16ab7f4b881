// Decoding and showing the relay's 96-byte messages, on bytes built by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "tools/netlog/record_format.h"

namespace {

using Bytes = std::array<std::uint8_t, kOutgoingMessageSize>;

Bytes textAt(Bytes bytes, std::size_t offset, const char* text) {
    std::memcpy(bytes.data() + offset, text, std::strlen(text));
    return bytes;
}

std::size_t commas(const std::string& text) {
    return std::count(text.begin(), text.end(), ',');
}

TEST(ToolsRecordFormat, DecodesIntegersInEitherByteOrderAndKeepsTheOtherBytes) {
    Bytes wire{};
    wire = textAt(wire, 0, "151.177200");
    wire = textAt(wire, 20, "-33.946100");
    const std::uint8_t altitude[] = {0x00, 0x00, 0x88, 0xB8};  // 35000 big-endian
    std::memcpy(wire.data() + 40, altitude, 4);
    const std::uint8_t verticalSpeed[] = {0xFF, 0xFF, 0xFF, 0xF4};  // -12
    std::memcpy(wire.data() + 68, verticalSpeed, 4);
    const std::uint8_t temperature[] = {0x00, 0x00, 0x01, 0x02};  // the last integer, offset 88
    std::memcpy(wire.data() + 88, temperature, 4);
    wire[92] = 2;
    wire[93] = 1;

    const outgoingMessage big = tools::decodeMessage(wire.data(), tools::IntegerOrder::BigEndian);
    EXPECT_EQ(big.altitudeFeet, 35000);
    EXPECT_EQ(big.verticalSpeedFps, -12);
    EXPECT_EQ(big.temperatureCelsius, 258);
    EXPECT_EQ(big.phase, 2);
    EXPECT_EQ(big.spoilerState, 1);
    EXPECT_EQ(tools::fieldText(big.longitudeText), "151.177200");
    EXPECT_EQ(tools::fieldText(big.latitudeText), "-33.946100");

    Bytes log = wire;
    const std::uint8_t littleAltitude[] = {0xB8, 0x88, 0x00, 0x00};
    std::memcpy(log.data() + 40, littleAltitude, 4);
    const outgoingMessage little =
        tools::decodeMessage(log.data(), tools::IntegerOrder::LittleEndian);
    EXPECT_EQ(little.altitudeFeet, 35000);
    EXPECT_EQ(little.temperatureCelsius, 0x02010000);
}

TEST(ToolsRecordFormat, OnlyTheThreeNoticeWordsAreNotices) {
    for (const char* word : {"PAUSED", "UNPAUSED", "RESET"}) {
        const Bytes bytes = textAt(Bytes{}, 0, word);
        EXPECT_EQ(
            tools::noticeWord(tools::decodeMessage(bytes.data(), tools::IntegerOrder::BigEndian)),
            word);
    }
    for (const char* text : {"151.177200", "PAUSEDX", "", "RESE"}) {
        const Bytes bytes = textAt(Bytes{}, 0, text);
        EXPECT_TRUE(
            tools::noticeWord(tools::decodeMessage(bytes.data(), tools::IntegerOrder::BigEndian))
                .empty())
            << text;
    }
}

TEST(ToolsRecordFormat, TextFieldWithoutTerminatorStopsAtTheFieldEnd) {
    Bytes bytes{};
    std::fill(bytes.begin(), bytes.begin() + 40, 'A');  // both text fields full, no NUL
    const outgoingMessage message =
        tools::decodeMessage(bytes.data(), tools::IntegerOrder::BigEndian);
    EXPECT_EQ(tools::fieldText(message.longitudeText), std::string(20, 'A'));
    EXPECT_EQ(tools::fieldText(message.latitudeText), std::string(20, 'A'));
}

TEST(ToolsRecordFormat, TelemetryLineShowsTheFlightInReadableUnits) {
    outgoingMessage m{};
    std::strcpy(m.longitudeText, "151.177200");
    std::strcpy(m.latitudeText, "-33.946100");
    m.altitudeFeet = 35000;
    m.indicatedAirspeedKnots = 250;
    m.trueAirspeedKnots = 450;
    m.machMilli = 799;
    m.groundSpeedKnots = 470;
    m.headingDegrees = 90;
    m.windDirectionDegrees = 270;
    m.windSpeedKnots = 45;
    m.aheadWindDirection = 265;
    m.aheadWindSpeed = 50;
    m.temperatureCelsius = -54;
    m.fuelPounds = 12000;
    m.phase = 2;
    m.spoilerState = 1;
    const std::string line = tools::telemetryText(m);
    for (const char* part : {"cruise", "alt 35000 ft", "IAS 250 kt", "TAS 450 kt", "M0.799",
                             "GS 470 kt", "hdg 090", "wind 270/45 kt", "ahead 265/50 kt", "-54 C",
                             "fuel 12000 lb", "spoilers out", "-33.946100 151.177200"}) {
        EXPECT_NE(line.find(part), std::string::npos) << part << " missing from: " << line;
    }
    m.machMilli = -5;
    m.phase = 9;
    const std::string odd = tools::telemetryText(m);
    EXPECT_NE(odd.find("M-0.005"), std::string::npos) << odd;
    EXPECT_NE(odd.find("phase 9"), std::string::npos) << odd;
}

TEST(ToolsRecordFormat, TextOffTheNetworkIsEscapedInEveryFormat) {
    const std::string hostile = std::string("a\"b\\c,d e\x01\xff", 11);
    EXPECT_EQ(tools::printableText(hostile), "a\"b\\x5cc,d e\\x01\\xff");
    EXPECT_EQ(tools::jsonString(hostile), "\"a\\\"b\\\\c,d e\\u0001\\u00ff\"");
    EXPECT_EQ(tools::csvField(hostile), "\"a\"\"b\\x5cc,d e\\x01\\xff\"");
    EXPECT_EQ(tools::csvField("151.177200"), "151.177200");
}

TEST(ToolsRecordFormat, CsvRowsOfNoticesAndTelemetryFillEveryHeaderColumn) {
    outgoingMessage telemetry{};
    std::strcpy(telemetry.longitudeText, "1,5");  // a comma must not add a column
    const std::string header = tools::messageCsvHeader();
    const std::string row = tools::messageCsvColumns(telemetry);
    EXPECT_EQ(header.rfind("notice,longitudeText,latitudeText,altitudeFeet", 0), 0u) << header;
    EXPECT_EQ(commas(row) - 1, commas(header)) << row;  // minus the quoted comma
    const std::string notice = tools::messageCsvColumns(makeNotice("UNPAUSED"));
    EXPECT_EQ(notice.rfind("UNPAUSED,", 0), 0u);
    EXPECT_EQ(commas(notice), commas(header));
}

TEST(ToolsRecordFormat, JsonCarriesEveryFieldUnderItsOwnName) {
    outgoingMessage m{};
    m.aheadWindSpeed = 33;
    m.reserved[1] = 0xAB;
    const std::string json = tools::messageJsonMembers(m);
    for (const char* name :
         {"longitudeText", "latitudeText", "altitudeFeet", "headingDegrees", "trueAirspeedKnots",
          "groundSpeedKnots", "windSpeedKnots", "windDirectionDegrees", "machMilli",
          "verticalSpeedFps", "fuelPounds", "indicatedAirspeedKnots", "aheadWindDirection",
          "temperatureCelsius", "phase", "spoilerState"}) {
        EXPECT_NE(json.find("\"" + std::string(name) + "\":"), std::string::npos) << name;
    }
    EXPECT_NE(json.find("\"aheadWindSpeed\":33"), std::string::npos);
    EXPECT_NE(json.find("\"reserved\":\"00ab\""), std::string::npos);
}

TEST(ToolsRecordFormat, TimesAreUtcCalendarTexts) {
    EXPECT_EQ(tools::utcText(1388534400), "2014-01-01T00:00:00Z");
    EXPECT_EQ(tools::utcText(951827696), "2000-02-29T12:34:56Z");
    EXPECT_EQ(tools::utcText(1388534400, 7), "2014-01-01T00:00:00.007Z");
    EXPECT_EQ(tools::utcText(0xFFFFFFFFLL), "2106-02-07T06:28:15Z");
}

TEST(ToolsRecordFormat, FormatNames) {
    tools::OutputFormat format = tools::OutputFormat::Text;
    EXPECT_TRUE(tools::parseOutputFormat("json", &format));
    EXPECT_EQ(format, tools::OutputFormat::Json);
    EXPECT_TRUE(tools::parseOutputFormat("csv", &format));
    EXPECT_EQ(format, tools::OutputFormat::Csv);
    EXPECT_FALSE(tools::parseOutputFormat("JSON", &format));
    EXPECT_EQ(format, tools::OutputFormat::Csv);
}

}  // namespace
