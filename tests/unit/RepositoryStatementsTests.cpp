// Unit tests of the statements on the repository's tables: every insert names as many values as columns.
#include "dbsession/RepositoryStatements.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak {
namespace {

// The comma-separated entries between the parentheses that follow `from`.
std::size_t entriesAfter(const std::string& statement, const std::string& from) {
    std::size_t open = statement.find(from);
    EXPECT_NE(open, std::string::npos) << statement;
    open = statement.find('(', open);
    std::size_t close = statement.find(')', open);
    std::size_t entries = 1;
    bool quoted = false;
    for (std::size_t i = open + 1; i < close; ++i) {
        if (statement[i] == '\'')
            quoted = !quoted;
        else if (statement[i] == ',' && !quoted)
            ++entries;
    }
    return entries;
}

// A statement whose values and columns differ in number fails on every
// database, but only when that writer runs: each insert is checked here.
TEST(RepositoryStatements, EveryInsertGivesAValueForEachColumnItNames) {
    const std::string schema = "ZEP.";
    const std::string date = "2026-12-08 10:00:00";
    const RowStamp stamp{schema, 101, date};
    const std::vector<std::string> inserts = {
        insertRepositoryRowStatement(schema, 1, 101, date),
        insertMessageSetStatement(schema, 101, 1, 100000, "'O''Brien, Ltd'", date),
        insertMessageSetStatement("", 101, 1, 100000, "?", date),
        insertWireFormatTabStatement(schema, 101, 4, "CWF, one", date),
        insertPluginMemberStatement(schema, 101, 1, 7, 1, "XML1", date),
        copyPluginMemberStatement("", 101, 2, 4, 2, 1, 0, 0, date),
        insertAttributeStatement(stamp, true),
        insertAttributeStatement(stamp, false),
        insertMemberAttributeStatement(stamp),
        copyAttributeStatement(stamp, CopiedAttribute{1, 2, 3, 4, 5, 6, 7, 8, 9}),
        insertTypeStatement(stamp, 1, 2),
        insertElementStatement(stamp),
        insertMessageStatement(stamp),
        insertTypeMemberStatement(stamp, 3),
        insertValueStatement(stamp),
        insertValueMemberStatement(stamp),
    };
    for (const std::string& insert : inserts) {
        EXPECT_EQ(insert.rfind("INSERT INTO ", 0), 0U) << insert;
        EXPECT_EQ(entriesAfter(insert, "INSERT INTO"), entriesAfter(insert, ") VALUES")) << insert;
    }
}

// Each page of a set's rows starts after the last id of the one before,
// whatever that id is; the first page has no lower bound.
TEST(RepositoryStatements, APageStartsAfterTheLastIdReadEvenANegativeOne) {
    EXPECT_EQ(messageSetPageQuery("", "M_TYPE", "ID_VALUE", "PROJECT", 101, "ID_VALUE", std::nullopt, 500),
              "SELECT ID_VALUE FROM M_TYPE WHERE PROJECT = 101 ORDER BY ID_VALUE LIMIT 500");
    EXPECT_EQ(messageSetPageQuery("S.", "M_TYPE", "ID_VALUE", "PROJECT", 101, "ID_VALUE", -5, 500),
              "SELECT ID_VALUE FROM S.M_TYPE WHERE PROJECT = 101 AND ID_VALUE > -5 ORDER BY ID_VALUE LIMIT 500");
}

} // namespace
} // namespace norvak
