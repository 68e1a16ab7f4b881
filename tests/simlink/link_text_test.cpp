// The link's text form: line assembly, fields and numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "simlink/link_text.h"

namespace {

using simlink::LineAssembler;

TEST(SimLinkText, LinesSplitAcrossPiecesAreJoinedAndCarriageReturnsDropped) {
    LineAssembler assembler;
    std::vector<std::string> lines;
    assembler.append("EVENT\t0\t", lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(assembler.hasPartialLine());
    assembler.append("1\t0\nQUIT\r\nRE", lines);
    assembler.append("CV\t7\n\n", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"EVENT\t0\t1\t0", "QUIT", "RECV\t7", ""}));
    EXPECT_FALSE(assembler.hasPartialLine());
}

TEST(SimLinkText, AnOverlongLineIsDroppedWholeAndTheNextLineStillArrives) {
    LineAssembler assembler;
    std::vector<std::string> lines;
    const std::string chunk(simlink::kMaxLineBytes / 4, 'x');
    for (int i = 0; i < 5; ++i) {
        assembler.append(chunk, lines);
    }
    assembler.append("still the long line\nQUIT\n", lines);
    EXPECT_EQ(lines, std::vector<std::string>{"QUIT"});
    EXPECT_EQ(assembler.takeOverlongCount(), 1u);
    EXPECT_EQ(assembler.takeOverlongCount(), 0u);

    // A line of exactly the limit is still accepted.
    assembler.append(std::string(simlink::kMaxLineBytes, 'y') + "\n", lines);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].size(), simlink::kMaxLineBytes);
}

TEST(SimLinkText, FieldsSplitOnEveryTabAndKeepEmptyOnes) {
    EXPECT_EQ(simlink::splitFields("a\t\tb\t"), (std::vector<std::string_view>{"a", "", "b", ""}));
    EXPECT_EQ(simlink::splitFields(""), std::vector<std::string_view>{""});
    EXPECT_EQ(simlink::fieldText("a\tb\nc\rd"), "a b c d");
}

TEST(SimLinkText, IdsAreWholeUnsignedThirtyTwoBitDecimals) {
    std::uint32_t id = 0;
    EXPECT_TRUE(simlink::parseId("4294967295", id));
    EXPECT_EQ(id, 0xFFFFFFFFu);
    EXPECT_EQ(simlink::formatId(0xFFFFFFFFu), "4294967295");
    for (const char* bad : {"4294967296", "-1", "", "12x", " 1", "1.0"}) {
        EXPECT_FALSE(simlink::parseId(bad, id)) << bad;
    }
}

TEST(SimLinkText, FloatsReadBackToTheSameBitsAndAnyDecimalFormIsRead) {
    for (const double value : {0.1, -122.30937451234, 1e-300, 47.449888888888886, 0.0}) {
        double back = 0.0;
        ASSERT_TRUE(simlink::parseDouble(simlink::formatDouble(value), back));
        EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << value;
    }
    for (const float value : {0.1f, 3048.0f, -33.9461f, std::numeric_limits<float>::min()}) {
        float back = 0.0f;
        ASSERT_TRUE(simlink::parseFloat(simlink::formatFloat(value), back));
        EXPECT_EQ(back, value);
    }
    double value = 0.0;
    EXPECT_TRUE(simlink::parseDouble("+2.5E2", value));
    EXPECT_EQ(value, 250.0);
    EXPECT_TRUE(simlink::parseDouble("7", value));
    EXPECT_EQ(value, 7.0);
    for (const char* bad : {"", "1,5", "0x10", "1.0 ", "+-1", "abc"}) {
        EXPECT_FALSE(simlink::parseDouble(bad, value)) << bad;
    }
}

}  // namespace
