// Tests of the statements that send an insert's rows in batches.
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

// PostgreSQL reads a batch from one array per marker; the other values of
// the row stay where they stand.
TEST(ColumnArraysStatement, SelectsTheRowFromOneArrayPerMarker) {
    EXPECT_EQ(columnArraysStatement("INSERT INTO S.T (A, B, C, D) VALUES (100, ?, 'a ? b', ?)", {"int4[]", "varchar[]"}),
              "INSERT INTO S.T (A, B, C, D) SELECT 100, u.c1, 'a ? b', u.c2 FROM unnest(?::int4[], ?::varchar[]) AS "
              "u(c1, c2)");
    EXPECT_EQ(columnArraysStatement("INSERT INTO T (A) VALUES (?)", {"int4[]", "int4[]"}), "");
    EXPECT_EQ(columnArraysStatement("INSERT INTO T (A) VALUES (1)", {}), "");
    EXPECT_EQ(columnArraysStatement("UPDATE T SET A = ?", {"int4[]"}), "");
}

// The text of an array element reads back as the parameter: NULL stays NULL,
// a text stays a text whatever it holds.
TEST(ColumnArraysStatement, ElementsKeepTheirValues) {
    std::string array;
    for (const InsertParameter& parameter :
         {InsertParameter::integer(-7), InsertParameter::smallInteger(3), InsertParameter::nullInteger(),
          InsertParameter::nullText(), InsertParameter::text("NULL"), InsertParameter::text("it's \"ü\" a\\b, {c}"),
          InsertParameter::text(""), InsertParameter::text("007")}) {
        parameter.appendArrayElement(array);
        array += ',';
    }
    EXPECT_EQ(array, "-7,3,NULL,NULL,\"NULL\",\"it's \\\"ü\\\" a\\\\b, {c}\",\"\",\"007\",");
    EXPECT_STREQ(InsertParameter::integer(1).arrayType(), "int4[]");
    EXPECT_STREQ(InsertParameter::smallInteger(1).arrayType(), "int2[]");
    EXPECT_STREQ(InsertParameter::nullText().arrayType(), "varchar[]");
}

} // namespace
} // namespace norvak::test
