// What the readers do with paths that are no regular files, with files too
// large to be routes, and with numbers that are not in decimal form.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "route/route_readers.h"
#include "route/waypoint_table.h"
#include "tests/route/route_test_support.h"

namespace {

using route_test::CommandText;
using route_test::quoted;

class RouteFileKinds : public route_test::RouteTest {
  protected:
    // Runs a route file reader on `path`; returns its error stream.
    template <typename Reader>
    std::string errorsOfReading(Reader reader, const std::string& path) {
        CommandText text(quoted(path));
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        reader(text.get());
        ::testing::internal::GetCapturedStdout();
        return ::testing::internal::GetCapturedStderr();
    }

    // A FIFO nobody writes to: opening it to read would wait for a writer.
    std::string fifo() {
        const std::string path = directory_ + "/fifo";
        if (std::system(("mkfifo '" + path + "'").c_str()) != 0) {
            return {};
        }
        return path;
    }
};

TEST_F(RouteFileKinds, RouteFilesThatAreNoFilesDoNotOpenAndSayWhy) {
    const std::string fifoPath = fifo();
    publishWaypointTable(route_test::routeOf(2, "OLD"));
    const std::string missing = directory_ + "/missing.rte";
    EXPECT_EQ(errorsOfReading(readRouteFileP, missing),
              "The route file \"" + missing + "\" does not open: no such file\n");
    EXPECT_EQ(errorsOfReading(readRouteFileI, directory_),
              "The route file \"" + directory_ + "\" does not open: not a regular file\n");
    EXPECT_EQ(errorsOfReading(readRouteFileP, "/dev/zero"),
              "The route file \"/dev/zero\" does not open: not a regular file\n");
    if (!fifoPath.empty()) {
        EXPECT_EQ(errorsOfReading(readRouteFileI, fifoPath),
                  "The route file \"" + fifoPath + "\" does not open: not a regular file\n");
    }
    EXPECT_STREQ(copyWaypointTable()[0].id, "OLD0");
}

TEST_F(RouteFileKinds, ReadingStopsAtFourMebibytes) {
    // A first waypoint, then short lines to the limit, then one that is not read.
    std::string text = "a,b,FIRST,DIRECT,1 2,x,\n";
    text.append(4 * 1024 * 1024 - text.size(), '\n');
    text += "a,b,LATE,DIRECT,3 4,x,\n";
    const std::string path = temporaryFile("large.txt", text);
    EXPECT_EQ(errorsOfReading(readRouteFileI, path),
              "The route file is larger than 4 MiB: only its first 4 MiB were read\n");
    const WaypointTable table = copyWaypointTable();
    EXPECT_STREQ(table[0].id, "FIRST");
    EXPECT_TRUE(route_test::isEmptyEntry(table[1]));

    text.resize(4 * 1024 * 1024);  // exactly at the limit: all of it is read
    EXPECT_EQ(errorsOfReading(readRouteFileI, temporaryFile("limit.txt", text)), "");
}

TEST_F(RouteFileKinds, PlansThatAreNoFilesClearTheRouteWithoutWaiting) {
    const std::string fifoPath = fifo();
    for (const std::string& path : {directory_, std::string("/dev/zero"), fifoPath}) {
        if (path.empty()) {
            continue;
        }
        publishWaypointTable(route_test::routeOf(2, "OLD"));
        readSimFlightPlan(path.c_str());
        EXPECT_TRUE(route_test::isEmptyEntry(copyWaypointTable()[0])) << path;
    }
}

TEST_F(RouteFileKinds, NumbersInRouteFilesAreDecimalOnly) {
    // Hexadecimal, INF and NAN stop the scan as words do; the values not
    // reached stay 0. A latitude beyond a float's range is infinite.
    route_test::writeFile(directory_ + "/p.rte",
                          "hdr\nHEX\nx\n1 N 0x1p4 E 5 padding\nINF\nx\n1 S 1 W nan pad\n"
                          "BIG\nx\n1 N 1e99 E 2 pad\n");
    errorsOfReading(readRouteFileP, directory_ + "/p.rte");
    WaypointTable table = copyWaypointTable();
    EXPECT_EQ(table[0].lat, 0.0);  // "0", then the letter "x" and the number "1"
    EXPECT_EQ(table[0].lon, -1.0);
    EXPECT_EQ(table[1].lat, -1.0);
    EXPECT_EQ(table[1].lon, -0.0);
    EXPECT_TRUE(std::isinf(table[2].lat));
    EXPECT_EQ(table[2].lon, 2.0);

    route_test::writeFile(directory_ + "/i.txt", "a,b,ID,DIRECT,0x10 -0x2,x,\n");
    errorsOfReading(readRouteFileI, directory_ + "/i.txt");
    table = copyWaypointTable();
    EXPECT_EQ(table[0].lat, 0.0);
    EXPECT_EQ(table[0].lon, 0.0);
}

}  // namespace
