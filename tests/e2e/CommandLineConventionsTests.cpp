#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

// What every program answers before anything else (--help, --version), and
// the mistakes of a first run answered with their fix.

namespace norvak::test {
namespace {

const char* const programs[] = {"norvakload", "norvakshow", "norvakpurge", "norvakinit", "norvakexport"};

TEST(CommandLineConventions, EveryProgramTellsItsVersionAndHelpAndEndsWithZero) {
    for (const char* program : programs) {
        SCOPED_TRACE(program);
        ProgramResult version = runProgram(program, {"--version"});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.output, std::string(program) + " " + NORVAK_VERSION + "\n");

        ProgramResult help = runProgram(program, {"-n", "somewhere", "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.output.rfind(std::string("Usage: ") + program + " ", 0), 0u) << help.output;
        EXPECT_TRUE(contains(help, "  --help, --version       this text; the program's version\n")) << help.output;
        EXPECT_TRUE(contains(help, "Exit codes: 0 ")) << help.output;
    }
    // The value of an option is not a request, whatever it reads.
    ProgramResult password = runProgram("norvakshow", {"-n", "nowhere", "-p", "--help"});
    EXPECT_NE(password.exitCode, 0);
    EXPECT_FALSE(contains(password, "Usage: norvakshow"));
}

TEST(CommandLineConventions, AFileWithoutItsOptionIsAnsweredWithTheFix) {
    ProgramResult result = runProgram("norvakload", {"examples/orders.xml"});
    EXPECT_EQ(result.exitCode, 1);
    std::vector<std::string> lines = result.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "*****Error - unrecognized command line parameter examples/orders.xml");
    EXPECT_EQ(lines.back(), "  a definitions file is given with -f: " + programPath("norvakload") +
                                " -f examples/orders.xml");
    // A value of another option is no file.
    ProgramResult named = runProgram("norvakload", {"-s", "Orders"});
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_FALSE(contains(named, "unrecognized command line parameter"));
}

TEST(CommandLineConventions, AMissingFileSaysWhatTheSystemSaid) {
    ProgramResult result = runProgram("norvakload", {"-f", "/nonexistent/defs.xml"});
    EXPECT_EQ(result.exitCode, 96);
    EXPECT_TRUE(hasLinesInOrder(result, {"Unable to open input file /nonexistent/defs.xml",
                                         "  /nonexistent/defs.xml: No such file or directory",
                                         "Unable to read input defintions file /nonexistent/defs.xml"}))
        << result.output;
}

TEST(CommandLineConventions, AnUnknownDataSourceSaysWhereTheDriverManagerLooked) {
    TempDir folder;
    std::string file = folder.write("defs.xml", "<ZEPImport messageSet=\"Orders\"/>\n<Type ident=\"t\"/>\n");
    ProgramResult load = runProgram("norvakload", {"-f", file, "-n", "no_such_source"});
    EXPECT_EQ(load.exitCode, 255);
    EXPECT_TRUE(hasLinesInOrder(load, {"Database connection to no_such_source failed"})) << load.output;
    EXPECT_TRUE(contains(load, "  data source no_such_source is not defined where unixODBC looks for it: the file "
                               "ODBCINI names (/nonexistent/norvak-test-odbc.ini), ~/.odbc.ini, /etc/odbc.ini; for "
                               "the embedded repository, source scripts/odbc-env.sh first (the driver manager said: "))
        << load.output;
    ProgramResult show = runProgram("norvakshow", {"-n", "no_such_source"});
    EXPECT_TRUE(contains(show, "  data source no_such_source is not defined where unixODBC looks for it")) << show.output;
    EXPECT_TRUE(hasLine(show, "Unable to connect to ZEP database no_such_source - exiting program"));
}

TEST(CommandLineConventions, NoDataSourceAtAllIsSaidBeforeTheConnectionFails) {
    TempDir folder;
    std::string file = folder.write("defs.xml", "<ZEPImport messageSet=\"Orders\"/>\n<Type ident=\"t\"/>\n");
    ProgramResult result = runProgram("norvakload", {"-f", file});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_TRUE(hasLinesInOrder(result, {"*****Error - no data source named: give it with -n or with ZEP_DB on the "
                                         "ZEPImport tag",
                                         "Connecting to database  using  pw ", "Database connection to  failed"}))
        << result.output;
    EXPECT_FALSE(contains(result, "is not defined where unixODBC looks"));
}

class ShowOneMessageSet : public RepositoryTest {};

TEST_P(ShowOneMessageSet, ListsItsMessagesWithTheirTypesAndCountsWhatItHolds) {
    createMessageSet("Orders");
    createMessageSet("Other");
    ASSERT_EQ(runConnected("norvakload", {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"}).exitCode, 0);
    ProgramResult result = runConnected("norvakshow", {"-s", "Orders"});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(hasLinesInOrder(result, {"Message set Orders: key 100, next id 100057", "   Msg ID Message Name (type)",
                                         "   100021 PlaceOrder (Order_t)", "   100022 SendInvoice (Invoice_t)",
                                         "Types 5, elements 16, values 6, wire formats 3 (CWF 1, TDS 1, XML 1)"}))
        << result.output;
    EXPECT_FALSE(contains(result, "Other"));

    ProgramResult empty = runConnected("norvakshow", {"-s", "Other"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_TRUE(hasLine(empty, "Types 0, elements 0, values 0, wire formats 0 (CWF 0, TDS 0, XML 0)")) << empty.output;

    ProgramResult missing = runConnected("norvakshow", {"-s", "O'Missing"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(hasLine(missing, "*****Error - message set O'Missing not found")) << missing.output;
}

INSTANTIATE_TEST_SUITE_P(, ShowOneMessageSet, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
