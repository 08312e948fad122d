// Unit tests of the lines that explain a failure from the driver's diagnostic records.
#include "dbsession/DiagnosticRecords.h"

#include <gtest/gtest.h>

namespace norvak {
namespace {

const FailurePlace place{"repo", "Secret-1", "/data/repo.db"};

TEST(FailureExplanation, EveryRecordIsOneLineAndAPasswordItRepeatsIsMasked) {
    std::vector<DiagnosticRecord> records = {
        {"08001", 0, "could not use PWD=Secret-1 here; Secret-1 again"},
        {"01000", 0, "a second record"},
    };
    EXPECT_EQ(failureExplanation(records, place),
              (std::vector<std::string>{"  the driver said: [08001] could not use PWD=******** here; ******** again",
                                        "  the driver said: [01000] a second record"}));
}

TEST(FailureExplanation, TheNextStepNamesWhatTheRecordNames) {
    std::vector<std::string> lines = failureExplanation(
        {{"01000", 0, "[unixODBC][Driver Manager]Can't open lib '/x/libpsql.so' : file not found"}}, place);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("  the driver library /x/libpsql.so that data source repo names is missing", 0), 0u)
        << lines[1];

    lines = failureExplanation({{"08001", 0, "FATAL:  database \"zep\" does not exist"}}, place);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("  the database zep does not exist on the server of data source repo: create it with "
                             "createdb zep",
                             0),
              0u)
        << lines[1];

    // The SQLite driver says only "connect failed", with SQLite's code of a file it cannot open.
    lines = failureExplanation({{"HY000", 14, "[unixODBC][SQLite]connect failed"}}, place);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("  the SQLite database file /data/repo.db of data source repo cannot be opened", 0), 0u);
}

TEST(FailureExplanation, OnlyAKnownFailureGetsANextStep) {
    EXPECT_EQ(failureExplanation({{"HY000", 1, "[unixODBC][SQLite]connect failed"}}, place).size(), 1u);
    EXPECT_EQ(failureExplanation({{"22001", 0, "value too long"}}, place).size(), 1u);
    // A role, not a database, that does not exist: the user is refused.
    std::vector<std::string> lines = failureExplanation({{"08001", 0, "FATAL:  role \"zep\" does not exist"}}, place);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].rfind("  the server refused the user or its password", 0), 0u) << lines[1];
    EXPECT_TRUE(failureExplanation({}, place).empty());
}

TEST(FailureExplanation, TheLinesAreToldFromOtherReportLines) {
    for (const std::string& line : failureExplanation({{"42P01", 0, "relation \"project\" does not exist"}}, place))
        EXPECT_TRUE(isDriverLine(line) || isNextStepLine(line)) << line;
    EXPECT_TRUE(isNextStepLine(missingMessageSetStep("repo", "Orders")));
    EXPECT_EQ(driverSaid("  the driver said: [42P01] text"), "[42P01] text");
    EXPECT_FALSE(isDriverLine("Database connection to repo failed"));
    EXPECT_FALSE(isNextStepLine("  did you mean Orders?"));
}

} // namespace
} // namespace norvak

namespace norvak {
namespace {

// The one reader of a handle's records, on real handles of the driver
// manager: what the report of a failure says when there is no record to
// read, and the records of a refused call.
TEST(DiagnosticRecordReading, TellsNoHandleAndNoRecordApartFromARecordRead) {
    SQLRETURN firstRead = SQL_SUCCESS;
    EXPECT_TRUE(diagnosticRecords(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &firstRead).empty());
    EXPECT_EQ(firstRead, SQL_INVALID_HANDLE);

    SQLHENV environment = SQL_NULL_HENV;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)));
    EXPECT_TRUE(diagnosticRecords(SQL_HANDLE_ENV, environment, &firstRead).empty());
    EXPECT_EQ(firstRead, SQL_NO_DATA);

    // A connection before the environment says its ODBC version: refused
    // with a function sequence error.
    SQLHDBC connection = SQL_NULL_HDBC;
    ASSERT_FALSE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection)));
    std::vector<DiagnosticRecord> records = diagnosticRecords(SQL_HANDLE_ENV, environment, &firstRead);
    EXPECT_EQ(firstRead, SQL_SUCCESS);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().state, "HY010");
    EXPECT_FALSE(records.front().text.empty());
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
}

} // namespace
} // namespace norvak
