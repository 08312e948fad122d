#include "unit/TestRun.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace norvak::test
