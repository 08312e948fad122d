// Tests of what every program answers first (--help, --version) and of a first run's mistakes.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <fstream>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

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
                               "the embedded repository, run norvakinit without -n first, then use -n norvak (the "
                               "driver manager said: "))
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

class QuietAndProgress : public OrdersTest {
  protected:
    // Runs norvakload with its standard error on a pseudo-terminal and its
    // standard output in terminal-run.log; returns what the terminal received.
    std::string terminalOfLoad(const std::vector<std::string>& more) {
        std::vector<std::string> arguments{programPath("norvakload"), "-n", repo().dataSource(), "-u", repo().user(),
                                           "-p", repo().password(), "-s", "Orders"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const std::vector<std::string> environment = repo().environment();
        int master = -1, slave = -1;
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return "openpty failed";
        pid_t pid = fork();
        if (pid == 0) {
            int log = open((repo().folder().path() + "/terminal-run.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(log, 1);
            dup2(slave, 2);
            for (const std::string& setting : environment)
                putenv(const_cast<char*>(setting.c_str()));
            std::vector<char*> argv;
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(slave);
        std::string received;
        char buffer[4096];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;)
            received.append(buffer, static_cast<std::size_t>(n));
        close(master);
        int status = 0;
        waitpid(pid, &status, 0);
        return received;
    }
};

TEST_P(QuietAndProgress, QuietShowsOnlyWarningsErrorsAndTheSummary) {
    ProgramResult quiet = loadFile(sourcePath("examples/orders.xml"), {"-q"});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.output;
    EXPECT_FALSE(contains(quiet, "Created ")) << quiet.output;
    EXPECT_FALSE(contains(quiet, "Norvak V2.1")) << quiet.output;
    EXPECT_EQ(quiet.lines().front(), "") << quiet.output;
    EXPECT_TRUE(hasLinesInOrder(quiet, {"items added to tables in repository database " + repo().dataSource(),
                                        "M_ELEMENT        - 16", "tags created - 16",
                                        "Import was successful - please restart the norvakhub"}))
        << quiet.output;

    // Warnings stay; an error shows the whole end of the run.
    ProgramResult again = loadFile(sourcePath("examples/orders.xml"), {"-q"});
    EXPECT_EQ(again.lines().front(), "*****Warning - XML tab XML already exists - was not created") << again.output;
    ProgramResult missing = runConnected("norvakload", {"-q", "-f", sourcePath("examples/orders.xml"), "-s", "None"});
    EXPECT_EQ(missing.exitCode, 110);
    EXPECT_TRUE(hasLinesInOrder(missing, {"*****Error - Could not locate message set None - rc=100",
                                          "Please make sure the message set has been defined"}))
        << missing.output;
    EXPECT_FALSE(contains(missing, "Connecting to database"));
}

TEST_P(QuietAndProgress, TheListingAndTheRemovalAreQuietToo) {
    ASSERT_EQ(loadFile(sourcePath("examples/orders.xml")).exitCode, 0);
    // The listing is what the run is for: only the banner and connection lines go.
    ProgramResult loud = runConnected("norvakshow");
    for (const char* quiet : {"-q", "-Q", "--quiet"}) {
        ProgramResult listed = runConnected("norvakshow", {quiet});
        ASSERT_EQ(listed.exitCode, 0) << listed.output;
        EXPECT_FALSE(contains(listed, "Norvak - Message Set list utility")) << listed.output;
        EXPECT_FALSE(contains(listed, "Connect")) << listed.output;
        EXPECT_NE(loud.output.find(listed.output), std::string::npos) << listed.output; // the listing, whole
        EXPECT_TRUE(hasLine(listed, "   100021 PlaceOrder")) << listed.output;
    }
    // A "-q" that is the value of an option asks for nothing.
    ProgramResult named = runConnected("norvakshow", {"-s", "-q"});
    EXPECT_TRUE(contains(named, "Norvak - Message Set list utility")) << named.output;
    EXPECT_TRUE(contains(named, "*****Error - message set -q not found")) << named.output;
    ProgramResult failed = runConnected("norvakshow", {"-q", "-s", "None"});
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_TRUE(contains(failed, "*****Error - message set None not found")) << failed.output;

    ProgramResult notThere = runConnected("norvakpurge", {"-q", "-s", "None"});
    EXPECT_EQ(notThere.exitCode, 2);
    EXPECT_EQ(notThere.lines().front(), "***** Unable to retrieve SQLSTATE") << notThere.output;
    EXPECT_TRUE(hasLine(notThere, "Messageset None not found in PROJECT table")) << notThere.output;
    ProgramResult removed = runConnected("norvakpurge", {"-s", "Orders", "-q"});
    EXPECT_EQ(removed.exitCode, 0) << removed.output;
    EXPECT_EQ(removed.output, "Finished deleting entries for message set\n");
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM PROJECT"), (Rows{{"0"}}));
}

TEST_P(QuietAndProgress, ProgressIsShownOnATerminalOnlyAndErasedAtTheEnd) {
    ProgramResult piped = loadFile(sourcePath("examples/orders.xml"), {"-r"});
    ASSERT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.errors.find('\r'), std::string::npos) << piped.errors;

    std::string terminal = terminalOfLoad({"-q", "-f", sourcePath("examples/orders.xml")});
    EXPECT_NE(terminal.find("norvakload: reading the definitions"), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("norvakload: checking"), std::string::npos) << terminal;
    EXPECT_NE(terminal.find(" items"), std::string::npos) << terminal;
    // The last thing on the terminal takes the line away.
    ASSERT_GE(terminal.size(), 4u);
    EXPECT_EQ(terminal.substr(terminal.size() - 4), "\r\033[K") << terminal;
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM M_ELEMENT"), (Rows{{"16"}}))
        << std::ifstream(repo().folder().path() + "/terminal-run.log").rdbuf();
}

INSTANTIATE_TEST_SUITE_P(, QuietAndProgress, allBackends(), backendParamName);

class JsonResults : public OrdersTest {};

TEST_P(JsonResults, AnImportIsToldAsOneDocumentWithItsRowsAndMessages) {
    ProgramResult result = loadFile(sourcePath("examples/orders.xml"), {"--format", "json"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    nlohmann::json document = nlohmann::json::parse(result.output); // nothing else on standard output
    EXPECT_EQ(document["exitCode"], 0);
    EXPECT_EQ(document["messageSet"], "Orders");
    EXPECT_EQ(document["reportOnly"], false);
    EXPECT_EQ(document["rowsAdded"]["M_ELEMENT"], 16);
    EXPECT_EQ(document["rowsAdded"]["M_MESSAGE"], 2);
    EXPECT_EQ(document["reused"]["types"], 0);
    EXPECT_TRUE(document["errors"].empty());

    nlohmann::json again = nlohmann::json::parse(loadFile(sourcePath("examples/orders.xml"), {"--format=json", "-r"}).output);
    EXPECT_EQ(again["reportOnly"], true);
    EXPECT_EQ(again["reused"]["elements"], 16);
    ASSERT_EQ(again["warnings"].size(), 3u);
    EXPECT_EQ(again["warnings"][0]["text"], "Warning - XML tab XML already exists - was not created");
}

TEST_P(JsonResults, ErrorsInTheFileNameTheirPlaceInTheDocumentAndInTheReport) {
    const std::string definitions = "<ZEPImport/>\n<!-- a comment\n  of two lines -->\n<Type ident=\"T\">\n"
                                    "  <Element ident=\"E\" type=\"string\" lenght=\"5\"/>\n</Type>\n";
    std::string file = repo().folder().write("bad.xml", definitions);
    ProgramResult human = loadFile(file);
    EXPECT_EQ(human.exitCode, 200);
    EXPECT_TRUE(hasLinesInOrder(human, {"*****Error - unrecognized attribute lenght found", "  at " + file + ":5:36",
                                        "errors were found in the input definitions file"}))
        << human.output;

    ProgramResult result = loadFile(file, {"--format", "json"});
    EXPECT_EQ(result.exitCode, 200);
    nlohmann::json document = nlohmann::json::parse(result.output);
    EXPECT_EQ(document["exitCode"], 200);
    ASSERT_EQ(document["errors"].size(), 1u) << document.dump(2);
    EXPECT_EQ(document["errors"][0]["text"], "Error - unrecognized attribute lenght found");
    EXPECT_EQ(document["errors"][0]["file"], file);
    EXPECT_EQ(document["errors"][0]["line"], 5);
    EXPECT_EQ(document["errors"][0]["column"], 36);
    EXPECT_EQ(document["rowsAdded"]["M_TYPE"], 0);

    ProgramResult unknown = loadFile(file, {"--format", "xml"});
    EXPECT_EQ(unknown.exitCode, 200);
    EXPECT_TRUE(hasLine(unknown, "*****Error - unknown --format xml: json or text"));
}

TEST_P(JsonResults, TheListingIsOneDocumentToo) {
    ASSERT_EQ(loadFile(sourcePath("examples/orders.xml")).exitCode, 0);
    createMessageSet("Second");
    ProgramResult result = runConnected("norvakshow", {"--format", "json"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    nlohmann::json document = nlohmann::json::parse(result.output);
    ASSERT_EQ(document["messageSets"].size(), 2u);
    nlohmann::json orders = document["messageSets"][0];
    EXPECT_EQ(orders["key"], 100);
    EXPECT_EQ(orders["name"], "Orders");
    EXPECT_EQ(orders["nextId"], 100057);
    ASSERT_EQ(orders["messages"].size(), 2u);
    EXPECT_EQ(orders["messages"][0]["identifier"], "PlaceOrder");
    EXPECT_EQ(orders["messages"][0]["type"], "Order_t");
    EXPECT_EQ(document["messageSets"][1]["messages"].size(), 0u);

    nlohmann::json one = nlohmann::json::parse(runConnected("norvakshow", {"--format", "json", "-s", "Second"}).output);
    ASSERT_EQ(one["messageSets"].size(), 1u);
    ProgramResult missing = runConnected("norvakshow", {"--format", "json", "-s", "None"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(nlohmann::json::parse(missing.output)["messageSets"].empty());
}

TEST_P(JsonResults, EveryToolWritesOneDocumentWhateverTheOutcome) {
    // Each run's standard output is one document (checked against the
    // tool's schema by the runner): done, refused on the command line,
    // usage shown, and failed on the database.
    const std::string orders = sourcePath("examples/orders.xml");
    const std::string out = repo().folder().path() + "/orders-out.xml";
    struct Run {
        std::string program;
        std::vector<std::string> arguments;
        int exitCode;
    };
    const std::vector<Run> runs = {
        {"norvakinit", {"-s", "Second"}, 0},
        {"norvakload", {"-f", orders, "-s", "Orders"}, 0},
        {"norvakshow", {}, 0},
        {"norvakexport", {"-s", "Orders", "-o", out}, 0},
        {"norvakdiff", {"-s", "Orders", "-f", orders}, 0},
        {"norvakpurge", {"-s", "Second"}, 0},
        {"norvakinit", {"-s", "12"}, 2},
        {"norvakshow", {"-x"}, 2},
        {"norvakexport", {"-s", "Orders"}, 2}, // the document takes standard output: -o is needed
        {"norvakexport", {"-s", "Orders", "-o", out, "stray"}, 2},
        {"norvakdiff", {"-s", "Orders"}, 4},
        {"norvakpurge", {"-s", "Orders", "-x"}, 2},
        {"norvakexport", {"-s", "None", "-o", out}, 3},
        {"norvakdiff", {"-s", "None", "-f", orders}, 7},
        {"norvakpurge", {"-s", "None"}, 2},
        {"norvakdiff", {"-s", "Orders", "-f", repo().folder().path() + "/missing.xml"}, 5},
    };
    for (const Run& run : runs) {
        std::vector<std::string> arguments = run.arguments;
        arguments.insert(arguments.begin(), {"--format", "json"});
        ProgramResult result = runConnected(run.program, arguments);
        std::string said = run.program + " " + (run.arguments.empty() ? "" : run.arguments.front());
        EXPECT_EQ(result.exitCode, run.exitCode) << said << "\n" << result.output << result.errors;
        nlohmann::json document = nlohmann::json::parse(result.output);
        EXPECT_EQ(document["program"], run.program);
        EXPECT_EQ(document["version"], NORVAK_VERSION);
        EXPECT_EQ(document["exitCode"], result.exitCode);
        EXPECT_EQ(document["errors"].empty(), run.exitCode == 0) << said << "\n" << result.output;
        EXPECT_EQ(result.errors, "") << said; // the report is in the document
        for (const nlohmann::json& error : document["errors"])
            EXPECT_NE(error["text"].get<std::string>().rfind("*", 0), 0u) << said << "\n" << result.output;
    }
    EXPECT_EQ(repo().query("SELECT NAME FROM PROJECT ORDER BY PROJECT_KEY"), (Rows{{"Orders"}}));

    // The tools' own members.
    nlohmann::json purged = nlohmann::json::parse(runConnected("norvakpurge", {"-s", "Orders", "--format=json"}).output);
    EXPECT_EQ(purged["messageSet"], "Orders");
    EXPECT_EQ(purged["key"], 100);
    EXPECT_EQ(purged["removed"], true);
    nlohmann::json created = nlohmann::json::parse(runConnected("norvakinit", {"-s", "Orders", "--format=json"}).output);
    EXPECT_EQ(created["ready"], true);
    EXPECT_EQ(created["messageSet"]["name"], "Orders");
    EXPECT_EQ(repo().query("SELECT PROJECT_KEY FROM PROJECT WHERE NAME = 'Orders'"),
              (Rows{{std::to_string(created["messageSet"]["key"].get<int>())}}));
    ASSERT_EQ(loadFile(orders).exitCode, 0);
    nlohmann::json exported =
        nlohmann::json::parse(runConnected("norvakexport", {"-s", "Orders", "-o", out, "--format", "json"}).output);
    EXPECT_EQ(exported["output"], out);
    EXPECT_EQ(exported["exported"]["elements"], 16);
    EXPECT_EQ(exported["exported"]["messages"], 2);
    EXPECT_TRUE(exported["omissions"].empty());
    EXPECT_EQ(readFile(out), runConnected("norvakexport", {"-s", "Orders"}).output);

    // An unknown format is a command-line mistake, said in text.
    ProgramResult unknown = runConnected("norvakexport", {"-s", "Orders", "-o", out, "--format", "yaml"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.errors, "*****Error - unknown --format yaml: json or text\n");
}

INSTANTIATE_TEST_SUITE_P(, JsonResults, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
