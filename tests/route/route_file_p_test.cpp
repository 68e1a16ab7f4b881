#include <gtest/gtest.h>

#include <ostream>
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
    double lat;
    double lon;
};

void expectEntries(const WaypointTable& table, const std::vector<Expected>& expected,
                   std::size_t untouchedFrom) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(std::string(table[i].id), expected[i].id);
        EXPECT_NEAR(table[i].lat, expected[i].lat, 1e-5);
        EXPECT_NEAR(table[i].lon, expected[i].lon, 1e-5);
    }
    for (std::size_t i = untouchedFrom; i < kWaypointTableEntries; ++i) {
        EXPECT_TRUE(isEmptyEntry(table[i])) << "entry " << i << " should be empty";
    }
}

class RouteTypeP : public route_test::RouteTest {
  protected:
    // Reads `path` as the command line "-flightplan "PATH" -type P" names it
    // and returns the console output.
    std::string read(const std::string& path) {
        CommandText text(quoted(path) + " -type P");
        return printedBy([&] { readRouteFileP(text.get()); });
    }
};

// A route file of six lines with Windows line ends: the identifier, two
// short lines, the coordinate line.
TEST_F(RouteTypeP, ReadsTheWaypointBlockOfAWindowsFile) {
    const std::string path = dataPath("route_p_crlf.rte");
    const std::string printed = read(path);
    EXPECT_EQ(printed, "Opening file: " + path + "Found file: " + path +
                           "coord lat and long and id:47.500000 -122.250000 ABCD\n\n");
    expectEntries(copyWaypointTable(), {{"ABCD\n", 47.5, -122.25}}, 1);
}

TEST_F(RouteTypeP, ClearsNothingBeyondItsOwnEntries) {
    publishWaypointTable(route_test::routeOf(3, "OLD"));
    read(dataPath("route_p_crlf.rte"));
    const WaypointTable table = copyWaypointTable();
    EXPECT_STREQ(table[0].id, "ABCD\n");
    EXPECT_STREQ(table[1].id, "OLD1");
    EXPECT_STREQ(table[2].id, "OLD2");
}

// A piece of 127 characters and the rest of the line are two reads: both
// are coordinate lines, each with the identifier three reads before it.
TEST_F(RouteTypeP, LongLineIsReadInPieces) {
    read(dataPath("route_p_long_line.rte"));
    expectEntries(copyWaypointTable(), {{"first\n", 10, 20}, {"WPT1\n", -5.5, -6.25}}, 2);
}

struct LineCase {
    const char* name;
    std::string fileBytes;
    std::vector<Expected> entries;
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.name;
}

class RouteTypePLines : public RouteTypeP, public ::testing::WithParamInterface<LineCase> {};

TEST_P(RouteTypePLines, SelectsAndScansCoordinateLines) {
    const LineCase& c = GetParam();
    read(temporaryFile("route.rte", c.fileBytes));
    expectEntries(copyWaypointTable(), c.entries, c.entries.size());
}

INSTANTIATE_TEST_SUITE_P(
    RouteTypePFiles, RouteTypePLines,
    ::testing::Values(
        // 14 characters and the line end make 15: too short.
        LineCase{"FifteenIsShort", "first\nID\nb\n1 N 1 E 2 3456\n", {}},
        LineCase{"SixteenIsTaken", "first\nID\nb\n1 N 1 E 2 34567\n", {{"first\n", 1, 2}}},
        // CR LF arrives as one line end, on every platform.
        LineCase{"CrLfCountsAsOneCharacter", "first\r\nID\r\nb\r\n1 N 1 E 2 3456\r\n", {}},
        LineCase{"CrLfSixteen", "first\r\nID\r\nb\r\n1 N 1 E 2 34567\r\n", {{"first\n", 1, 2}}},
        // A lone CR is an ordinary character.
        LineCase{"LoneCrCounts", "first\nID\nb\n1 N 1 E 2 34\r56\n", {{"first\n", 1, 2}}},
        // A CR LF pair that straddles the 127-character piece is still one
        // line end, so the history is not shifted by a stray piece.
        LineCase{"CrLfAtPieceBoundary",
                 "hdr\nID\nx\n1 N 1 E 2 " + std::string(116, 'p') + "\r\ny\nz\n1 N 3 E 4 padding\n",
                 {{"hdr\n", 1, 2}, {"1 N 1 E 2 ppppppppp", 3, 4}}},
        // The last line without a line end counts its visible characters.
        LineCase{"LastLineFifteenVisible", "first\nID\nb\n1 N 1 E 2 34567", {}},
        LineCase{"LastLineSixteenVisible", "first\nID\nb\n1 N 1 E 2 345678", {{"first\n", 1, 2}}},
        LineCase{"FirstLineIsNeverTaken", "1 N 9 E 9 a long first line\n", {}},
        // The identifier is the line three reads back; before the fourth
        // read there is none.
        LineCase{"IdentifierThreeReadsBack",
                 "ID0\n1 N 1 E 1 padding\n1 N 2 E 2 padding\n1 N 3 E 3 padding\n",
                 {{"", 1, 1}, {"", 2, 2}, {"ID0\n", 3, 3}}},
        LineCase{"IdentifierOfTwentyIsCutTo19",
                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ\na\nb\n1 N 1 E 2 padding\n",
                 {{"ABCDEFGHIJKLMNOPQRS", 1, 2}}},
        // Anything but capital N and E means south and west.
        LineCase{"HemisphereLetters",
                 "hdr\nA\nB\n1 S 1.5 W 2.5 xxxxx\n1 n 1.5 e 2.5 xxxxx\n1 X 1.5 Y 2.5 xxxxx\n",
                 {{"hdr\n", -1.5, -2.5}, {"A\n", -1.5, -2.5}, {"B\n", -1.5, -2.5}}},
        // What a line does not give is zero, never the previous line's.
        LineCase{"UnscannedPartsAreZero",
                 "hdr\nA\nB\n1 N 47.5 E 122.25 33000\nthis does not scan\n7 N 47.5 Wxyz pad\n",
                 {{"hdr\n", 47.5, 122.25}, {"A\n", 0, 0}, {"B\n", 47.5, 0}}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST_F(RouteTypeP, MoreThan100CoordinateLinesKeepTheFirst100) {
    std::string file = "hdr\n";
    for (int i = 0; i < 105; ++i) {
        file += "1 N " + std::to_string(i + 1) + " E 1 padding\n";
    }
    const std::string printed = read(temporaryFile("long.rte", file));

    const WaypointTable table = copyWaypointTable();
    EXPECT_DOUBLE_EQ(table[99].lat, 100.0);
    for (std::size_t i = 100; i < kWaypointTableEntries; ++i) {
        EXPECT_TRUE(isEmptyEntry(table[i])) << "entry " << i;
    }
    const std::string lastLines =
        "coord lat and long and id:100.000000 1.000000 1 N 97 E 1 padding\n\n"
        "more than 100 route lines: 5 left out\n";
    ASSERT_GE(printed.size(), lastLines.size());
    EXPECT_EQ(printed.substr(printed.size() - lastLines.size()), lastLines);
}

TEST_F(RouteTypeP, QuotedPathEndsTheCommandLineAtItsClosingQuote) {
    const std::string path = dataPath("route_p_crlf.rte");
    CommandText text(quoted(path) + " -type P -altitude 30000");
    printedBy([&] { readRouteFileP(text.get()); });
    EXPECT_EQ(text.asCString(), "\"" + path);
    EXPECT_STREQ(copyWaypointTable()[0].id, "ABCD\n");
}

TEST_F(RouteTypeP, UnquotedPathIsTheWholeRestOfTheLine) {
    const std::string path = dataPath("route_p_crlf.rte");
    CommandText last(path);
    printedBy([&] { readRouteFileP(last.get()); });
    EXPECT_STREQ(copyWaypointTable()[0].id, "ABCD\n");

    publishWaypointTable(route_test::emptyTable());
    CommandText followed(path + " -type P");
    EXPECT_EQ(printedBy([&] { readRouteFileP(followed.get()); }),
              "Opening file: " + path + " -type P");
    EXPECT_TRUE(isEmptyEntry(copyWaypointTable()[0]));
}

TEST_F(RouteTypeP, FileThatDoesNotOpenLeavesTheTable) {
    publishWaypointTable(route_test::routeOf(3, "OLD"));
    const std::string path = directory_ + "/missing.rte";
    EXPECT_EQ(read(path), "Opening file: " + path);
    EXPECT_STREQ(copyWaypointTable()[0].id, "OLD0");
    // A folder does not open as a route file either.
    EXPECT_EQ(read(directory_), "Opening file: " + directory_);
    EXPECT_STREQ(copyWaypointTable()[0].id, "OLD0");
}

TEST_F(RouteTypeP, FileOfShortLinesStoresNothing) {
    publishWaypointTable(route_test::routeOf(3, "OLD"));
    const std::string path = temporaryFile("short.rte", "a\nbb\nccc\n");
    EXPECT_EQ(read(path), "Opening file: " + path + "Found file: " + path);
    EXPECT_STREQ(copyWaypointTable()[0].id, "OLD0");
}

TEST_F(RouteTypeP, LongPathOpensItsFirst255Characters) {
    const std::string opened = directory_ + "/" + std::string(255 - directory_.size() - 1, 'p');
    ASSERT_EQ(opened.size(), 255u);
    route_test::writeFile(opened, "hdr\nID\nx\n1 N 5 E 6 padding\n");
    read(opened + std::string(45, 'x'));
    EXPECT_DOUBLE_EQ(copyWaypointTable()[0].lat, 5.0);
}

}  // namespace
