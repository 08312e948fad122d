// End-to-end tests of -n given an ODBC connection string instead of a data source name: every program connects
// through it, its password is never shown, and the lock of an SQLite repository is found through it.
#include "e2e/GeneratedModels.h"
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <link.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace norvak::test {
namespace {

const std::string orders = sourcePath("examples/orders.xml");
const std::string successLine = "Import was successful - please restart the norvakhub";

// The connection string with the value of its password keyword masked, as the lines show it.
std::string masked(const std::string& connection, const std::string& password) {
    std::string shown = connection;
    if (!password.empty())
        shown.replace(shown.find(password), password.size(), "********");
    return shown;
}

void expectNoPassword(const ProgramResult& result, const std::string& password) {
    if (password.empty())
        return;
    EXPECT_FALSE(contains(result, password)) << result.output;
    EXPECT_EQ(result.errors.find(password), std::string::npos) << result.errors;
}

// The programs are given no data source at all (ODBCINI names no file): the
// connection string alone takes them to the repository.
class ConnectionStrings : public RepositoryTest {
  protected:
    ProgramResult runThroughString(const std::string& program, std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-n", repo().connectionString()});
        return runProgram(program, arguments);
    }
    std::string shown() { return masked(repo().connectionString(), repo().password()); }
};

TEST_P(ConnectionStrings, EveryProgramWorksThroughAConnectionString) {
    ProgramResult init = runThroughString("norvakinit", {"-s", "Orders"});
    ASSERT_EQ(init.exitCode, 0) << init.output;
    EXPECT_TRUE(hasLinesInOrder(init, {"Connecting to database " + shown() + " using  pw " +
                                           (repo().password().empty() ? "" : "********"),
                                       "Connection successful " + shown(), "Repository " + shown() + " is ready"}))
        << init.output;
    expectNoPassword(init, repo().password());

    // The file's ZEP_DB="norvak" names no data source here: -n wins.
    ProgramResult load = runThroughString("norvakload", {"-f", orders});
    ASSERT_EQ(load.exitCode, 0) << load.output;
    EXPECT_TRUE(hasLinesInOrder(load, {"Connection successful " + shown(),
                                       "items added to tables in repository database " + shown(), successLine}))
        << load.output;
    expectNoPassword(load, repo().password());
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM M_ELEMENT"), (Rows{{"16"}}));

    ProgramResult show = runThroughString("norvakshow", {});
    EXPECT_EQ(show.exitCode, 0) << show.output;
    EXPECT_TRUE(hasLine(show, "Connected to database " + shown())) << show.output;
    EXPECT_TRUE(contains(show, " Orders\n")) << show.output;
    expectNoPassword(show, repo().password());

    ProgramResult exported = runThroughString("norvakexport", {"-s", "Orders"});
    EXPECT_EQ(exported.exitCode, 0) << exported.errors;
    EXPECT_TRUE(contains(exported, "<Type ident=\"Address_t\"")) << exported.output;
    expectNoPassword(exported, repo().password());

    ProgramResult compared = runThroughString("norvakdiff", {"-s", "Orders", "-f", orders});
    EXPECT_EQ(compared.exitCode, 0) << compared.output << compared.errors;
    EXPECT_NE((compared.output + compared.errors).find("Compared " + orders + " with message set Orders of " + shown()),
              std::string::npos)
        << compared.output << compared.errors;
    expectNoPassword(compared, repo().password());

    ProgramResult purged = runThroughString("norvakpurge", {"-s", "Orders"});
    EXPECT_EQ(purged.exitCode, 0) << purged.output;
    expectNoPassword(purged, repo().password());
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM PROJECT"), (Rows{{"0"}}));
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM M_ELEMENT"), (Rows{{"0"}}));
}

TEST_P(ConnectionStrings, TheImportTakesAConnectionStringFromTheDefinitionsFileAndMinusNWins) {
    ASSERT_EQ(runThroughString("norvakinit", {"-s", "Orders"}).exitCode, 0);
    std::string definitions = "<Type ident=\"T\" composition=\"sequence\"><Element ident=\"E\" type=\"string\"/>"
                              "</Type>\n";
    std::string fromFile = repo().folder().write(
        "string.xml", "<ZEPImport ZEP_DB=\"" + repo().connectionString() + "\" messageSet=\"Orders\"/>\n" + definitions);
    ProgramResult load = runProgram("norvakload", {"-f", fromFile});
    ASSERT_EQ(load.exitCode, 0) << load.output;
    expectNoPassword(load, repo().password());
    EXPECT_EQ(repo().query("SELECT IDENTIFIER FROM M_ELEMENT"), (Rows{{"E"}}));

    // A string on the command line wins over the file's data source name.
    std::string named = repo().folder().write("named.xml", "<ZEPImport ZEP_DB=\"nowhere\" messageSet=\"Orders\"/>\n"
                                                           "<Element ident=\"F\" type=\"string\"/>\n");
    ProgramResult overridden = runThroughString("norvakload", {"-f", named});
    ASSERT_EQ(overridden.exitCode, 0) << overridden.output;
    EXPECT_EQ(repo().query("SELECT IDENTIFIER FROM M_ELEMENT ORDER BY IDENTIFIER"), (Rows{{"E"}, {"F"}}));
}

TEST_P(ConnectionStrings, AStringNamingADataSourceTakesItsSettings) {
    // DSN= names the repository's data source, whose settings give the rest.
    ProgramResult init =
        runProgram("norvakinit", {"-n", "DSN=" + repo().dataSource() + ";", "-s", "Orders"}, "", repo().environment());
    ASSERT_EQ(init.exitCode, 0) << init.output;
    EXPECT_TRUE(hasLine(init, "Connection successful DSN=" + repo().dataSource() + ";")) << init.output;
    ProgramResult load =
        runProgram("norvakload", {"-f", orders, "-n", "DSN=" + repo().dataSource()}, "", repo().environment());
    ASSERT_EQ(load.exitCode, 0) << load.output;
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM M_MESSAGE"), (Rows{{"2"}}));
}

INSTANTIATE_TEST_SUITE_P(, ConnectionStrings, allBackends(), backendParamName);

// The role norvak_password is the one the test cluster asks a password of.
std::string passwordRoleString(const TestRepository& repository, const std::string& password) {
    std::string connection = repository.connectionString();
    std::size_t user = connection.find("Username=");
    connection.erase(user);
    return connection + "Username=norvak_password;Password=" + password + ";";
}

TEST(PostgresConnectionString, APasswordInTheStringIsNeverShownAndMinusPReplacesIt) {
    NORVAK_REQUIRE_BACKEND(Backend::postgres);
    TestRepository repository(Backend::postgres);
    const std::string wrong = "Wrong-pw-4-tests";
    std::string connection = passwordRoleString(repository, wrong);
    std::string shown = masked(connection, wrong);

    ProgramResult refused = runProgram("norvakshow", {"-n", connection});
    EXPECT_EQ(refused.exitCode, 255) << refused.output;
    EXPECT_TRUE(hasLinesInOrder(refused, {"Connecting to database " + shown + " using  pw ********",
                                          "*****Database error -1 during SQLDriverConnect in routine connectToZEP "
                                          "SQLSTATUS 08001",
                                          "Database connection to " + shown + " failed",
                                          "  the server refused the user or its password: give them with -u and -p, "
                                          "or as UID= and PWD= in the connection string",
                                          "Unable to connect to ZEP database " + shown + " - exiting program"}))
        << refused.output;
    expectNoPassword(refused, wrong);
    ProgramResult load = runProgram("norvakload", {"-f", orders, "-n", connection, "-t"});
    EXPECT_EQ(load.exitCode, 255) << load.output;
    EXPECT_TRUE(hasLine(load, "Database connection to " + shown + " failed")) << load.output;
    expectNoPassword(load, wrong);

    // -p stands for the string's own password.
    ProgramResult right = runProgram("norvakshow", {"-n", connection, "-p", "Password-4-tests"});
    EXPECT_TRUE(hasLine(right, "Connected to database " + shown)) << right.output;
    expectNoPassword(right, "Password-4-tests");
    expectNoPassword(right, wrong);
}

TEST(PostgresConnectionString, AnImportThroughAStringWithoutPasswordTakesTheEnvironments) {
    NORVAK_REQUIRE_BACKEND(Backend::postgres);
    TestRepository repository(Backend::postgres);
    std::string connection = passwordRoleString(repository, "");
    connection.erase(connection.find("Password="));
    // The database holds no repository: what counts is that the connection is made.
    for (const std::string& password : {std::string("NORVAK_PASSWORD="), std::string("PGPASSWORD=")}) {
        SCOPED_TRACE(password);
        ProgramResult show = runProgram("norvakshow", {"-n", connection}, "", {password + "Password-4-tests"});
        EXPECT_TRUE(hasLine(show, "Connected to database " + connection)) << show.output;
        expectNoPassword(show, "Password-4-tests");
    }
    ProgramResult none = runProgram("norvakshow", {"-n", connection});
    EXPECT_TRUE(hasLine(none, "Database connection to " + connection + " failed")) << none.output;
}

TEST(SqliteConnectionString, AFailureNamesTheStringAsACommandLineTakesIt) {
    TempDir folder;
    std::string missing = "DRIVER={SQLite3};Database=" + folder.path() + "/no/such/folder/repo.db";
    ProgramResult show = runProgram("norvakshow", {"-n", missing});
    EXPECT_EQ(show.exitCode, 255) << show.output;
    EXPECT_TRUE(hasLinesInOrder(
        show, {"*****Database error -1 during SQLDriverConnect in routine connectToZEP SQLSTATUS HY000",
               "Database connection to " + missing + " failed", "  the driver said: [HY000] [SQLite]connect failed",
               "  the SQLite database file " + folder.path() + "/no/such/folder/repo.db of data source '" + missing +
                   "' cannot be opened: make sure its folder exists and may be written, or correct Database= in the "
                   "connection string; then create the repository with norvakinit -n '" + missing + "'"}))
        << show.output;

    // An empty database: the command that makes its tables, quoted.
    std::string empty = "DRIVER={SQLite3};Database=" + folder.path() + "/empty.db";
    ProgramResult load = runProgram("norvakload", {"-f", orders, "-n", empty});
    EXPECT_EQ(load.exitCode, 110) << load.output;
    EXPECT_TRUE(hasLine(load, "  the repository tables are missing in data source '" + empty +
                                  "': create them with norvakinit -n '" + empty + "'"))
        << load.output;
    ProgramResult init = runProgram("norvakinit", {"-n", empty});
    EXPECT_EQ(init.exitCode, 0) << init.output;
    ProgramResult noSet = runProgram("norvakload", {"-f", orders, "-n", empty});
    EXPECT_EQ(noSet.exitCode, 110) << noSet.output;
    EXPECT_TRUE(hasLine(noSet, "  create it with norvakinit -n '" + empty + "' -s Orders")) << noSet.output;
}

TEST(SqliteConnectionString, AStringWithAnUnknownDriverOrDataSourceSaysWhatUnixOdbcKnows) {
    ProgramResult unknown = runProgram("norvakshow", {"-n", "DSN=no_such_source;PWD=Secret-in-string"});
    EXPECT_EQ(unknown.exitCode, 255) << unknown.output;
    EXPECT_TRUE(contains(unknown, "  data source 'DSN=no_such_source;PWD=********' names neither a driver of "
                                  "odbcinst.ini with Driver= (such as {SQLite3} or {PostgreSQL ANSI}) nor with DSN= a "
                                  "data source of the file ODBCINI names (/nonexistent/norvak-test-odbc.ini), "
                                  "~/.odbc.ini or /etc/odbc.ini (the driver manager said: "))
        << unknown.output;
    expectNoPassword(unknown, "Secret-in-string");
}

TEST(SqliteConnectionString, APasswordInTheFilesConnectionStringIsNeverShownNotEvenInATrace) {
    TempDir folder;
    std::string database = folder.path() + "/repo.db";
    ASSERT_EQ(runProgram("norvakinit", {"-n", "DRIVER={SQLite3};Database=" + database, "-s", "Orders"}).exitCode, 0);
    // The SQLite driver takes no password; one given must still never be
    // shown: not in the lines that name the data source, nor where the trace
    // shows the text of the tag, which begins with it here.
    const std::string secret = "Zq9x";
    std::string file = folder.write(
        "defs.xml", "<ZEPImport ZEP_DB=\"PWD=" + secret + ";DRIVER={SQLite3};Database=" + database +
                        "\" messageSet=\"Orders\"/>\n<Element ident=\"E\" type=\"string\"/>\n");
    ProgramResult load = runProgram("norvakload", {"-f", file, "-t", "-v", "-d"});
    EXPECT_EQ(load.exitCode, 0) << load.output;
    EXPECT_TRUE(contains(load, "<ZEPImport ZEP_DB=\"PWD=********;")) << load.output;
    EXPECT_TRUE(hasLine(load, "Connection successful PWD=********;DRIVER={SQLite3};Database=" + database))
        << load.output;
    expectNoPassword(load, secret);
}

// Runs that change an SQLite repository take its lock file before they
// connect; through a connection string, the file is found from its
// Database=, or from the data source its DSN= names.
class SqliteStringLock : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(runProgram("norvakinit", {"-n", connection(), "-s", "Orders"}).exitCode, 0);
    }
    std::string connection() { return "DRIVER={SQLite3};Database=" + repository_.database(); }
    TestRepository repository_{Backend::sqlite};
};

TEST_F(SqliteStringLock, AHeldLockFileIsWaitedForBeforeConnecting) {
    // Only the lock file is held: the database itself is free to connect to.
    HeldLock held(repository_, "SELECT 1");
    // The database named as a file, as a data source's, and as the URIs
    // SQLite takes (with a query, and with an escaped character).
    std::string escaped = repository_.database();
    escaped.replace(escaped.rfind('/'), 1, "%2F");
    for (const std::string& given :
         {connection(), "DSN=" + repository_.dataSource(), "DRIVER={SQLite3};Database=file:" + repository_.database(),
          "DRIVER={SQLite3};Database=file://" + repository_.database() + "?cache=private",
          "DRIVER={SQLite3};Database=file://localhost" + escaped}) {
        SCOPED_TRACE(given);
        ProgramResult load = runProgram("norvakload", {"-f", orders, "-n", given, "--lock-timeout", "1"}, "",
                                        repository_.environment());
        EXPECT_EQ(load.exitCode, 115) << load.output;
        EXPECT_TRUE(hasLine(load, "*****Error - message set Orders is still being changed by another run after 1 "
                                  "seconds - nothing was changed"))
            << load.output;
        EXPECT_FALSE(contains(load, "Connecting to database")) << load.output;
    }
}

TEST_F(SqliteStringLock, TwoImportsThroughStringsRunOneAfterTheOther) {
    std::vector<std::unique_ptr<RunningProgram>> runs;
    for (const char* stem : {"Alpha", "Beta"}) {
        std::string text = "<Type ident=\"" + std::string(stem) + "Type\">\n";
        for (int i = 0; i < 40; ++i)
            text += "  <Element ident=\"" + std::string(stem) + std::to_string(i) + "\" type=\"string\"/>\n";
        text += "</Type>\n";
        std::string file = repository_.folder().write(std::string(stem) + ".xml", text);
        runs.push_back(std::make_unique<RunningProgram>(
            "norvakload", std::vector<std::string>{"-f", file, "-n", connection(), "-s", "Orders"}));
    }
    for (auto& run : runs) {
        ProgramResult result = run->finish(120);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        EXPECT_TRUE(hasLine(result, successLine)) << result.output;
    }
    EXPECT_EQ(repository_.query("SELECT COUNT(*), COUNT(DISTINCT ID_VALUE) FROM M_ELEMENT"), (Rows{{"80", "80"}}));
}

// The path of the SQLite driver's library as the driver manager loads it,
// while a connection of the test holds it loaded (empty when not found).
std::string loadedSqliteDriver(const TestRepository& repository) {
    HeldLock connected(repository, "SELECT 1", /*takeLockFile*/ false);
    std::string path;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* found) {
            std::string name = info->dlpi_name != nullptr ? info->dlpi_name : "";
            if (name.find("sqlite3odbc") == std::string::npos)
                return 0;
            *static_cast<std::string*>(found) = name;
            return 1;
        },
        &path);
    return path;
}

// A driver known by a library path that does not say SQLite: the database
// file is not known before connecting, so the lock file is taken once
// connected, from the database the driver names. Two imports still run one
// after the other: the second waits for the first, caught before its commit,
// says so, and goes on once it has committed.
TEST_F(SqliteStringLock, ADriverOfAnotherNameTakesTheLockFileOnceConnected) {
    std::string library = loadedSqliteDriver(repository_);
    ASSERT_FALSE(library.empty()) << "the SQLite driver's library was not found among the loaded ones";
    std::string renamed = repository_.folder().path() + "/libembedded.so";
    std::filesystem::create_symlink(library, renamed);
    std::string given = "DRIVER=" + renamed + ";Database=" + repository_.database();
    const std::string lockFile = repository_.database() + ".norvak-lock";
    std::filesystem::remove(lockFile); // made by the set-up, which knew the driver

    // Its verbose lines fill the pipe that the test reads no more, so it
    // cannot reach its commit before it is resumed.
    auto first = std::make_unique<RunningProgram>(
        "norvakload", std::vector<std::string>{"-f", repository_.folder().write("large.xml", generatedModel(4000)),
                                               "-n", given, "-s", "Orders", "-v"});
    ASSERT_TRUE(first->waitForOutput("Created value member item", 300));
    first->pause();
    std::string late = repository_.folder().write("late.xml", "<Element ident=\"Late\" type=\"string\"/>\n");
    auto second = std::make_unique<RunningProgram>(
        "norvakload", std::vector<std::string>{"-f", late, "-n", given, "-s", "Orders", "--lock-timeout", "120"});
    const std::string waiting =
        "Another run is changing message set Orders - waiting up to 118 seconds for it to finish";
    EXPECT_TRUE(second->waitForOutput(waiting, 30));

    first->resume();
    ProgramResult written = first->finish(300);
    ASSERT_EQ(written.exitCode, 0) << written.output;
    ProgramResult after = second->finish(300);
    EXPECT_EQ(after.exitCode, 0) << after.output;
    EXPECT_TRUE(hasLinesInOrder(after, {waiting, successLine})) << after.output;
    EXPECT_TRUE(std::filesystem::exists(lockFile));
}

} // namespace
} // namespace norvak::test
