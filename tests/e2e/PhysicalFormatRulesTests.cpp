// Tests of each physical-format rule reached through an import.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace norvak::test {
namespace {

// One physical-format or XML rule reached through a report-only import: the
// element X is defined at the top level with `definition` and used in the
// type Holder, after the integer element count and the string element label,
// by a reference carrying `use`.
struct RuleCase {
    const char* definition;
    const char* use;
    const char* line;       // a line the run prints, "" for none
    int exitCode;           // 114: a fault rolled the run back; 0: clean
    const char* writtenRow; // a member attribute of X the run writes, "" for none
    const char* missingRow; // a member attribute of X it does not write, "" for none
    bool withCwfTab = true;
};

// clang-format off
const RuleCase ruleCases[] = {
    // Physical types per logical type.
    {R"(type="string" length="5" physicalType="int")", "", "*****Error - invalid physical type for string element X", 114, "", "Physical Type"},
    {R"(type="integer" length="2" physicalType="enc1")", "", "*****Error - invalid physical type for integer element X", 114, "", ""},
    {R"(type="float" length="8" physicalType="enc1")", "", "*****Error - invalid physical type for float element X", 114, "", ""},
    {R"(type="binary" length="4" physicalType="int")", "", "*****Error - invalid physical type for binary element X", 114, "", ""},
    {R"(type="boolean" physicalType="int")", "", "*****Error - invalid physical type for boolean element X", 114, "", ""},
    {R"(type="datetime" physicalType="int")", "", "*****Error - invalid physical type for date time element X", 114, "", ""},
    {R"(type="decimal" length="5" physicalType="enc1")", "", "*****Error - invalid physical type for decimal element X", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed")", "", "", 0, "", "Physical Type"},
    {R"(type="string" physicalType="null")", "", "", 0, "Physical Type", ""},
    {R"(type="string" length="5" physicalType="int")", "", "", 0, "", "", false},
    // Lengths.
    {R"(type="string" physicalType="fixed")", "", "*****Error - length required for element X in type Holder", 111, "", ""},
    {R"(type="string" length="5" physicalType="null")", "", "*****Error - length or length ref invalid for non-fixed length string element X", 114, "", ""},
    {R"(type="integer" length="3" physicalType="int")", "", "*****Error - Length for integer must be 1, 2 or 4 - element X", 114, "", ""},
    {R"(type="integer" length="4" physicalType="int")", "", "", 0, "", "Length"},
    {R"(type="integer" length="12" physicalType="dec")", "", "*****Error - length for integer element X rendered as extended decimal must be from 1 to 11", 114, "", ""},
    {R"(type="integer" length="7" physicalType="pack")", "", "*****Error - length for integer element X rendered as packed must be from 1 to 6", 114, "", ""},
    {R"(type="float" length="5" physicalType="Float")", "", "*****Error - Length for float element X must be 4 or 8", 114, "", ""},
    {R"(type="float" length="4" physicalType="Float")", "", "", 0, "", "Length"},
    {R"(type="float" length="8" physicalType="Float")", "", "", 0, "Length", ""},
    {R"(type="float" length="3" physicalType="int")", "", "*****Error - Length for float element X rendered as integer must be 1, 2 or 4", 114, "", ""},
    {R"(type="float" length="11" physicalType="pack")", "", "*****Error - length for float element X rendered as packed must be from 1 to 10", 114, "", ""},
    {R"(type="float" length="300" physicalType="dec")", "", "*****Error - length for float element X rendered as extended decimal must be from 1 to 256", 114, "", ""},
    {R"(type="binary")", "", "*****Error - length or length ref required for binary element X", 114, "", ""},
    {R"(type="boolean")", R"(length="2")", "*****Error - length or length ref not allowed for boolean element X", 114, "", ""},
    {R"(type="boolean")", R"(length="2" lengthRef="count")", "*****Error - length reference for element X does not allow length references", 114, "", ""},
    {R"(type="datetime")", R"(length="8")", "*****Error - length or length ref not allowed for datetime element X", 114, "", ""},
    {R"(type="decimal" length="300" physicalType="dec")", "", "*****Error - length for decimal element X must be from 1 to 256", 114, "", ""},
    {R"(type="decimal" length="3" physicalType="int")", "", "*****Error - length for decimal element X rendered as integer must be from 1, 2 or 4", 114, "", ""},
    {R"(type="decimal" length="4" physicalType="int")", "", "", 0, "Length", ""},
    {R"(type="decimal" length="11" physicalType="pack")", "", "*****Error - length for decimal element X rendered as packed must be from 1 to 10", 114, "", ""},
    {R"(type="decimal" physicalType="dec")", R"(lengthRef="count")", "", 0, "Length Reference", ""},
    {R"(type="integer" length="2" physicalType="int")", R"(lengthRef="count")", "*****Error - length reference for element X does not allow length references", 114, "", "Length Reference"},
    // Length units.
    {R"(type="string" physicalType="null" lengthUnits="char")", "", "*****Error - length units allowed only for fixed length string element X", 114, "", ""},
    {R"(type="integer" length="2" physicalType="int" lengthUnits="char")", "", "*****Error - length units must be bytes or end of bitstream for integer element X", 114, "", ""},
    {R"(type="integer" length="2" physicalType="int" lengthUnits="end")", "", "*****Error - length units not consistent with physical type for integer element X", 114, "", ""},
    {R"(type="float" length="8" physicalType="Float" lengthUnits="char")", "", "*****Error - length units must be bytes or end of bitstream for float element X", 114, "", ""},
    {R"(type="float" length="8" physicalType="Float" lengthUnits="end")", "", "*****Error - length units not consistent with physical type for float element X", 114, "", ""},
    {R"(type="boolean" lengthUnits="char")", "", "*****Error - length units not allowed for boolean element X", 114, "", ""},
    {R"(type="datetime" lengthUnits="char")", "", "*****Error - length units not allowed for date/time element X", 114, "", ""},
    {R"(type="decimal" length="5" physicalType="dec" lengthUnits="char")", "", "*****Error - length units must be bytes or end of bitstream for decimal element X", 114, "", ""},
    {R"(type="decimal" length="2" physicalType="int" lengthUnits="end")", "", "*****Error - length units not consistent with physical type for decimal element X", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed" lengthUnits="char")", "", "", 0, "Length Units", ""},
    // Sign orientation.
    {R"(type="string" length="5" physicalType="fixed")", R"(signed="1")", "*****Error - sign orientation not allowed for element X of this type", 114, "", ""},
    {R"(type="integer" length="2" physicalType="int" signed="1")", "", "*****Error - sign orientation not allowed for integer element X of this physical type", 114, "", ""},
    {R"(type="integer" length="5" physicalType="dec" signed="Sep Lead")", "", "", 0, "Signed", ""},
    {R"(type="decimal" length="5" physicalType="pack" signed="1")", "", "*****Error - sign orientation not allowed for decimal element X of this physical type", 114, "", ""},
    // Virtual decimal point.
    {R"(type="string" length="5" physicalType="fixed")", R"(decimalPoint="2")", "*****Error - virtual decimal point not allowed for element X of this type", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(decimalPoint="2")", "*****Error - virtual decimal point not allowed for element X of this type", 114, "", "", false},
    {R"(type="float" length="8" physicalType="Float" decimalPoint="2")", "", "*****Error - virtual decimal point not allowed for float element X of physical type float", 114, "", ""},
    {R"(type="decimal" length="5" physicalType="dec" decimalPoint="2")", "", "", 0, "Virtual Decimal Point", ""},
    // Justification and padding.
    {R"(type="boolean")", R"(justification="left")", "*****Error - string justification not allowed for element X of this type", 114, "", ""},
    {R"(type="boolean")", R"(padChar="SPACE")", "*****Error - padding character not allowed for element X of this type", 114, "", ""},
    {R"(type="integer" length="2" physicalType="int" justification="R")", "", "*****Error - string justification only allowed for element X of physical type extended decimal", 114, "", ""},
    {R"(type="integer" length="2" physicalType="int" padChar="SPACE")", "", "*****Error - padding character only allowed for element X of physical type extended decimal", 114, "", ""},
    {R"(type="string" physicalType="null" justification="L")", "", "*****Error - string justification only allowed for string element X of physical type fixed length", 114, "", ""},
    {R"(type="string" physicalType="null" padChar="SPACE")", "", "*****Error - padding character only allowed for string element X of physical type fixed length", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed" padChar="SPACE" justification="L")", "", "", 0, "Padding Character", ""},
    // Length and repeat references.
    {R"(type="string" length="5" physicalType="fixed")", R"(lengthRef="label")", "*****Error - length or repeat reference element (label) must be an integer", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(lengthRef="later")", "*****Error - length or repeat reference element (later) not found in type", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(lengthRef="nosuch")", "*****Error - Unable to resolve length reference nosuch for element X", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(repeat="count")", "", 0, "Repeat Count Reference", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(repeat="nosuch")", "*****Error - Unable to resolve repeat count reference nosuch for element X", 114, "", ""},
    // XML member properties.
    {R"(type="string" length="5" physicalType="fixed")", R"(xmlRender="attr" xmlIDattrName="id")", "*****Error - cannot use xmlIDattrName parameter with element, attribute or elementAttrVal rendering", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(xmlRender="elem" xmlIDattrValue="v")", "*****Error - cannot use xmlIDattrValue parameter with element, attribute or elementAttrVal rendering", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(xmlRender="attr" xmlIDattrName="id")", "*****Error - cannot use xmlIDattrValue parameter with element, attribute or elementAttrId rendering", 114, "", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(xmlRender="attrid" xmlIDattrName="id")", "", 0, "Member ID Attribute Name", "Member Value Attribute Name"},
    {R"(type="string" length="5" physicalType="fixed")", R"(xmlRender="attrval" xmlIDattrName="id")", "", 0, "Member Value Attribute Name", "Member ID Attribute Name"},
    {R"(type="string" length="5" physicalType="fixed")", R"(xmlFormat="yyyy")", "*****Error - XML format is only valid for a datetime element X", 114, "", ""},
    {R"(type="datetime")", R"(xmlFormat="yyyy")", "", 0, "Member Format", ""},
    {R"(type="string" length="5" physicalType="fixed")", R"(xmlMemberEncode="hex")", "*****Error - XML encoding is only valid for a binary element X", 114, "", ""},
};
// clang-format on

std::string definitions(const RuleCase& rule) {
    std::string text = "<ZEPImport messageSet=\"Rules\"/>\n";
    if (rule.withCwfTab)
        text += "<CWFTab name=\"cwf\" ident=\"CWF1\"/>\n";
    text += "<XMLTab name=\"xml\" ident=\"XML1\"/>\n"
            "<Element ident=\"count\" type=\"integer\" length=\"2\" physicalType=\"int\"/>\n"
            "<Element ident=\"label\" type=\"string\" length=\"5\" physicalType=\"fixed\"/>\n"
            "<Element ident=\"later\" type=\"integer\" length=\"2\" physicalType=\"int\"/>\n"
            "<Element ident=\"X\" " +
            std::string(rule.definition) +
            "/>\n"
            "<Type ident=\"Holder\" composition=\"sequence\">\n"
            "  <Element ref=\"count\"/>\n  <Element ref=\"label\"/>\n"
            "  <Element ref=\"X\" " +
            std::string(rule.use) +
            "/>\n"
            "</Type>\n";
    return text;
}

// Whether the run's trace shows a member attribute row of X (the third
// member of the type, member id 100007) named `name`.
bool writesRowOfX(const ProgramResult& result, const std::string& name) {
    for (const std::string& line : result.lines()) {
        if (line.rfind("==> createMemberAttr childId 100007 ", 0) == 0 &&
            line.find(" aName " + name + " attrValue ") != std::string::npos)
            return true;
    }
    return false;
}

TEST(PhysicalFormatRules, EachRuleIsReachedThroughAnImport) {
    NORVAK_REQUIRE_BACKEND(Backend::sqlite);
    TestRepository repo(Backend::sqlite);
    ProgramResult init = runProgram("norvakinit", {"-n", repo.dataSource(), "-s", "Rules"}, "", repo.environment());
    ASSERT_EQ(init.exitCode, 0) << init.output;

    for (const RuleCase& rule : ruleCases) {
        std::string file = repo.folder().write("rule.xml", definitions(rule));
        ProgramResult result =
            runProgram("norvakload", {"-f", file, "-n", repo.dataSource(), "-r", "-t"}, "", repo.environment());
        std::string context = std::string(rule.definition) + " | " + rule.use;
        EXPECT_EQ(result.exitCode, rule.exitCode) << context;
        if (*rule.line != '\0') {
            auto lines = result.lines();
            EXPECT_NE(std::find(lines.begin(), lines.end(), rule.line), lines.end()) << context << "\n" << rule.line;
        } else {
            EXPECT_EQ(result.output.find("*****Error"), std::string::npos) << context << "\n" << result.output;
        }
        if (*rule.writtenRow != '\0') {
            EXPECT_TRUE(writesRowOfX(result, rule.writtenRow)) << context << ": " << rule.writtenRow;
        }
        if (*rule.missingRow != '\0') {
            EXPECT_FALSE(writesRowOfX(result, rule.missingRow)) << context << ": " << rule.missingRow;
        }
    }
    // Report-only runs leave the message set as it was.
    EXPECT_EQ(repo.query("SELECT COUNT(*) FROM M_ELEMENT"), (Rows{{"0"}}));
}

} // namespace
} // namespace norvak::test
