#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "route/route_readers.h"
#include "route/waypoint_table.h"
#include "tests/route/route_test_support.h"

namespace {

using route_test::CommandText;
using route_test::dataPath;
using route_test::isEmptyEntry;
using route_test::printedBy;
using route_test::quoted;

struct Expected {
    std::string id;
    float lat;
    float lon;
};

void expectEntries(const WaypointTable& table, const std::vector<Expected>& expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(std::string(table[i].id), expected[i].id);
        // The file's numbers are single precision, widened.
        EXPECT_EQ(table[i].lat, static_cast<double>(expected[i].lat));
        EXPECT_EQ(table[i].lon, static_cast<double>(expected[i].lon));
    }
    for (std::size_t i = expected.size(); i < kWaypointTableEntries; ++i) {
        EXPECT_TRUE(isEmptyEntry(table[i])) << "entry " << i << " should be empty";
    }
}

class RouteTypeI : public route_test::RouteTest {
  protected:
    std::string read(const std::string& path) {
        CommandText text(quoted(path) + " -type I");
        return printedBy([&] { readRouteFileI(text.get()); });
    }
    // Reads a file of `bytes` and returns what the reader printed after
    // "Found file: PATH".
    std::string readLines(const std::string& bytes) {
        const std::string path = temporaryFile("route.txt", bytes);
        const std::string printed = read(path);
        const std::string header = "Opening file: " + path + "Found file: " + path;
        EXPECT_EQ(printed.substr(0, header.size()), header);
        return printed.substr(std::min(header.size(), printed.size()));
    }
};

TEST_F(RouteTypeI, ReadsOneWaypointPerDirectLine) {
    EXPECT_EQ(readLines("ab,cd,WXYZ,DIRECT,47.5 -122.25,end,\n"),
              "47.5 -122.25\n47.500000 -122.250000\n");
    expectEntries(copyWaypointTable(), {{"WXYZ", 47.5f, -122.25f}});
}

// A Windows file in a folder whose name has blanks: lower-case "direct," is
// not a route line, an apostrophe ends the identifier and the scan, a fifth
// field without a comma runs to the line end, long fields are cut to fit.
TEST_F(RouteTypeI, ReadsTheAssortedWindowsFile) {
    const std::string path = dataPath("route i with blanks.txt");
    CommandText text(quoted(path) + " -type I -altitude 30000");
    const std::string printed = printedBy([&] { readRouteFileI(text.get()); });

    EXPECT_EQ(text.asCString(), "\"" + path);
    EXPECT_EQ(printed, "Opening file: " + path + "Found file: " + path +
                           "47.5 -122.25\n47.500000 -122.250000\n"
                           "\n0.000000 0.000000\n"
                           "-33.75 151.5\n\n-33.750000 151.500000\n"
                           "12.5 13.5 and text beyond 29 \n12.500000 13.500000\n");
    expectEntries(copyWaypointTable(), {{"WXYZ", 47.5f, -122.25f},
                                        {"OWNER", 0.0f, 0.0f},
                                        {"NOCOMMA", -33.75f, 151.5f},
                                        {"ABCDEFGHIJKLMNOPQRS", 12.5f, 13.5f}});
}

TEST_F(RouteTypeI, LatitudeOfMoreThanTenCharactersSpillsIntoTheLongitude) {
    EXPECT_EQ(readLines("a,b,LONG,DIRECT,47.123456789 -1.5,x,\n"),
              "47.123456789 -1.5\n47.123455 89.000000\n");
    expectEntries(copyWaypointTable(), {{"LONG", 47.1234567f, 89.0f}});
}

TEST_F(RouteTypeI, LeadingBlanksBelongToTheFields) {
    EXPECT_EQ(readLines(" a, b, ID ,DIRECT, 47.5 -1.5 ,x,\n"),
              " 47.5 -1.5 \n47.500000 -1.500000\n");
    expectEntries(copyWaypointTable(), {{" ID ", 47.5f, -1.5f}});
}

TEST_F(RouteTypeI, TheMarkCountsAnywhereAndOnlyWithItsComma) {
    readLines(
        "DIRECT,b,FIRST,x,1 2,y,\n"
        "a,b,NOCOMMA,DIRECT 3 4,z,\n"
        "a,b,LOWER,direct,5 6,z,\n"
        "a,b,LAST,x,7 8,DIRECT,\n");
    expectEntries(copyWaypointTable(), {{"FIRST", 1, 2}, {"LAST", 7, 8}});
}

// What a line does not give is zero, never the previous line's values.
TEST_F(RouteTypeI, LinesThatDoNotScanStoreZeros) {
    EXPECT_EQ(readLines("a,b,GOOD,DIRECT,47.5 -122.25,x,\n"
                        "a,,EMPTY,DIRECT,1 2,x,\n"
                        "a,b,WORDS,DIRECT,no numbers,x,\n"
                        "a,b,HALF,DIRECT,12.5,x,\n"
                        "DIRECT,\n"),
              "47.5 -122.25\n47.500000 -122.250000\n"
              "\n0.000000 0.000000\n"
              "no numbers\n0.000000 0.000000\n"
              "12.5\n12.500000 0.000000\n"
              "\n0.000000 0.000000\n");
    expectEntries(
        copyWaypointTable(),
        {{"GOOD", 47.5f, -122.25f}, {"", 0, 0}, {"WORDS", 0, 0}, {"HALF", 12.5f, 0}, {"", 0, 0}});
}

TEST_F(RouteTypeI, LongLineArrivesInPiecesEachTestedOnItsOwn) {
    // 1023 characters without the mark, then its rest with it: one entry.
    const std::string plainThenMarked = std::string(1023, 'x') + "a,b,SECOND,DIRECT,2 2,x,\n";
    // The mark in both pieces: two entries.
    std::string bothMarked = "a,b,P1,DIRECT,1 1,x,";
    bothMarked += std::string(1023 - bothMarked.size(), 'y') + "a,b,P2,DIRECT,3 3,x,\n";
    readLines(plainThenMarked + bothMarked);
    expectEntries(copyWaypointTable(), {{"SECOND", 2, 2}, {"P1", 1, 1}, {"P2", 3, 3}});
}

TEST_F(RouteTypeI, MoreThan100RouteLinesKeepTheFirst100) {
    std::string file;
    for (int i = 0; i < 103; ++i) {
        file += "a,b,W" + std::to_string(i) + ",DIRECT," + std::to_string(i + 1) + " 1,x,\n";
    }
    const std::string printed = readLines(file);
    const WaypointTable table = copyWaypointTable();
    EXPECT_STREQ(table[99].id, "W99");
    for (std::size_t i = 100; i < kWaypointTableEntries; ++i) {
        EXPECT_TRUE(isEmptyEntry(table[i])) << "entry " << i;
    }
    const std::string lastLines =
        "100 1\n100.000000 1.000000\nmore than 100 route lines: 3 left out\n";
    ASSERT_GE(printed.size(), lastLines.size());
    EXPECT_EQ(printed.substr(printed.size() - lastLines.size()), lastLines);
}

TEST_F(RouteTypeI, ClearsNothingBeyondItsOwnEntries) {
    publishWaypointTable(route_test::routeOf(3, "OLD"));
    readLines("a,b,NEW,DIRECT,1 1,x,\n");
    const WaypointTable table = copyWaypointTable();
    EXPECT_STREQ(table[0].id, "NEW");
    EXPECT_STREQ(table[1].id, "OLD1");
    EXPECT_STREQ(table[2].id, "OLD2");
}

TEST_F(RouteTypeI, FilesWithoutRouteLinesOrThatDoNotOpenLeaveTheTable) {
    publishWaypointTable(route_test::routeOf(3, "OLD"));
    EXPECT_EQ(readLines("[RTE]\na,b,c,direct,1 1,x,\n"), "");
    const std::string missing = directory_ + "/missing.txt";
    EXPECT_EQ(read(missing), "Opening file: " + missing);
    EXPECT_STREQ(copyWaypointTable()[0].id, "OLD0");
}

TEST_F(RouteTypeI, LongPathOpensItsFirst254Characters) {
    const std::string opened = directory_ + "/" + std::string(254 - directory_.size() - 1, 'i');
    ASSERT_EQ(opened.size(), 254u);
    route_test::writeFile(opened, "a,b,CUT,DIRECT,5 6,x,\n");
    read(opened + std::string(46, 'x'));
    EXPECT_STREQ(copyWaypointTable()[0].id, "CUT");
}

}  // namespace
