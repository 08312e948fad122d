// Tests of norvakload connecting and finding the message set's state.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace norvak::test {
namespace {

// norvakload against a repository made by norvakinit: connecting and finding
// the message set's state.
class NorvakloadDiscovery : public RepositoryTest {
  protected:
    void SetUp() override {
        RepositoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        createMessageSet("Orders");
        definitions = repo().folder().write("defs.xml", "<ZEPImport ZEP_DB=\"" + repo().dataSource() +
                                                            "\" messageSet=\"Orders\"/>\n"
                                                            "<Type ident=\"t\" composition=\"sequence\"/>\n");
    }
    ProgramResult load(std::vector<std::string> more) {
        std::vector<std::string> arguments{"-f", definitions, "-u", repo().user(), "-p", repo().password()};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return run("norvakload", arguments);
    }
    std::string definitions;
};

TEST_P(NorvakloadDiscovery, FindsTheMessageSetItsNextIdsTabsAndBindings) {
    repo().execute("INSERT INTO REG_PLUGIN_MEMBER (PROJECT_KEY, MEMBER_ID, PLUGIN_KEY, SEQUENCE_NUM, REG_NAME) "
                   "VALUES (100, 7, 6, 9, 'xml1')");
    repo().execute("INSERT INTO REG_PLUGIN_MEMBER (PROJECT_KEY, MEMBER_ID, PLUGIN_KEY, SEQUENCE_NUM, REG_NAME) "
                   "VALUES (100, 4, 4, 4, 'cwf1')");
    repo().execute("INSERT INTO M_ATTRIBUTE (PROJECT, ATTR_ID) VALUES (100, 41)");
    repo().execute("INSERT INTO M_ATTRIBUTE (PROJECT, ATTR_ID) VALUES (101, 99)"); // another message set
    repo().execute("UPDATE PROJECT SET NEXT_ID = 100250 WHERE PROJECT_KEY = 100");

    ProgramResult result = load({"-v"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::string expected =
        "Connection successful " + repo().dataSource() + "\n" + "Accessing ZEP database " + repo().dataSource() +
        " using " + repo().user() + " password " + (repo().password().empty() ? "" : "********") + "\n" +
        "Gathering information about ZEP data repository from REPOSITORY table\n"
        "Searching for MessageSet Orders in PROJECT table in ZEP\n"
        "Getting next attribute id from M_ATTRIBUTE table in ZEP\n"
        "Getting next attribute id from M_MEMBER_ATTRIBUTE table in ZEP\n"
        "Getting plugin entries from REG_PLUGIN_MEMBER table in ZEP\n"
        "Getting next member id from REG_PLUGIN_MEMBER table in ZEP\n"
        "Getting next member sequence number from REG_PLUGIN_MEMBER table in ZEP\n"
        "ZEP info gathered for MessageSet Orders id 100 NextElementID 100250 nextAttrId 42 nextMbrAttr 1 "
        "nextMemberId 7 nextMemberSeqNum 9\n";
    EXPECT_NE(result.output.find(expected), std::string::npos) << result.output;
    if (!repo().password().empty()) {
        EXPECT_EQ(result.output.find(repo().password()), std::string::npos) << "password shown";
    }
    // The rows written take the ids found: the type and its uuid attribute.
    EXPECT_EQ(repo().query("SELECT ID_VALUE, IDENTIFIER FROM M_TYPE WHERE PROJECT = 100"), (Rows{{"100250", "t"}}));
    EXPECT_EQ(repo().query("SELECT ATTR_ID, COMPONENT_ID, REG_PLUGIN_MBR_ID FROM M_ATTRIBUTE WHERE PROJECT = 100 "
                           "AND ATTR_NAME = 'uuid'"),
              (Rows{{"42", "100250", "1"}}));
    EXPECT_EQ(repo().query("SELECT NEXT_ID FROM PROJECT WHERE PROJECT_KEY = 100"), (Rows{{"100251"}}));
}

TEST_P(NorvakloadDiscovery, AMissingMessageSetEndsTheRunWithItsOwnExitCode) {
    ProgramResult result = load({"-s", "No'Such"});
    EXPECT_EQ(result.exitCode, 110) << result.output;
    EXPECT_NE(result.output.find("Searching for MessageSet No'Such in PROJECT table in ZEP\n"
                                 "\n*****Error - Could not locate message set No'Such - rc=100\n"
                                 "Please make sure the message set has been defined\n"
                                 "  create it with norvakinit -n " +
                                 repo().dataSource() +
                                 " -s No'Such\n"
                                 "Errors accessing ZEP database - RC = 0\n"),
              std::string::npos)
        << result.output;

    repo().execute("UPDATE PROJECT SET NAME = 'O''Brien   ' WHERE PROJECT_KEY = 100");
    ProgramResult quoted = load({"-s", "O'Brien", "-v"});
    EXPECT_EQ(quoted.exitCode, 0) << quoted.output;
    EXPECT_NE(quoted.output.find("ZEP info gathered for MessageSet O'Brien id 100 "), std::string::npos)
        << quoted.output;
}

TEST_P(NorvakloadDiscovery, ADatabaseErrorDuringDiscoveryIsReportedWithItsStep) {
    repo().execute("DROP TABLE M_MEMBER_ATTRIBUTE");
    ProgramResult result = load({});
    EXPECT_NE(result.output.find("during SQLExecDirect4 in routine getZEPInfo SQLSTATE "), std::string::npos)
        << result.output;
    // The failed step's cursor is still closed, and that close is the last code the discovery saw.
    EXPECT_EQ(result.exitCode, 110);
    EXPECT_NE(result.output.find("Errors accessing ZEP database - RC = 0\n"), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("plugin entries"), std::string::npos);
}

TEST_P(NorvakloadDiscovery, ADataSourceThatDoesNotExistFailsTheConnect) {
    ProgramResult result = load({"-n", "no_such_source"});
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_NE(result.output.find("*****Database error -1 during SQLConnect in routine connectToZEP SQLSTATE IM002\n"
                                 "Database connection to no_such_source failed\n"),
              std::string::npos)
        << result.output;
}

INSTANTIATE_TEST_SUITE_P(, NorvakloadDiscovery, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
