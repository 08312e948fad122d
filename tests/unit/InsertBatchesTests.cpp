#include "dbsession/InsertBatches.h"

#include <gtest/gtest.h>

namespace norvak::test {
namespace {

// The statement of a batch repeats the VALUES row of the single-row insert,
// literals and all; a literal that looks like SQL stays inside its row.
TEST(ManyRowsStatement, RepeatsTheValuesRowOfTheInsert) {
    EXPECT_EQ(manyRowsStatement("INSERT INTO T (A, B) VALUES (?, 'x')", 3),
              "INSERT INTO T (A, B) VALUES (?, 'x'), (?, 'x'), (?, 'x')");
    EXPECT_EQ(manyRowsStatement("INSERT INTO S.T (A) VALUES (?)", 1), "INSERT INTO S.T (A) VALUES (?)");
    EXPECT_EQ(manyRowsStatement("INSERT INTO T (A, B) VALUES (?, 'a VALUES (b)')", 2),
              "INSERT INTO T (A, B) VALUES (?, 'a VALUES (b)'), (?, 'a VALUES (b)')");
}

TEST(ManyRowsStatement, IsEmptyForAnythingButOneValuesRow) {
    EXPECT_EQ(manyRowsStatement("UPDATE T SET A = ?", 2), "");
    EXPECT_EQ(manyRowsStatement("INSERT INTO T (A) SELECT A FROM U", 2), "");
    EXPECT_EQ(manyRowsStatement("INSERT INTO T (A) VALUES (?) RETURNING A", 2), "");
    EXPECT_EQ(manyRowsStatement("INSERT INTO T (A) VALUES (?)", 0), "");
}

} // namespace
} // namespace norvak::test
