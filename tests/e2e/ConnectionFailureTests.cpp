// End-to-end tests of the lines that follow a failed connection or a missing repository: the driver's messages and the
// next step.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace norvak::test {
namespace {

const std::string orders = sourcePath("examples/orders.xml");

// The lines of a data source like the repository's, under `name`, with some
// of its settings replaced.
std::string changedSection(const TestRepository& repository, const std::string& name,
                           const std::map<std::string, std::string>& changes) {
    std::istringstream lines(repository.dataSourceSection(name));
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        std::size_t equals = line.find('=');
        auto change = equals == std::string::npos ? changes.end() : changes.find(line.substr(0, equals));
        section += (change == changes.end() ? line : change->first + "=" + change->second) + "\n";
    }
    return section;
}

// A TCP port of 127.0.0.1 where nothing listens: one the system just gave out and took back.
std::string unusedPort() {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return std::to_string(ntohs(address.sin_port));
}

// The line after the first line that is `line` exactly, or "" when none follows.
std::string lineAfter(const ProgramResult& result, const std::string& line) {
    std::vector<std::string> lines = result.lines();
    auto at = std::find(lines.begin(), lines.end(), line);
    return at == lines.end() || at + 1 == lines.end() ? std::string() : *(at + 1);
}

// The error of a JSON report that stands for the report line `line` (its
// text is the line without the leading asterisks).
nlohmann::json errorOf(const ProgramResult& result, const std::string& line) {
    nlohmann::json document = nlohmann::json::parse(result.output);
    const std::string text = line.substr(line.find_first_not_of("* "));
    for (const nlohmann::json& error : document["errors"])
        if (error["text"] == text)
            return error;
    return nlohmann::json();
}

// Data sources of the test's own, written to an odbc.ini file next to the repository.
class FailingDataSource {
  public:
    FailingDataSource(const TestRepository& repository, const std::string& sections)
        : file_(repository.folder().write("failing-odbc.ini", sections)) {}
    ProgramResult run(const std::string& program, const std::vector<std::string>& arguments) const {
        return runProgram(program, arguments, std::string(), {"ODBCINI=" + file_});
    }

  private:
    std::string file_;
};

// A failed connect: its report lines stay as they were, then one line of the
// driver's message and the next step; the same in the JSON report of the
// import. Each program that connects says so.
void expectExplainedConnect(const FailingDataSource& source, const std::string& name, const std::string& state,
                            const std::string& driverWords, const std::string& step) {
    ProgramResult load = source.run("norvakload", {"-f", orders, "-n", name, "-s", "Orders"});
    EXPECT_EQ(load.exitCode, 255) << load.output;
    std::string failed = "Database connection to " + name + " failed";
    EXPECT_EQ(lineAfter(load, "*****Database error -1 during SQLConnect in routine connectToZEP SQLSTATE " + state),
              failed)
        << load.output;
    std::string driverLine = lineAfter(load, failed);
    EXPECT_EQ(driverLine.rfind("  the driver said: [" + state + "] ", 0), 0u) << load.output;
    EXPECT_NE(driverLine.find(driverWords), std::string::npos) << load.output;
    EXPECT_EQ(lineAfter(load, driverLine), step) << load.output;

    ProgramResult show = source.run("norvakshow", {"-n", name});
    EXPECT_EQ(show.exitCode, 255) << show.output;
    EXPECT_EQ(lineAfter(show, failed), driverLine) << show.output;
    EXPECT_EQ(lineAfter(show, driverLine), step) << show.output;
    EXPECT_EQ(lineAfter(show, step), "Unable to connect to ZEP database " + name + " - exiting program") << show.output;

    ProgramResult json = source.run("norvakload", {"-f", orders, "-n", name, "-s", "Orders", "--format", "json"});
    nlohmann::json error =
        errorOf(json, "*****Database error -1 during SQLConnect in routine connectToZEP SQLSTATE " + state);
    ASSERT_TRUE(error.is_object()) << json.output;
    EXPECT_EQ(error["code"], state);
    ASSERT_EQ(error["driver"].size(), 1u) << json.output;
    EXPECT_EQ("  the driver said: " + error["driver"][0].get<std::string>(), driverLine);
    EXPECT_EQ("  " + error["hint"].get<std::string>(), step);

    // Every tool's document tells it the same way: the failed connect with
    // its state, the driver's message and the next step.
    TempDir folder;
    const std::vector<std::vector<std::string>> runs = {
        {"norvakshow", "-n", name},
        {"norvakpurge", "-n", name, "-s", "Orders"},
        {"norvakinit", "-n", name, "-s", "Orders"},
        {"norvakexport", "-n", name, "-s", "Orders", "-o", folder.path() + "/out.xml"},
        {"norvakdiff", "-n", name, "-s", "Orders", "-f", orders},
    };
    for (const std::vector<std::string>& run : runs) {
        std::vector<std::string> arguments(run.begin() + 1, run.end());
        arguments.insert(arguments.end(), {"--format", "json"});
        ProgramResult result = source.run(run.front(), arguments);
        nlohmann::json document = nlohmann::json::parse(result.output);
        EXPECT_EQ(document["program"], run.front());
        EXPECT_EQ(document["exitCode"], result.exitCode);
        EXPECT_NE(result.exitCode, 0) << result.output;
        // The removal tool reports the failed call without its state.
        nlohmann::json toolError;
        for (const nlohmann::json& entry : document["errors"])
            if (entry.contains("driver") && toolError.is_null())
                toolError = entry;
        if (run.front() != "norvakpurge") {
            EXPECT_EQ(toolError.value("code", ""), state) << result.output;
        }
        ASSERT_TRUE(toolError.is_object()) << result.output;
        EXPECT_EQ(toolError["driver"], nlohmann::json::array({error["driver"][0]})) << result.output;
        EXPECT_EQ(toolError["hint"], error["hint"]) << result.output;
    }
}

class ConnectionFailure : public RepositoryTest {};

TEST(PostgresConnectionFailure, AServerThatIsDownIsNamedWithItsFix) {
    NORVAK_REQUIRE_BACKEND(Backend::postgres);
    TestRepository repository(Backend::postgres);
    FailingDataSource source(repository, changedSection(repository, "norvak_down", {{"Port", unusedPort()}}));
    expectExplainedConnect(source, "norvak_down", "08001", "Connection refused",
                           "  no database server answers where data source norvak_down points: start the server, or "
                           "correct Servername= and Port= in the data source's entry");
}

TEST(PostgresConnectionFailure, AMissingDatabaseIsNamedWithTheCommandsThatMakeIt) {
    NORVAK_REQUIRE_BACKEND(Backend::postgres);
    TestRepository repository(Backend::postgres);
    FailingDataSource source(repository,
                             changedSection(repository, "norvak_nodb", {{"Database", "norvak_missing_database"}}));
    expectExplainedConnect(source, "norvak_nodb", "08001", "database \"norvak_missing_database\" does not exist",
                           "  the database norvak_missing_database does not exist on the server of data source "
                           "norvak_nodb: create it with createdb norvak_missing_database, then the repository in it "
                           "with norvakinit -n norvak_nodb");
}

TEST(PostgresConnectionFailure, ARefusedPasswordIsSaidWithoutShowingIt) {
    NORVAK_REQUIRE_BACKEND(Backend::postgres);
    TestRepository repository(Backend::postgres);
    // Role norvak_password is the one the test cluster asks a password of.
    FailingDataSource source(
        repository, changedSection(repository, "norvak_auth", {{"Username", "norvak_password"}, {"Password", ""}}));
    std::string step = "  the server refused the user or its password: give them with -u and -p, or as UID= and "
                       "PWD= in the entry of data source norvak_auth";
    for (const std::string& password : {std::string("Wrong-pw-4-tests"), std::string()}) {
        SCOPED_TRACE(password);
        std::vector<std::string> arguments = {"-f", orders, "-n", "norvak_auth", "-u", "norvak_password"};
        if (!password.empty())
            arguments.insert(arguments.end(), {"-p", password});
        ProgramResult load = source.run("norvakload", arguments);
        EXPECT_EQ(load.exitCode, 255) << load.output;
        std::string driverLine = lineAfter(load, "Database connection to norvak_auth failed");
        EXPECT_NE(driverLine.find(password.empty() ? "no password supplied" : "password authentication failed"),
                  std::string::npos)
            << load.output;
        EXPECT_EQ(lineAfter(load, driverLine), step) << load.output;
        if (!password.empty()) {
            EXPECT_FALSE(contains(load, password)) << load.output;
        }
    }
    // With its password the role gets in: the refusal was about the password.
    ProgramResult right =
        source.run("norvakshow", {"-n", "norvak_auth", "-u", "norvak_password", "-p", "Password-4-tests"});
    EXPECT_TRUE(hasLine(right, "Connected to database norvak_auth")) << right.output;
}

TEST(SqliteConnectionFailure, AMissingDriverLibraryIsNamed) {
    TestRepository repository(Backend::sqlite);
    std::string library = repository.folder().path() + "/lib/libnorvak-missing-driver.so";
    FailingDataSource source(repository, changedSection(repository, "norvak_nolib", {{"Driver", library}}));
    expectExplainedConnect(source, "norvak_nolib", "01000", "Can't open lib '" + library + "' : file not found",
                           "  the driver library " + library +
                               " that data source norvak_nolib names is missing: install the driver's package, or "
                               "correct Driver= in the data source's entry");
}

TEST(SqliteConnectionFailure, ASqliteDatabaseInAMissingFolderIsNamed) {
    TestRepository repository(Backend::sqlite);
    std::string database = repository.folder().path() + "/no/such/folder/repository.db";
    FailingDataSource source(repository, changedSection(repository, "norvak_nofolder", {{"Database", database}}));
    expectExplainedConnect(source, "norvak_nofolder", "HY000", "[SQLite]connect failed",
                           "  the SQLite database file " + database +
                               " of data source norvak_nofolder cannot be opened: make sure its folder exists and may "
                               "be written, or correct Database= in the data source's entry; then create the "
                               "repository with norvakinit -n norvak_nofolder");
}

// An empty database: the repository's tables were never made. The next step
// named is the command that makes them, and after it the programs work.
TEST_P(ConnectionFailure, MissingRepositoryTablesAreNamedWithTheCommandThatMakesThem) {
    const std::string& name = repo().dataSource();
    std::string step =
        "  the repository tables are missing in data source " + name + ": create them with norvakinit -n " + name;
    ProgramResult load = runConnected("norvakload", {"-f", orders, "-s", "Orders"});
    EXPECT_EQ(load.exitCode, 110) << load.output;
    std::string driverLine = lineAfter(load, "Unable to execute SELECT statement - rc=-1");
    EXPECT_EQ(driverLine.rfind("  the driver said: [", 0), 0u) << load.output;
    EXPECT_NE(driverLine.find(GetParam() == Backend::sqlite ? "no such table: REPOSITORY"
                                                            : "relation \"repository\" does not exist"),
              std::string::npos)
        << load.output;
    EXPECT_EQ(lineAfter(load, driverLine), step) << load.output;

    ProgramResult show = runConnected("norvakshow");
    EXPECT_EQ(show.exitCode, 2) << show.output;
    std::string showDriverLine = lineAfter(show, "Unable to access PROJECT table in database " + name);
    EXPECT_EQ(showDriverLine.rfind("  the driver said: [", 0), 0u) << show.output;
    EXPECT_EQ(lineAfter(show, showDriverLine), step) << show.output;

    ProgramResult json = runConnected("norvakshow", {"--format", "json"});
    nlohmann::json document = nlohmann::json::parse(json.output);
    ASSERT_EQ(document["errors"].size(), 1u) << json.output;
    EXPECT_EQ(document["errors"][0]["hint"], step.substr(2)) << json.output;
    EXPECT_FALSE(document["errors"][0]["driver"].empty()) << json.output;

    ProgramResult loadJson = runConnected("norvakload", {"-f", orders, "-s", "Orders", "--format", "json"});
    nlohmann::json loadDocument = nlohmann::json::parse(loadJson.output);
    ASSERT_FALSE(loadDocument["errors"].empty()) << loadJson.output;
    EXPECT_EQ(loadDocument["errors"][0]["hint"], step.substr(2)) << loadJson.output;

    // The tools that read or remove a message set say the same.
    for (const auto& [program, arguments] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"norvakexport", {"-s", "Orders", "-o", repo().folder().path() + "/out.xml"}},
             {"norvakdiff", {"-s", "Orders", "-f", orders}},
             {"norvakpurge", {"-s", "Orders"}}}) {
        ProgramResult result = runConnected(program, arguments);
        EXPECT_NE(result.exitCode, 0) << program;
        std::string report = result.output + result.errors;
        EXPECT_NE(report.find("\n  the driver said: ["), std::string::npos) << program << "\n" << report;
        EXPECT_NE(report.find("\n" + step + "\n"), std::string::npos) << program << "\n" << report;
    }

    // The command named makes the tables.
    ASSERT_EQ(runConnected("norvakinit").exitCode, 0);
    ProgramResult after = runConnected("norvakshow");
    EXPECT_EQ(after.exitCode, 0) << after.output;
    EXPECT_FALSE(contains(after, "the driver said")) << after.output;
}

// A repository without the message set asked for: the next step named is the
// command that makes it, and after it the import goes through.
TEST_P(ConnectionFailure, AMissingMessageSetIsNamedWithTheCommandThatMakesIt) {
    ASSERT_EQ(runConnected("norvakinit").exitCode, 0);
    const std::string step = "  create it with norvakinit -n " + repo().dataSource() + " -s Orders";

    ProgramResult load = runConnected("norvakload", {"-f", orders, "-s", "Orders"});
    EXPECT_EQ(load.exitCode, 110) << load.output;
    EXPECT_EQ(lineAfter(load, "Please make sure the message set has been defined"), step) << load.output;
    ProgramResult loadJson = runConnected("norvakload", {"-f", orders, "-s", "Orders", "--format", "json"});
    EXPECT_EQ(errorOf(loadJson, "*****Error - Could not locate message set Orders - rc=100")["hint"], step.substr(2))
        << loadJson.output;

    ProgramResult show = runConnected("norvakshow", {"-s", "Orders"});
    EXPECT_EQ(show.exitCode, 2) << show.output;
    EXPECT_EQ(lineAfter(show, "*****Error - message set Orders not found"), step) << show.output;
    ProgramResult showJson = runConnected("norvakshow", {"-s", "Orders", "--format", "json"});
    EXPECT_EQ(errorOf(showJson, "*****Error - message set Orders not found")["hint"], step.substr(2))
        << showJson.output;

    ProgramResult exported = runConnected("norvakexport", {"-s", "Orders", "-o", repo().folder().path() + "/o.xml"});
    EXPECT_EQ(exported.exitCode, 3);
    EXPECT_TRUE(hasLinesInOrder({0, exported.errors, ""}, {"*****Error - message set Orders not found - nothing was written", step}))
        << exported.errors;
    ProgramResult compared = runConnected("norvakdiff", {"-s", "Orders", "-f", orders});
    EXPECT_EQ(compared.exitCode, 7);
    EXPECT_TRUE(hasLinesInOrder({0, compared.errors, ""}, {"*****Error - message set Orders not found - nothing was compared", step}))
        << compared.errors;
    ProgramResult purged = runConnected("norvakpurge", {"-s", "Orders"});
    EXPECT_EQ(purged.exitCode, 2);
    EXPECT_EQ(lineAfter(purged, "Messageset Orders not found in PROJECT table"), step) << purged.output;

    ASSERT_EQ(runConnected("norvakinit", {"-s", "Orders"}).exitCode, 0);
    ProgramResult after = runConnected("norvakload", {"-f", orders, "-s", "Orders"});
    EXPECT_EQ(after.exitCode, 0) << after.output;
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM PROJECT WHERE NAME = 'Orders'"), (Rows{{"1"}}));
}

INSTANTIATE_TEST_SUITE_P(, ConnectionFailure, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
