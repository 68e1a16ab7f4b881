// The client's own datagrams, the route reply and the command line, on bytes
// and arguments made by hand.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/client/client_options.h"
#include "tools/client/client_report.h"
#include "tools/client/relay_datagrams.h"

namespace {

using Reply = std::array<std::uint8_t, kRouteReplySize>;

void putRecord(Reply& reply, std::size_t slot, double lon, double lat, const char* id) {
    char text[kRouteRecordSize + 1];
    std::snprintf(text, sizeof text, kRouteRecordFormat, lon, lat, id);
    std::memcpy(reply.data() + slot * kRouteRecordSize, text, kRouteRecordSize);
}

TEST(ToolsClientDatagrams, ClientDatagramsCarryTheirKindAndFieldBigEndian) {
    const incomingMessage beat = tools::makeHeartbeat(258);
    const std::uint8_t expected[] = {0, 0, 0, 0, 0, 0, 1, 2, 0};
    EXPECT_EQ(std::memcmp(&beat, expected, sizeof expected), 0);
    const incomingMessage pause = tools::makeCommand(kCommandPauseToggle);
    EXPECT_EQ(readBigEndian32(pause.kind), command);
    EXPECT_EQ(pause.data[0], 1);
    EXPECT_EQ(readBigEndian32(tools::makeAddEntry().kind), add_entry);
    EXPECT_EQ(readBigEndian32(tools::makeEndFlow().kind), end_flow);
    EXPECT_EQ(tools::makeEndFlow().data[19], 0);
}

TEST(ToolsClientDatagrams, ShapeIsTheSizeAndNothingElse) {
    EXPECT_EQ(tools::shapeOf(4), tools::DatagramShape::Reply);
    EXPECT_EQ(tools::shapeOf(500), tools::DatagramShape::RouteDatagram);
    EXPECT_EQ(tools::shapeOf(96), tools::DatagramShape::Message);
    for (std::size_t size : {0, 3, 5, 24, 95, 97, 499, 2500}) {
        EXPECT_EQ(tools::shapeOf(size), tools::DatagramShape::Unknown) << size;
    }
}

TEST(ToolsClientDatagrams, RouteReplyListsOnlyTheFilledSlots) {
    Reply reply{};
    putRecord(reply, 0, -45.25, 12.5, "WPT1");
    putRecord(reply, 3, 151.1772, -33.9461, "ABCDEFG");
    putRecord(reply, 99, -179.99999, -89.5, "Z");
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(reply.data()), 25),
              " -45.25000  12.50000 WPT1");
    const std::vector<tools::RouteEntry> entries = tools::decodeRoute(reply);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].index, 0u);
    EXPECT_EQ(entries[0].id, "WPT1");
    EXPECT_DOUBLE_EQ(entries[0].lon, -45.25);
    EXPECT_DOUBLE_EQ(entries[0].lat, 12.5);
    EXPECT_EQ(entries[1].index, 3u);
    EXPECT_EQ(entries[1].id, "ABCDE");
    EXPECT_NEAR(entries[1].lat, -33.9461, 1e-9);
    EXPECT_EQ(entries[2].index, 99u);
    EXPECT_EQ(entries[2].id, "Z");
    EXPECT_FALSE(entries[2].malformed);
    EXPECT_TRUE(tools::decodeRoute(Reply{}).empty());
}

TEST(ToolsClientDatagrams, RouteRecordsThatAreNotThreeFieldsAreMarkedMalformed) {
    Reply reply{};
    std::memcpy(reply.data(), "garbage here, not numbers", kRouteRecordSize);
    putRecord(reply, 1, 1.0, 2.0, "OK");
    reply[kRouteRecordSize + 3] = 0;  // a NUL inside the longitude
    const std::vector<tools::RouteEntry> entries = tools::decodeRoute(reply);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].malformed);
    EXPECT_EQ(entries[0].raw, "garbage here, not numbers");
    EXPECT_TRUE(entries[1].malformed);
}

TEST(ToolsClientDatagrams, RouteAssemblyTakesFiveDatagramsInOrderOnlyWhenExpected) {
    tools::RouteAssembly assembly;
    const std::vector<std::uint8_t> blank(kRouteDatagramSize, 0);
    EXPECT_FALSE(assembly.add(blank));  // no route_entries reply yet
    EXPECT_EQ(assembly.received(), 0u);

    assembly.expect();
    Reply reply{};
    putRecord(reply, 20, 5.0, 6.0, "SECND");  // the first record of datagram 1
    for (std::size_t k = 0; k < kRouteDatagramCount; ++k) {
        const std::span<const std::uint8_t> part(reply.data() + k * kRouteDatagramSize,
                                                 kRouteDatagramSize);
        EXPECT_EQ(assembly.add(part), k + 1 == kRouteDatagramCount) << k;
    }
    EXPECT_FALSE(assembly.expecting());
    const std::vector<tools::RouteEntry> entries = assembly.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].index, 20u);
    EXPECT_EQ(entries[0].id, "SECND");
}

// A type P route keeps each identifier's line end on the wire; the client
// shows the identifier alone, in the table the text and CSV outputs share and in JSON.
TEST(ToolsClientReport, IdentifiersAreShownWithoutTheirLineEnd) {
    Reply reply{};
    putRecord(reply, 0, -122.25, 47.5, "KSEA\n");
    putRecord(reply, 1, -122.5, 45.5, "KPD\r\n");
    const std::vector<tools::RouteEntry> entries = tools::decodeRoute(reply);
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_EQ(entries[0].id, "KSEA\n") << "decoding keeps the route as it was sent";

    std::vector<std::string> lines;
    const tools::LineSink keep = [&lines](const std::string& line) { lines.push_back(line); };
    tools::ClientReport(tools::OutputFormat::Text, keep, keep).route(entries);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "    0  KSEA     47.50000  -122.25000");
    EXPECT_EQ(lines[3], "    1  KPD      45.50000  -122.50000");

    lines.clear();
    tools::ClientReport(tools::OutputFormat::Json, keep, keep).route(entries);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"id\":\"KSEA\","), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"id\":\"KPD\","), std::string::npos) << lines[0];
}

std::string parseError(std::vector<std::string_view> arguments) {
    tools::ClientOptions options;
    std::string error;
    return tools::parseClientOptions(arguments, &options, &error) ? "" : error;
}

TEST(ToolsClientOptions, DefaultsAndEveryOption) {
    tools::ClientOptions defaults;
    std::string error;
    ASSERT_TRUE(tools::parseClientOptions({}, &defaults, &error));
    EXPECT_EQ(defaults.host, "127.0.0.1");
    EXPECT_EQ(defaults.port, 1577);
    EXPECT_EQ(defaults.heartbeatSeconds, 1.0);
    EXPECT_EQ(defaults.format, tools::OutputFormat::Text);

    tools::ClientOptions options;
    ASSERT_TRUE(tools::parseClientOptions(
        {"--host", "localhost", "--port", "65535", "--bind", "127.0.0.2", "--heartbeat", "0.25",
         "--format", "csv", "--count", "3", "--duration", "1.5", "--pause", "--spoilers"},
        &options, &error))
        << error;
    EXPECT_EQ(options.host, "127.0.0.1");
    EXPECT_EQ(options.port, 65535);
    EXPECT_EQ(options.bind, "127.0.0.2");
    EXPECT_EQ(options.heartbeatSeconds, 0.25);
    EXPECT_EQ(options.format, tools::OutputFormat::Csv);
    EXPECT_EQ(options.count, 3);
    EXPECT_EQ(options.durationSeconds, 1.5);
    EXPECT_TRUE(options.pauseAtStart);
    EXPECT_TRUE(options.spoilersAtStart);
}

TEST(ToolsClientOptions, BadValuesAreRefusedWithTheReason) {
    EXPECT_EQ(parseError({"--port", "0"}), "bad value '0' for --port");
    EXPECT_EQ(parseError({"--port", "65536"}), "bad value '65536' for --port");
    EXPECT_EQ(parseError({"--port", "12ab"}), "bad value '12ab' for --port");
    EXPECT_EQ(parseError({"--heartbeat", "0"}), "bad value '0' for --heartbeat");
    EXPECT_EQ(parseError({"--heartbeat", "nan"}), "bad value 'nan' for --heartbeat");
    EXPECT_EQ(parseError({"--heartbeat", "4.999"}), "");
    EXPECT_EQ(parseError({"--heartbeat", "5"}),
              "bad value '5' for --heartbeat: below 5 is needed, as the relay drops every client "
              "after 5 seconds without a datagram");
    EXPECT_EQ(parseError({"--count", "-1"}), "bad value '-1' for --count");
    EXPECT_EQ(parseError({"--duration", "1s"}), "bad value '1s' for --duration");
    EXPECT_EQ(parseError({"--format", "xml"}), "bad value 'xml' for --format: text, json or csv");
    EXPECT_NE(parseError({"--host", "relay.example"}).find("IPv4 address"), std::string::npos);
    EXPECT_EQ(parseError({"--count"}), "--count needs a value");
    EXPECT_EQ(parseError({"-port", "1"}), "unknown option '-port'");
}

}  // namespace
