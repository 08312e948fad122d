// Tests of norvakload importing into a message set: the rows written, report-only runs, rollback.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

namespace norvak::test {
namespace {

const std::string successLine = "Import was successful - please restart the norvakhub";

// norvakload importing into the message set Orders (key 100, NEXT_ID 100000,
// plugin members 1 uuid, 2 C and 3 COBOL) made by norvakinit.
class NorvakloadImport : public OrdersTest {
  protected:
    Rows q(const std::string& sql) { return repo().query(sql); }
    // Back to the message set as norvakinit made it.
    void reset() {
        for (const char* table : {"M_TYPE", "M_ELEMENT", "M_MESSAGE", "M_VALUE", "TYPE_MEMBER", "VALUE_MEMBER",
                                  "M_ATTRIBUTE", "M_MEMBER_ATTRIBUTE"})
            repo().execute(std::string("DELETE FROM ") + table);
        repo().execute("DELETE FROM REG_PLUGIN_MEMBER WHERE MEMBER_ID > 3");
        repo().execute("UPDATE PROJECT SET NEXT_ID = 100000");
    }
    const Rows emptyState{{"0", "0", "0", "0", "0", "0", "0", "0", "3", "100000"}};
    // The CWF, XML and TDS member attribute rows of one type member: name, group, value, flags, key.
    Rows memberRows(const std::string& memberId) {
        return q("SELECT ATTR_NAME, ATTR_GROUP, ATTR_VALUE, ATTR_FLAGS, PLUGIN_ATTR_KEY FROM M_MEMBER_ATTRIBUTE "
                 "WHERE CHILD_MEMBER_ID = " +
                 memberId + " AND ATTR_NAME <> 'uuid' ORDER BY ATTR_ID");
    }
};

// A message set with two CWF tabs, one TDS and one XML tab, affixes, types
// defined in place and used by reference, values and a message.
const std::string fullDefinitions = R"(<ZEPImport typePrefix="T-" typeSuffix="_t" elemPrefix="e" msgPrefix="M-"/>
<CWFTab name="Cwf1" ident="CWF1"/>
<CWFTab name="Cwf2" ident="CWF2"/>
<TDSTab name="Tds1" ident="TDS1" msgStd="SWIFT" trimFix="Lead" outputCompress="AL3"/>
<XMLTab name="Xml1" ident="XML1" supXmlDecl="yes" standaloneDoc="No" encodeNullNum="NULLAttribute"/>
<XMLTab name="Xml1" ident="again"/>
<Element ident="order-id" name="Order-id" type="integer" length="2" physicalType="int" tag="OID"
         xmlName="orderId" xmlRender="ATTRIBUTE"/>
<Element ident="status" type="string" length="1" physicalType="fixed" tag="STS">
  <Value ident="is-open" type="string" value="O" role="ENUM"/>
  <Value ident="closed" name="Closed" type="string" value="C" role="ENUM"/>
</Element>
<Type ident="line" name="Order line" composition="sequence" baseType="int" dataElemSep="TAGDELIM" delimiter="|">
  <Element ident="qty" type="integer" minOccurs="1" maxOccurs="1"/>
  <Element ident="price" type="decimal" length="7" precision="2" signed="Incl Lead"/>
</Type>
<Type ident="order" name="the-order" composition="sequence" typeContent="open">
  <Element ref="order-id"/>
  <Element ref="status" minOccurs="0" xmlName="st" repeatElemDelim=";"/>
  <Type ref="line" maxOccurs="unbounded"/>
  <Element ident="note" type="string" physicalType="null" maxOccurs="5">
    <Value ref="is-open" role="DEFAULT"/>
  </Element>
</Type>
<Message ident="place-order" name="Place order" type="order"/>
)";

TEST_P(NorvakloadImport, WritesEveryRowOfAFullImport) {
    ProgramResult result = load(fullDefinitions);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(result.output, match, std::regex("Execution date and time (\\S+)\n")));
    const std::string date = match[1];
    EXPECT_NE(result.output.find("\nitems added to tables in repository database " + repo().dataSource() +
                                 "\nM_MESSAGE        - 1\nM_ELEMENT        - 5\nM_VALUE          - 2\n"
                                 "VALUE_MEMBER     - 3\nM_TYPE           - 2\nTYPE_MEMBER      - 6\n"
                                 "M_ATTRIBUTE      - 41\nMEMBER_ATTRIBUTE - 19\n\n"
                                 "types reused from existing entries in MessageSet    - 0\n"
                                 "elements reused from existing entries in MessageSet - 0\n"
                                 "values reused from existing entries in MessageSet   - 0\n"
                                 "messages reused from existing entries in MessageSet - 0\n\n"
                                 "tags found   - 2\ntags created - 2\n\n" +
                                 successLine + "\n"),
              std::string::npos)
        << result.output;
    EXPECT_TRUE(hasLinesInOrder(result, {"*****Warning - XML tab Xml1 already exists - was not created",
                                         "Created type the_order", "Created Element Order-id",
                                         "Inserted Order line into type order", "Created value is_open",
                                         "updated NEXT_ID entry in PROJECT table to 100019"}))
        << result.output;

    // Tabs: member ids and sequence numbers after the three existing members.
    EXPECT_EQ(q("SELECT MEMBER_ID, PLUGIN_KEY, SEQUENCE_NUM, ACTIVE, LAYER_FINAL, REG_NAME, LOCK_DATE, STATUS FROM "
                "REG_PLUGIN_MEMBER WHERE PROJECT_KEY = 100 AND MEMBER_ID > 3 ORDER BY MEMBER_ID"),
              (Rows{{"4", "6", "4", "1", "0", "Xml1", "", "0"},
                    {"5", "7", "5", "1", "0", "Tds1", "", "0"},
                    {"6", "4", "6", "1", "0", "Cwf1", "", "0"},
                    {"7", "4", "7", "1", "0", "Cwf2", "", "0"}}));
    EXPECT_EQ(
        q("SELECT ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_TYPE, ATTR_GROUP, MIN_LENGTH, "
          "MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE FROM M_ATTRIBUTE WHERE ATTR_ID <= 10 "
          "ORDER BY ATTR_ID"),
        (Rows{{"1", "0", "1", "XML Wire Format Identifier", "string", "Xml1", "1", "120", "4", "1", "XML1"},
              {"2", "0", "1", "Suppress XML Declaration", "boolean", "Xml1", "1", "1", "4", "2", "1"},
              {"3", "0", "1", "Standalone document", "enum", "Xml1", "0", "254", "4", "3", "2"},
              {"4", "0", "1", "Encoding Null Num", "enum", "Xml1", "0", "254", "4", "14", "0"},
              {"5", "0", "1", "TDS Wire Format Identifier", "string", "Tds1", "1", "120", "5", "1", "TDS1"},
              {"6", "0", "1", "Messaging Standard", "string", "Tds1", "0", "254", "5", "2", "SWIFT"},
              {"7", "0", "1", "Trim Fix Len String", "enum", "Tds1", "0", "254", "5", "4", "Leading White Spaces"},
              {"8", "0", "1", "Output Compression Technique", "enum", "Tds1", "0", "254", "5", "12",
               "SimpleAL3CharCompress"},
              {"9", "0", "1", "Custom Wire Format Identifier", "string", "Cwf1", "1", "120", "6", "1", "CWF1"},
              {"10", "0", "1", "Custom Wire Format Identifier", "string", "Cwf2", "1", "120", "7", "1", "CWF2"}}));

    // Item rows: ids in phase order, identifiers with their affixes.
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER, TYPE_CATEGORY, TYPE_FLAGS, LOGICAL_DATA_TYPE, BASE_TYPE_ID, "
                "TYPE_COMPOSITION, TYPE_CONTENT, NAME, DEFINED_PROJECT, LAST_MOD_PROJECT, STATUS, DESCOPED_IND "
                "FROM M_TYPE WHERE PROJECT = 100 ORDER BY ID_VALUE"),
              (Rows{{"100000", "T_line_t", "3", "0", "0", "50106", "6", "0", "Order line", "100", "100", "0", "0"},
                    {"100001", "T_order_t", "3", "0", "0", nullText, "6", "3", "the_order", "100", "100", "0", "0"}}));
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER, TYPE_ID, CTXT_TAG_HINT_DFLT, NAME, STATUS, DESCOPED_IND FROM M_ELEMENT "
                "WHERE PROJECT = 100 ORDER BY ID_VALUE"),
              (Rows{{"100002", "eorder_id", "50106", nullText, "Order-id", "0", "0"},
                    {"100003", "estatus", "50105", nullText, "status", "0", "0"},
                    {"100004", "eqty", "50106", nullText, "qty", "0", "0"},
                    {"100005", "eprice", "50224", nullText, "price", "0", "0"},
                    {"100006", "enote", "50105", nullText, "note", "0", "0"}}));
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER, TYPE_ID, MODE, NAME, DEFINED_PROJECT, STATUS, DESCOPED_IND FROM "
                "M_MESSAGE WHERE PROJECT = 100"),
              (Rows{{"100007", "M-place-order", "100001", "0", "Place order", "100", "0", "0"}}));
    EXPECT_EQ(q("SELECT MEMBER_ID, TYPE_ID, CHILD_ID, CHILD_CLASS, SEQUENCE_NUM, REPEAT_ITEM_IND, MIN_OCCURS, "
                "MAX_OCCURS, CONTEXT_TAG_HINT, STATUS FROM TYPE_MEMBER WHERE PROJECT = 100 ORDER BY MEMBER_ID"),
              (Rows{{"100008", "100000", "100004", "103", "1", "0", "1", "1", "qtyCxTg", "0"},
                    {"100009", "100000", "100005", "103", "2", "0", nullText, nullText, "priceCxTg", "0"},
                    {"100010", "100001", "100002", "103", "1", "0", nullText, nullText, "Order-idCxTg", "0"},
                    {"100011", "100001", "100003", "103", "2", "0", "0", nullText, "statusCxTg", "0"},
                    {"100012", "100001", "100000", "104", "3", "1", nullText, nullText, "Order lineCxTg", "0"},
                    {"100013", "100001", "100006", "103", "4", "1", nullText, "5", "noteCxTg", "0"}}));
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER, TYPE_ID, VALUE_STRING, NAME FROM M_VALUE WHERE PROJECT = 100 "
                "ORDER BY ID_VALUE"),
              (Rows{{"100014", "is_open", "50105", "O", "is_open"}, {"100015", "closed", "50105", "C", "Closed"}}));
    EXPECT_EQ(q("SELECT MEMBER_ID, PARENT_ID, VALUE_ID, PARENT_CLASS, SEQUENCE_NUM, ROLE FROM VALUE_MEMBER "
                "WHERE PROJECT = 100 ORDER BY MEMBER_ID"),
              (Rows{{"100016", "100003", "100014", "103", "1", "5"},
                    {"100017", "100003", "100015", "103", "2", "5"},
                    {"100018", "100006", "100014", "103", "1", "6"}}));
    EXPECT_EQ(q("SELECT NEXT_ID FROM PROJECT WHERE PROJECT_KEY = 100"), (Rows{{"100019"}}));

    // Every row of the run carries its date, its message set and status 0.
    for (const char* table : {"M_TYPE", "M_ELEMENT", "M_MESSAGE", "M_VALUE", "TYPE_MEMBER", "VALUE_MEMBER",
                              "M_ATTRIBUTE", "M_MEMBER_ATTRIBUTE"}) {
        EXPECT_EQ(q(std::string("SELECT DISTINCT CREATE_DATE, LAST_MOD_DATE, DEFINED_PROJECT, LAST_MOD_PROJECT, STATUS "
                                "FROM ") +
                    table),
                  (Rows{{date, date, "100", "100", "0"}}))
            << table;
    }
    EXPECT_EQ(q("SELECT COUNT(*) FROM M_ATTRIBUTE WHERE ATTR_FLAGS <> 0 OR ATTR_LVALUE IS NOT NULL"), (Rows{{"0"}}));

    // Uuids: one per type, element, message and value, one per type member; all distinct.
    EXPECT_EQ(q("SELECT COMPONENT_CLASS, COUNT(*) FROM M_ATTRIBUTE WHERE ATTR_NAME = 'uuid' AND ATTR_TYPE = 'string' "
                "AND ATTR_GROUP = 'WebDav' AND MIN_LENGTH = 1 AND MAX_LENGTH = 254 AND REG_PLUGIN_MBR_ID = 1 AND "
                "PLUGIN_ATTR_KEY = 10 GROUP BY COMPONENT_CLASS ORDER BY COMPONENT_CLASS"),
              (Rows{{"102", "1"}, {"103", "5"}, {"104", "2"}, {"106", "2"}}));
    EXPECT_EQ(q("SELECT PARENT_CLASS, CHILD_CLASS, COUNT(*) FROM M_MEMBER_ATTRIBUTE WHERE ATTR_NAME = 'uuid' AND "
                "ATTR_GROUP = 'WebDav' AND ATTR_FLAGS = 262145 AND MIN_LENGTH = 0 AND MAX_LENGTH = 254 AND "
                "REG_PLUGIN_MBR_ID = 1 AND PLUGIN_ATTR_KEY = 10 GROUP BY PARENT_CLASS, CHILD_CLASS"),
              (Rows{{"104", "103", "6"}}));
    std::set<std::string> uuids;
    const std::regex uuidForm("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
    for (const char* table : {"M_ATTRIBUTE", "M_MEMBER_ATTRIBUTE"})
        for (const Row& row : q(std::string("SELECT ATTR_VALUE FROM ") + table + " WHERE ATTR_NAME = 'uuid'")) {
            EXPECT_TRUE(std::regex_match(row[0], uuidForm)) << row[0];
            uuids.insert(row[0]);
        }
    EXPECT_EQ(uuids.size(), 16u);

    // Language names of elements and the message.
    EXPECT_EQ(
        q("SELECT ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_GROUP, MIN_LENGTH, MAX_LENGTH, "
          "REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE FROM M_ATTRIBUTE WHERE ATTR_TYPE = 'string' AND "
          "ATTR_GROUP IN ('C Language', 'COBOL Language') AND COMPONENT_ID IN (100002, 100007) ORDER BY ATTR_ID"),
        (Rows{{"14", "100002", "103", "COBOL Language Name", "COBOL Language", "1", "30", "3", "7", "ORDER-ID100002"},
              {"15", "100002", "103", "C Language Name", "C Language", "1", "254", "2", "8", "Order_id15"},
              {"29", "100007", "102", "Message Copy Book Name", "COBOL Language", "1", "12", "3", "5", "PLACEORD.CPY"},
              {"30", "100007", "102", "COBOL Language Name", "COBOL Language", "1", "30", "3", "7",
               "PLACE ORDER100007"}}));

    // Element and type attributes, one row per tab of their wire format.
    EXPECT_EQ(q("SELECT ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_TYPE, ATTR_GROUP, MIN_LENGTH, "
                "MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE FROM M_ATTRIBUTE WHERE ATTR_ID BETWEEN "
                "31 AND 39 ORDER BY ATTR_ID"),
              (Rows{{"31", "100002", "103", "Tag", "string", "Tds1", "0", "254", "5", "27", "OID"},
                    {"32", "100002", "103", "XML Name", "string", "Xml1", "0", "254", "4", "30", "orderId"},
                    {"33", "100002", "103", "Length", "integer", "Tds1", "0", "254", "5", "28", "2"},
                    {"34", "100003", "103", "Tag", "string", "Tds1", "0", "254", "5", "27", "STS"},
                    {"35", "100003", "103", "Length", "integer", "Tds1", "0", "254", "5", "28", "1"},
                    {"36", "100000", "104", "Delimiter", "string", "Tds1", "0", "254", "5", "26", "|"},
                    {"37", "100000", "104", "Data Element Separation", "enum", "Tds1", "0", "254", "5", "25",
                     "Tagged Delimited"},
                    {"38", "100005", "103", "Length", "integer", "Tds1", "0", "254", "5", "28", "7"},
                    {"39", "100005", "103", "Precision", "integer", "Tds1", "0", "254", "5", "33", "2"}}));

    // Member attributes: CWF rows once per CWF tab, XML and TDS rows once per tab.
    const std::string cwf = "1073741824";
    EXPECT_EQ(memberRows("100008"), Rows{});
    EXPECT_EQ(memberRows("100009"), (Rows{{"Length", "Cwf1", "7", cwf, "2"},
                                          {"Length", "Cwf2", "7", cwf, "2"},
                                          {"Signed", "Cwf1", "1", cwf, "4"},
                                          {"Signed", "Cwf2", "1", cwf, "4"}}));
    EXPECT_EQ(memberRows("100010"), (Rows{{"Length", "Cwf1", "2", cwf, "2"},
                                          {"Length", "Cwf2", "2", cwf, "2"},
                                          {"Member Render", "Xml1", "1", "0", "101"}}));
    EXPECT_EQ(memberRows("100011"), (Rows{{"Length", "Cwf1", "1", cwf, "2"},
                                          {"Length", "Cwf2", "1", cwf, "2"},
                                          {"Member XML Name", "Xml1", "st", "0", "100"},
                                          {"Repeating Element Delimiter", "Tds1", ";", "0", "101"}}));
    EXPECT_EQ(memberRows("100012"), Rows{});
    EXPECT_EQ(memberRows("100013"),
              (Rows{{"Physical Type", "Cwf1", "7", cwf, "1"}, {"Physical Type", "Cwf2", "7", cwf, "1"}}));
    EXPECT_EQ(q("SELECT ATTR_ID, PARENT_ID, PARENT_CLASS, CHILD_MEMBER_ID, CHILD_CLASS, ATTR_TYPE, MIN_LENGTH, "
                "MAX_LENGTH, REG_PLUGIN_MBR_ID FROM M_MEMBER_ATTRIBUTE WHERE ATTR_ID IN (1, 3, 4, 14, 15, 19) "
                "ORDER BY ATTR_ID"),
              (Rows{{"1", "100000", "104", "100008", "103", "string", "0", "254", "1"},
                    {"3", "100000", "104", "100009", "103", "integer", "0", "10", "6"},
                    {"4", "100000", "104", "100009", "103", "integer", "0", "10", "7"},
                    {"14", "100001", "104", "100011", "103", "string", "0", "254", "4"},
                    {"15", "100001", "104", "100011", "103", "string", "0", "254", "5"},
                    {"19", "100001", "104", "100013", "103", "enum", "1", "2", "7"}}));
}

// The shipped example: a report-only run counts what the real run then writes, and changes nothing.
TEST_P(NorvakloadImport, ReportOnlyCountsWhatARealRunWritesAndChangesNothing) {
    const std::string example = sourcePath("examples/orders.xml");
    ProgramResult report = loadFile(example, {"-r"});
    ASSERT_EQ(report.exitCode, 0) << report.output;
    EXPECT_EQ(state(), emptyState);
    ProgramResult real = loadFile(example);
    ASSERT_EQ(real.exitCode, 0) << real.output;
    EXPECT_TRUE(hasLine(real, "updated NEXT_ID entry in PROJECT table to " +
                                  q("SELECT NEXT_ID FROM PROJECT WHERE PROJECT_KEY = 100").at(0).at(0)));
    EXPECT_TRUE(hasLine(real, "M_MESSAGE        - 2")) << real.output;
    // The same lines, the report-only pair aside (before the summary): progress, ids, counts and success.
    auto linesOf = [](const ProgramResult& result) {
        std::vector<std::string> lines;
        for (const std::string& line : result.lines())
            if (line.rfind("Execution date and time ", 0) != 0)
                lines.push_back(line);
        return lines;
    };
    std::vector<std::string> expected = linesOf(real);
    auto summary = std::find(expected.begin(), expected.end(),
                             "items added to tables in repository database " + repo().dataSource());
    ASSERT_NE(summary, expected.end());
    expected.insert(summary - 1, {"***** Report only switch was selected", "***** Database has not been changed"});
    EXPECT_EQ(linesOf(report), expected);
}

// A fault found while the rows are written: the lines, the rollback and the
// summary, no success line, exit 114, and the tabs created before are gone too.
TEST_P(NorvakloadImport, AFaultWhileWritingRollsEverythingBack) {
    const std::string longName(240, 'x');
    const struct {
        std::string definitions;
        std::vector<std::string> errors;
    } cases[] = {
        {"<CWFTab name=\"C1\" ident=\"c1\"/>\n<Type ident=\"t\" composition=\"sequence\">\n"
         "  <Element ident=\"n\" type=\"integer\" length=\"3\" physicalType=\"int\"/>\n</Type>\n",
         {"*****Error - Length for integer must be 1, 2 or 4 - element n"}},
        {"<Type ident=\"a-b\" composition=\"sequence\"/>\n<Type ident=\"a_b\" composition=\"sequence\"/>\n",
         {"***** ERROR - Duplicate type name or key value detected (a_b)"}},
        {"<ZEPImport elemPrefix=\"pre-fix-\" elemSuffix=\"-suffix\"/>\n<Type ident=\"t\" composition=\"sequence\">\n"
         "  <Element ident=\"" +
             longName + "\" type=\"string\"/>\n</Type>\n",
         {"*****Error - identifier pre_fix_" + longName +
          "_suffix is longer than 254 characters with its prefix "
          "and suffix"}},
        {"<XMLTab name=\"X1\" ident=\"x1\"/>\n<Type ident=\"t\" composition=\"sequence\">\n"
         "  <Element ident=\"a\" type=\"string\" xmlRender=\"ATTRIBUTE\" xmlIDattrName=\"id\"/>\n</Type>\n",
         {"*****Error - cannot use xmlIDattrName parameter with element, attribute or elementAttrVal rendering",
          "*****Error - cannot use xmlIDattrValue parameter with element, attribute or elementAttrId rendering"}},
    };
    for (const auto& [definitions, errors] : cases) {
        SCOPED_TRACE(definitions);
        ProgramResult result = load(definitions);
        EXPECT_EQ(result.exitCode, 114) << result.output;
        std::vector<std::string> expected = errors;
        for (const char* line :
             {"***** Errors were detected updating the ZEP database", "***** Database changes have been rolled back",
              "M_MESSAGE        - 0", "tags created - 0"})
            expected.push_back(line);
        EXPECT_TRUE(hasLinesInOrder(result, expected)) << result.output;
        EXPECT_FALSE(hasLine(result, successLine));
        EXPECT_EQ(result.output.find("updated NEXT_ID entry"), std::string::npos);
        EXPECT_EQ(state(), emptyState);
    }
    // The NEXT_ID update fails: its line is still printed, everything is rolled back.
    if (GetParam() == Backend::sqlite) {
        repo().execute("CREATE TRIGGER refuse BEFORE UPDATE ON PROJECT BEGIN SELECT RAISE(ABORT, 'refused'); END");
    } else {
        repo().execute("CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'refused'; END $$ "
                       "LANGUAGE plpgsql");
        repo().execute("CREATE TRIGGER refuse BEFORE UPDATE ON PROJECT FOR EACH ROW EXECUTE FUNCTION refuse()");
    }
    ProgramResult refused = load("<Type ident=\"t\" composition=\"sequence\"/>\n");
    EXPECT_EQ(refused.exitCode, 114) << refused.output;
    EXPECT_TRUE(refused.output.find("Created type t\n*****Database error -1 during SQLExecute in routine "
                                    "updateNextElementId SQLSTATE ") != std::string::npos)
        << refused.output;
    EXPECT_TRUE(hasLinesInOrder(refused, {"updated NEXT_ID entry in PROJECT table to 100001",
                                          "***** Database changes have been rolled back", "M_TYPE           - 1"}))
        << refused.output;
    EXPECT_EQ(state(), emptyState);
    repo().execute(GetParam() == Backend::sqlite ? "DROP TRIGGER refuse" : "DROP TRIGGER refuse ON PROJECT");

    // A composed identifier of exactly 254 characters is written.
    ProgramResult fits = load("<ZEPImport elemPrefix=\"pre-fix-\" elemSuffix=\"-suffix\"/>\n"
                              "<Type ident=\"t\" composition=\"sequence\">\n  <Element ident=\"" +
                              std::string(239, 'x') + "\" type=\"string\"/>\n</Type>\n");
    ASSERT_EQ(fits.exitCode, 0) << fits.output;
    EXPECT_EQ(q("SELECT IDENTIFIER FROM M_ELEMENT"), (Rows{{"pre_fix_" + std::string(239, 'x') + "_suffix"}}));
}

// Per-use properties: the member of an element defined in place takes the
// element's values; a member given by reference overrides them for its use.
TEST_P(NorvakloadImport, MembersTakeTheElementsPropertiesUnlessTheirTagGivesThem) {
    ProgramResult result = load(R"(<CWFTab name="C1" ident="c1"/>
<XMLTab name="X1" ident="x1"/>
<Type ident="a" composition="sequence">
  <Element ident="amount" type="decimal" physicalType="dec" length="7" signed="Incl Lead" justification="right" padChar="'0'"
           lengthUnits="end" xmlRender="ATTRIBUTE"/>
  <Element ident="blob" type="binary" length="8" xmlMemberEncode="hex" byteAlignment="4"/>
</Type>
<Type ident="b" composition="sequence">
  <Element ref="amount" length="9" signed="Sep Trail" justification="L" padChar="SPACE" lengthUnits="Bytes"
           xmlRender="ELEMENT"/>
  <Element ref="blob" physicalType="bin" xmlMemberEncode="base64"/>
  <Element ref="amount"/>
</Type>
)");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // Types 100000, 100001; elements 100002, 100003; members 100004 to 100008.
    EXPECT_EQ(memberRows("100004"), (Rows{{"Length", "C1", "7", "1073741824", "2"},
                                          {"Length Units", "C1", "3", "1073741824", "13"},
                                          {"Signed", "C1", "1", "1073741824", "4"},
                                          {"String Justification", "C1", "R", "1073741824", "6"},
                                          {"Padding Character", "C1", "'0'", "1073741824", "7"},
                                          {"Member Render", "X1", "1", "0", "101"}}));
    EXPECT_EQ(memberRows("100005"), (Rows{{"Length", "C1", "8", "1073741824", "2"},
                                          {"Byte Alignment", "C1", "4", "1073741824", "5"},
                                          {"Member Encoding", "X1", "hex", "0", "106"}}));
    EXPECT_EQ(memberRows("100006"), (Rows{{"Length", "C1", "9", "1073741824", "2"},
                                          {"Signed", "C1", "4", "1073741824", "4"},
                                          {"String Justification", "C1", "L", "1073741824", "6"},
                                          {"Padding Character", "C1", "SPACE", "1073741824", "7"}}));
    EXPECT_EQ(memberRows("100007"), (Rows{{"Length", "C1", "8", "1073741824", "2"},
                                          {"Byte Alignment", "C1", "4", "1073741824", "5"},
                                          {"Member Encoding", "X1", "base64", "0", "106"}}));
    EXPECT_EQ(memberRows("100008"), memberRows("100004"));
}

// The XML id attributes: which rows each rendering writes.
TEST_P(NorvakloadImport, XmlIdAttributesFollowTheRendering) {
    ProgramResult result = load(R"(<XMLTab name="X1" ident="x1"/>
<XMLTab name="X2" ident="x2" supDocType="Y" doctypeSystemId="sys.dtd" enableVersion="no"/>
<Type ident="t" composition="sequence">
  <Element ident="r2" type="string" xmlRender="ATTRID" xmlIDattrName="id" xmlIDattrValue="v2"/>
  <Element ident="r3" type="string" xmlRender="attrval" xmlIDattrName="val"/>
  <Element ident="r4" type="string" xmlRender="4" xmlIDattrName="both" xmlIDattrValue="v4"/>
  <Element ref="when" xmlFormat="yyyy-MM-dd"/>
</Type>
<Element ident="when" type="datetime"/>
)");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(result.output.find("*****Error"), std::string::npos) << result.output;
    EXPECT_EQ(q("SELECT CHILD_MEMBER_ID, ATTR_NAME, ATTR_TYPE, ATTR_GROUP, ATTR_VALUE, PLUGIN_ATTR_KEY, "
                "REG_PLUGIN_MBR_ID FROM M_MEMBER_ATTRIBUTE WHERE ATTR_NAME <> 'uuid' AND ATTR_GROUP = 'X1' "
                "ORDER BY ATTR_ID"),
              (Rows{{"100005", "Member Render", "enum", "X1", "2", "101", "4"},
                    {"100005", "Member ID Attribute Name", "enum", "X1", "id", "102", "4"},
                    {"100005", "Member ID Attribute Value", "enum", "X1", "v2", "103", "4"},
                    {"100006", "Member Render", "enum", "X1", "3", "101", "4"},
                    {"100006", "Member Value Attribute Name", "enum", "X1", "val", "104", "4"},
                    {"100007", "Member Render", "enum", "X1", "4", "101", "4"},
                    {"100007", "Member ID Attribute Name", "enum", "X1", "both", "102", "4"},
                    {"100007", "Member ID Attribute Value", "enum", "X1", "v4", "103", "4"},
                    {"100007", "Member Value Attribute Name", "enum", "X1", "both", "104", "4"},
                    {"100008", "Member Format", "string", "X1", "yyyy-MM-dd", "105", "4"}}));
    EXPECT_EQ(q("SELECT COUNT(*) FROM M_MEMBER_ATTRIBUTE WHERE ATTR_GROUP = 'X2' AND REG_PLUGIN_MBR_ID = 5"),
              (Rows{{"10"}}));
    EXPECT_EQ(q("SELECT ATTR_ID, ATTR_NAME, ATTR_TYPE, MIN_LENGTH, MAX_LENGTH, PLUGIN_ATTR_KEY, ATTR_VALUE FROM "
                "M_ATTRIBUTE WHERE ATTR_GROUP = 'X2' AND COMPONENT_CLASS = 1 ORDER BY ATTR_ID"),
              (Rows{{"2", "XML Wire Format Identifier", "string", "1", "120", "1", "x2"},
                    {"3", "Suppress DOCTYPE", "boolean", "1", "1", "4", "1"},
                    {"4", "DOCTYPE System ID", "string", "0", "254", "5", "sys.dtd"},
                    {"5", "Enable Versioning Support", "boolean", "1", "1", "11", "0"}}));

    // Properties a member cannot have are reported, and nothing is written.
    ProgramResult element = load(R"(<XMLTab name="X1" ident="x1"/>
<Element ident="e3" type="string" xmlRender="ATTRVAL" xmlIDattrValue="v"/>
<Type ident="t2" composition="sequence"><Element ref="e3" xmlFormat="x" xmlMemberEncode="hex"/></Type>
)");
    EXPECT_EQ(element.exitCode, 114) << element.output;
    EXPECT_TRUE(hasLinesInOrder(element, {"*****Warning - XML tab X1 already exists - was not created",
                                          "*****Error - cannot use xmlIDattrValue parameter with element, attribute or "
                                          "elementAttrVal rendering",
                                          "*****Error - XML format is only valid for a datetime element e3",
                                          "*****Error - XML encoding is only valid for a binary element e3"}))
        << element.output;
    EXPECT_EQ(q("SELECT COUNT(*) FROM M_ELEMENT"), (Rows{{"4"}}));
}

// Values: reuse by text and type within the run, sequence numbers per
// element; a message as a type member; language names within their limits.
TEST_P(NorvakloadImport, ValuesMessageMembersAndLanguageNames) {
    repo().execute("UPDATE PROJECT SET NEXT_ID = 1000000000 WHERE PROJECT_KEY = 100");
    const std::string longName = "abcdefghijklmnopqrstuvwxyz_0123"; // 31 characters
    ProgramResult result = load(R"(<Type ident="t" composition="sequence">
  <Element ident="code" name=")" +
                                longName + R"(" type="string">
    <Value ident="a" type="string" value="A" role="ENUM"/>
    <Value ident="a2" type="string" value="A" role="DEFAULT"/>
    <Value ident="n1" type="integer" value="1" role="MIN_INCL"/>
  </Element>
  <Element ident="my-elem.a" type="integer">
    <Value ident="n1b" type="string" value="1" role="ENUM"/>
    <Value ref="a" role="MAX_LEN"/>
  </Element>
</Type>
<Type ident="wrap" composition="sequence"><Message ref="order_total.x2" minOccurs="2"/></Type>
<Message ident="order_total.x2" type="t"/>
)");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    // Types ...00, ...01; elements ...02, ...03; message ...04; members ...05 to ...07; values from ...08.
    EXPECT_EQ(q("SELECT MEMBER_ID, CHILD_ID, CHILD_CLASS, SEQUENCE_NUM, REPEAT_ITEM_IND, MIN_OCCURS, MAX_OCCURS, "
                "CONTEXT_TAG_HINT FROM TYPE_MEMBER WHERE TYPE_ID = 1000000001"),
              (Rows{{"1000000007", "1000000004", "102", "1", "1", "2", nullText, "order_total.x2CxTg"}}));
    EXPECT_EQ(q("SELECT PARENT_ID, PARENT_CLASS, CHILD_CLASS FROM M_MEMBER_ATTRIBUTE WHERE CHILD_MEMBER_ID = "
                "1000000007"),
              (Rows{{"1000000001", "104", "103"}}));
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER, TYPE_ID, VALUE_STRING, NAME FROM M_VALUE ORDER BY ID_VALUE"),
              (Rows{{"1000000008", "a", "50105", "A", "a"},
                    {"1000000009", "n1", "50106", "1", "n1"},
                    {"1000000010", "n1b", "50105", "1", "n1b"}}));
    EXPECT_TRUE(hasLine(result, "values reused from existing entries in MessageSet   - 1")) << result.output;
    EXPECT_EQ(q("SELECT COMPONENT_ID FROM M_ATTRIBUTE WHERE COMPONENT_CLASS = 106 ORDER BY COMPONENT_ID"),
              (Rows{{"1000000008"}, {"1000000009"}, {"1000000010"}}));
    EXPECT_EQ(q("SELECT MEMBER_ID, PARENT_ID, VALUE_ID, SEQUENCE_NUM, ROLE FROM VALUE_MEMBER ORDER BY MEMBER_ID"),
              (Rows{{"1000000011", "1000000002", "1000000008", "1", "5"},
                    {"1000000012", "1000000002", "1000000008", "2", "6"},
                    {"1000000013", "1000000002", "1000000009", "3", "1"},
                    {"1000000014", "1000000003", "1000000010", "1", "5"},
                    {"1000000015", "1000000003", "1000000008", "2", "4"}}));
    EXPECT_EQ(q("SELECT NEXT_ID FROM PROJECT WHERE PROJECT_KEY = 100"), (Rows{{"1000000016"}}));

    EXPECT_EQ(q("SELECT ATTR_ID, COMPONENT_ID, ATTR_NAME, ATTR_VALUE FROM M_ATTRIBUTE WHERE ATTR_GROUP <> 'WebDav' "
                "ORDER BY ATTR_ID"),
              (Rows{{"4", "1000000002", "COBOL Language Name", "ABCDEFGHIJKLMNOPQRST1000000002"},
                    {"5", "1000000002", "C Language Name", longName + "5"},
                    {"7", "1000000003", "COBOL Language Name", "MY-ELEMPA1000000003"},
                    {"8", "1000000003", "C Language Name", "my_elemPa8"},
                    {"10", "1000000004", "Message Copy Book Name", "ORDERTOT.CPY"},
                    {"11", "1000000004", "COBOL Language Name", "ORDER-TOTALPX21000000004"}}));
}

TEST_P(NorvakloadImport, ANumericCharacterReferenceIsStoredAsTheUtf8OfItsCodePoint) {
    ProgramResult result = load(R"(<Type ident="price" composition="sequence">
  <Element ident="currency" type="string">
    <Value ident="euro" type="string" value="&#8364;" role="ENUM"/>
    <Value ident="yen" type="string" value="&#xA5;&#65;" role="ENUM"/>
  </Element>
</Type>
)");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(q("SELECT IDENTIFIER, VALUE_STRING FROM M_VALUE ORDER BY IDENTIFIER"),
              (Rows{{"euro", "\xE2\x82\xAC"}, {"yen", "\xC2\xA5" "A"}}));
    // The export writes the characters themselves, in a file that says it is UTF-8.
    ProgramResult exported = runConnected("norvakexport", {"-s", "Orders"});
    ASSERT_EQ(exported.exitCode, 0) << exported.errors;
    EXPECT_NE(exported.output.find("value=\"\xE2\x82\xAC\""), std::string::npos) << exported.output;
}

INSTANTIATE_TEST_SUITE_P(, NorvakloadImport, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
