// Command lines with a mistake change nothing: the tools stop before they connect; exact options of our own tools.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

namespace norvak::test {
namespace {

class CommandLineSafety : public OrdersTest {
  protected:
    void loadOrders() {
        ProgramResult loaded = loadFile(sourcePath("examples/orders.xml"));
        ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
    }
    Rows everything() {
        return repo().query("SELECT (SELECT COUNT(*) FROM PROJECT), (SELECT COUNT(*) FROM M_ELEMENT), "
                            "(SELECT COUNT(*) FROM M_TYPE), (SELECT COUNT(*) FROM M_ATTRIBUTE), "
                            "(SELECT COUNT(*) FROM REG_PLUGIN_MEMBER), (SELECT MAX(NEXT_ID) FROM PROJECT)");
    }
};

TEST_P(CommandLineSafety, APurgeWithAMistakeOnItsCommandLineRemovesNothing) {
    loadOrders();
    const Rows before = everything();
    const std::vector<std::vector<std::string>> mistakes = {
        {"--dry-run"}, {"-x"}, {"--lock-timeout", "abc"}, {"--lock-timeout", "-5"}, {"--lock-timeout=99999"}};
    for (const std::vector<std::string>& mistake : mistakes) {
        std::vector<std::string> arguments{"-s", "Orders"};
        arguments.insert(arguments.end(), mistake.begin(), mistake.end());
        ProgramResult purge = runConnected("norvakpurge", arguments);
        SCOPED_TRACE(mistake.front());
        EXPECT_EQ(purge.exitCode, 2) << purge.output;
        EXPECT_TRUE(hasLine(purge, "Errors in the command line - message set Orders was not removed")) << purge.output;
        EXPECT_FALSE(contains(purge, "Deleting")) << purge.output;
        EXPECT_EQ(everything(), before);
    }
    ProgramResult removed = runConnected("norvakpurge", {"-s", "Orders", "--lock-timeout", "5"});
    EXPECT_EQ(removed.exitCode, 0) << removed.output;
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM PROJECT"), (Rows{{"0"}}));
}

TEST_P(CommandLineSafety, ASetUpWithAMistakeOnItsCommandLineCreatesNothing) {
    const Rows before = everything();
    for (const std::vector<std::string>& mistake :
         std::vector<std::vector<std::string>>{{"--lock-timeout", "-5"}, {"-lC"}, {"--language", "C"}, {"extra"}}) {
        std::vector<std::string> arguments{"-s", "Invoices"};
        arguments.insert(arguments.end(), mistake.begin(), mistake.end());
        ProgramResult init = runConnected("norvakinit", arguments);
        SCOPED_TRACE(mistake.front());
        EXPECT_EQ(init.exitCode, 2) << init.output;
        EXPECT_TRUE(hasLine(init, "Errors in the command line - the repository was not changed")) << init.output;
        EXPECT_EQ(everything(), before);
    }
}

TEST_P(CommandLineSafety, AnExportTakesItsOptionsExactlyAndWritesNothingOnAMistake) {
    loadOrders();
    TempDir folder;
    // "-output.xml" used to be "-o utput.xml"; a stray name used to go unnoticed while the text went to stdout.
    ProgramResult glued = runConnected("norvakexport", {"-s", "Orders", "-output.xml"});
    EXPECT_EQ(glued.exitCode, 2);
    EXPECT_EQ(glued.output, "");
    EXPECT_NE(access("utput.xml", F_OK), 0) << "a file was written";
    ProgramResult stray = runConnected("norvakexport", {"-s", "Orders", folder.path() + "/out.xml"});
    EXPECT_EQ(stray.exitCode, 2);
    EXPECT_EQ(stray.output, "");
    EXPECT_NE(stray.errors.find("*****Error - stray argument " + folder.path() + "/out.xml"), std::string::npos);
    ProgramResult abbreviated = runConnected("norvakexport", {"-s", "Orders", "--canon"});
    EXPECT_EQ(abbreviated.exitCode, 2);
    EXPECT_EQ(abbreviated.output, "");

    ProgramResult toStandardOutput = runConnected("norvakexport", {"--message-set", "Orders", "-o", "-"});
    EXPECT_EQ(toStandardOutput.exitCode, 0) << toStandardOutput.errors;
    EXPECT_NE(toStandardOutput.output.find("<ZEPImport"), std::string::npos);
    ProgramResult toFile = runConnected("norvakexport", {"-s", "Orders", "--output=" + folder.path() + "/o.xml"});
    EXPECT_EQ(toFile.exitCode, 0) << toFile.errors;
    EXPECT_EQ(readFile(folder.path() + "/o.xml"), toStandardOutput.output);
}

TEST_P(CommandLineSafety, ADiffReadsAFileFromStandardInputAndRefusesAStrayArgument) {
    loadOrders();
    ProgramResult stray = runConnected("norvakdiff", {"-s", "Orders", "-f", sourcePath("examples/orders.xml"), "x"});
    EXPECT_EQ(stray.exitCode, 4);
    EXPECT_EQ(stray.output, "");
    std::vector<std::string> arguments{"-n", repo().dataSource(), "-u", repo().user(), "-p",
                                       repo().password(), "-s", "Orders", "-f", "-"};
    ProgramResult piped = run("norvakdiff", arguments, readFile(sourcePath("examples/orders.xml")));
    EXPECT_EQ(piped.exitCode, 0) << piped.errors;
    EXPECT_NE(piped.output.find("0 differences"), std::string::npos) << piped.output;
}

TEST_P(CommandLineSafety, QuietToolsShowOnlyErrorsAndTheirClosingLine) {
    ProgramResult init = runConnected("norvakinit", {"-q", "-s", "Invoices"});
    EXPECT_EQ(init.exitCode, 0) << init.output;
    EXPECT_EQ(init.output, "Repository " + repo().dataSource() + " is ready\n");
    loadOrders();
    ProgramResult exported = runConnected("norvakexport", {"--quiet", "-s", "Orders"});
    EXPECT_EQ(exported.exitCode, 0) << exported.errors;
    EXPECT_NE(exported.output.find("<ZEPImport"), std::string::npos);
    EXPECT_EQ(exported.errors, "Exported message set Orders: 5 types, 16 elements, 6 values, 2 messages, 3 wire formats\n");
    ProgramResult compared = runConnected("norvakdiff", {"-q", "-s", "Orders", "-f", sourcePath("examples/orders.xml")});
    EXPECT_EQ(compared.exitCode, 0) << compared.errors;
    EXPECT_EQ(compared.errors, "Compared " + sourcePath("examples/orders.xml") + " with message set Orders of " +
                                   repo().dataSource() + "\n");
    // An error is shown whole, quiet or not.
    ProgramResult missing = runConnected("norvakexport", {"-q", "-s", "Missing"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.errors.find("*****Error - message set Missing not found - nothing was written"), std::string::npos)
        << missing.errors;
}

INSTANTIATE_TEST_SUITE_P(, CommandLineSafety, allBackends(), backendParamName);

// A command line with a mistake is answered before any connection is tried.
TEST(CommandLineSafetyWithoutDatabase, AMistakeStopsEveryToolBeforeItConnects) {
    struct Case {
        const char* program;
        std::vector<std::string> arguments;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {"norvakpurge", {"-n", "no_such_source", "-s", "Orders", "--dry-run"}, 2},
        {"norvakinit", {"-n", "no_such_source", "-s", "Orders", "-x"}, 2},
        {"norvakexport", {"-n", "no_such_source", "-s", "Orders", "out.xml"}, 2},
        {"norvakdiff", {"-n", "no_such_source", "-s", "Orders", "-f", "a.xml", "--format", "xml"}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        ProgramResult result = runProgram(c.program, c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.output << result.errors;
        EXPECT_FALSE(contains(result, "connect")) << result.output;
        EXPECT_EQ(result.errors.find("connect"), std::string::npos) << result.errors;
    }
}

} // namespace
} // namespace norvak::test
