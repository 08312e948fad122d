// Tests of norvakload against message sets that hold definitions already.
#include "e2e/TestRepository.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace norvak::test {
namespace {

long errorLines(const std::vector<std::string>& lines) {
    return std::count_if(lines.begin(), lines.end(),
                         [](const std::string& line) { return line.rfind("*****", 0) == 0; });
}

const std::string successLine = "Import was successful - please restart the norvakhub";

// norvakload against message sets that already hold definitions: matching
// them with the file's, referring to them, and the checks that end a run
// before anything is written.
class NorvakloadReconciliation : public RepositoryTest {
  protected:
    void SetUp() override {
        RepositoryTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        createMessageSet("Orders"); // key 100
    }
    ProgramResult load(const std::string& definitions, const std::string& messageSet = "Orders",
                       std::vector<std::string> more = {}) {
        more.insert(more.begin(), {"-f", repo().folder().write("defs.xml", definitions), "-s", messageSet});
        return runConnected("norvakload", more);
    }
    Rows q(const std::string& sql) { return repo().query(sql); }
    // Every row the import may write (ids and identifiers), and NEXT_ID.
    Rows state() {
        Rows rows = q("SELECT 'P', PROJECT_KEY, NEXT_ID, NAME FROM PROJECT");
        for (const char* sql : {"SELECT 'T', PROJECT, ID_VALUE, IDENTIFIER FROM M_TYPE",
                                "SELECT 'E', PROJECT, ID_VALUE, IDENTIFIER FROM M_ELEMENT",
                                "SELECT 'M', PROJECT, ID_VALUE, IDENTIFIER FROM M_MESSAGE",
                                "SELECT 'V', PROJECT, ID_VALUE, IDENTIFIER FROM M_VALUE",
                                "SELECT 'TM', PROJECT, MEMBER_ID, TYPE_ID FROM TYPE_MEMBER",
                                "SELECT 'VM', PROJECT, MEMBER_ID, VALUE_ID FROM VALUE_MEMBER",
                                "SELECT 'A', PROJECT, ATTR_ID, ATTR_VALUE FROM M_ATTRIBUTE",
                                "SELECT 'MA', PROJECT, ATTR_ID, ATTR_VALUE FROM M_MEMBER_ATTRIBUTE",
                                "SELECT 'R', PROJECT_KEY, MEMBER_ID, REG_NAME FROM REG_PLUGIN_MEMBER"}) {
            Rows more = q(sql);
            rows.insert(rows.end(), more.begin(), more.end());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

// Identifiers with hyphens, affixes with hyphens, and names with quotes.
const std::string quotedAndHyphenated = R"(<ZEPImport typePrefix="T-" typeSuffix="-t" elemPrefix="e-" elemSuffix="-x"
  valuePrefix="v-" msgPrefix="m-" msgSuffix="-x"/>
<CWFTab name="O'Brien's" ident="cwf"/>
<TDSTab name="Tds" ident="tds"/>
<XMLTab name="Xml" ident="xml"/>
<Element ident="item-no" type="integer" length="2" tag="INO" xmlName="itemNo"/>
<Type ident="order-line" composition="sequence" delimiter=",">
  <Element ref="item-no"/>
  <Element ident="qty" type="string" length="3">
    <Value ident="min-qty" type="string" value="O'1" role="ENUM"/>
  </Element>
</Type>
<Type ident="order" composition="sequence">
  <Type ref="order-line" maxOccurs="unbounded"/>
  <Element ident="item-no-2" type="order-line"/>
</Type>
<Message ident="O'Brien" name="O'Brien's order" type="order"/>
)";

TEST_P(NorvakloadReconciliation, ReimportingTheSameFileAddsNothing) {
    createMessageSet("O'Brien", "COBOL"); // key 101: no C language binding
    ProgramResult first = load(quotedAndHyphenated, "O'Brien");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_EQ(q("SELECT IDENTIFIER FROM M_TYPE WHERE PROJECT = 101 ORDER BY ID_VALUE"),
              (Rows{{"T_order_line_t"}, {"T_order_t"}}));
    EXPECT_EQ(q("SELECT IDENTIFIER, TYPE_ID FROM M_ELEMENT WHERE PROJECT = 101 ORDER BY ID_VALUE"),
              (Rows{{"e_item_no_x", "50106"}, {"e_qty_x", "50105"}, {"e_item_no_2_x", "100000"}}));
    EXPECT_EQ(q("SELECT IDENTIFIER, NAME, TYPE_ID FROM M_MESSAGE WHERE PROJECT = 101"),
              (Rows{{"m-O'Brien-x", "O'Brien's order", "100001"}}));
    EXPECT_EQ(q("SELECT IDENTIFIER FROM M_VALUE WHERE PROJECT = 101"), (Rows{{"v_min_qty"}}));
    EXPECT_EQ(q("SELECT MEMBER_ID, PLUGIN_KEY, REG_NAME FROM REG_PLUGIN_MEMBER WHERE PROJECT_KEY = 101 AND "
                "MEMBER_ID > 2 ORDER BY MEMBER_ID"),
              (Rows{{"3", "6", "Xml"}, {"4", "7", "Tds"}, {"5", "4", "O'Brien's"}}));
    EXPECT_EQ(q("SELECT ATTR_NAME, COUNT(*) FROM M_ATTRIBUTE WHERE PROJECT = 101 AND COMPONENT_CLASS = 103 AND "
                "ATTR_GROUP IN ('C Language', 'COBOL Language') GROUP BY ATTR_NAME"),
              (Rows{{"COBOL Language Name", "3"}}));
    EXPECT_EQ(q("SELECT ATTR_NAME, ATTR_VALUE FROM M_ATTRIBUTE WHERE PROJECT = 101 AND ATTR_GROUP = 'O''Brien''s'"),
              (Rows{{"Custom Wire Format Identifier", "cwf"}}));
    EXPECT_EQ(q("SELECT ATTR_NAME, ATTR_VALUE FROM M_ATTRIBUTE WHERE PROJECT = 101 AND COMPONENT_CLASS = 102 AND "
                "ATTR_NAME <> 'uuid' ORDER BY ATTR_ID"),
              (Rows{{"Message Copy Book Name", "OBRIENSO.CPY"}, {"COBOL Language Name", "O'BRIEN'S ORDER100005"}}));
    EXPECT_EQ(q("SELECT ATTR_GROUP, ATTR_VALUE FROM M_MEMBER_ATTRIBUTE WHERE PROJECT = 101 AND ATTR_NAME = 'Length' "
                "ORDER BY ATTR_ID"),
              (Rows{{"O'Brien's", "2"}, {"O'Brien's", "3"}}));
    EXPECT_EQ(q("SELECT VALUE_STRING FROM M_VALUE WHERE PROJECT = 101"), (Rows{{"O'1"}}));
    Rows before = state();

    ProgramResult again = load(quotedAndHyphenated, "O'Brien");
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(
        hasLinesInOrder(again, {"*****Warning - XML tab Xml already exists - was not created",
                                "*****Warning - TDS tab Tds already exists - was not created",
                                "*****Warning - CWF tab O'Brien's already exists - was not created",
                                "2 existing types found in message set", "3 existing elements found in message set",
                                "1 existing values found in message set", "1 existing messages found in message set",
                                "updated NEXT_ID entry in PROJECT table to 100012"}))
        << again.output;
    EXPECT_TRUE(contains(again, "M_MESSAGE        - 0\nM_ELEMENT        - 0\nM_VALUE          - 0\n"
                                "VALUE_MEMBER     - 0\nM_TYPE           - 0\nTYPE_MEMBER      - 0\n"
                                "M_ATTRIBUTE      - 0\nMEMBER_ATTRIBUTE - 0\n\n"
                                "types reused from existing entries in MessageSet    - 2\n"
                                "elements reused from existing entries in MessageSet - 3\n"
                                "values reused from existing entries in MessageSet   - 1\n"
                                "messages reused from existing entries in MessageSet - 1\n\n"
                                "tags found   - 1\ntags created - 0\n\n" +
                                    successLine + "\n"))
        << again.output;
    // Orders, the other message set, is untouched by both runs.
    EXPECT_EQ(q("SELECT COUNT(*) FROM M_ATTRIBUTE WHERE PROJECT = 100"), (Rows{{"0"}}));
}

// Two values of one text and type under two identifiers are one row: the
// second is the first one's row. Imported again, the file is taken as stored,
// while a stored element given a value the set lacks is still refused.
TEST_P(NorvakloadReconciliation, ValuesOfOneTextAndTypeUnderTwoIdentifiersImportAgain) {
    const std::string definitions =
        R"(<Element ident="a" type="integer"><Value ident="MinA" type="integer" value="-5" role="MIN_INCL"/></Element>
<Element ident="b" type="integer"><Value ident="MinB" type="integer" value="-5" role="MIN_INCL"/></Element>
<Type ident="t" composition="sequence"><Element ref="a"/><Element ref="b"/></Type>
<Message ident="m" type="t"/>)";
    ProgramResult first = load(definitions);
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_EQ(q("SELECT IDENTIFIER, VALUE_STRING FROM M_VALUE WHERE PROJECT = 100"), (Rows{{"MinA", "-5"}}));
    Rows before = state();

    ProgramResult again = load(definitions);
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(contains(again, "different definition")) << again.output;

    // b's value -6: a text the set does not hold.
    std::string other = definitions;
    const std::string minB = "<Value ident=\"MinB\" type=\"integer\" value=\"-5\"";
    other.replace(other.find(minB), minB.size(), "<Value ident=\"MinB\" type=\"integer\" value=\"-6\"");
    ProgramResult changed = load(other);
    EXPECT_EQ(changed.exitCode, 111) << changed.output;
    EXPECT_TRUE(hasLine(changed, "*****Error - element b already in ZEP repository with different definition"))
        << changed.output;
    EXPECT_EQ(state(), before);
}

// Rows stored with and without the affixes: matching ones lend their ids,
// the others become items the file refers to.
TEST_P(NorvakloadReconciliation, StoredItemsAreReusedAndReferredTo) {
    for (const char* sql :
         {"INSERT INTO M_TYPE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_COMPOSITION, TYPE_CONTENT) VALUES "
          "(100, 100500, 'PFXaddress_S', 6, 0), (100, 100501, 'legacy', 6, 0), (100, 100502, '_S', 6, 0), "
          "(100, 99999, 'builtin', 6, 0), (101, 100503, 'PFXcustomer_S', 6, 0)",
          "INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100510, 'E_street', 50105), "
          "(100, 100511, 'E_zip', 50106), (100, 100512, 'E_addr', 100500)",
          "INSERT INTO M_VALUE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, VALUE_STRING) VALUES "
          "(100, 100520, 'de_V', 50105, 'DE'), (100, 100521, 'fr_V', 50105, 'FR')",
          "INSERT INTO M_MESSAGE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, MODE) VALUES "
          "(100, 100530, 'M_old', 100501, 0), (100, 100531, 'M_other', 100500, 0)"})
        repo().execute(sql);
    ProgramResult result = load(R"(<ZEPImport typePrefix="PFX" typeSuffix="_S" elemPrefix="E_" valueSuffix="_V"
  msgPrefix="M_"/>
<Element ident="street" type="string" tag="STR"/>
<Type ident="address" composition="sequence">
  <Element ref="street"/>
</Type>
<Type ident="customer" composition="sequence">
  <Type ref="address"/>
  <Element ref="zip"/>
  <Element ref="addr" minOccurs="0"/>
  <Element ident="country" type="string">
    <Value ident="de" type="string" value="DE" role="DEFAULT"/>
    <Value ref="fr" role="ENUM"/>
    <Value ident="french" type="string" value="FR" role="DEFAULT"/>
  </Element>
</Type>
<Message ident="old" type="legacy"/>
<Message ident="new" type="customer"/>
)");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(
        hasLinesInOrder(result, {"3 existing types found in message set", "3 existing elements found in message set",
                                 "2 existing values found in message set", "2 existing messages found in message set"}))
        << result.output;
    EXPECT_TRUE(contains(result, "M_MESSAGE        - 1\nM_ELEMENT        - 1\nM_VALUE          - 0\n"
                                 "VALUE_MEMBER     - 3\nM_TYPE           - 1\nTYPE_MEMBER      - 4\n"
                                 "M_ATTRIBUTE      - 7\nMEMBER_ATTRIBUTE - 4\n\n"
                                 "types reused from existing entries in MessageSet    - 1\n"
                                 "elements reused from existing entries in MessageSet - 1\n"
                                 "values reused from existing entries in MessageSet   - 2\n"
                                 "messages reused from existing entries in MessageSet - 1\n"))
        << result.output;
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER FROM M_TYPE WHERE PROJECT = 100 AND ID_VALUE < 100500 "
                "ORDER BY ID_VALUE"),
              (Rows{{"99999", "builtin"}, {"100000", "PFXcustomer_S"}}));
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER, TYPE_ID FROM M_ELEMENT WHERE ID_VALUE < 100500"),
              (Rows{{"100001", "E_country", "50105"}}));
    EXPECT_EQ(q("SELECT ID_VALUE, IDENTIFIER, TYPE_ID FROM M_MESSAGE WHERE ID_VALUE < 100500"),
              (Rows{{"100002", "M_new", "100000"}}));
    EXPECT_EQ(q("SELECT MEMBER_ID, TYPE_ID, CHILD_ID, CHILD_CLASS, SEQUENCE_NUM, MIN_OCCURS FROM TYPE_MEMBER "
                "ORDER BY MEMBER_ID"),
              (Rows{{"100003", "100000", "100500", "104", "1", nullText},
                    {"100004", "100000", "100511", "103", "2", nullText},
                    {"100005", "100000", "100512", "103", "3", "0"},
                    {"100006", "100000", "100001", "103", "4", nullText}}));
    EXPECT_EQ(q("SELECT MEMBER_ID, PARENT_ID, VALUE_ID, SEQUENCE_NUM, ROLE FROM VALUE_MEMBER ORDER BY MEMBER_ID"),
              (Rows{{"100007", "100001", "100520", "1", "6"},
                    {"100008", "100001", "100521", "2", "5"},
                    {"100009", "100001", "100521", "3", "6"}}));
    EXPECT_EQ(q("SELECT COUNT(*) FROM M_VALUE"), (Rows{{"2"}}));
    // Nothing is written for the reused element (its tag) or the reused values (their uuids).
    EXPECT_EQ(q("SELECT DISTINCT COMPONENT_ID FROM M_ATTRIBUTE ORDER BY COMPONENT_ID"),
              (Rows{{"100000"}, {"100001"}, {"100002"}}));
    EXPECT_EQ(q("SELECT NEXT_ID FROM PROJECT WHERE PROJECT_KEY = 100"), (Rows{{"100010"}}));
}

// A definition that conflicts with a stored one is reported with the stored
// identifier; the run ends before writing (exit 111) and changes nothing.
TEST_P(NorvakloadReconciliation, ConflictsAreReportedWithTheStoredIdentifier) {
    const std::string twoTypes = "INSERT INTO M_TYPE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_COMPOSITION, TYPE_CONTENT) "
                                 "VALUES (100, 100500, 'ta', 6, 0), (100, 100501, 'tb', 6, 0)";
    const std::string fileTypes = "<Type ident=\"ta\" composition=\"sequence\"/><Type ident=\"tb\" "
                                  "composition=\"sequence\"/>\n";
    const struct {
        std::vector<std::string> seed;
        std::string definitions;
        std::vector<std::string> lines;
        std::string absent = {};
    } cases[] = {
        {{"INSERT INTO M_TYPE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_COMPOSITION, TYPE_CONTENT) VALUES "
          "(100, 100500, 'PFXorder_S', 2, 0), (100, 100501, 'PFXother_S', 6, 0)",
          "INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100510, 'el', 50105)"},
         "<ZEPImport typePrefix=\"PFX\" typeSuffix=\"_S\"/><CWFTab name=\"C9\" ident=\"c9\"/>"
         "<Type ident=\"order\" composition=\"sequence\"/>",
         {"*****Error - type PFXorder_S already in ZEP repository with different definition",
          "1 existing types found in message set"},
         "existing elements found"},
        {{"INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100510, 'amount', 50106)"},
         "<Element ident=\"amount\" type=\"string\"/>",
         {"*****Error - existing element (amount) with different type already defined"}},
        {{twoTypes, "INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100510, 'e', 100501)"},
         fileTypes + "<Element ident=\"e\" type=\"ta\"/>",
         {"*****Error - element e of type tb already exists in ZEP repository but with different type definition "
          "(ta)"}},
        {{"INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100510, 'lost', 100999)"},
         "<Element ident=\"e\" type=\"string\"/>",
         {"*****Error - unable to locate type for existing element lost"}},
        {{"INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100510, 'e2', 100999)"},
         "<Type ident=\"tz\" composition=\"sequence\"/><Element ident=\"e2\" type=\"tz\"/>",
         {"*****Error - unable to locate type for element e2"}},
        {{"INSERT INTO M_VALUE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, VALUE_STRING) VALUES "
          "(100, 100520, 'v1', 50105, 'abc')"},
         "<Element ident=\"e\" type=\"string\"><Value ident=\"v1\" type=\"string\" value=\"ABC\" role=\"ENUM\"/>"
         "</Element>",
         {"*****Error - value v1 already in ZEP repository with different definition"}},
        {{twoTypes, "INSERT INTO M_MESSAGE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, MODE) VALUES "
                    "(100, 100530, 'M1', 100501, 0)"},
         fileTypes + "<Message ident=\"M1\" type=\"ta\"/>",
         {"*****Error - existing message M1 already defined in repository with different types (ta, tb)"}},
        {{"INSERT INTO M_MESSAGE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, MODE) VALUES (100, 100530, 'm2', 100999, "
          "0)"},
         "<Type ident=\"t\" composition=\"sequence\"/>",
         {"*****Error - unable to locate type for existing message m2"}},
        {{"INSERT INTO M_TYPE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_COMPOSITION, TYPE_CONTENT) VALUES "
          "(100, 100500, 'T_box', 6, 0)"},
         "<ZEPImport typePrefix=\"T_\"/><Type ident=\"box\" composition=\"sequence\">"
         "<Element ident=\"newbie\" type=\"string\"/></Type>",
         {"*****Error - type T_box already in ZEP repository with different definition"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.definitions);
        for (const char* table : {"M_TYPE", "M_ELEMENT", "M_VALUE", "M_MESSAGE"})
            repo().execute(std::string("DELETE FROM ") + table);
        for (const std::string& sql : c.seed)
            repo().execute(sql);
        Rows before = state();
        ProgramResult result = load(c.definitions);
        EXPECT_EQ(result.exitCode, 111) << result.output;
        std::vector<std::string> expected = c.lines;
        expected.insert(expected.end(), {"Errors detected during processing of input file", "Program exiting"});
        EXPECT_TRUE(hasLinesInOrder(result, expected)) << result.output;
        if (!c.absent.empty()) {
            EXPECT_FALSE(contains(result, c.absent)) << result.output;
        }
        EXPECT_FALSE(contains(result, "items added to tables")) << result.output;
        EXPECT_EQ(state(), before);
    }
}

// A stored value is the same value only with the same text and data type:
// the same text under another type is a conflict, not a value to reuse.
TEST_P(NorvakloadReconciliation, AStoredValueOfAnotherDataTypeIsAConflict) {
    ProgramResult first = load("<Element ident=\"code\" type=\"string\" length=\"2\">\n"
                               "  <Value ident=\"one\" type=\"string\" value=\"1\" role=\"ENUM\"/>\n</Element>\n");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    const Rows before = state();

    ProgramResult retyped = load("<Element ident=\"count\" type=\"integer\" length=\"4\">\n"
                                 "  <Value ident=\"one\" type=\"integer\" value=\"1\" role=\"MIN_INCL\"/>\n"
                                 "</Element>\n");
    EXPECT_EQ(retyped.exitCode, 111) << retyped.output;
    EXPECT_TRUE(hasLinesInOrder(retyped, {"*****Error - value one already in ZEP repository with different definition",
                                          "Errors detected during processing of input file", "Program exiting"}))
        << retyped.output;
    EXPECT_EQ(errorLines(retyped.lines()), 1) << retyped.output;
    EXPECT_FALSE(contains(retyped, "items added to tables")) << retyped.output;
    EXPECT_EQ(state(), before);
}

// Unresolved references (111), duplicate identifiers (112) and recursive
// types (113) end the run before anything is written.
TEST_P(NorvakloadReconciliation, ChecksBeforeWritingEndTheRunUnchanged) {
    const struct {
        std::string seed;
        std::string definitions;
        int exitCode;
        std::vector<std::string> lines;
    } cases[] = {
        {"",
         R"(<Message ident="m" type="nosuch"/>
<Element ident="e" type="ghostType"/>
<Type ident="t" composition="sequence">
  <Element ref="ghost"/><Type ref="noType"/><Message ref="noMessage"/>
  <Element ident="v" type="string"><Value ref="noValue" role="ENUM"/></Element>
</Type>)",
         111,
         {"*****Error - unable to locate type identifier nosuch",
          "*****Error - unable to locate type identifier ghostType",
          "*****Error - unable to locate element identifier ghost",
          "*****Error - unable to locate type identifier noType",
          "*****Error - unable to locate message identifier noMessage",
          "*****Error - unable to locate value identifier noValue", "Errors detected during processing of input file",
          "Program exiting"}},
        {"",
         R"(<CWFTab name="C1" ident="c1"/><Element ident="s" type="string"/>
<Type ident="t" composition="sequence"><Element ref="s"/></Type>)",
         111,
         {"*****Error - length required for element s in type t", "Errors detected during processing of input file"}},
        {"INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100510, 't', 50105)",
         R"(<Element ident="a" type="string"/>
<Element ident="x" type="string">
  <Value ident="x" type="string" value="1" role="ENUM"/>
  <Value ident="v" type="string" value="2" role="ENUM"/>
  <Value ident="x" type="string" value="3" role="ENUM"/>
</Element>
<Type ident="t" composition="sequence"/>
<Type ident="x" composition="sequence"><Element ref="a"/></Type>
<Message ident="x" type="t"/>)",
         112,
         {"*****Error - Duplicate identifier found x, values 1,3",
          "*****Error - Duplicate identifier found x, element 2, type 2",
          "*****Error - Duplicate identifier found x, element 2, message 1",
          "*****Error - Duplicate identifier found x, element 2, value 1",
          "*****Error - Duplicate identifier found x, element 2, value 3",
          "*****Error - Duplicate identifier found t, element 3, type 1",
          "*****Error - Duplicate identifier found x, type 2, message 1",
          "*****Error - Duplicate identifier found x, type 2, value 1",
          "*****Error - Duplicate identifier found x, type 2, value 3",
          "*****Error - Duplicate identifier found x, message 1, value 1",
          "*****Error - Duplicate identifier found x, message 1, value 3", "Duplicate identifiers found",
          "Program exiting"}},
        {"",
         R"(<Type ident="leaf" composition="sequence"><Element ident="s" type="string"/></Type>
<Type ident="top" composition="sequence"><Type ref="leaf"/><Element ident="e1" type="leaf"/></Type>
<Type ident="ta" composition="sequence"><Element ident="s2" type="string"/><Element ident="eb" type="tb"/></Type>
<Type ident="tb" composition="sequence"><Type ref="tc"/></Type>
<Type ident="tc" composition="sequence"><Element ident="ea" type="ta"/></Type>)",
         113,
         {"*****Error - Recursion found for type ta element eb", "Recursions found in definitions",
          "ZEP does not allow recursions", "Program exiting"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.definitions);
        if (!c.seed.empty())
            repo().execute(c.seed);
        Rows before = state();
        ProgramResult result = load(c.definitions);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
        EXPECT_TRUE(hasLinesInOrder(result, c.lines)) << result.output;
        EXPECT_EQ(errorLines(result.lines()), errorLines(c.lines)) << result.output; // and no others
        EXPECT_FALSE(contains(result, "items added to tables")) << result.output;
        EXPECT_EQ(state(), before);
        repo().execute("DELETE FROM M_ELEMENT");
    }
    // A type reached twice, without a cycle, is written.
    ProgramResult twice = load(R"(<Type ident="leaf" composition="sequence"><Element ident="s" type="string"/></Type>
<Type ident="top" composition="sequence"><Type ref="leaf"/><Element ident="e1" type="leaf"/></Type>)");
    EXPECT_EQ(twice.exitCode, 0) << twice.output;
    EXPECT_EQ(q("SELECT COUNT(*) FROM TYPE_MEMBER"), (Rows{{"3"}}));
}

// A stored row whose identifier is the file's identifier without its affixes
// is not the row the file's item would be stored as. The file's items must not
// silently take such rows over (members written into the stored type, the
// integer element replaced by the stored string element, the message bound to
// another type): either a conflict is reported and nothing is written, or the
// file's items are written under their own identifiers.
TEST_P(NorvakloadReconciliation, StoredItemsOutsideTheAffixedFormAreNotTakenOverSilently) {
    repo().execute("INSERT INTO M_TYPE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_COMPOSITION, TYPE_CONTENT) VALUES "
                   "(100, 100500, 'order', 6, 0), (100, 100501, 'other', 6, 0)");
    repo().execute("INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100510, 'n', 50105)");
    repo().execute("INSERT INTO M_MESSAGE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, MODE) VALUES "
                   "(100, 100530, 'm', 100501, 0)");
    Rows before = state();
    ProgramResult result = load(R"(<ZEPImport typePrefix="PFX" elemPrefix="E_" msgPrefix="M_"/>
<Type ident="order" composition="sequence">
  <Element ident="n" type="integer"/>
</Type>
<Message ident="m" type="order"/>
)");
    EXPECT_EQ(q("SELECT COUNT(*) FROM TYPE_MEMBER WHERE TYPE_ID = 100500 OR CHILD_ID = 100510"), (Rows{{"0"}}))
        << result.output;
    if (result.exitCode == 0) {
        EXPECT_EQ(q("SELECT T.IDENTIFIER, E.IDENTIFIER, E.TYPE_ID, M.IDENTIFIER FROM M_TYPE T, M_ELEMENT E, "
                    "M_MESSAGE M WHERE T.ID_VALUE < 100500 AND E.ID_VALUE < 100500 AND M.TYPE_ID = T.ID_VALUE"),
                  (Rows{{"PFXorder", "E_n", "50106", "M_m"}}))
            << result.output;
    } else {
        EXPECT_TRUE(result.exitCode == 111 || result.exitCode == 112) << result.output;
        EXPECT_EQ(state(), before);
    }
}

// Items the writers look up by name at write time. A type stored as its name
// followed by _TYPE is used for the file's type of that name. An element found
// by its identifier (the stored one has trailing blanks) with a TYPE_ID is
// reported as a different type, and is not counted as a reused type.
TEST_P(NorvakloadReconciliation, ItemsLookedUpByNameWhileWriting) {
    repo().execute("INSERT INTO M_TYPE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_COMPOSITION, TYPE_CONTENT) VALUES "
                   "(100, 100502, 'order_TYPE', 6, 0)");
    ProgramResult byName = load(R"(<Type ident="ord" name="order" composition="sequence">
  <Element ident="x" type="string"/>
</Type>
)",
                                "Orders", {"-v"});
    ASSERT_EQ(byName.exitCode, 0) << byName.output;
    EXPECT_TRUE(hasLine(byName, "Type order zepId 100502 found in database, reused")) << byName.output;
    EXPECT_TRUE(contains(byName, "M_TYPE           - 0\nTYPE_MEMBER      - 1\n")) << byName.output;
    EXPECT_EQ(q("SELECT COUNT(*) FROM M_TYPE"), (Rows{{"1"}}));
    EXPECT_EQ(q("SELECT MEMBER_ID, TYPE_ID, CHILD_ID FROM TYPE_MEMBER"), (Rows{{"100001", "100502", "100000"}}));
    EXPECT_EQ(q("SELECT COMPONENT_ID FROM M_ATTRIBUTE WHERE ATTR_NAME = 'uuid'"), (Rows{{"100000"}}));

    repo().execute("INSERT INTO M_TYPE (PROJECT, ID_VALUE, IDENTIFIER, TYPE_COMPOSITION, TYPE_CONTENT) VALUES "
                   "(100, 100500, 'cust_TYPE', 6, 0)");
    repo().execute("INSERT INTO M_ELEMENT (PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID) VALUES (100, 100501, 'cust  ', "
                   "100500)");
    Rows before = state();
    ProgramResult element = load(R"(<Type ident="cust_TYPE" composition="sequence"/>
<Element ident="cust" type="cust_TYPE"/>
<Type ident="holder" composition="sequence"><Element ref="cust"/></Type>
)");
    EXPECT_EQ(element.exitCode, 114) << element.output;
    EXPECT_TRUE(hasLinesInOrder(element, {"***** Error - Element cust already exists in message set and is a different "
                                          "type",
                                          "***** Errors were detected updating the ZEP database",
                                          "types reused from existing entries in MessageSet    - 1"}))
        << element.output;
    EXPECT_EQ(state(), before);
}

INSTANTIATE_TEST_SUITE_P(, NorvakloadReconciliation, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
