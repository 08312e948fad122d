// Unit tests of what each database's backend tells from the driver's records: a missing table, a busy lock.
#include "dbsession/Backend.h"

#include <gtest/gtest.h>

namespace norvak {
namespace {

const std::vector<DiagnosticRecord> sqliteNoTable{{"HY000", 1, "no such table: ZEP.PROJECT (1)"}};
const std::vector<DiagnosticRecord> postgresNoTable{{"42P01", 7, "ERROR: relation \"zep.project\" does not exist"}};
const std::vector<DiagnosticRecord> sqliteBusy{{"HY000", 5, "database is locked (5)"}};
const std::vector<DiagnosticRecord> postgresBusy{{"55P03", 7, "ERROR: canceling statement due to lock timeout"}};
const std::vector<DiagnosticRecord> permissionDenied{{"42501", 7, "ERROR: permission denied for table project"}};

// A table that is missing is created by the set-up; any other failure of
// its probe (a permission, a lost connection) is reported, never taken for
// a missing table.
TEST(Backend, EachDatabaseSaysInItsOwnWayThatATableIsMissing) {
    const Backend& sqlite = backendOf(DatabaseKind::sqlite);
    const Backend& postgres = backendOf(DatabaseKind::postgres);
    const Backend& other = backendOf(DatabaseKind::other);
    EXPECT_TRUE(sqlite.reportsMissingTable(sqliteNoTable));
    EXPECT_TRUE(postgres.reportsMissingTable(postgresNoTable));
    EXPECT_TRUE(other.reportsMissingTable(sqliteNoTable));
    EXPECT_TRUE(other.reportsMissingTable(postgresNoTable));
    for (const Backend* backend : {&sqlite, &postgres, &other}) {
        EXPECT_FALSE(backend->reportsMissingTable(permissionDenied));
        EXPECT_FALSE(backend->reportsMissingTable({}));
    }
}

TEST(Backend, OnlyALockHeldByAnotherRunIsBusy) {
    EXPECT_TRUE(backendOf(DatabaseKind::sqlite).lockWasBusy(sqliteBusy));
    EXPECT_TRUE(backendOf(DatabaseKind::postgres).lockWasBusy(postgresBusy));
    EXPECT_FALSE(backendOf(DatabaseKind::sqlite).lockWasBusy(sqliteNoTable));
    EXPECT_FALSE(backendOf(DatabaseKind::postgres).lockWasBusy(permissionDenied));
    EXPECT_FALSE(backendOf(DatabaseKind::other).lockWasBusy(postgresBusy));
}

TEST(Backend, TheDatabaseIsToldByTheNameItsDriverGives) {
    EXPECT_EQ(backendOfDatabase("SQLite").kind(), DatabaseKind::sqlite);
    EXPECT_EQ(backendOfDatabase("PostgreSQL").kind(), DatabaseKind::postgres);
    EXPECT_EQ(backendOfDatabase("Oracle").kind(), DatabaseKind::other);
}

} // namespace
} // namespace norvak
