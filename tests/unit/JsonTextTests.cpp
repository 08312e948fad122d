// The writing of JSON whatever bytes its texts hold (support/JsonText.h), by
// itself and in the writers of norvakload and norvakdiff; the schema names
// the tools refuse (support/SqlNames.h).

#include "import/driver/JsonReport.h"
#include "support/JsonText.h"
#include "support/Output.h"
#include "support/SqlNames.h"
#include "support/Utf8Text.h"
#include "tools/diff/DefinitionsDiff.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace norvak::test {
namespace {

using nlohmann::json;

const std::string replacement = "\xEF\xBF\xBD"; // U+FFFD

// Checks a document against its program's published schema
// (docs/schemas), by python3-jsonschema.
void expectValidAgainstSchema(const std::string& document) {
    char pattern[] = "/tmp/norvak-unit-json-XXXXXX";
    int descriptor = mkstemp(pattern);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(write(descriptor, document.data(), document.size()), static_cast<ssize_t>(document.size()));
    close(descriptor);
    std::string command = std::string("python3 '") + NORVAK_SOURCE_DIR + "/tests/support/validate-json.py' '" +
                          NORVAK_SOURCE_DIR + "/docs/schemas' '" + pattern + "' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string said;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        said.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << said << document;
    unlink(pattern);
}

// The bytes of a companion member's text, as escapedBytes wrote them.
std::string unescapedBytes(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            bytes += '\\';
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

TEST(JsonText, TextsThatAreNotUtf8AreReplacedCharacterByCharacter) {
    const std::string u = "\xC3\xBC", euro = "\xE2\x82\xAC", clef = "\xF0\x9D\x84\x9E";
    EXPECT_TRUE(isUtf8Text(""));
    EXPECT_TRUE(isUtf8Text("plain " + u + euro + clef));
    EXPECT_FALSE(isUtf8Text("Or\xFF" "ders"));
    EXPECT_FALSE(isUtf8Text("a\xE2\x82"));     // cut short
    EXPECT_FALSE(isUtf8Text("\xC0\xAF"));      // overlong
    EXPECT_FALSE(isUtf8Text("\xED\xA0\x80"));  // a surrogate
    EXPECT_EQ(utf8Replaced("Or\xFF" "ders"), "Or" + replacement + "ders");
    EXPECT_EQ(utf8Replaced("a\xE2\x82" "b"), "a" + replacement + replacement + "b");
    EXPECT_EQ(utf8Replaced(u + "\x80" + euro), u + replacement + euro);
    EXPECT_EQ(utf8Replaced("plain " + clef), "plain " + clef);
    EXPECT_EQ(escapedBytes("Or\xFF" "ders"), "Or\\xFFders");
    EXPECT_EQ(escapedBytes("a\\x" + u + "\x80"), "a\\\\x" + u + "\\x80");
    for (const std::string text : {"Or\xFF" "ders", "a\\xFF\xFE\\", "\xE2\x82\xAC\xE2\x82"})
        EXPECT_EQ(unescapedBytes(escapedBytes(text)), text) << text;
}

TEST(JsonText, EveryByteGivesValidJsonWithTheBytesInACompanionMember) {
    json document = {{"name", "Or\xFF" "ders"},
                     {"plain", "Orders"},
                     {"list", {"a\xFE", "b"}},
                     {"nested", {{"identifier", "e\xFF"}, {"id", 7}}},
                     {"key\xFF", 1}};
    std::string text;
    ASSERT_NO_THROW(text = jsonText(document, 2));
    json parsed = json::parse(text); // throws on text that is not UTF-8
    EXPECT_EQ(parsed["name"], "Or" + replacement + "ders");
    EXPECT_EQ(parsed["nameBytes"], "Or\\xFFders");
    EXPECT_EQ(unescapedBytes(parsed["nameBytes"]), "Or\xFF" "ders");
    EXPECT_EQ(parsed["plain"], "Orders");
    EXPECT_FALSE(parsed.contains("plainBytes"));
    EXPECT_EQ(parsed["list"], json({"a" + replacement, "b"}));
    EXPECT_EQ(parsed["nested"]["identifier"], "e" + replacement);
    EXPECT_EQ(parsed["nested"]["identifierBytes"], "e\\xFF");
    EXPECT_EQ(parsed["key" + replacement], 1);

    // A member of the companion's name is kept as it is.
    json taken = {{"name", "\xFF"}, {"nameBytes", "mine"}};
    EXPECT_EQ(json::parse(jsonText(taken))["nameBytes"], "mine");

    // UTF-8 documents are written as nlohmann writes them.
    json utf8 = {{"name", "\xC3\xBC" "ber"}, {"n", {1, 2}}};
    EXPECT_EQ(jsonText(utf8, 2), utf8.dump(2));
    EXPECT_EQ(jsonText(utf8), utf8.dump());
    nlohmann::ordered_json ordered = {{"z", "\xFF"}, {"a", 1}};
    // The companion follows its member where members keep their order.
    EXPECT_EQ(jsonText(ordered), "{\"z\":\"" + replacement + "\",\"zBytes\":\"\\\\xFF\",\"a\":1}");
}

TEST(JsonText, TheImportReportIsValidJsonWhateverTheBytesOfItsTexts) {
    Output report;
    report.print("Processing input file defs\xFF.xml\n");
    report.print("*****Error - unknown tag <Elem\xFE>\n");
    report.print("  at defs\xFF.xml:3:7\n");
    report.print("*****Warning - something about e\xFF\n");
    report.print("*****Error - a line with a place that is none\n");
    report.print("  at nowhere:x:y\n");
    ImportOutcome outcome;
    outcome.messageSet = "Or\xFF" "ders";
    std::string text;
    ASSERT_NO_THROW(text = importReportJson(report, 200, outcome));
    expectValidAgainstSchema(text);
    json parsed = json::parse(text);
    EXPECT_EQ(parsed["exitCode"], 200);
    EXPECT_EQ(parsed["messageSet"], "Or" + replacement + "ders");
    EXPECT_EQ(parsed["messageSetBytes"], "Or\\xFFders");
    ASSERT_EQ(parsed["errors"].size(), 2u);
    EXPECT_EQ(parsed["errors"][0]["text"], "Error - unknown tag <Elem" + replacement + ">");
    EXPECT_EQ(parsed["errors"][0]["textBytes"], "Error - unknown tag <Elem\\xFE>");
    EXPECT_EQ(parsed["errors"][0]["file"], "defs" + replacement + ".xml");
    EXPECT_EQ(parsed["errors"][0]["fileBytes"], "defs\\xFF.xml");
    EXPECT_EQ(parsed["errors"][0]["line"], 3);
    EXPECT_EQ(parsed["errors"][0]["column"], 7);
    EXPECT_FALSE(parsed["errors"][1].contains("line"));
    EXPECT_EQ(parsed["warnings"][0]["textBytes"], "Warning - something about e\\xFF");
}

TEST(JsonText, TheDifferencesAreValidJsonWhateverTheBytesOfTheirTexts) {
    SetComparison comparison;
    comparison.formats = {"CWF", "Legacy\xFF"};
    SetDifference d;
    d.change = '~';
    d.kind = "element";
    d.identifier = "e\xFF";
    d.field = "label";
    d.oldValue = "old\xFE";
    d.newValue = "new";
    d.verdicts = {{"CWF", false}, {"Legacy\xFF", true}};
    d.breaking = true;
    comparison.differences.push_back(d);
    std::string text;
    ASSERT_NO_THROW(text = diffReportJson(comparison, diffBreaking));
    expectValidAgainstSchema(text);
    json parsed = json::parse(text);
    EXPECT_EQ(parsed["exitCode"], 2);
    const json& entry = parsed["differences"][0];
    EXPECT_EQ(entry["identifier"], "e" + replacement);
    EXPECT_EQ(entry["identifierBytes"], "e\\xFF");
    EXPECT_EQ(entry["oldBytes"], "old\\xFE");
    EXPECT_FALSE(entry.contains("newBytes"));
    EXPECT_EQ(entry["verdicts"]["Legacy" + replacement], "breaking");
    EXPECT_EQ(parsed["formats"][1], "Legacy" + replacement);
}

TEST(SqlNames, TheSchemasOfTheDatabaseSystemAreRefused) {
    for (const char* name : {"pg_temp", "pg_temp.", "pg_temp_3", "PG_TEMP_12", "pg_toast", "pg_toast_temp_1",
                             "pg_catalog", "Pg_Catalog.", "information_schema", "INFORMATION_SCHEMA", "temp", "TEMP.",
                             "Temp", "pg_anything"}) {
        EXPECT_FALSE(isSchemaPrefix(name)) << name;
        EXPECT_EQ(checkSchemaPrefix(name), SchemaCheck::systemSchema) << name;
        EXPECT_EQ(std::string(schemaRefusal(name)).rfind("is a system schema", 0), 0u) << name;
    }
    // SQLite's name of the database itself, names that only look alike, and plain names.
    for (const char* name : {"", "main", "main.", "repository", "repo.", "temporary", "temp1", "pgtemp", "my_pg_temp",
                             "information", "information_schema2"}) {
        EXPECT_TRUE(isSchemaPrefix(name)) << name;
        EXPECT_STREQ(schemaRefusal(name), "") << name;
    }
    EXPECT_EQ(checkSchemaPrefix("a;b"), SchemaCheck::notIdentifier);
    EXPECT_STREQ(schemaRefusal("a;b"), "is not an SQL identifier");
}

} // namespace
} // namespace norvak::test
