#include "unit/TestRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak::test {
namespace {

TEST(NameTable, EqualTextsShareOneIndexAndTheFirstTextIsAtOne) {
    TestRun t;
    int first = insertName(t.run, "alpha");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(insertName(t.run, "beta"), 7);
    EXPECT_EQ(insertName(t.run, "alpha"), first);
    EXPECT_NE(insertName(t.run, "Alpha"), first);
    EXPECT_EQ(insertName(t.run, ""), 0);
    EXPECT_EQ(t.text(first), "alpha");
}

TEST(NameTable, IndexesStayByteOffsetsOverManyTextsAndTraceShowsThem) {
    TestRun t;
    int expected = 1;
    std::vector<int> indexes;
    for (int i = 0; i < 5000; ++i) {
        std::string text = "name" + std::to_string(i);
        indexes.push_back(insertName(t.run, text));
        ASSERT_EQ(indexes.back(), expected) << text;
        expected += static_cast<int>(text.size()) + 1;
    }
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(insertName(t.run, "name" + std::to_string(i)), indexes[i]);
    EXPECT_EQ(insertName(t.run, "name"), expected); // a prefix of stored texts is a text of its own
    EXPECT_EQ(insertName(t.run, std::string_view("name7\0tail", 10)), indexes[7]); // a text ends at a zero byte
    EXPECT_EQ(t.output(), "");
    t.run.traceSw = 1;
    insertName(t.run, "name3");
    insertName(t.run, "");
    EXPECT_EQ(t.output(), "==> insertName name3\n<== insertName returned 19\n"
                          "==> insertName \n<== insertName returned 0\n");
}

TEST(NameTable, FullAreaGrowsByDoublingAndKeepsEveryIndex) {
    TestRun full; // byte 0, the text, its terminator and the end mark fill the area exactly
    EXPECT_EQ(insertName(full.run, std::string(262141, 'x')), 1);
    EXPECT_EQ(full.run.names.size(), 262144);
    EXPECT_EQ(full.output(), "");
    TestRun t; // one byte more does not fit
    EXPECT_EQ(insertName(t.run, std::string(262141, 'x')), 1);
    EXPECT_EQ(insertName(t.run, "y"), 262143);
    EXPECT_EQ(t.run.names.size(), 524288);
    EXPECT_EQ(t.output(), "Name table size increased to 524288\n");
    EXPECT_EQ(t.text(1), std::string(262141, 'x'));
    EXPECT_EQ(insertName(t.run, std::string(262141, 'x')), 1);
    TestRun one;
    EXPECT_EQ(insertName(one.run, std::string(262142, 'x')), 1);
    EXPECT_EQ(one.output(), "Name table size increased to 524288\n");

    TestRun u; // a text larger than the doubled area: one enlargement, large enough
    EXPECT_EQ(insertName(u.run, "before"), 1);
    EXPECT_EQ(insertName(u.run, std::string(600000, 'z')), 8);
    EXPECT_EQ(u.run.names.size(), 1048576);
    EXPECT_EQ(u.output(), "Name table size increased to 1048576\n");
    EXPECT_EQ(u.text(1), "before");
    EXPECT_EQ(insertName(u.run, "after"), 600009);
    EXPECT_EQ(u.run.errSw, 0);
}

} // namespace
} // namespace norvak::test
