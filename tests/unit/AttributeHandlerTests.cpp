// Tests of the attribute handlers of the definition and tab tags.
#include "unit/TestRun.h"

#include "import/model/DefinitionRecord.h"
#include "import/model/TabDefinitions.h"
#include "import/reader/AttributeHandlers.h"

#include <gtest/gtest.h>

namespace norvak::test {
namespace {

using R = DefinitionRecord;
using Handler = void (*)(Diagnostics&, DefinitionModel&, const char*, char*, DefinitionRecord&);
using Field = std::int32_t DefinitionRecord::*;
constexpr Handler elem = getAttrValueElem, type = getAttrValueType, value = getAttrValueValue,
                  message = getAttrValueMessage;

// Hands one attribute to a handler as the walker does: the value as a writable text.
template <class Target>
void give(TestRun& t, void (*handler)(Diagnostics&, DefinitionModel&, const char*, char*, Target&), const char* name,
          const std::string& text, Target& target) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    handler(t.run, t.run, name, buffer.data(), target);
}

// Gives the attributes name1, value1, name2, value2, ... in turn.
template <class Target>
void giveAll(TestRun& t, void (*handler)(Diagnostics&, DefinitionModel&, const char*, char*, Target&), Target& target,
             std::initializer_list<const char*> pairs) {
    for (auto at = pairs.begin(); at != pairs.end(); at += 2)
        give(t, handler, at[0], at[1], target);
}

// One attribute of a definition tag and what its record field holds afterwards.
struct Given {
    Handler handler;
    const char* attr;
    const char* text;
    Field field;
    int code;               // the code of a code field
    const char* stored = 0; // or the text of a text field
};

TEST(DefinitionAttributes, GoodValuesAreStoredSilently) {
    // clang-format off
    const Given cases[] = {
        {elem, "type", "String", &R::typeCode, 50105}, {elem, "type", "", &R::typeCode, 50105},
        {elem, "type", "datetime", &R::typeCode, 50222}, {elem, "type", "50224", &R::typeCode, 50224},
        {elem, "type", "123", &R::typeName, 0, "123"}, {elem, "physicalType", "fixed", &R::physicalType, 8},
        {elem, "lengthUnits", "Characters", &R::lengthUnits, 1}, {elem, "byteAlignment", "1", &R::byteAlignment, 0},
        {elem, "byteAlignment", "16", &R::byteAlignment, 16}, {elem, "xmlRender", "attrid", &R::xmlRender, 2},
        {elem, "xmlRender", "ELEMENTATTRVAL", &R::xmlRender, 3}, {elem, "signed", "None", &R::signedCode, 0},
        {elem, "signed", "Sep Trail", &R::signedCode, 4}, {elem, "CWFNullKey", "literal", &R::cwfNullKey, 2},
        {elem, "maxOccurs", "*", &R::maxOccurs, -2}, {elem, "repeat", "5", &R::repeatCount, 5},
        {elem, "signOrientation", "None", &R::signOrientation, 0},
        {elem, "decimalPoint", "-2", &R::decimalPoint, 0, "-2"}, {elem, "repeat", "cnt", &R::repeatRef, 0, "cnt"},
        {elem, "padChar", "'x'", &R::padChar, 0, "'x'"}, {elem, "padChar", "0X7f", &R::padChar, 0, "0X7f"},
        {elem, "justification", "left justify", &R::justification, 0, "L"},
        {elem, "justification", "left justify", &R::justificationText, 0, "Left Justify"},
        {elem, "TDSNullKey", "logical", &R::tdsNullKey, 0, "NULLLogicalValue"},
        {elem, "xmlIDattrName", "id", &R::xmlIdAttrName, 0, "id"},
        {elem, "xmlIDattrName", "id", &R::xmlIdValueAttrName, 0, "id"},
        {type, "composition", "sequence", &R::composition, 6}, {type, "composition", "OrDeReD", &R::composition, 5},
        {type, "composition", "", &R::composition, 5}, {type, "composition", "7", &R::composition, 7},
        {type, "composition", "8", &R::composition, 0}, {type, "composition", "35", &R::composition, 0},
        {type, "composition", "05", &R::composition, 0}, {type, "composition", "tree", &R::composition, 0},
        {type, "typeContent", "open", &R::typeContent, 3}, {type, "typeContent", "", &R::typeContent, 1},
        {type, "typeContent", "2", &R::typeContent, 2}, {type, "typeContent", "4", &R::typeContent, 0},
        {type, "baseType", "decimal", &R::baseType, 50224}, {type, "minOccurs", "*", &R::minOccurs, -2},
        {type, "minOccurs", "abc", &R::minOccurs, 0}, {type, "maxOccurs", "4294967297", &R::maxOccurs, 0},
        {type, "dataElemSep", "", &R::dataElemSep, 0},
        {type, "dataElemSep", "TAGDELIM", &R::dataElemSepText, 0, "Tagged Delimited"},
        {type, "dataElemSep", "tagged delimited", &R::dataElemSepText, 0, "Tagged Delimited"},
        {type, "dataElemSep", "1", &R::dataElemSepText, 0, "Tagged Delimited"},
        {type, "dataElemSep", "fixed length al3", &R::dataElemSepText, 0, "Fixed Length AL3"},
        {value, "type", "INTEGER", &R::typeCode, 50106}, {message, "type", "INTEGER", &R::typeName, 0, "INTEGER"},
        {message, "type", "INTEGER", &R::typeCode, 0}, {message, "maxOccurs", "unbounded", &R::maxOccurs, -2},
        {message, "maxOccurs", "Unbounded", &R::maxOccurs, 0},
    };
    // clang-format on
    for (const Given& c : cases) {
        TestRun t;
        DefinitionRecord record;
        give(t, c.handler, c.attr, c.text, record);
        if (c.stored != nullptr)
            EXPECT_EQ(t.text(record.*c.field), c.stored) << c.attr << "=" << c.text;
        else
            EXPECT_EQ(record.*c.field, c.code) << c.attr << "=" << c.text;
        EXPECT_EQ(t.output(), "") << c.attr << "=" << c.text;
    }
    for (auto [text, role] : {std::pair{"enum", 5}, {"AllowNull", 7}, {"scale", 8}, {"Minimum", 0}}) {
        TestRun t;
        DefinitionRecord record;
        give(t, value, "role", text, record);
        EXPECT_EQ(record.role, role) << text;
    }
}

TEST(DefinitionAttributes, BadValuesAreReportedWithTheIdentifierReadSoFar) {
    struct Case {
        Handler handler;
        const char* attr;
        const char* text;
        Field field;
        int result;
        const char* message;
    } cases[] = {
        {elem, "lengthUnits", "characters", &R::lengthUnits, -1,
         "*****Error - invalid length unit specification characters for element E\n"
         "  did you mean Characters instead of characters?\n"},
        {elem, "physicalType", "Fixed", &R::physicalType, 0,
         "*****Error - unrecognized physical type Fixed for element E\n  did you mean fixed instead of Fixed?\n"},
        {elem, "byteAlignment", "3", &R::byteAlignment, 0,
         "*****Error - Invalid value (3) for byte alignment for element E\n"},
        {elem, "interpretValue", "none", &R::interpretValue, 0,
         "*****Error - invalid interpret element value none for element E\n"},
        {elem, "xmlRender", "Attribut", &R::xmlRender, -1,
         "unrecognized XML render value 'Attribut' for element E\n  did you mean ATTRIBUTE instead of Attribut?\n"},
        {elem, "justification", "center", &R::justification, -1,
         "*****Error - invalid value (CENTER) for justification\n"},
        {elem, "signed", "Leading", &R::signedCode, 0, "*****Error - invalid value (Leading) for CWF signed value\n"},
        {elem, "TDSNullKey", "Pad", &R::tdsNullKey, 0,
         "*****Error - invalid value (Pad) for nullKeyPad attribute\n  did you mean pad instead of Pad?\n"},
        {elem, "physicalType", "Packd Decimal", &R::physicalType, 0,
         "*****Error - unrecognized physical type Packd Decimal for element E\n"
         "  did you mean Packed Decimal instead of Packd Decimal?\n"},
        {elem, "lenght", "4", &R::length, 0,
         "*****Error - unrecognized attribute lenght found\n  did you mean length instead of lenght?\n"},
        {elem, "signOrientation", "leading", &R::signOrientation, 0,
         "*****Error - invalid value (leading) for sign orientation\n  did you mean Leading instead of leading?\n"},
        {type, "compositon", "sequence", &R::composition, 0,
         "*****Error - unrecognized attribute compositon found\n  did you mean composition instead of compositon?\n"},
        {message, "messagekey", "k", &R::messageKey, 0,
         "*****Error - unrecognized attribute messagekey found\n  did you mean messageKey instead of messagekey?\n"},
        {elem, "minOccurs", "unbounded", &R::minOccurs, 0,
         "*****Error - Invalid value for minOccurs parameter unbounded\n"},
        {elem, "maxOccurs", "4294967297", &R::maxOccurs, 0,
         "*****Error - Invalid value for minOccurs parameter 4294967297\n"},
        {elem, "precision", "99999999999", &R::precision, 0, "*****Error - precision is not numeric for element E\n"},
        {elem, "decimalPoint", "--2", &R::precision, 0, "*****Error - decimalPoint is not numeric for element E\n"},
        {elem, "length", "10a", &R::precision, 0, "*****Error - length is not numeric for element E\n"},
        {type, "dataElemSep", "Fixed", &R::dataElemSep, 0,
         "Data Element Separation (Fixed) not recognized for element E\n"},
        {type, "value", "x", &R::valueText, 0, "*****Error - unrecognized attribute value found\n"},
    };
    for (const Case& c : cases) {
        TestRun t;
        DefinitionRecord record;
        give(t, c.handler, "ident", "E", record);
        give(t, c.handler, c.attr, c.text, record);
        EXPECT_EQ(record.*c.field, c.result) << c.attr << "=" << c.text;
        EXPECT_EQ(t.output(), c.message);
        EXPECT_EQ(t.run.errSw, 1);
    }
    // Before ident the element is unnamed; the render message falls back to ref.
    TestRun t;
    DefinitionRecord record;
    give(t, elem, "padChar", "x", record);
    give(t, elem, "ref", "R1", record);
    give(t, elem, "xmlRender", "x", record);
    EXPECT_EQ(t.text(record.padChar), "x");
    EXPECT_EQ(t.output(), "***** Error - invalid padding character x for element \n"
                          "unrecognized XML render value 'x' for element R1\n");
    give(t, type, "dataElemSep", "VarDelim", record);
    give(t, type, "dataElemSep", "Fixed", record);
    EXPECT_EQ(t.text(record.dataElemSepText), "Variable Length Elements Delimited");
}

TEST(DefinitionAttributes, HandlersTraceEntryAndExit) {
    TestRun t;
    t.run.traceSw = 1;
    DefinitionRecord record;
    give(t, elem, "MinOccurs", "2", record);
    give(t, message, "minOccurs", "2", record);
    EXPECT_EQ(t.output(), "==> getAttrValueElem attrName MinOccurs value 2\n"
                          "*****Error - unrecognized attribute MinOccurs found\n"
                          "  did you mean minOccurs instead of MinOccurs?\n<== getAttrValueElem attrFound 0\n"
                          "==> getAttrValueMessage attrName minOccurs value 2\n<== getAttrValueMessage attrFound 1\n");
}

TEST(TabAttributes, TdsAndCwfTabValuesAreCheckedExactly) {
    TestRun t;
    TdsTabDefinition tab;
    giveAll(t, getAttrValueTDSTab, tab,
            {"msgStd", "ACORD AL3", "trimFix", "Trim Padding Chars", "trimFix", "Lead", "outputCompress", "AL3",
             "inputCompress", "SimpleAL3CharCompress", "delimiter", ",", "ccsid", "500"});
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ(t.text(tab.messagingStandard), "ACORD AL3");
    EXPECT_EQ(tab.trimCode, 1);
    EXPECT_EQ(tab.outputCompress + tab.inputCompress, 2);
    EXPECT_EQ(t.text(tab.delimiter) + t.text(tab.ccsid), ",500");
    giveAll(t, getAttrValueTDSTab, tab,
            {"trimFix", "No", "msgStd", "swift", "trimFix", "both", "outputCompress", "al3", "Name", "x"});
    EXPECT_EQ(tab.trimCode, 0);
    EXPECT_EQ(t.output(), "*****Error - invalid value (swift) for msgStd attribute\n"
                          "*****Error - unrecognized value (both) for trimFix attribute\n"
                          "*****Error - invalid attribute value (al3) for outputCompress\n"
                          "*****Error - unrecognized attribute Name found\n  did you mean name instead of Name?\n");
    EXPECT_EQ(t.text(tab.messagingStandard), "ACORD AL3");

    CwfTabDefinition cwf;
    give(t, getAttrValueCWFTab, "ccsid", "1208", cwf);
    give(t, getAttrValueCWFTab, "msgStd", "X12", cwf);
    EXPECT_EQ(t.text(cwf.ccsid), "1208");
    EXPECT_EQ(t.lines().back(), "*****Error - unrecognized attribute msgStd found");
}

TEST(TabAttributes, XmlTabFlagsAreJudgedByTheirFirstLetter) {
    TestRun t;
    XmlTabDefinition tab;
    giveAll(t, getAttrValueXMLTab, tab,
            {"supXmlDecl", "yes", "supDocType", "No", "standaloneDoc", "n", "enableVersion", "nope", "encodeNullNum",
             "NULLValAttr", "encodeNullNonNum", "NULLElement", "encodeNullNumVal", "-1", "encodeNullNonNumVal", "nil"});
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ(tab.suppressXmlDecl * 1000 + tab.suppressDocType * 100 + tab.standalone * 10 + tab.versioningDisabled,
              1021);
    EXPECT_EQ(tab.encodeNullNum * 10 + tab.encodeNullNonNum, 43);
    EXPECT_EQ(t.text(tab.encodeNullNumValue) + t.text(tab.encodeNullNonNumValue), "-1nil");
    give(t, getAttrValueXMLTab, "standaloneDoc", "Yes", tab);
    give(t, getAttrValueXMLTab, "encodeNullNum", "NULLAttribute", tab);
    EXPECT_EQ(tab.standalone * 10 + tab.encodeNullNum, 11);
    give(t, getAttrValueXMLTab, "encodeNullNum", "NULLEmpty", tab);
    EXPECT_EQ(tab.encodeNullNum, 0);
    giveAll(t, getAttrValueXMLTab, tab,
            {"supXmlDecl", "maybe", "supDocType", "", "standaloneDoc", "1", "enableVersion", "true", "encodeNullNum",
             "nullvalue", "encodeNullNonNum", "x"});
    EXPECT_EQ(t.output(), "*****Error - invalid value (maybe) for supXMLdecl parameter\n"
                          "*****Error - invalid value () for supDocType parameter\n"
                          "*****Error - invalid value (1) for standaloneDoc parameter\n"
                          "*****Error - invalid value (true) for enableVersion parameter\n"
                          "*****Error - invalid value (nullvalue) for encodeNull attribute\n"
                          "*****Error - invalid value (x) for encodeNull attribute\n");
    EXPECT_EQ(tab.standalone, 1);
}

} // namespace
} // namespace norvak::test
