// Tests of the name table: shared texts, offsets and growth.
#include "unit/TestRun.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace norvak::test {
namespace {

TEST(NameTable, EqualTextsShareOneIndexAndTheFirstTextIsAtOne) {
    TestRun t;
    int first = insertName(t.run, t.run, "alpha");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(insertName(t.run, t.run, "beta"), 7);
    EXPECT_EQ(insertName(t.run, t.run, "alpha"), first);
    EXPECT_NE(insertName(t.run, t.run, "Alpha"), first);
    EXPECT_EQ(insertName(t.run, t.run, ""), 0);
    EXPECT_EQ(t.text(first), "alpha");
}

TEST(NameTable, IndexesStayByteOffsetsOverManyTextsAndTraceShowsThem) {
    TestRun t;
    int expected = 1;
    std::vector<int> indexes;
    for (int i = 0; i < 5000; ++i) {
        std::string text = "name" + std::to_string(i);
        indexes.push_back(insertName(t.run, t.run, text));
        ASSERT_EQ(indexes.back(), expected) << text;
        expected += static_cast<int>(text.size()) + 1;
    }
    for (std::size_t i = 0; i < indexes.size(); ++i)
        ASSERT_EQ(insertName(t.run, t.run, "name" + std::to_string(i)), indexes[i]);
    EXPECT_EQ(insertName(t.run, t.run, "name"), expected); // a prefix of stored texts is a text of its own
    EXPECT_EQ(insertName(t.run, t.run, std::string_view("name7\0tail", 10)), indexes[7]); // a text ends at a zero byte
    EXPECT_EQ(t.output(), "");
    t.run.traceSw = 1;
    insertName(t.run, t.run, "name3");
    insertName(t.run, t.run, "");
    EXPECT_EQ(t.output(), "==> insertName name3\n<== insertName returned 19\n"
                          "==> insertName \n<== insertName returned 0\n");
}

TEST(NameTable, FullAreaGrowsByDoublingAndKeepsEveryIndex) {
    TestRun full; // byte 0, the text, its terminator and the end mark fill the area exactly
    EXPECT_EQ(insertName(full.run, full.run, std::string(262141, 'x')), 1);
    EXPECT_EQ(full.run.names.size(), 262144);
    EXPECT_EQ(full.output(), "");
    TestRun t; // one byte more does not fit
    EXPECT_EQ(insertName(t.run, t.run, std::string(262141, 'x')), 1);
    EXPECT_EQ(insertName(t.run, t.run, "y"), 262143);
    EXPECT_EQ(t.run.names.size(), 524288);
    EXPECT_EQ(t.output(), "Name table size increased to 524288\n");
    EXPECT_EQ(t.text(1), std::string(262141, 'x'));
    EXPECT_EQ(insertName(t.run, t.run, std::string(262141, 'x')), 1);
    TestRun one;
    EXPECT_EQ(insertName(one.run, one.run, std::string(262142, 'x')), 1);
    EXPECT_EQ(one.output(), "Name table size increased to 524288\n");

    TestRun u; // a text larger than the doubled area: one enlargement, large enough
    EXPECT_EQ(insertName(u.run, u.run, "before"), 1);
    EXPECT_EQ(insertName(u.run, u.run, std::string(600000, 'z')), 8);
    EXPECT_EQ(u.run.names.size(), 1048576);
    EXPECT_EQ(u.output(), "Name table size increased to 1048576\n");
    EXPECT_EQ(u.text(1), "before");
    EXPECT_EQ(insertName(u.run, u.run, "after"), 600009);
    EXPECT_EQ(u.run.errSw, 0);
}

TEST(NameTable, TextsHandedOutStayReadableWhileTheAreaGrowsAndIndexesStayOffsets) {
    TestRun t;
    struct Held {
        std::string text;
        int index;
        const char* pointer;
        std::string_view view;
    };
    std::vector<Held> held;
    int expected = 1;
    const std::string stem(1000, 'n');
    for (int i = 0; i < 3000; ++i) { // about 1.5 MB: the area doubles three times
        std::string text = (i % 2 ? stem : "short") + std::to_string(i);
        int index = insertName(t.run, t.run, text);
        ASSERT_EQ(index, expected) << text;
        expected += static_cast<int>(text.size()) + 1;
        held.push_back({text, index, t.run.text(index), t.run.names.name(index)});
    }
    EXPECT_EQ(t.output(), "Name table size increased to 524288\nName table size increased to 1048576\n"
                          "Name table size increased to 2097152\n");
    EXPECT_EQ(t.run.names.used(), expected);
    for (const Held& h : held) {
        ASSERT_STREQ(h.pointer, h.text.c_str()) << h.index;
        ASSERT_EQ(h.view, h.text) << h.index;
        ASSERT_EQ(h.view.data()[h.view.size()], '\0') << h.index; // a view can go to printf
        ASSERT_EQ(t.run.names.name(h.index), h.text) << h.index;
        ASSERT_EQ(insertName(t.run, t.run, h.text), h.index) << h.index;
    }
    EXPECT_EQ(t.run.names.name(0), "");
    EXPECT_STREQ(t.run.names.text(0), "");
    EXPECT_EQ(t.run.names.name(0).data()[0], '\0');
    EXPECT_EQ(t.run.errSw, 0);
}

#ifndef NDEBUG
TEST(NameTableDeathTest, AnIndexOutsideTheAreaStopsADebugBuild) {
    TestRun t;
    int index = insertName(t.run, t.run, "alpha");
    EXPECT_EQ(t.run.names.name(index), "alpha");
    EXPECT_DEATH((void)t.run.names.text(-1), "name index -1 outside 0\\.\\.6");
    EXPECT_DEATH((void)t.run.names.name(7), "name index 7 outside 0\\.\\.6");
    EXPECT_DEATH((void)t.run.text(100000), "name index 100000 outside 0\\.\\.6");
}
#endif

} // namespace
} // namespace norvak::test
