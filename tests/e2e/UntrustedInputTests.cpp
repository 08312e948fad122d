// Input a careless or hostile user gives the programs: texts that are not
// UTF-8 written as JSON, a definitions "file" that never ends, a language
// binding named twice, the database system's own schemas.

#include "e2e/TestRepository.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace norvak::test {
namespace {

using nlohmann::json;

const std::string replacement = "\xEF\xBF\xBD"; // U+FFFD
const std::string setName = "Or\xFF" "ders";

// Elements, a type and a message whose identifiers hold a byte that is no
// UTF-8 (0xFF), and a label that holds another (0xFE).
std::string definitions(const std::string& label = "label \xFE") {
    return "<Element ident=\"e\xFF\" name=\"" + label + "\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
           "<Type ident=\"T\xFF\" composition=\"sequence\">\n"
           "  <Element ref=\"e\xFF\"/>\n"
           "</Type>\n"
           "<Message ident=\"M\xFF\" type=\"T\xFF\"/>\n";
}

// The document a program wrote; a test failure (and null) when it is not
// valid JSON, which nlohmann's parser (strict about UTF-8) decides.
json parsed(const ProgramResult& result) {
    try {
        return json::parse(result.output);
    } catch (const json::exception& error) {
        ADD_FAILURE() << "not valid JSON: " << error.what() << "\n" << result.output;
        return json();
    }
}

// A repository whose texts may be any bytes: SQLite's, and on PostgreSQL a
// LATIN1 database that the programs reach with that client encoding (a UTF8
// database refuses such bytes at the insert).
class BytesThatAreNotUtf8 : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        NORVAK_REQUIRE_BACKEND(GetParam());
        repo_.emplace(GetParam(), "LATIN1");
    }
    TestRepository& repo() { return *repo_; }
    ProgramResult runConnected(const std::string& program, const std::vector<std::string>& arguments) {
        std::vector<std::string> all{"-n", repo().dataSource(), "-u", repo().user(), "-p", repo().password()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return runProgram(program, all, std::string(), repo().environment());
    }
    // Every row the import writes or a listing reads, of every message set.
    Rows snapshot() {
        return repo().query(
            "SELECT 'set', CAST(PROJECT_KEY AS VARCHAR(10)), NAME, CAST(NEXT_ID AS VARCHAR(10)) FROM PROJECT "
            "UNION ALL SELECT 'element', CAST(PROJECT AS VARCHAR(10)), IDENTIFIER, NAME FROM M_ELEMENT "
            "UNION ALL SELECT 'type', CAST(PROJECT AS VARCHAR(10)), IDENTIFIER, '' FROM M_TYPE "
            "UNION ALL SELECT 'message', CAST(PROJECT AS VARCHAR(10)), IDENTIFIER, '' FROM M_MESSAGE "
            "UNION ALL SELECT 'counts', CAST((SELECT COUNT(*) FROM TYPE_MEMBER) AS VARCHAR(10)), "
            "CAST((SELECT COUNT(*) FROM M_ATTRIBUTE) AS VARCHAR(10)), "
            "CAST((SELECT COUNT(*) FROM M_MEMBER_ATTRIBUTE) AS VARCHAR(10)) "
            "ORDER BY 1, 2, 3");
    }

  private:
    std::optional<TestRepository> repo_;
};

TEST_P(BytesThatAreNotUtf8, AreImportedShownAndComparedAsValidJsonWithTheExitCodesOfText) {
    ProgramResult init = runConnected("norvakinit", {"-s", setName, "-l", "C"});
    ASSERT_EQ(init.exitCode, 0) << init.output;
    ASSERT_EQ(runConnected("norvakinit", {"-s", "Text" + setName}).exitCode, 0);
    std::string file = repo().folder().write("defs.xml", definitions());

    // The import as JSON: it used to abort (134) after its commit.
    ProgramResult imported = runConnected("norvakload", {"-s", setName, "-f", file, "--format", "json"});
    EXPECT_EQ(imported.exitCode, 0) << imported.output << imported.errors;
    json report = parsed(imported);
    EXPECT_EQ(report["exitCode"], 0);
    EXPECT_EQ(report["messageSet"], "Or" + replacement + "ders");
    EXPECT_EQ(report["messageSetBytes"], "Or\\xFFders");
    EXPECT_EQ(report["rowsAdded"]["M_ELEMENT"], 1);
    EXPECT_EQ(report["rowsAdded"]["M_TYPE"], 1);
    EXPECT_EQ(report["rowsAdded"]["M_MESSAGE"], 1);
    // The same file imported as text into the other set: the same exit code and rows.
    ProgramResult text = runConnected("norvakload", {"-s", "Text" + setName, "-f", file});
    EXPECT_EQ(text.exitCode, 0) << text.output;
    EXPECT_EQ(snapshot(), (Rows{{"counts", "2", "7", "2"},
                                {"element", "100", "e\xFF", "label \xFE"},
                                {"element", "101", "e\xFF", "label \xFE"},
                                {"message", "100", "M\xFF", ""},
                                {"message", "101", "M\xFF", ""},
                                {"set", "100", setName, "100004"},
                                {"set", "101", "Text" + setName, "100004"},
                                {"type", "100", "T\xFF", ""},
                                {"type", "101", "T\xFF", ""}}));
    Rows imports = snapshot();

    // Again: everything reused, nothing changed.
    ProgramResult again = runConnected("norvakload", {"-s", setName, "-f", file, "--format", "json"});
    EXPECT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(parsed(again)["reused"]["elements"], 1);
    EXPECT_EQ(snapshot(), imports);

    // The listing as JSON: it used to end with 254 over the whole repository.
    ProgramResult shown = runConnected("norvakshow", {"--format", "json"});
    EXPECT_EQ(shown.exitCode, 0) << shown.output;
    EXPECT_EQ(runConnected("norvakshow", {}).exitCode, 0);
    json sets = parsed(shown)["messageSets"];
    ASSERT_EQ(sets.size(), 2u) << shown.output;
    EXPECT_EQ(sets[0]["name"], "Or" + replacement + "ders");
    EXPECT_EQ(sets[0]["nameBytes"], "Or\\xFFders");
    EXPECT_EQ(sets[0]["messages"][0]["identifier"], "M" + replacement);
    EXPECT_EQ(sets[0]["messages"][0]["identifierBytes"], "M\\xFF");
    EXPECT_EQ(sets[0]["messages"][0]["typeBytes"], "T\\xFF");
    ProgramResult one = runConnected("norvakshow", {"-s", setName, "--format", "json"});
    EXPECT_EQ(one.exitCode, 0) << one.output;
    EXPECT_EQ(parsed(one)["messageSets"].size(), 1u);
    EXPECT_EQ(runConnected("norvakshow", {"-s", setName}).exitCode, 0);

    // The comparison as JSON, with no difference and with a changed label.
    ProgramResult same = runConnected("norvakdiff", {"-s", setName, "-f", file, "--format", "json"});
    EXPECT_EQ(same.exitCode, 0) << same.output << same.errors;
    EXPECT_EQ(parsed(same)["differences"].size(), 0u);
    std::string changed = repo().folder().write("changed.xml", definitions("label \xFD"));
    ProgramResult changedText = runConnected("norvakdiff", {"-s", setName, "-f", changed});
    ProgramResult changedJson = runConnected("norvakdiff", {"-s", setName, "-f", changed, "--format", "json"});
    EXPECT_EQ(changedText.exitCode, 1) << changedText.output << changedText.errors;
    EXPECT_EQ(changedJson.exitCode, changedText.exitCode) << changedJson.output << changedJson.errors;
    json differences = parsed(changedJson)["differences"];
    ASSERT_EQ(differences.size(), 1u) << changedJson.output;
    EXPECT_EQ(differences[0]["identifierBytes"], "e\\xFF");
    EXPECT_EQ(differences[0]["oldBytes"], "label \\xFE");
    EXPECT_EQ(differences[0]["newBytes"], "label \\xFD");

    EXPECT_EQ(snapshot(), imports);
}

INSTANTIATE_TEST_SUITE_P(, BytesThatAreNotUtf8, allBackends(), backendParamName);

class UntrustedInput : public RepositoryTest {
  protected:
    // The tables of every schema the tests can see, and the message sets.
    Rows tables() {
        Rows rows = repo().backend() == Backend::sqlite
                        ? repo().query("SELECT type, name FROM sqlite_master ORDER BY name")
                        : repo().query("SELECT table_schema, table_name FROM information_schema.tables "
                                       "WHERE table_schema <> 'pg_catalog' ORDER BY 1, 2");
        Rows sets = repo().query("SELECT PROJECT_KEY, NAME FROM PROJECT ORDER BY PROJECT_KEY");
        rows.insert(rows.end(), sets.begin(), sets.end());
        return rows;
    }
};

// On a UTF8 database as on SQLite, a run whose texts are not UTF-8 writes
// valid JSON and ends as it would with text.
TEST_P(UntrustedInput, JsonEndsWithTheExitCodeOfTextWhateverTheBytes) {
    createMessageSet("Orders");
    Rows before = tables();
    std::string file = repo().folder().write("defs.xml", definitions());
    for (const std::string& name : {std::string("No\xFF" "Set"), std::string("Orders")}) {
        ProgramResult text = runConnected("norvakload", {"-s", name, "-f", file, "-r"});
        ProgramResult asJson = runConnected("norvakload", {"-s", name, "-f", file, "-r", "--format", "json"});
        EXPECT_EQ(asJson.exitCode, text.exitCode) << asJson.output << asJson.errors << text.output;
        EXPECT_EQ(parsed(asJson)["exitCode"], text.exitCode);
    }
    ProgramResult missingText = runConnected("norvakshow", {"-s", "No\xFF" "Set"});
    ProgramResult missingJson = runConnected("norvakshow", {"-s", "No\xFF" "Set", "--format", "json"});
    EXPECT_EQ(missingText.exitCode, 2) << missingText.output;
    EXPECT_EQ(missingJson.exitCode, 2) << missingJson.output;
    json listing = parsed(missingJson);
    EXPECT_EQ(listing["exitCode"], 2);
    EXPECT_FALSE(listing["errors"].empty()) << missingJson.output;
    EXPECT_EQ(tables(), before);
}

TEST(UntrustedFile, AnEndlessStreamIsRefusedAtItsFirstNulByteNotAfter2GiB) {
    // Before it was read (and held) up to 2 GiB and then refused.
    ProgramResult zero = runProgram("norvakload", {"-f", "/dev/zero", "-s", "Orders"});
    EXPECT_EQ(zero.exitCode, 96) << zero.output;
    EXPECT_TRUE(hasLine(zero, "*****Error - definitions file /dev/zero is not a regular file and holds a NUL byte at "
                              "byte 1: it is not a definitions text and is read no further"))
        << zero.output;
    EXPECT_FALSE(contains(zero, "Connecting to database"));
    ProgramResult asJson = runProgram("norvakload", {"-f", "/dev/zero", "-s", "Orders", "--format", "json"});
    EXPECT_EQ(asJson.exitCode, 96);
    EXPECT_EQ(parsed(asJson)["exitCode"], 96);
    ProgramResult diff = runProgram("norvakdiff", {"--against", sourcePath("examples/orders.xml"), "-f", "/dev/zero"});
    EXPECT_EQ(diff.exitCode, 5) << diff.output << diff.errors;
    // Text from a pipe is read as before.
    ProgramResult piped =
        runProgram("norvakdiff", {"--against", sourcePath("examples/orders.xml"), "-f", "/dev/stdin"},
                   readFile(sourcePath("examples/orders.xml")));
    EXPECT_EQ(piped.exitCode, 0) << piped.output << piped.errors;
}

TEST_P(UntrustedInput, ALanguageBindingNamedTwiceIsRegisteredOnce) {
    createMessageSet("Orders");
    Rows before = repo().query("SELECT PROJECT_KEY, MEMBER_ID, PLUGIN_KEY FROM REG_PLUGIN_MEMBER ORDER BY 1, 2");
    ProgramResult twice = runConnected("norvakinit", {"-s", "Twice", "-l", "C,c,COBOL,C"});
    EXPECT_EQ(twice.exitCode, 0) << twice.output;
    EXPECT_TRUE(hasLinesInOrder(twice, {"Registered plugin member 1: WebDav", "Registered plugin member 2: C Language",
                                        "Registered plugin member 3: COBOL Language", "Repository " +
                                            repo().dataSource() + " is ready"}))
        << twice.output;
    EXPECT_FALSE(contains(twice, "Registered plugin member 4")) << twice.output;
    ProgramResult onlyC = runConnected("norvakinit", {"-s", "OnlyC", "-l", "C,C"});
    EXPECT_EQ(onlyC.exitCode, 0) << onlyC.output;
    Rows after = before;
    after.insert(after.end(), {{"101", "1", "5"}, {"101", "2", "1"}, {"101", "3", "2"},  // Twice: uuid, C, COBOL
                               {"102", "1", "5"}, {"102", "2", "1"}});                   // OnlyC: uuid, C
    EXPECT_EQ(repo().query("SELECT PROJECT_KEY, MEMBER_ID, PLUGIN_KEY FROM REG_PLUGIN_MEMBER ORDER BY 1, 2"), after);
}

TEST_P(UntrustedInput, TheSchemasOfTheDatabaseSystemAreRefusedBeforeConnecting) {
    createMessageSet("Orders");
    Rows before = tables();
    const std::vector<std::string> systemSchemas{"pg_temp",  "pg_temp_1",          "PG_CATALOG", "pg_toast",
                                                 "pg_toast_temp_1", "information_schema", "temp",  "TEMP."};
    std::string file = repo().folder().write("defs.xml", definitions());
    for (const std::string& schema : systemSchemas) {
        const std::string refusal = "*****Error - schema name " + schema +
                                    " in -h parameter is a system schema of the database (pg_*, information_schema, "
                                    "temp): a repository there would vanish or mix with the database's own tables";
        struct Case {
            const char* program;
            std::vector<std::string> arguments;
            int exitCode;
        };
        const std::vector<Case> cases{
            {"norvakinit", {"-h", schema, "-s", "Vanishing", "-l", "C"}, 2},
            {"norvakinit", {"-h", schema}, 2},
            {"norvakshow", {"-h", schema}, 2},
            {"norvakshow", {"-h", schema, "--format", "json"}, 2},
            {"norvakpurge", {"-h", schema, "-s", "Orders"}, 2},
            {"norvakexport", {"-h", schema, "-s", "Orders"}, 2},
            {"norvakdiff", {"-h", schema, "-s", "Orders", "-f", file}, 4},
        };
        for (const Case& c : cases) {
            ProgramResult result = runConnected(c.program, c.arguments);
            EXPECT_EQ(result.exitCode, c.exitCode) << c.program << " -h " << schema << "\n" << result.output;
            // As a report line, or as the text of an error of a JSON document.
            EXPECT_TRUE(contains(result, refusal) || result.errors.find(refusal) != std::string::npos ||
                        contains(result, "\"" + refusal.substr(5) + "\""))
                << c.program << "\n" << result.output << result.errors;
            EXPECT_FALSE(contains(result, "Connecting to database")) << c.program << "\n" << result.output;
        }
        ProgramResult load = runConnected(
            "norvakload", {"-s", "Orders", "-f",
                           repo().folder().write("schema.xml", "<ZEPImport schema=\"" + schema + "\"/>\n" +
                                                                   definitions())});
        EXPECT_EQ(load.exitCode, 200) << load.output;
        EXPECT_TRUE(contains(load, "*****Error - database schema name parameter on ZEPImport " + schema +
                                       " is a system schema"))
            << load.output;
        EXPECT_FALSE(contains(load, "Connecting to database")) << load.output;
    }
    EXPECT_EQ(tables(), before);
}

// SQLite's "main" is the database itself; on PostgreSQL it is a schema like
// any other: either way a repository there is an ordinary one.
TEST_P(UntrustedInput, MainIsAnOrdinarySchemaName) {
    if (repo().backend() == Backend::postgres)
        repo().execute("CREATE SCHEMA main");
    ProgramResult init = runConnected("norvakinit", {"-h", "main", "-s", "Mainly"});
    EXPECT_EQ(init.exitCode, 0) << init.output;
    EXPECT_EQ(repo().query("SELECT NAME FROM main.PROJECT"), (Rows{{"Mainly"}}));
    ProgramResult shown = runConnected("norvakshow", {"-h", "main", "-s", "Mainly"});
    EXPECT_EQ(shown.exitCode, 0) << shown.output;
}

INSTANTIATE_TEST_SUITE_P(, UntrustedInput, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
