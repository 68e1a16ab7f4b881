// Reading network log records made by hand, sound and broken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/tools_test_support.h"
#include "tools/netlog/log_reader.h"

namespace {

using namespace tools_test;

struct ReadAll {
    std::vector<tools::LogRecord> records;
    std::optional<tools::LogFault> fault;
};

ReadAll readAll(const Bytes& log) {
    ReadAll result;
    std::size_t offset = 0;
    for (;;) {
        tools::LogRecord record;
        tools::LogFault fault;
        const tools::ReadResult read = tools::readRecord(log, &offset, &record, &fault);
        if (read == tools::ReadResult::End) {
            return result;
        }
        if (read == tools::ReadResult::Fault) {
            result.fault = fault;
            return result;
        }
        result.records.push_back(record);
    }
}

TEST(ToolsNetlogReader, ReadsTheOutgoingRecordOfTheNewYearExample) {
    // 02, the time 52C35A80 little-endian, the record with altitude B8 88 00 00, flag 00.
    const Bytes log = outgoingRecord(kNewYear2014, telemetry(35000), 0);
    ASSERT_EQ(log.size(), 102u);
    ASSERT_EQ(log[1], 0x80);
    ASSERT_EQ(log[4], 0x52);
    const ReadAll read = readAll(log);
    ASSERT_FALSE(read.fault);
    ASSERT_EQ(read.records.size(), 1u);
    const tools::LogRecord& record = read.records[0];
    EXPECT_EQ(record.timeSeconds, kNewYear2014);
    EXPECT_EQ(record.message.altitudeFeet, 35000);
    EXPECT_EQ(record.sent, 0);
    const std::string line = tools::formatRecord(record, tools::OutputFormat::Text);
    EXPECT_NE(line.find("2014-01-01T00:00:00Z dropped"), std::string::npos) << line;
    EXPECT_NE(line.find("alt 35000 ft"), std::string::npos) << line;
}

TEST(ToolsNetlogReader, NamesEachIncomingKindWithItsField) {
    const Bytes log =
        joined({incomingRecord(add_entry), heartbeatRecord(3),
                incomingRecord(command, {kCommandSpoilersToggle}), incomingRecord(end_flow),
                incomingRecord(7), heartbeatRecord(-2147483647 - 1)});
    const ReadAll read = readAll(log);
    ASSERT_FALSE(read.fault);
    ASSERT_EQ(read.records.size(), 6u);
    std::vector<std::string> lines;
    for (const tools::LogRecord& record : read.records) {
        lines.push_back(tools::formatRecord(record, tools::OutputFormat::Text));
    }
    EXPECT_EQ(lines[0], "       0  in   add_entry");
    EXPECT_EQ(lines[1], "      25  in   heartbeat 3");
    EXPECT_EQ(lines[2], "      50  in   command 2 (spoilers toggle)");
    EXPECT_EQ(lines[3], "      75  in   end_flow");
    EXPECT_EQ(lines[4], "     100  in   kind 7");
    EXPECT_EQ(lines[5], "     125  in   heartbeat -2147483648");
    EXPECT_EQ(tools::formatRecord(read.records[1], tools::OutputFormat::Json),
              "{\"offset\":25,\"record\":\"incoming\",\"kind\":\"heartbeat\",\"kindValue\":0,"
              "\"heartbeat\":3}");
    EXPECT_EQ(tools::formatRecord(read.records[2], tools::OutputFormat::Csv).substr(0, 24),
              "50,incoming,command,2,,,");
}

TEST(ToolsNetlogReader, UnknownTypeStopsReadingAndNamesItsOffset) {
    Bytes log = joined({incomingRecord(add_entry), Bytes{7}, heartbeatRecord(1)});
    const ReadAll read = readAll(log);
    ASSERT_EQ(read.records.size(), 1u);
    ASSERT_TRUE(read.fault);
    EXPECT_EQ(read.fault->offset, 25u);
    EXPECT_EQ(read.fault->description, "unknown record type 7");
    EXPECT_EQ(tools::faultText("network.log", *read.fault),
              "network.log: offset 25: unknown record type 7");

    const ReadAll zero = readAll(Bytes{0});
    ASSERT_TRUE(zero.fault);
    EXPECT_EQ(zero.fault->offset, 0u);
}

TEST(ToolsNetlogReader, RecordCutShortAtTheEndIsAFaultOfEitherType) {
    Bytes outgoing = outgoingRecord(kNewYear2014, telemetry(1), 1);
    outgoing.pop_back();  // the sent flag never made it
    const ReadAll cutOutgoing = readAll(joined({heartbeatRecord(1), outgoing}));
    ASSERT_EQ(cutOutgoing.records.size(), 1u);
    ASSERT_TRUE(cutOutgoing.fault);
    EXPECT_EQ(cutOutgoing.fault->offset, 25u);
    EXPECT_EQ(cutOutgoing.fault->description,
              "record of type 2 cut short: 102 bytes expected, 101 left in the file");

    const ReadAll cutIncoming = readAll(Bytes{1, 0, 0});
    ASSERT_TRUE(cutIncoming.fault);
    EXPECT_EQ(cutIncoming.fault->offset, 0u);

    EXPECT_FALSE(readAll(Bytes{}).fault);
}

TEST(ToolsNetlogReader, SummaryCountsKindsContentsFlagsAndTheTimeSpan) {
    const Bytes log = joined({
        incomingRecord(add_entry),
        heartbeatRecord(1),
        heartbeatRecord(2),
        outgoingRecord(kNewYear2014, telemetry(100), 0),
        outgoingRecord(kNewYear2014 + 60, makeNotice("PAUSED"), 1),
        outgoingRecord(kNewYear2014 + 3600, telemetry(200), 1),
    });
    const ReadAll read = readAll(log);
    ASSERT_FALSE(read.fault);
    tools::LogSummary summary;
    for (const tools::LogRecord& record : read.records) {
        summary.add(record);
    }
    EXPECT_EQ(tools::summaryText(summary),
              "records: 6 (incoming 3, outgoing 3)\n"
              "incoming: add_entry 1, heartbeat 2\n"
              "outgoing: PAUSED 1, telemetry 2; queued 2, dropped 1\n"
              "time: 2014-01-01T00:00:00Z to 2014-01-01T01:00:00Z\n");
    const std::string json = tools::summaryJson(summary, tools::LogFault{7, "x"});
    EXPECT_NE(json.find("\"incomingByKind\":{\"add_entry\":1,\"heartbeat\":2}"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"fault\":{\"offset\":7"), std::string::npos) << json;
}

TEST(ToolsNetlogReader, NoticesAndOddSentFlagsInOutgoingRecords) {
    const ReadAll read = readAll(joined({outgoingRecord(kNewYear2014, makeNotice("RESET"), 1),
                                         outgoingRecord(kNewYear2014, telemetry(5), 9)}));
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(tools::formatRecord(read.records[0], tools::OutputFormat::Text),
              "       0  out  2014-01-01T00:00:00Z queued   RESET");
    EXPECT_EQ(tools::formatRecord(read.records[0], tools::OutputFormat::Json),
              "{\"offset\":0,\"record\":\"outgoing\",\"time\":\"2014-01-01T00:00:00Z\","
              "\"timeSeconds\":1388534400,\"sent\":1,\"type\":\"notice\",\"notice\":\"RESET\"}");
    EXPECT_NE(tools::formatRecord(read.records[1], tools::OutputFormat::Text).find("sent-flag-9"),
              std::string::npos);
}

}  // namespace
