// Tests of norvakinit, norvakshow and norvakpurge against a test repository.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace norvak::test {
namespace {

// Runs the tools against the test repository, created by norvakinit.
class RepositoryTools : public RepositoryTest {
  protected:
    ProgramResult tool(const std::string& program, std::vector<std::string> more = {}) {
        return runConnected(program, more);
    }
    // A repository with the message sets Orders (key 100, C and COBOL bindings) and O'Brien (key 101).
    void createTwoMessageSets() {
        createMessageSet("Orders");
        createMessageSet("O'Brien", "");
    }
    std::string count(const std::string& table, const std::string& where) {
        return repo().query("SELECT COUNT(*) FROM " + table + " WHERE " + where).at(0).at(0);
    }
};

TEST_P(RepositoryTools, InitCreatesTheRepositoryOnceAndMessageSetsWithTheirBindings) {
    ProgramResult first = tool("norvakinit");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_TRUE(hasLine(first, "Repository tables: 20 created, 0 already present")) << first.output;
    EXPECT_TRUE(hasLine(first, "Created the repository row (level 518)"));
    EXPECT_FALSE(contains(first, repo().password().empty() ? "\x01" : repo().password())) << "password shown";

    ProgramResult again = tool("norvakinit");
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_TRUE(hasLine(again, "Repository tables: 0 created, 20 already present"));
    EXPECT_FALSE(contains(again, "Created the repository row"));

    ProgramResult orders = tool("norvakinit", {"-s", "Orders", "-l", "c,COBOL"});
    ASSERT_EQ(orders.exitCode, 0) << orders.output;
    EXPECT_EQ(repo().query("SELECT PROJECT_KEY, NEXT_ID, NAME FROM PROJECT"), (Rows{{"100", "100000", "Orders"}}));
    EXPECT_EQ(repo().query("SELECT MEMBER_ID, PLUGIN_KEY, SEQUENCE_NUM, REG_NAME FROM REG_PLUGIN_MEMBER "
                           "WHERE PROJECT_KEY = 100 ORDER BY MEMBER_ID"),
              (Rows{{"1", "5", "1", "WebDav"}, {"2", "1", "2", "C Language"}, {"3", "2", "3", "COBOL Language"}}));
    EXPECT_EQ(repo().query("SELECT NEXT_PROJECT_KEY FROM REPOSITORY WHERE REPOSITORY_LEVEL = 518"), (Rows{{"101"}}));

    ProgramResult taken = tool("norvakinit", {"-s", "Orders"});
    EXPECT_EQ(taken.exitCode, 2);
    EXPECT_TRUE(hasLine(taken, "*****Error - message set Orders already exists with key 100 - nothing was changed"));
    ProgramResult badBinding = tool("norvakinit", {"-s", "Other", "-l", "FORTRAN"});
    EXPECT_EQ(badBinding.exitCode, 2);
    EXPECT_EQ(count("PROJECT", "1 = 1"), "1");

    ProgramResult quoted = tool("norvakinit", {"-s", "O'Brien"});
    ASSERT_EQ(quoted.exitCode, 0) << quoted.output;
    EXPECT_EQ(repo().query("SELECT NAME FROM PROJECT WHERE PROJECT_KEY = 101"), (Rows{{"O'Brien"}}));
    EXPECT_EQ(count("REG_PLUGIN_MEMBER", "PROJECT_KEY = 101"), "1");
}

TEST_P(RepositoryTools, ShowListsEveryMessageSetWithItsCodeAndMessages) {
    createTwoMessageSets();
    repo().execute("UPDATE PROJECT SET PROJECT_REPOSITORY = 1, PROJECT_ID = 1, PROJECT_LEVEL = 1 "
                   "WHERE PROJECT_KEY = 100");
    repo().execute("UPDATE PROJECT SET PROJECT_REPOSITORY = 0, PROJECT_ID = 1, PROJECT_LEVEL = 0 "
                   "WHERE PROJECT_KEY = 101");
    repo().execute("INSERT INTO M_MESSAGE (PROJECT, ID_VALUE, IDENTIFIER) VALUES (100, 100007, 'SendInvoice')");
    repo().execute("INSERT INTO M_MESSAGE (PROJECT, ID_VALUE, IDENTIFIER) VALUES (100, 100003, 'PlaceOrder')");
    ProgramResult listing = tool("norvakshow");
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    EXPECT_TRUE(contains(listing, "Connected to database " + repo().dataSource() +
                                      "\n"
                                      "\nId    Identifier   NxtElem Name\n   Msg ID Message Name\n\n"
                                      "00100 A000004002001 100000 Orders\n"
                                      "   100003 PlaceOrder\n"
                                      "   100007 SendInvoice\n"
                                      "00101 A000000002000 100000 O'Brien\n"))
        << listing.output;

    repo().execute("DELETE FROM PROJECT");
    ProgramResult empty = tool("norvakshow");
    EXPECT_EQ(empty.exitCode, 0) << empty.output;
    EXPECT_TRUE(contains(empty, "*****Database error 100 during SQLFetch in routine main SQLSTATUS")) << empty.output;
    EXPECT_TRUE(hasLine(empty, "The repository holds no message set yet: create one with norvakinit -n " +
                                   repo().dataSource() + " -s MessageSetName"))
        << empty.output;
    EXPECT_FALSE(contains(tool("norvakshow", {"-s", "Orders"}), "holds no message set yet"));

    repo().execute("DROP TABLE PROJECT");
    ProgramResult noTable = tool("norvakshow");
    EXPECT_EQ(noTable.exitCode, 2);
    EXPECT_TRUE(hasLine(noTable, "Unable to access PROJECT table in database " + repo().dataSource()));
}

TEST_P(RepositoryTools, PurgeRemovesOneMessageSetByNameOrByKey) {
    createTwoMessageSets();
    for (const char* key : {"100", "101"}) {
        repo().execute(std::string("INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER) VALUES (") + key +
                       ", 100000, 'e')");
    }

    ProgramResult byName = tool("norvakpurge", {"-s", "O'Brien"});
    ASSERT_EQ(byName.exitCode, 0) << byName.output;
    EXPECT_TRUE(hasLine(byName, "Deleting table information for message set id 101 name O'Brien"));
    EXPECT_TRUE(hasLine(byName, "Entries deleted for table M_ELEMENT"));
    EXPECT_TRUE(hasLine(byName, "No entries found in table M_VALUE"));
    EXPECT_TRUE(hasLine(byName, "Finished deleting entries for message set"));
    EXPECT_EQ(count("PROJECT", "PROJECT_KEY = 101"), "0");
    EXPECT_EQ(count("M_ELEMENT", "PROJECT = 100"), "1");

    ProgramResult unknown = tool("norvakpurge", {"-s", "Nope"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(hasLine(unknown, "Messageset Nope not found in PROJECT table"));
    EXPECT_FALSE(contains(unknown, "Deleting entries"));

    ProgramResult wrapped = tool("norvakpurge", {"-s", "65636"}); // would wrap to key 100
    EXPECT_EQ(wrapped.exitCode, 2);
    EXPECT_EQ(count("PROJECT", "PROJECT_KEY = 100"), "1");

    repo().execute("DROP TABLE M_CONST_DEF");
    ProgramResult byKey = tool("norvakpurge", {"-s", "100"});
    EXPECT_EQ(byKey.exitCode, 3) << byKey.output;
    EXPECT_TRUE(hasLine(byKey, "Message set Orders found in PROJECT table Project key 100 nextElementId 100000"));
    EXPECT_TRUE(hasLine(byKey, "SQL error encountered trying to delete from table M_CONST_DEF"));
    EXPECT_TRUE(hasLine(byKey, "Deleting entries from table PROJECT")); // every later table was still tried
    EXPECT_TRUE(hasLine(byKey, "*****Errors were detected - every deletion has been rolled back, message set "
                               "Orders is unchanged"));
    // One failing table leaves the message set whole: no half-removed set.
    EXPECT_EQ(count("PROJECT", "1 = 1"), "1");
    EXPECT_EQ(count("REG_PLUGIN_MEMBER", "1 = 1"), "3");
    EXPECT_EQ(count("M_ELEMENT", "1 = 1"), "1");
}

TEST_P(RepositoryTools, ToolsReportADataSourceThatDoesNotExist) {
    for (const char* program : {"norvakshow", "norvakinit", "norvakpurge"}) {
        ProgramResult result = run(program, {"-n", "no_such_source", "-s", "Orders"});
        EXPECT_NE(result.exitCode, 0) << program;
        EXPECT_TRUE(hasLine(result, "Database connection to no_such_source failed")) << result.output;
        EXPECT_TRUE(hasLine(result, "Unable to connect to ZEP database no_such_source - exiting program"));
    }
}

INSTANTIATE_TEST_SUITE_P(, RepositoryTools, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
