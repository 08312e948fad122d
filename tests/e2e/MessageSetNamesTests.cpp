// Tests of how every program finds a message set by its name.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

// How the programs find a message set by its name: the stored name without
// trailing blanks equals the name given without its own. A stored "Rev " of
// an older version is found under either spelling; two stored names that
// differ only in trailing blanks are refused by every program, which changes
// nothing; norvakinit takes no name with blanks around it or of blanks
// only; an import whose file names no message set is refused.

namespace norvak::test {
namespace {

const char* const tables[] = {"REPOSITORY",
                              "PROJECT",
                              "M_MESSAGE",
                              "M_ELEMENT",
                              "M_TYPE",
                              "M_VALUE",
                              "TYPE_MEMBER",
                              "VALUE_MEMBER",
                              "M_ATTRIBUTE",
                              "M_MEMBER_ATTRIBUTE",
                              "REG_PLUGIN_MEMBER",
                              "CATEGORY_MEMBER",
                              "M_CATEGORY",
                              "M_CONST_DEF",
                              "M_CONTEXT_TAG",
                              "M_TRANSACTION",
                              "MSG_CONTEXTTAG_MBR",
                              "PROJECT_DEP_MEMBER",
                              "TRANSACTION_MEMBER",
                              "USER_MEMBER"};

const std::string ambiguousRev =
    "*****Error - message set name \"Rev\" matches 2 message sets whose names differ only in trailing blanks, which "
    "names are compared without: \"Rev\" (key 100), \"Rev \" (key 101) - none of them is used; rename or remove "
    "(norvakpurge -s KEY) all but one";

const std::string noMessageSetLine =
    "*****Error - no message set: give it with -s or with messageSet on the ZEPImport tag";

class MessageSetNames : public RepositoryTest {
  protected:
    // The repository as a whole: every table's row count, the PROJECT rows
    // (key, name between bars, next id) and the NEXT_PROJECT_KEY.
    Rows snapshot() {
        std::string counts = "SELECT ";
        for (const char* table : tables)
            counts += std::string(table == tables[0] ? "" : ", ") + "(SELECT COUNT(*) FROM " + table + ")";
        Rows rows = repo().query(counts);
        for (const Row& row : repo().query("SELECT PROJECT_KEY, '|' || NAME || '|', NEXT_ID FROM PROJECT ORDER BY "
                                           "PROJECT_KEY"))
            rows.push_back(row);
        for (const Row& row : repo().query("SELECT NEXT_PROJECT_KEY FROM REPOSITORY"))
            rows.push_back(row);
        return rows;
    }
    // Gives the message set of that key the name an older version may have stored.
    void rename(int key, const std::string& name) {
        repo().execute("UPDATE PROJECT SET NAME = '" + name + "' WHERE PROJECT_KEY = " + std::to_string(key));
    }
    std::string definitions(const std::string& zepImport, const std::string& type = "t") {
        return repo().folder().write(type + ".xml", zepImport + "\n<Type ident=\"" + type +
                                                        "\" composition=\"sequence\">\n  <Element ident=\"" + type +
                                                        "e\" type=\"string\" length=\"4\"/>\n</Type>\n");
    }
    int typesOf(int key) {
        return std::stoi(repo().query("SELECT COUNT(*) FROM M_TYPE WHERE PROJECT = " + std::to_string(key))[0][0]);
    }
};

TEST_P(MessageSetNames, InitRefusesANameWithBlanksAroundItOrOfBlanksOnly) {
    createMessageSet("Orders");
    const Rows before = snapshot();
    const std::pair<std::string, std::string> refused[] = {
        {"Rev ", "*****Error - message set name \"Rev \" begins or ends with blanks - the programs could not tell it "
                 "from the name without them"},
        {" Rev", "*****Error - message set name \" Rev\" begins or ends with blanks - the programs could not tell it "
                 "from the name without them"},
        {"Rev\t", "*****Error - message set name \"Rev\\x09\" begins or ends with blanks - the programs could not "
                  "tell it from the name without them"},
        {"   ", "*****Error - message set name \"   \" is made of blanks only"},
    };
    for (const auto& [name, line] : refused) {
        SCOPED_TRACE("[" + name + "]");
        ProgramResult init = runConnected("norvakinit", {"-s", name, "-l", "C"});
        EXPECT_EQ(init.exitCode, 2) << init.output;
        EXPECT_TRUE(hasLinesInOrder(init, {line, "Errors in the command line - the repository was not changed"}))
            << init.output;
        EXPECT_FALSE(contains(init, "Connecting to database")) << init.output;
        EXPECT_EQ(snapshot(), before);
    }
    // A blank inside the name is no blank around it.
    createMessageSet("Rev 2");
    EXPECT_EQ(repo().query("SELECT NAME FROM PROJECT WHERE PROJECT_KEY = 101"), (Rows{{"Rev 2"}}));
}

TEST_P(MessageSetNames, AStoredNameWithTrailingBlanksIsFoundUnderEitherSpelling) {
    createMessageSet("Rev");
    rename(100, "Rev ");

    // Named as stored, on the command line or in the file, and without the blank.
    ProgramResult stored = runConnected("norvakload", {"-s", "Rev ", "-f", definitions("<ZEPImport/>", "t")});
    EXPECT_EQ(stored.exitCode, 0) << stored.output;
    ProgramResult inFile = runConnected("norvakload", {"-f", definitions("<ZEPImport messageSet=\"Rev \"/>", "u")});
    EXPECT_EQ(inFile.exitCode, 0) << inFile.output;
    ProgramResult plain = runConnected("norvakload", {"-s", "Rev", "-f", definitions("<ZEPImport/>", "v")});
    EXPECT_EQ(plain.exitCode, 0) << plain.output;
    EXPECT_EQ(typesOf(100), 3);
    EXPECT_EQ(repo().query("SELECT '|' || NAME || '|' FROM PROJECT"), (Rows{{"|Rev |"}}));

    for (const std::string& name : {std::string("Rev "), std::string("Rev")}) {
        SCOPED_TRACE("[" + name + "]");
        ProgramResult show = runConnected("norvakshow", {"-s", name});
        EXPECT_EQ(show.exitCode, 0) << show.output;
        EXPECT_TRUE(contains(show, "Types 3, elements 3,")) << show.output;
        std::string exported = repo().folder().path() + "/export.xml";
        ProgramResult exportRun = runConnected("norvakexport", {"-s", name, "-o", exported});
        EXPECT_EQ(exportRun.exitCode, 0) << exportRun.errors;
        ProgramResult diff = runConnected("norvakdiff", {"-s", name, "-f", exported});
        EXPECT_EQ(diff.exitCode, 0) << diff.errors;
    }
    // norvakinit takes the stored name for the same one.
    ProgramResult init = runConnected("norvakinit", {"-s", "Rev"});
    EXPECT_EQ(init.exitCode, 2) << init.output;
    EXPECT_TRUE(hasLine(init, "*****Error - message set Rev already exists with key 100 - nothing was changed"))
        << init.output;

    ProgramResult purge = runConnected("norvakpurge", {"-s", "Rev "});
    EXPECT_EQ(purge.exitCode, 0) << purge.output;
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM PROJECT"), (Rows{{"0"}}));
    EXPECT_EQ(repo().query("SELECT COUNT(*) FROM M_TYPE"), (Rows{{"0"}}));
}

TEST_P(MessageSetNames, NamesThatDifferOnlyInTrailingBlanksAreRefusedByEveryProgram) {
    createMessageSet("Rev");
    createMessageSet("Other");
    rename(101, "Rev ");
    const Rows before = snapshot();
    const std::string file = definitions("<ZEPImport messageSet=\"Rev\"/>");

    for (const std::string& name : {std::string("Rev"), std::string("Rev ")}) {
        SCOPED_TRACE("[" + name + "]");
        const std::string ambiguity = "matches 2 message sets whose names differ only in trailing blanks";
        ProgramResult load = runConnected("norvakload", {"-s", name, "-f", file});
        EXPECT_EQ(load.exitCode, 110) << load.output;
        // The line names the name as given.
        EXPECT_TRUE(contains(load, name == "Rev" ? ambiguousRev
                                                 : "*****Error - message set name \"Rev \" matches 2 message sets"))
            << load.output;
        EXPECT_FALSE(contains(load, "Created type")) << load.output;

        ProgramResult reportOnly = runConnected("norvakload", {"-s", name, "-f", file, "-r"});
        EXPECT_EQ(reportOnly.exitCode, 110) << reportOnly.output;

        ProgramResult show = runConnected("norvakshow", {"-s", name});
        EXPECT_EQ(show.exitCode, 2) << show.output;
        EXPECT_TRUE(contains(show, ambiguity)) << show.output;
        EXPECT_FALSE(contains(show, "Message set Rev")) << show.output;

        ProgramResult json = runConnected("norvakshow", {"-s", name, "--format", "json"});
        EXPECT_EQ(json.exitCode, 2) << json.output;
        nlohmann::json document = nlohmann::json::parse(json.output);
        EXPECT_EQ(document["messageSets"], nlohmann::json::array());
        ASSERT_EQ(document["errors"].size(), 1u) << json.output;
        EXPECT_NE(document["errors"][0]["text"].get<std::string>().find("\"Rev\" (key 100), \"Rev \" (key 101)"),
                  std::string::npos);

        ProgramResult exportRun = runConnected("norvakexport", {"-s", name});
        EXPECT_EQ(exportRun.exitCode, 3) << exportRun.errors;
        EXPECT_NE(exportRun.errors.find(ambiguity), std::string::npos) << exportRun.errors;
        EXPECT_EQ(exportRun.output, "");

        ProgramResult diff = runConnected("norvakdiff", {"-s", name, "-f", file});
        EXPECT_EQ(diff.exitCode, 7) << diff.errors;
        EXPECT_NE(diff.errors.find(ambiguity), std::string::npos) << diff.errors;
        EXPECT_EQ(diff.output, "");

        ProgramResult purge = runConnected("norvakpurge", {"-s", name});
        EXPECT_EQ(purge.exitCode, 2) << purge.output;
        EXPECT_TRUE(contains(purge, ambiguity)) << purge.output;
        EXPECT_FALSE(contains(purge, "Deleting")) << purge.output;

        EXPECT_EQ(snapshot(), before);
    }
    ProgramResult init = runConnected("norvakinit", {"-s", "Rev"});
    EXPECT_EQ(init.exitCode, 2) << init.output;
    EXPECT_TRUE(hasLine(init, ambiguousRev)) << init.output;
    EXPECT_EQ(snapshot(), before);

    // The way out the line gives: one of them removed by its key.
    ProgramResult byKey = runConnected("norvakpurge", {"-s", "101"});
    ASSERT_EQ(byKey.exitCode, 0) << byKey.output;
    ProgramResult load = runConnected("norvakload", {"-s", "Rev", "-f", file});
    EXPECT_EQ(load.exitCode, 0) << load.output;
    EXPECT_EQ(typesOf(100), 1);
}

TEST_P(MessageSetNames, AnImportWhoseFileNamesNoMessageSetIsRefused) {
    createMessageSet("Orders");
    createMessageSet("Blank");
    rename(101, "   "); // a name of blanks only, as older versions took it
    const Rows before = snapshot();

    struct Case {
        std::string zepImport;
        std::vector<std::string> more;
    };
    const Case cases[] = {
        {"<ZEPImport/>", {}},
        {"<ZEPImport messageSet=\"\"/>", {}},
        {"<ZEPImport messageSet=\"  \"/>", {}},
        {"<ZEPImport/>", {"-s", "   "}},
        {"<ZEPImport/>", {"-r"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"-f", definitions(c.zepImport)};
        arguments.insert(arguments.end(), c.more.begin(), c.more.end());
        SCOPED_TRACE(c.zepImport + (c.more.empty() ? "" : " " + c.more[0]));
        ProgramResult load = runConnected("norvakload", arguments);
        EXPECT_EQ(load.exitCode, 200) << load.output;
        EXPECT_TRUE(hasLinesInOrder(load, {noMessageSetLine, "utility is ending"})) << load.output;
        EXPECT_FALSE(contains(load, "Accessing ZEP database")) << load.output;
        EXPECT_FALSE(contains(load, "Searching for MessageSet")) << load.output;
        EXPECT_EQ(snapshot(), before);
    }

    std::vector<std::string> arguments{"-f", definitions("<ZEPImport/>"), "--format", "json"};
    ProgramResult json = runConnected("norvakload", arguments);
    EXPECT_EQ(json.exitCode, 200) << json.output;
    nlohmann::json document = nlohmann::json::parse(json.output);
    EXPECT_EQ(document["exitCode"], 200);
    ASSERT_FALSE(document["errors"].empty()) << json.output;
    EXPECT_EQ("*****" + document["errors"][0]["text"].get<std::string>(), noMessageSetLine);
    EXPECT_EQ(snapshot(), before);

    // Named, the same file goes in.
    ProgramResult named = runConnected("norvakload", {"-f", definitions("<ZEPImport/>"), "-s", "Orders"});
    EXPECT_EQ(named.exitCode, 0) << named.output;
    EXPECT_EQ(typesOf(100), 1);
    EXPECT_EQ(typesOf(101), 0);
}

INSTANTIATE_TEST_SUITE_P(, MessageSetNames, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
