#pragma once

// A fresh, empty repository database for one test, on SQLite or on the test
// PostgreSQL cluster, reached by the programs through an ODBC data source.
//
// Most tests are written once for both databases:
//
//   class LoadIntoRepository : public RepositoryTest {};
//
//   TEST_P(LoadIntoRepository, StoresTheTypes) {
//       // arguments naming repo().dataSource(), repo().user() and repo().password()
//       ProgramResult result = run("norvakinit", {...});
//       ASSERT_EQ(result.exitCode, 0) << result.output;
//       EXPECT_EQ(repo().query("SELECT COUNT(*) FROM some_table"), (Rows{{"0"}}));
//   }
//
//   INSTANTIATE_TEST_SUITE_P(, LoadIntoRepository, allBackends(), backendParamName);
//
// PostgreSQL is used when NORVAK_PG_PORT is set (scripts/test.sh starts the
// cluster with scripts/postgres.sh and sets it); otherwise its tests are
// skipped, or fail when NORVAK_REQUIRE_POSTGRES=1.

#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace norvak::test {

enum class Backend { sqlite, postgres };

// "sqlite" or "postgres".
std::string backendName(Backend backend);
void PrintTo(Backend backend, std::ostream* stream);
std::string backendParamName(const ::testing::TestParamInfo<Backend>& info);

inline auto allBackends() {
    return ::testing::Values(Backend::sqlite, Backend::postgres);
}

// Whether the database can be used here: SQLite always, PostgreSQL when
// NORVAK_PG_PORT is set.
bool available(Backend backend);
// Whether a test must fail rather than be skipped when the database is not
// available (NORVAK_REQUIRE_POSTGRES=1 for PostgreSQL).
bool required(Backend backend);

// In a test body: skips the test when the database is not available, or fails
// it when the database is required.
#define NORVAK_REQUIRE_BACKEND(backend)                                                                                \
    do {                                                                                                               \
        if (!::norvak::test::available(backend)) {                                                                     \
            if (::norvak::test::required(backend))                                                                     \
                GTEST_FAIL() << ::norvak::test::backendName(backend)                                                   \
                             << " is required (NORVAK_REQUIRE_POSTGRES=1) but NORVAK_PG_PORT is not set; "             \
                                "start it with scripts/postgres.sh start";                                             \
            GTEST_SKIP() << ::norvak::test::backendName(backend) << " is not available (NORVAK_PG_PORT is not set)";   \
        }                                                                                                              \
    } while (false)

// One row of a query result: the text of each column, or nullText for NULL.
using Row = std::vector<std::string>;
using Rows = std::vector<Row>;
inline const std::string nullText = "<null>";

class TestRepository {
  public:
    // Creates the data source and an empty database; throws std::runtime_error
    // with the ODBC diagnostics when the database cannot be created. On
    // PostgreSQL, `postgresEncoding` ("LATIN1") makes a database of that
    // encoding instead of UTF8 whose data source sets the client's encoding to
    // it (ConnSettings): a legacy repository whose texts are bytes of any
    // value, as SQLite's are.
    explicit TestRepository(Backend backend, const std::string& postgresEncoding = std::string());
    // Removes the folder and drops the PostgreSQL database.
    ~TestRepository();
    TestRepository(const TestRepository&) = delete;
    TestRepository& operator=(const TestRepository&) = delete;

    Backend backend() const { return backend_; }
    // Name of the data source in odbc.ini, and the credentials to pass with it
    // (both empty for SQLite).
    const std::string& dataSource() const { return dataSource_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    // Settings that let a program find the data source: {"ODBCINI=<path>"}.
    std::vector<std::string> environment() const;
    // A scratch folder, removed with the object, for definition files and the like.
    const TempDir& folder() const { return folder_; }
    // The PostgreSQL database name, or the SQLite database file.
    const std::string& database() const { return database_; }

    // Run SQL on a new connection to the database, with the data source's
    // settings and autocommit on. Both throw std::runtime_error with the ODBC
    // diagnostics when the statement fails; query returns every row of the
    // first result set, with nullText standing for NULL.
    void execute(const std::string& sql) const;
    Rows query(const std::string& sql) const;
    // The ODBC connection string of the database, for connections of a test's own.
    std::string connectionString() const;
    // The data source's lines of an odbc.ini file, under the section `name`.
    std::string dataSourceSection(const std::string& name) const;
    // Whether execute() has run: rows may then be other than the programs write.
    bool changedDirectly() const { return changedDirectly_; }

  private:
    Backend backend_;
    TempDir folder_;
    std::string dataSource_ = "norvak_test";
    std::string user_;
    std::string password_;
    std::string database_;
    std::string odbcIni_;
    std::vector<std::pair<std::string, std::string>> settings_; // of the data source, Driver first
    mutable bool changedDirectly_ = false;
};

// A lock on a repository held as another run that changes it would hold it:
// a connection of its own with a transaction that began with `lockStatement`
// and, on SQLite (unless told otherwise), the repository's lock file.
// Released (rolled back) with the object.
class HeldLock {
  public:
    HeldLock(const TestRepository& repo, const std::string& lockStatement, bool takeLockFile = true);
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    // Runs more SQL inside the held transaction.
    Rows run(const std::string& sql);

  private:
    struct Held;
    std::unique_ptr<Held> held_;
};

// Fixture of a test run once per database (see the example at the top).
// A fixture that overrides SetUp calls RepositoryTest::SetUp() first and
// returns when IsSkipped() or HasFatalFailure().
class RepositoryTest : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override;
    TestRepository& repo() { return *repo_; }
    // Runs a program with the repository's environment.
    ProgramResult run(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& input = std::string());
    // The same with the data source, user and password options in front.
    ProgramResult runConnected(const std::string& program, const std::vector<std::string>& arguments = {});
    // Starts a program with those options in the background.
    std::unique_ptr<RunningProgram> startConnected(const std::string& program,
                                                   const std::vector<std::string>& arguments = {});
    // Creates a message set with norvakinit (the first gets key 100, NEXT_ID
    // 100000 and plugin members 1 uuid, then the bindings: 2 C, 3 COBOL).
    void createMessageSet(const std::string& name, const std::string& languages = "C,COBOL");

  private:
    // After the first successful import into a message set (not report-only):
    // the message set must come through an export and a fresh import whole
    // (see e2e/RoundTrip.h). NORVAK_ROUND_TRIP=0 leaves it out.
    void checkRoundTrip(const std::string& program, const std::vector<std::string>& arguments,
                        const ProgramResult& result);

    std::optional<TestRepository> repo_;
    std::set<std::string> importedSets_;
};

// Fixture of the tests that import into the message set Orders (key 100,
// NEXT_ID 100000, plugin members 1 uuid, 2 C and 3 COBOL) made by norvakinit.
class OrdersTest : public RepositoryTest {
  protected:
    void SetUp() override;
    // norvakload of a file, or of definitions written to one, into Orders.
    ProgramResult loadFile(const std::string& file, std::vector<std::string> more = {});
    ProgramResult load(const std::string& definitions, std::vector<std::string> more = {});
    // Row counts of every table an import writes, and the NEXT_ID of Orders.
    Rows state();
};

} // namespace norvak::test
