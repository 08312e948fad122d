// Tests of norvakload's command line and usage.
#include "e2e/ProgramRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace norvak::test {
namespace {

// A clean parse goes on to connect; the tests define no data source, so the connect fails.
const std::string connectLine = "\nConnecting to database ";
const std::string usageHeading = "\nnorvakload V1.00\n\nCommand usage is:\n\n";
const std::string handlesLine = "Error allocating handles - unable to access ZEP database";

// The tail of a run stopped after parsing because of an error.
void expectStoppedAfterParse(const ProgramResult& result) {
    EXPECT_EQ(result.exitCode, 200) << result.output;
    EXPECT_TRUE(contains(result, "\nerrors were found in the input definitions file\nutility is ending\n"))
        << result.output;
    EXPECT_FALSE(contains(result, connectLine));
}

void expectParsedCleanly(const ProgramResult& result) {
    EXPECT_EQ(result.exitCode, 255) << result.output;
    EXPECT_TRUE(contains(result, connectLine)) << result.output;
    EXPECT_EQ(result.output.find("*****Error - "), result.output.find("*****Error - ", result.output.find(connectLine)))
        << result.output;
}

class NorvakloadOptions : public ::testing::Test {
  protected:
    TempDir dir;
    std::string defs = dir.write("defs.xml", "<ZEPImport ZEP_DB=\"filedb\" DBUser=\"fileuser\"/>\n"
                                             "<Type ident=\"t1\" composition=\"sequence\"/>\n");
};

TEST(NorvakloadCommandLine, NoArgumentShowsUsageAndEndsWithOne) {
    ProgramResult result = runProgram("norvakload", {});
    EXPECT_EQ(result.exitCode, 1);
    auto lines = result.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[0].find("ZEP bulk data import utility V1.00 (Dec 14 2001)"), std::string::npos);
    EXPECT_EQ(lines[1].rfind("Execution date and time ", 0), 0u);
    EXPECT_NE(result.output.find("\nnorvakload V1.00\n\nCommand usage is:\n\n"), std::string::npos);
}

TEST_F(NorvakloadOptions, QuestionMarkRequestsUsageBeforeAnyFileIsRead) {
    ProgramResult dashQuestion = runProgram("norvakload", {"-?"});
    EXPECT_EQ(dashQuestion.exitCode, 1);
    auto lines = dashQuestion.lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[2], "*****Error - unrecognized command line parameter -?");
    EXPECT_TRUE(contains(dashQuestion, usageHeading));
    EXPECT_LT(dashQuestion.output.find("-?"), dashQuestion.output.find(usageHeading));
    EXPECT_TRUE(contains(dashQuestion, "\n  " + programPath("norvakload") +
                                           " -i {-n ZEP_DB {-u DB_Userid {-p DB_Password}}} {-s MessageSet} -f "
                                           "<parmfile> {-r} {-v} {-t} {-d}\n\nThe database, DB Userid and "
                                           "Password are optional.  They can\n"))
        << dashQuestion.output;

    for (const char* first : {"?", "?help", "x?"}) {
        ProgramResult result = runProgram("norvakload", {first, "-f", defs});
        EXPECT_EQ(result.exitCode, 1) << first;
        EXPECT_TRUE(contains(result, usageHeading)) << first;
        EXPECT_TRUE(contains(result, "are primarily for debugging purposes.\n")) << first;
        EXPECT_FALSE(contains(result, "Processing input file")) << first;
    }
}

TEST_F(NorvakloadOptions, FileOptionWithoutValue) {
    ProgramResult alone = runProgram("norvakload", {"-f"});
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_TRUE(contains(alone, "*****Error - fileName missing from -f parameter\n\nnorvakload V1.00\n"))
        << alone.output;
    EXPECT_FALSE(contains(alone, "Processing input file"));

    ProgramResult emptyName = runProgram("norvakload", {"-f", ""});
    EXPECT_EQ(emptyName.exitCode, 1);
    EXPECT_TRUE(contains(emptyName, usageHeading));
    EXPECT_FALSE(contains(emptyName, "Processing input file"));

    // An earlier file name stays in force; the error surfaces after parsing.
    ProgramResult afterFile = runProgram("norvakload", {"-f", defs, "-f"});
    EXPECT_TRUE(hasLine(afterFile, "*****Error - fileName missing from -f parameter"));
    EXPECT_TRUE(hasLine(afterFile, "Processing input file " + defs));
    expectStoppedAfterParse(afterFile);
}

TEST_F(NorvakloadOptions, ConnectionOptionWithoutValueStopsAfterParsing) {
    const std::pair<std::string, std::string> cases[] = {
        {"-n", "*****Error - database name missing from -n parameter"},
        {"-u", "*****Error - database user missing from -u parameter"},
        {"-p", "*****Error - database password missing from -p parameter"},
        {"-s", "*****Error - message set missing from -s parameter"},
    };
    for (const auto& [option, message] : cases) {
        ProgramResult result = runProgram("norvakload", {"-f", defs, option});
        EXPECT_TRUE(hasLine(result, message)) << option << "\n" << result.output;
        EXPECT_TRUE(contains(result, " bytes read from data file " + defs + "\n")) << option;
        expectStoppedAfterParse(result);
    }
}

TEST_F(NorvakloadOptions, ValuesAttachedOrSeparateInEitherCase) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"-f", defs},
                                                      {"-F", defs},
                                                      {"-f" + defs},
                                                      {"-F" + defs},
                                                      {"-N", "DSN", "-Uuser", "-ppw", "-SOrders", "-f", defs}}) {
        ProgramResult result = runProgram("norvakload", arguments);
        EXPECT_TRUE(hasLine(result, "Processing input file " + defs)) << result.output;
        expectParsedCleanly(result);
    }
}

TEST_F(NorvakloadOptions, SwitchesAreSelectedByTheirSecondCharacter) {
    ProgramResult quiet = runProgram("norvakload", {"-f", defs, "-verbose", "-R", "-Display", "-i", "-Import"});
    expectParsedCleanly(quiet);
    EXPECT_FALSE(contains(quiet, "==> ")) << "no trace without -t";

    ProgramResult traced = runProgram("norvakload", {"-Trace", "-f", defs});
    expectParsedCleanly(traced);
    EXPECT_TRUE(hasLine(traced, "==> parseXMLfile"));
    EXPECT_TRUE(hasLine(traced, "<== parseXMLfile, errSw=0"));
}

TEST_F(NorvakloadOptions, UnrecognizedOptionIsReportedAndEndsTheRunAfterParsing) {
    for (const std::string option : {"-x", "-xyz", "-", "-?"}) {
        ProgramResult result = runProgram("norvakload", {"-f", defs, option});
        EXPECT_TRUE(hasLine(result, "*****Error - unrecognized command line parameter " + option)) << result.output;
        EXPECT_TRUE(hasLine(result, "Processing input file " + defs)) << option;
        expectStoppedAfterParse(result);
    }
}

TEST_F(NorvakloadOptions, ValueAfterItsOptionIsNeverTakenAsAnOption) {
    // "-x" and "-t" are the database name here, "-f" is the message set.
    ProgramResult result = runProgram("norvakload", {"-n", "-x", "-u", "-t", "-s", "-f", "-f", defs});
    expectParsedCleanly(result);
    EXPECT_FALSE(contains(result, "unrecognized command line parameter"));
    EXPECT_FALSE(contains(result, "==> parseXMLfile"));
}

TEST_F(NorvakloadOptions, LaterOccurrenceReplacesEarlierValue) {
    ProgramResult file = runProgram("norvakload", {"-f", dir.path() + "/missing.xml", "-f", defs});
    EXPECT_TRUE(hasLine(file, "Processing input file " + defs));
    expectParsedCleanly(file);

    std::string tooLong(128, 'd');
    expectParsedCleanly(runProgram("norvakload", {"-f", defs, "-n", tooLong, "-n", "DSN"}));
    ProgramResult lastTooLong = runProgram("norvakload", {"-f", defs, "-n", "DSN", "-n", tooLong});
    EXPECT_EQ(lastTooLong.exitCode, 255);
    EXPECT_TRUE(hasLine(lastTooLong, "*****Error - database name parameter is too long"));
}

TEST_F(NorvakloadOptions, OverrideLengthLimits) {
    expectParsedCleanly(runProgram("norvakload", {"-f", defs, "-n", std::string(127, 'n'), "-u", std::string(63, 'u'),
                                                  "-p", std::string(63, 'p'), "-s", std::string(127, 's')}));
    const std::pair<std::string, std::string> cases[] = {
        {"-n", "*****Error - database name parameter is too long"},
        {"-u", "*****Error - database user id parameter is too long"},
        {"-p", "*****Error - database password parameter is too long"},
        {"-s", "*****Error - message set name is too long"},
    };
    for (const auto& [option, message] : cases) {
        std::size_t length = option == "-u" || option == "-p" ? 64 : 128;
        ProgramResult result = runProgram("norvakload", {"-f", defs, option, std::string(length, 'v')});
        EXPECT_EQ(result.exitCode, 255) << option << "\n" << result.output;
        EXPECT_TRUE(contains(result, "\n" + message + "\n" + handlesLine + "\n")) << option << result.output;
        EXPECT_FALSE(contains(result, connectLine)) << option;
        EXPECT_FALSE(contains(result, "errors were found")) << option;
    }

    // All four are checked, in a fixed order, even after the first refusal.
    ProgramResult all = runProgram("norvakload", {"-s", std::string(128, 's'), "-p", std::string(64, 'p'), "-u",
                                                  std::string(64, 'u'), "-n", std::string(128, 'n'), "-f", defs});
    EXPECT_EQ(all.exitCode, 255);
    EXPECT_TRUE(contains(all, "\n" + cases[0].second + "\n" + cases[1].second + "\n" + cases[2].second + "\n" +
                                  cases[3].second + "\n" + handlesLine + "\n"))
        << all.output;
}

TEST_F(NorvakloadOptions, ValuesLongerThan511CharactersAreAccepted) {
    ProgramResult longName = runProgram("norvakload", {"-f", defs, "-n", std::string(600, 'n')});
    EXPECT_EQ(longName.exitCode, 255);
    EXPECT_TRUE(hasLine(longName, "*****Error - database name parameter is too long"));

    std::filesystem::path deep = dir.path();
    for (int i = 0; i < 6; ++i)
        deep /= std::string(100, static_cast<char>('a' + i));
    std::filesystem::create_directories(deep);
    std::filesystem::copy_file(defs, deep / "defs.xml");
    std::string longPath = (deep / "defs.xml").string();
    ASSERT_GT(longPath.size(), 600u);
    ProgramResult result = runProgram("norvakload", {"-f", longPath});
    EXPECT_TRUE(hasLine(result, "Processing input file " + longPath));
    EXPECT_TRUE(contains(result, " bytes read from data file " + longPath + "\n"));
    expectParsedCleanly(result);
}

TEST_F(NorvakloadOptions, EmptySeparateValueLeavesTheFileValueInForce) {
    ProgramResult result = runProgram("norvakload", {"-n", "", "-u", "", "-p", "", "-s", "", "-f", defs});
    expectParsedCleanly(result);
    EXPECT_FALSE(contains(result, "missing from"));
}

} // namespace
} // namespace norvak::test
