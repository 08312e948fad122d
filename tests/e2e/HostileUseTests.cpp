// Tests of the tools used as a careless or hostile user would use them.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <regex>

namespace norvak::test {
namespace {

const std::string successLine = "Import was successful - please restart the norvakhub";

// orders.xml with one text replaced.
std::string ordersWith(const std::string& from, const std::string& to) {
    std::string text = readFile(sourcePath("examples/orders.xml"));
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// The tools used as a careless or hostile user would use them: nothing they
// do may touch another message set, run SQL of the user's, or leave a
// message set half changed.
class HostileUse : public OrdersTest {
  protected:
    std::string count(const std::string& table, const std::string& where = "1 = 1") {
        return repo().query("SELECT COUNT(*) FROM " + table + " WHERE " + where)[0][0];
    }
};

TEST_P(HostileUse, PurgeTakesDigitsAloneForAKeyAndAnythingElseForAName) {
    createMessageSet("Invoices");                      // key 101
    createMessageSet("103 Orders");                    // key 102
    repo().execute("UPDATE PROJECT SET PROJECT_KEY = 103 WHERE NAME = 'Invoices'"); // a set whose key is 103

    ProgramResult named = runConnected("norvakpurge", {"-s", "103 Orders"});
    EXPECT_EQ(named.exitCode, 0) << named.output;
    EXPECT_TRUE(hasLine(named, "Deleting table information for message set id 102 name 103 Orders"));
    EXPECT_EQ(repo().query("SELECT PROJECT_KEY FROM PROJECT ORDER BY PROJECT_KEY"), (Rows{{"100"}, {"103"}}));

    ProgramResult injected = runConnected("norvakpurge", {"-s", "100 OR 1=1"});
    EXPECT_EQ(injected.exitCode, 2) << injected.output;
    EXPECT_TRUE(hasLine(injected, "Messageset 100 OR 1=1 not found in PROJECT table"));
    EXPECT_EQ(repo().query("SELECT PROJECT_KEY FROM PROJECT ORDER BY PROJECT_KEY"), (Rows{{"100"}, {"103"}}));
    EXPECT_EQ(count("REG_PLUGIN_MEMBER", "PROJECT_KEY = 100"), "3");

    ProgramResult byKey = runConnected("norvakpurge", {"-s", "103"});
    EXPECT_EQ(byKey.exitCode, 0) << byKey.output;
    EXPECT_EQ(repo().query("SELECT NAME FROM PROJECT"), (Rows{{"Orders"}}));
}

TEST_P(HostileUse, SetUpRefusesANameOfDigitsOnly) {
    ProgramResult digits = runConnected("norvakinit", {"-s", "2024"});
    EXPECT_EQ(digits.exitCode, 2) << digits.output;
    EXPECT_TRUE(hasLine(digits, "*****Error - message set name 2024 is made of digits only - norvakpurge would "
                                "take it for a key"));
    EXPECT_EQ(count("PROJECT"), "1");
    ProgramResult mixed = runConnected("norvakinit", {"-s", "2024 Orders"});
    EXPECT_EQ(mixed.exitCode, 0) << mixed.output;
}

TEST_P(HostileUse, ASchemaNameIsNeverPastedIntoStatementsUnlessItIsAnIdentifier) {
    const std::string hostile = "repository;create table pwn(i int);commit;select * from ";
    ProgramResult fromFile = load("<ZEPImport schema=\"" + hostile + "\"/>\n<Element ident=\"e\" type=\"string\"/>\n");
    EXPECT_EQ(fromFile.exitCode, 200) << fromFile.output;
    EXPECT_TRUE(hasLine(fromFile, "*****Error - database schema name parameter on ZEPImport is not an SQL "
                                  "identifier " +
                                      hostile));
    EXPECT_FALSE(contains(fromFile, "Connecting to database"));

    for (const char* program : {"norvakshow", "norvakpurge", "norvakinit"}) {
        ProgramResult tool = runConnected(program, {"-h", hostile, "-s", "Orders"});
        EXPECT_EQ(tool.exitCode, 2) << program << "\n" << tool.output;
        EXPECT_TRUE(hasLine(tool, "*****Error - schema name " + hostile + " in -h parameter is not an SQL "
                                                                          "identifier"))
            << tool.output;
        EXPECT_FALSE(contains(tool, "Connecting to database")) << program;
    }
    EXPECT_THROW(repo().query("SELECT COUNT(*) FROM pwn"), std::runtime_error);
    EXPECT_EQ(count("PROJECT"), "1");

    // Plain names with or without their period are taken as before.
    ProgramResult plain = load("<ZEPImport schema=\"no_such_schema.\"/>\n<Element ident=\"e\" type=\"string\"/>\n");
    EXPECT_TRUE(contains(plain, "Connecting to database")) << plain.output;
}

TEST_P(HostileUse, ANewValueOfAStoredElementIsRefusedInsteadOfStoredAlone) {
    ASSERT_EQ(load(readFile(sourcePath("examples/orders.xml"))).exitCode, 0);
    Rows before = state();
    ProgramResult again =
        load(ordersWith("<Value ident=\"CurrencyGBP\" type=\"string\" value=\"GBP\" role=\"ENUM\"/>",
                        "<Value ident=\"CurrencyGBP\" type=\"string\" value=\"GBP\" role=\"ENUM\"/>\n"
                        "  <Value ident=\"CurrencyJPY\" type=\"string\" value=\"JPY\" role=\"ENUM\"/>"));
    EXPECT_EQ(again.exitCode, 111) << again.output;
    EXPECT_TRUE(hasLine(again, "*****Error - element Currency already in ZEP repository with different definition"));
    EXPECT_FALSE(contains(again, "Created value CurrencyJPY"));
    EXPECT_EQ(state(), before);
}

TEST_P(HostileUse, OneConflictIsReportedWithoutInventedOnes) {
    ASSERT_EQ(load(readFile(sourcePath("examples/orders.xml"))).exitCode, 0);
    Rows before = state();
    ProgramResult changed =
        load(ordersWith("<Element ident=\"Street\" type=\"string\"", "<Element ident=\"Street\" type=\"integer\""));
    EXPECT_EQ(changed.exitCode, 111) << changed.output;
    EXPECT_TRUE(hasLine(changed, "*****Error - existing element (Street) with different type already defined"));
    std::regex typeConflict(R"(type \S+ already in ZEP repository with different definition)");
    EXPECT_FALSE(std::regex_search(changed.output, typeConflict)) << changed.output;
    EXPECT_EQ(state(), before);
}

TEST_P(HostileUse, RunningOutOfMemoryAfterConnectingRollsBack) {
    Rows before = state();
    std::string file = sourcePath("examples/orders.xml");
    // The first allocation after connecting, one amid the tabs, one amid the items.
    for (const char* after : {"0", "200", "1600"}) {
        std::vector<std::string> environment = repo().environment();
        environment.push_back(std::string("LD_PRELOAD=") + NORVAK_FAILING_ALLOCATION);
        environment.push_back(std::string("NORVAK_FAIL_NEW_AFTER=") + after);
        environment.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0:allocator_may_return_null=1");
        ProgramResult result = runProgram("norvakload",
                                          {"-n", repo().dataSource(), "-u", repo().user(), "-p", repo().password(),
                                           "-f", file, "-s", "Orders"},
                                          std::string(), environment);
        EXPECT_EQ(result.exitCode, 254) << after << "\n" << result.output;
        EXPECT_TRUE(hasLinesInOrder(result, {"Error allocating storage for element, value, type or names table",
                                             "***** Errors were detected updating the ZEP database",
                                             "***** Database changes have been rolled back"}))
            << result.output;
        EXPECT_EQ(state(), before) << after;
    }

    // A removal that runs out of memory half-way leaves the message set whole.
    ASSERT_EQ(load(readFile(sourcePath("examples/orders.xml"))).exitCode, 0);
    Rows loaded = state();
    std::vector<std::string> environment = repo().environment();
    environment.push_back(std::string("LD_PRELOAD=") + NORVAK_FAILING_ALLOCATION);
    environment.push_back("NORVAK_FAIL_NEW_AFTER=40");
    environment.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0:allocator_may_return_null=1");
    ProgramResult purge =
        runProgram("norvakpurge",
                   {"-n", repo().dataSource(), "-u", repo().user(), "-p", repo().password(), "-s", "Orders"},
                   std::string(), environment);
    EXPECT_EQ(purge.exitCode, 254) << purge.output;
    EXPECT_TRUE(contains(purge, "Entries deleted for table M_ELEMENT")) << purge.output;
    EXPECT_TRUE(hasLine(purge, "*****Error - out of memory - the run ended early and its changes have been rolled "
                               "back"));
    EXPECT_EQ(state(), loaded);
}

TEST_P(HostileUse, TheLastMessageSetKeyCanBeCreatedAndThenNoMore) {
    repo().execute("UPDATE REPOSITORY SET NEXT_PROJECT_KEY = 32767");
    ProgramResult last = runConnected("norvakinit", {"-s", "Last"});
    EXPECT_EQ(last.exitCode, 0) << last.output;
    EXPECT_TRUE(hasLine(last, "Created message set Last with key 32767, next id 100000"));
    ProgramResult none = runConnected("norvakinit", {"-s", "OneTooMany"});
    EXPECT_EQ(none.exitCode, 2) << none.output;
    EXPECT_TRUE(hasLine(none, "*****Error - no message set key is left in the repository (keys end at 32767)"));
    EXPECT_EQ(repo().query("SELECT NEXT_PROJECT_KEY FROM REPOSITORY"), (Rows{{"32767"}}));
}

TEST_P(HostileUse, ASetUpThatFailsHalfWayLeavesNoMessageSet) {
    // A stray plugin member of the next key makes the last insert of the set-up fail.
    repo().execute("INSERT INTO REG_PLUGIN_MEMBER (PROJECT_KEY, MEMBER_ID) VALUES (101, 2)");
    ProgramResult failed = runConnected("norvakinit", {"-s", "Second", "-l", "C"});
    EXPECT_EQ(failed.exitCode, 3) << failed.output;
    EXPECT_TRUE(hasLine(failed, "*****Errors were detected - the message set changes have been rolled back"));
    EXPECT_EQ(repo().query("SELECT PROJECT_KEY FROM PROJECT"), (Rows{{"100"}}));
    EXPECT_EQ(count("REG_PLUGIN_MEMBER", "PROJECT_KEY = 101"), "1");
    EXPECT_EQ(repo().query("SELECT NEXT_PROJECT_KEY FROM REPOSITORY"), (Rows{{"101"}}));
}

// Runs a program with its standard output on a full device.
int exitCodeOnAFullDisk(const std::vector<std::string>& environment, const std::string& program,
                        const std::vector<std::string>& arguments) {
    pid_t pid = fork();
    if (pid == 0) {
        std::FILE* full = std::freopen("/dev/full", "w", stdout);
        if (full == nullptr)
            _exit(125);
        for (const std::string& setting : environment)
            putenv(const_cast<char*>(setting.c_str()));
        std::string path = programPath(program);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
}

TEST_P(HostileUse, AReportThatCannotBeWrittenEndsTheRunWithAnError) {
    std::vector<std::string> connection{"-n", repo().dataSource(), "-u", repo().user(), "-p", repo().password()};
    std::vector<std::string> show = connection;
    EXPECT_EQ(exitCodeOnAFullDisk(repo().environment(), "norvakshow", show), 74);
    std::vector<std::string> import = connection;
    import.insert(import.end(), {"-f", sourcePath("examples/orders.xml"), "-s", "Orders"});
    EXPECT_EQ(exitCodeOnAFullDisk(repo().environment(), "norvakload", import), 74);
}

INSTANTIATE_TEST_SUITE_P(, HostileUse, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
