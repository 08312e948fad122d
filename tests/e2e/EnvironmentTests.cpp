// The data source, user and password that the programs take from NORVAK_DSN, NORVAK_USER and NORVAK_PASSWORD.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak::test {
namespace {

class ConnectionFromEnvironment : public OrdersTest {
  protected:
    // Runs a program with the repository's settings, and the connection in the environment only.
    ProgramResult runWithEnvironment(const std::string& program, const std::vector<std::string>& arguments,
                                     const std::string& dataSource) {
        std::vector<std::string> environment = repo().environment();
        environment.push_back("NORVAK_DSN=" + dataSource);
        environment.push_back("NORVAK_USER=" + repo().user());
        environment.push_back("NORVAK_PASSWORD=" + repo().password());
        return runProgram(program, arguments, "", environment);
    }
    void expectNoPassword(const ProgramResult& result) {
        if (repo().password().empty())
            return;
        EXPECT_FALSE(contains(result, repo().password())) << "password shown";
        EXPECT_EQ(result.errors.find(repo().password()), std::string::npos) << "password shown";
    }
};

TEST_P(ConnectionFromEnvironment, EveryProgramConnectsWithTheEnvironmentsDataSourceUserAndPassword) {
    // The file names another data source: the environment stands for -n and wins over it.
    std::string file = repo().folder().write(
        "defs.xml", "<ZEPImport ZEP_DB=\"nowhere\" messageSet=\"Orders\"/>\n"
                    "<Type ident=\"T\" composition=\"sequence\"><Element ident=\"E\" type=\"string\"/></Type>\n");
    ProgramResult load = runWithEnvironment("norvakload", {"-f", file}, repo().dataSource());
    ASSERT_EQ(load.exitCode, 0) << load.output;
    expectNoPassword(load);
    EXPECT_EQ(repo().query("SELECT IDENTIFIER FROM M_ELEMENT"), (Rows{{"E"}}));

    ProgramResult show = runWithEnvironment("norvakshow", {"-s", "Orders"}, repo().dataSource());
    EXPECT_EQ(show.exitCode, 0) << show.output;
    expectNoPassword(show);
    ProgramResult init = runWithEnvironment("norvakinit", {"-s", "Invoices"}, repo().dataSource());
    EXPECT_EQ(init.exitCode, 0) << init.output;
    ProgramResult exported = runWithEnvironment("norvakexport", {"-s", "Orders"}, repo().dataSource());
    EXPECT_EQ(exported.exitCode, 0) << exported.errors;
    ProgramResult compared = runWithEnvironment("norvakdiff", {"-s", "Orders", "-f", file}, repo().dataSource());
    EXPECT_EQ(compared.exitCode, 0) << compared.errors;
    ProgramResult purged = runWithEnvironment("norvakpurge", {"-s", "Invoices"}, repo().dataSource());
    EXPECT_EQ(purged.exitCode, 0) << purged.output;
    EXPECT_EQ(repo().query("SELECT NAME FROM PROJECT"), (Rows{{"Orders"}}));
}

TEST_P(ConnectionFromEnvironment, TheCommandLineWinsOverTheEnvironment) {
    ProgramResult show = runWithEnvironment("norvakshow", {"-n", repo().dataSource(), "-s", "Orders"}, "nowhere");
    EXPECT_EQ(show.exitCode, 0) << show.output;
    ProgramResult wrong = runWithEnvironment("norvakshow", {"-s", "Orders"}, "nowhere");
    EXPECT_NE(wrong.exitCode, 0) << wrong.output;
    EXPECT_TRUE(contains(wrong, "Database connection to nowhere failed")) << wrong.output;
    // Two files are compared without a database, whatever the environment names.
    std::string file = sourcePath("examples/orders.xml");
    ProgramResult files = runWithEnvironment("norvakdiff", {"--against", file, "-f", file}, repo().dataSource());
    EXPECT_EQ(files.exitCode, 0) << files.errors;
}

// A trace shows every step of the run but never the password, given with -p,
// through NORVAK_PASSWORD or as DBPw of the file's ZEPImport tag.
TEST_P(ConnectionFromEnvironment, ATraceNeverShowsThePasswordWhereverItIsGiven) {
    // The SQLite driver takes any password, and so does the test cluster.
    const std::string password = repo().password().empty() ? "Tr4ce-Pw-Qx7" : repo().password();
    const std::string definitions =
        "<Type ident=\"T\" composition=\"sequence\"><Element ident=\"E\" type=\"string\"/></Type>\n";
    const std::string plain = repo().folder().write("defs.xml", definitions);
    const std::string withPassword = repo().folder().write(
        "defs-with-password.xml", "<ZEPImport DBPw=\"" + password + "\" messageSet=\"Orders\"/>\n" + definitions);
    const std::string withUnquotedPassword = repo().folder().write(
        "defs-with-unquoted-password.xml", "<ZEPImport DBPw=" + password + " messageSet=\"Orders\"/>\n" + definitions);
    const std::vector<std::string> connection{"-n", repo().dataSource(), "-u", repo().user(), "-t"};
    std::vector<std::string> inEnvironment = repo().environment();
    inEnvironment.push_back("NORVAK_PASSWORD=" + password);
    struct Case {
        std::string given;
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
    } cases[] = {
        {"-p", {"-f", plain, "-s", "Orders", "-p", password}, repo().environment()},
        {"NORVAK_PASSWORD", {"-f", plain, "-s", "Orders"}, inEnvironment},
        {"DBPw", {"-f", withPassword}, repo().environment()},
        {"DBPw without quotes", {"-f", withUnquotedPassword}, repo().environment()},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.given);
        c.arguments.insert(c.arguments.begin(), connection.begin(), connection.end());
        ProgramResult load = runProgram("norvakload", c.arguments, "", c.environment);
        EXPECT_EQ(load.exitCode, 0) << load.output;
        EXPECT_TRUE(contains(load, "==> getZEPInfo database name " + repo().dataSource() + " user " + repo().user() +
                                       " password ********"))
            << load.output;
        EXPECT_FALSE(contains(load, password)) << load.output;
        EXPECT_EQ(load.errors.find(password), std::string::npos) << load.errors;
    }
}

INSTANTIATE_TEST_SUITE_P(, ConnectionFromEnvironment, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
