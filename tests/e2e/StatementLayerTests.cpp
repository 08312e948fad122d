// Tests of the statement layer and the transaction guard, in the test process.
#include "e2e/TestRepository.h"

#include "dbsession/DbSession.h"
#include "dbsession/SessionHandles.h"
#include "dbsession/Statement.h"
#include "dbsession/Transaction.h"
#include "support/Output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>

namespace norvak::test {
namespace {

// The statement layer and the transaction guard, tried in this process on a
// session of the import's kind (autocommit off). The driver manager reads an
// odbc.ini once per process, so one file names a data source per database
// for the whole suite.
class StatementLayer : public ::testing::TestWithParam<Backend> {
  protected:
    static void SetUpTestSuite() {
        folder_ = new TempDir();
        std::string ini;
        for (Backend backend : {Backend::sqlite, Backend::postgres}) {
            if (!available(backend))
                continue;
            repositories_[backend] = std::make_unique<TestRepository>(backend);
            ini += repositories_[backend]->dataSourceSection(dataSourceOf(backend));
        }
        std::string path = folder_->write("odbc.ini", ini);
        setenv("ODBCINI", path.c_str(), 1);
    }
    static void TearDownTestSuite() {
        repositories_.clear();
        delete folder_;
        folder_ = nullptr;
    }
    static std::string dataSourceOf(Backend backend) { return "statement_layer_" + backendName(backend); }

    void SetUp() override {
        NORVAK_REQUIRE_BACKEND(GetParam());
        repo_ = repositories_.at(GetParam()).get();
        repo_->execute("DROP TABLE IF EXISTS T");
        repo_->execute("CREATE TABLE T (N INTEGER, S VARCHAR(254))");
        session_ = std::make_unique<DbSession>(diagnostics_, SessionVariant::import);
        ASSERT_EQ(session_->connectToZEP(dataSourceOf(GetParam()), repo_->user(), repo_->password()), 0)
            << out_.text();
        ASSERT_EQ(session_->allocateStatement("test"), SQL_SUCCESS);
        out_.clear();
    }
    void TearDown() override {
        // A SQLite connection with a transaction open cannot be closed.
        if (session_ && session_->connected())
            SQLEndTran(SQL_HANDLE_DBC, SessionHandles::connection(*session_), SQL_ROLLBACK);
        if (session_)
            session_->close("test");
        session_.reset();
    }
    Rows rowsOfT() { return repo_->query("SELECT N, S FROM T ORDER BY N"); }

    Output out_;
    Diagnostics diagnostics_{out_};
    int& errSw_ = diagnostics_.errSw;
    std::unique_ptr<DbSession> session_;
    TestRepository* repo_ = nullptr;

  private:
    static TempDir* folder_;
    static std::map<Backend, std::unique_ptr<TestRepository>> repositories_;
};

TempDir* StatementLayer::folder_ = nullptr;
std::map<Backend, std::unique_ptr<TestRepository>> StatementLayer::repositories_;

TEST_P(StatementLayer, AFailingCallIsReportedUnderTheCallersLabelAndRoutine) {
    Statement statement(*session_, "readSomething", "SQLAllocHandle");
    ASSERT_TRUE(statement.usable());
    SQLRETURN rc = statement.execute("SELECT N FROM NO_SUCH_TABLE", "SQLExecDirect7");
    EXPECT_EQ(rc, SQL_ERROR);
    EXPECT_EQ(out_.text().rfind("*****Database error -1 during SQLExecDirect7 in routine readSomething SQLSTATE ", 0),
              0u)
        << out_.text();
    EXPECT_EQ(errSw_, 1);
}

TEST_P(StatementLayer, RowsComeInOrderWithNullsReadSafelyAndTheEndUnreported) {
    repo_->execute("INSERT INTO T (N, S) VALUES (1, 'one')");
    repo_->execute("INSERT INTO T (N, S) VALUES (NULL, NULL)");
    repo_->execute("INSERT INTO T (N, S) VALUES (3, 'three')");
    Statement query(*session_, "listT");
    ASSERT_EQ(query.execute("SELECT N, S FROM T ORDER BY S", "SQLExecDirect"), SQL_SUCCESS);
    std::vector<std::string> seen;
    SQLRETURN rc = query.forEachRow("SQLFetch", false, "SQLFetch2", errSw_, [&] {
        SQLINTEGER number = -7; // a NULL leaves it as it was
        std::string text = "unchanged";
        query.number(1, SQL_C_SLONG, number, "SQLGetData1");
        query.text(2, text, "SQLGetData2");
        seen.push_back(std::to_string(number) + ":" + text);
    });
    EXPECT_EQ(rc, SQL_NO_DATA);
    query.close("SQLFreeStmt");
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"-7:", "1:one", "3:three"}));
    EXPECT_EQ(out_.text(), "");
    EXPECT_EQ(errSw_, 0);

    // An empty result: the end of data is reported only when asked to be.
    ASSERT_EQ(query.execute("SELECT N FROM T WHERE N = 42", "SQLExecDirect"), SQL_SUCCESS);
    EXPECT_EQ(query.fetch("SQLFetch"), SQL_NO_DATA);
    EXPECT_EQ(out_.text(), "");
    query.close("SQLFreeStmt");
    ASSERT_EQ(query.execute("SELECT N FROM T WHERE N = 42", "SQLExecDirect"), SQL_SUCCESS);
    EXPECT_EQ(query.fetch("SQLFetch", true), SQL_NO_DATA);
    EXPECT_NE(out_.text().find("*****Database error 100 during SQLFetch in routine listT"), std::string::npos);
    query.close("SQLFreeStmt");
}

// Whether an insert with one marker runs on the handle without binding it:
// only when a parameter of an earlier statement is still bound.
bool runsWithoutBinding(SQLHSTMT statement) {
    std::string sql = "INSERT INTO T (N) VALUES (?)";
    SQLPrepare(statement, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS);
    SQLRETURN rc = SQLExecute(statement);
    SQLFreeStmt(statement, SQL_CLOSE);
    return SQL_SUCCEEDED(rc);
}

TEST_P(StatementLayer, AnInsertRunsOrOnlyReportsAndLeavesNoParameterBound) {
    Transaction transaction(*session_);
    SQLRETURN freed = runInsert(*session_, "INSERT INTO T (N, S) VALUES (?, ?)",
                                {InsertParameter::integer(5), InsertParameter::text("O'Brien ü")}, "createT",
                                InsertMode::execute);
    EXPECT_EQ(freed, SQL_SUCCESS);
    EXPECT_EQ(runsWithoutBinding(SessionHandles::mainStatement(*session_)), false);
    runInsert(*session_, "INSERT INTO T (N, S) VALUES (?, ?)", {InsertParameter::integer(6), InsertParameter::nullText()},
              "createT", InsertMode::reportOnly);
    EXPECT_EQ(runsWithoutBinding(SessionHandles::mainStatement(*session_)), false);
    EXPECT_EQ(transaction.commit(), SQL_SUCCESS);
    EXPECT_EQ(rowsOfT(), (Rows{{"5", "O'Brien ü"}}));
    EXPECT_EQ(out_.text(), "");

    // A failing step is reported under its label; the rest still runs.
    runInsert(*session_, "INSERT INTO NO_SUCH_TABLE (N) VALUES (?)", {InsertParameter::integer(7)}, "createT",
              InsertMode::execute);
    bool reported = out_.text().find(" during SQLPrepare in routine createT") != std::string::npos ||
                    out_.text().find(" during SQLExecute in routine createT") != std::string::npos;
    EXPECT_TRUE(reported) << out_.text();
    EXPECT_EQ(runsWithoutBinding(SessionHandles::mainStatement(*session_)), false);
}

TEST_P(StatementLayer, ATransactionRollsBackUnlessItWasCommitted) {
    {
        Transaction transaction(*session_);
        runInsert(*session_, "INSERT INTO T (N) VALUES (?)", {InsertParameter::integer(1)}, "createT",
                  InsertMode::execute);
        // Dropped without commit: an early return or an exception.
    }
    EXPECT_EQ(rowsOfT(), Rows{});
    {
        Transaction transaction(*session_);
        runInsert(*session_, "INSERT INTO T (N) VALUES (?)", {InsertParameter::integer(2)}, "createT",
                  InsertMode::execute);
        EXPECT_EQ(transaction.commit(), SQL_SUCCESS);
    }
    EXPECT_EQ(rowsOfT(), (Rows{{"2", nullText}}));
}

// A session that commits each statement (the set-up's and the removal's)
// makes a transaction with begin(); when it ends, each statement commits
// again by itself.
TEST_P(StatementLayer, ATransactionBegunOnACommittingSessionTurnsCommittingBackOnAtItsEnd) {
    session_->close("test"); // one connection at a time on SQLite
    session_.reset();
    DbSession session(diagnostics_, SessionVariant::setup);
    ASSERT_EQ(session.connectToZEP(dataSourceOf(GetParam()), repo_->user(), repo_->password()), 0) << out_.text();
    auto insert = [&](int n) {
        runInsert(session, "INSERT INTO T (N) VALUES (?)", {InsertParameter::integer(n)}, "createT",
                  InsertMode::execute);
    };
    {
        Transaction transaction(session);
        ASSERT_EQ(transaction.begin(), SQL_SUCCESS);
        insert(1);
        EXPECT_EQ(transaction.rollback(), SQL_SUCCESS);
    }
    insert(2); // committed by itself
    {
        Transaction transaction(session);
        ASSERT_EQ(transaction.begin(), SQL_SUCCESS);
        insert(3);
        EXPECT_EQ(transaction.commit(), SQL_SUCCESS);
    }
    insert(4);
    {
        Transaction transaction(session);
        ASSERT_EQ(transaction.begin(), SQL_SUCCESS);
        insert(5);
        // Dropped: rolled back, and committing again.
    }
    insert(6);
    EXPECT_EQ(rowsOfT(), (Rows{{"2", nullText}, {"3", nullText}, {"4", nullText}, {"6", nullText}}));
    EXPECT_EQ(errSw_, 0) << out_.text();
    session.close("test");
}

// Rows given in batch mode wait until the session runs another statement or
// commits, then come in the order they were given.
TEST_P(StatementLayer, BatchedRowsWaitForTheNextStatementAndComeInOrder) {
    // What array and string syntax would take for theirs.
    const std::string hostile = "ü \"q\" a\\b {c},NULL' ?" + std::string(232, 'x');
    Transaction transaction(*session_);
    for (int n = 1; n <= 450; ++n)
        runInsert(*session_, "INSERT INTO T (N, S) VALUES (?, ?)",
                  {InsertParameter::integer(n), InsertParameter::text(n % 2 == 0 ? "it's " + std::to_string(n) : hostile)},
                  "createT", InsertMode::batch);
    Statement count(*session_, "countT");
    ASSERT_EQ(count.execute("SELECT COUNT(*), MIN(N), MAX(N) FROM T", "SQLExecDirect"), SQL_SUCCESS);
    ASSERT_EQ(count.fetch("SQLFetch"), SQL_SUCCESS);
    SQLINTEGER rows = 0;
    SQLINTEGER last = 0;
    count.number(1, SQL_C_SLONG, rows, "SQLGetData1");
    count.number(3, SQL_C_SLONG, last, "SQLGetData3");
    count.close("SQLFreeStmt");
    EXPECT_EQ(rows, 450);
    EXPECT_EQ(last, 450);
    runInsert(*session_, "INSERT INTO T (N, S) VALUES (?, ?)", {InsertParameter::integer(451), InsertParameter::nullText()},
              "createT", InsertMode::batch);
    EXPECT_EQ(transaction.commit(), SQL_SUCCESS);
    EXPECT_EQ(out_.text(), "");
    Rows stored = rowsOfT();
    ASSERT_EQ(stored.size(), 451u);
    EXPECT_EQ(stored[0], (Row{"1", hostile}));
    EXPECT_EQ(stored[0][1].size(), 254u);
    EXPECT_EQ(stored[299], (Row{"300", "it's 300"}));
    EXPECT_EQ(stored[450], (Row{"451", nullText}));
}

// A row executed at once comes after the rows waiting in a batch: they are
// sent first, so what it reads of their table has them.
TEST_P(StatementLayer, ARowExecutedAtOnceSeesTheRowsThatWaitedInABatch) {
    repo_->execute("DROP TABLE IF EXISTS C");
    repo_->execute("CREATE TABLE C (ROWS_BEFORE INTEGER, HIGHEST INTEGER)");
    Transaction transaction(*session_);
    for (int n = 1; n <= 7; ++n)
        runInsert(*session_, "INSERT INTO T (N, S) VALUES (?, ?)",
                  {InsertParameter::integer(n), InsertParameter::text("row " + std::to_string(n))}, "createT",
                  InsertMode::batch);
    runInsert(*session_, "INSERT INTO C (ROWS_BEFORE, HIGHEST) VALUES ((SELECT COUNT(*) FROM T WHERE N < ?), "
                         "(SELECT MAX(N) FROM T))",
              {InsertParameter::integer(100)}, "countT", InsertMode::execute);
    EXPECT_EQ(transaction.commit(), SQL_SUCCESS);
    EXPECT_EQ(out_.text(), "");
    EXPECT_EQ(repo_->query("SELECT ROWS_BEFORE, HIGHEST FROM C"), (Rows{{"7", "7"}}));
    EXPECT_EQ(rowsOfT().size(), 7u);
}

// A row the database refuses inside a batch (a full one or the last, partial
// one) is reported alone, under its own routine and the label of its
// execution; the flush says so, and nothing of the batch stays once the
// transaction is rolled back.
TEST_P(StatementLayer, ARefusedRowOfABatchIsReportedUnderItsOwnRoutine) {
    repo_->execute("DROP TABLE IF EXISTS U");
    repo_->execute("CREATE TABLE U (N INTEGER CHECK (N <> 170 AND N <> 290))");
    std::vector<std::string> routines;
    for (int n = 0; n <= 300; ++n)
        routines.push_back("row" + std::to_string(n));
    for (int refused : {170, 290}) {
        SCOPED_TRACE(refused);
        out_.clear();
        errSw_ = 0;
        Transaction transaction(*session_);
        for (int n = 1; n <= 300; ++n) {
            if ((n == 170 || n == 290) && n != refused)
                continue;
            runInsert(*session_, "INSERT INTO U (N) VALUES (?)", {InsertParameter::integer(n)},
                      routines[static_cast<std::size_t>(n)].c_str(), InsertMode::batch);
        }
        EXPECT_FALSE(session_->flushInserts());
        EXPECT_EQ(out_.text().rfind("*****Database error -1 during SQLExecute in routine row" +
                                        std::to_string(refused) + " SQLSTATE ",
                                    0),
                  0u)
            << out_.text();
        EXPECT_EQ(std::count(out_.text().begin(), out_.text().end(), '\n'), 1) << out_.text();
        EXPECT_EQ(errSw_, 1);
        EXPECT_EQ(transaction.rollback(), SQL_SUCCESS);
        EXPECT_EQ(repo_->query("SELECT COUNT(*) FROM U"), (Rows{{"0"}}));
    }
}

INSTANTIATE_TEST_SUITE_P(, StatementLayer, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
