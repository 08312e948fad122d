#include "dbsession/DbSession.h"

#include <gtest/gtest.h>

// The connection string of an import through psqlODBC: the data source, the
// run's user and password, and the driver's settings for an import.

namespace norvak {
namespace {

TEST(ImportConnectionString, NamesTheDataSourceAndOnlyTheCredentialsTheRunGives) {
    EXPECT_EQ(importConnectionString("orders_pg", "", ""), "DSN=orders_pg;Protocol=7.4-1;UseServerSidePrepare=0");
    EXPECT_EQ(importConnectionString("orders_pg", "alice", "secret"),
              "DSN=orders_pg;UID=alice;PWD=secret;Protocol=7.4-1;UseServerSidePrepare=0");
}

TEST(ImportConnectionString, ValuesThatWouldEndTheirKeywordAreBraced) {
    EXPECT_EQ(odbcConnectionValue("plain"), "plain");
    EXPECT_EQ(odbcConnectionValue("a;Protocol=7.4-2"), "{a;Protocol=7.4-2}");
    EXPECT_EQ(odbcConnectionValue("x}y{"), "{x}}y{}");
    EXPECT_EQ(odbcConnectionValue(" lead"), "{ lead}");
    EXPECT_EQ(importConnectionString("pg", "bob", "p;w}d"),
              "DSN=pg;UID=bob;PWD={p;w}}d};Protocol=7.4-1;UseServerSidePrepare=0");
}

} // namespace
} // namespace norvak
