// Tests of the walk of the definitions text as a tree of tags.
#include "unit/TestRun.h"

#include "import/reader/TagWalker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace norvak::test {
namespace {

TEST(TagWalker, MalformedTextIsReportedWithItsExactMessage) {
    const std::string longTag = "Bogus a=\"" + std::string(80, 'x') + "\"/>";
    const std::pair<std::string, std::string> cases[] = {
        {"just words", "*****Error - no beginning bracket (\"<\") found in file\n"},
        {"<!-- <CWFTab/> --> words", "*****Error - no beginning bracket (\"<\") found in file\n"},
        {"<?XML v=\"1\"?>", "*****Error - Unrecognized XML tag name found - ?XML v=\"1\"?>\n"},
        {"<element ident=\"a\"/>", "*****Error - Unrecognized XML tag name found - element ident=\"a\"/>\n"},
        {"<!DOCTYPE defs>", "*****Error - Unrecognized XML tag name found - !DOCTYPE defs>\n"},
        {"<  " + longTag, "*****Error - Unrecognized XML tag name found - " + longTag.substr(0, 64) + "\n"},
        {"<CWFTab name  \"a\"/><CWFTab/>", "*****Error - Attribute name missing equal sign\n"},
        {"<CWFTab name='abc\"/>", "***** Error - Attribute name missing trailing quotation mark\n"},
        {"<CWFTab name=abc", "attribute name value missing leading quotation\n"},
        {"<CWFTab nome=\"a\" name=\"b\"/>", "*****Error - unrecognized attribute nome found\n"},
        {"<Element name=\"e1\" type=\"string\"/>", "*****Error - required parameter missing on element e1\n"},
        {"<Type name=\"t1\"></Type>", "*****Error - required parameter missing on type t1\n"},
        {"<CWFTab/></X>", "*****Error - mismatched begin tag and end tag (,X) for parent name CWFTab\n"},
        {"<Type ident=\"T\" composition=\"seq\"><CWFTab></CWFTab",
         "*****Error - missing termination character for CWFTab\n"
         "*****Error - End of file found before end of element CWFTab\n"},
        {"<Type ident=\"T\" composition=\"seq\"><CWFTab></Tab></Type>",
         "*****Error - mismatched begin tag and end tag (Tab,CWFTab) for parent Type\n"},
        {"<Type ident=\"T\" composition=\"seq\"><CWFTab/></Typo>",
         "*****Error - mismatched begin tag and end tag (Type,Typo) for parent name CWFTab\n"},
        {"<Type ident=\"T\" composition=\"seq\"><CWFTab/>",
         "*****Error - End of file found before end of element CWFTab\n"},
    };
    for (const auto& [text, message] : cases) {
        TestRun t;
        t.parse(text);
        EXPECT_EQ(t.output().substr(0, message.size()), message) << text;
        EXPECT_EQ(t.run.errSw, 1) << text;
        EXPECT_EQ(t.run.elements.count() + t.run.types.count(), text.starts_with("<Type ident") ? 1 : 0) << text;
    }
}

TEST(TagWalker, AttributesMayBeQuotedEitherWayOrUnquoted) {
    TestRun t;
    t.parse("<!-- c --> <?xml version=\"1.0\"?>\n<?xml x <Element>?>\n"
            "<XMLTab name=abc ident='say \"hi\"' rootTagName=\"it's <a/>\" doctypeText=/>\n"
            "<XMLTab name = \"b&amp;c\" boolTrue=\n  yes\n  boolFalse='&#x41;'>text\n</XMLTab junk>\n"
            "<CW&#70;Tab\xa0name=\"\xe9t\xe9\"/></><CWFTab name=\"not read\"/>");
    EXPECT_EQ(t.output(), "");
    ASSERT_EQ(t.run.xmlTabList.size(), 2u);
    const XmlTabDefinition &first = t.run.xmlTabList[0], &second = t.run.xmlTabList[1];
    EXPECT_EQ(t.text(first.name), "abc");
    EXPECT_EQ(t.text(first.ident), "say \"hi\"");
    EXPECT_EQ(t.text(first.rootTagName), "it's <a/>");
    EXPECT_EQ(first.docTypeText, 0);
    EXPECT_EQ(t.text(second.name), "b&c");
    EXPECT_EQ(t.text(second.boolTrue), "yes");
    EXPECT_EQ(t.text(second.boolFalse), "A");
    ASSERT_EQ(t.run.cwfTabList.size(), 1u); // an empty end tag ends the top level
    EXPECT_EQ(t.text(t.run.cwfTabList[0].name), "\xe9t\xe9");
}

TEST(TagWalker, ValuesLongerThan254CharactersAreRefused) {
    TestRun t;
    t.parse("<TDSTab name=\"" + std::string(254, 'n') + "\" ident=\"" + std::string(253, 'i') + "&lt;\"/>");
    EXPECT_EQ(t.output(), "");
    ASSERT_EQ(t.run.tdsTabList.size(), 1u);
    EXPECT_EQ(t.text(t.run.tdsTabList[0].name), std::string(254, 'n'));
    EXPECT_EQ(t.text(t.run.tdsTabList[0].ident), std::string(253, 'i') + "<");

    for (const std::string& attribute :
         {"ident=\"" + std::string(254, 'i') + "&lt;\"", "ident=" + std::string(255, 'i')}) {
        TestRun t2;
        t2.parse("<Element name=\"n\" " + attribute + "/>");
        EXPECT_EQ(t2.output(), "*****Error - value of attribute ident is longer than 254 characters\n"
                               "*****Error - required parameter missing on element n\n");
    }
}

TEST(TagWalker, NestedTagsBelongToTheEnclosingTypeAndElement) {
    TestRun t;
    t.parse("<Type ident=\"T\" composition=\"sequence\">\n"
            "  <Element ident=\"a\" type=\"string\"/>\n"
            "  <Element ident=\"b\" type=\"string\"></Element >\n"
            "  <Type ident=\"U\" composition=\"sequence\"><Element ident=\"c\" type=\"string\"/></Type>\n"
            "  <Type ref=\"U\"><Element ident=\"d\" type=\"string\"/></Type>\n"
            "  <Element ident=\"e\" type=\"string\">\n"
            "    <Value ident=\"v\" type=\"string\" value=\"1\" role=\"enum\"/></Element>\n"
            "</Type>\n"
            "<Element ident=\"f\" type=\"string\"><Value ref=\"v\" role=\"enum\"/></ Element>");
    EXPECT_EQ(t.output(), "");
    EXPECT_EQ(t.run.types.count(), 2);
    EXPECT_EQ(t.run.elements.count(), 6);
    // Members: a, b, U of T; c of U; the use of U, d and e of T.
    const int owners[] = {1, 1, 1, 2, 1, 1, 1};
    ASSERT_EQ(t.run.typeMembers.count(), 7);
    for (int member = 1; member <= 7; ++member)
        EXPECT_EQ(t.run.typeMembers[member].ownerTypeId, owners[member - 1]) << "member " << member;
    EXPECT_EQ(t.text(t.run.typeMembers[5].ident), "U");
    ASSERT_EQ(t.run.valueMembers.count(), 2);
    EXPECT_EQ(t.text(t.run.elements[t.run.valueMembers[1].elemId].ident), "e");
    EXPECT_EQ(t.text(t.run.elements[t.run.valueMembers[2].elemId].ident), "f");

    // However an element ends, the siblings after it are outside it again.
    for (const char* element : {"<Element ident=\"e\"/>", "<Element ident=\"e\"> </Element>"}) {
        TestRun t2;
        t2.parse(std::string(element) + "<Value ref=\"v\" role=\"enum\"/>");
        EXPECT_EQ(t2.output(), "*****Error - value with ref (v) must be within an element\n") << element;
    }
}

TEST(TagWalker, TheWalkEndsAtTheEndOfTheTextWithoutReadingPastIt) {
    for (const char* text : {"<Element ident=\"a\" type=\"string\"", "<Element ident=\"a\" type=\"string\" /",
                             "<Element ident=\"a\" type=\"string\"><Value", "<?xml version"}) {
        TestRun t;
        t.parse(text);
        EXPECT_EQ(t.run.elements.count(), text[1] == '?' ? 0 : 1) << text;
    }
    const int depth = 100000;
    std::string open;
    for (int i = 0; i < depth; ++i)
        open += "<CWFTab>";
    TestRun t;
    t.parse(open);
    EXPECT_EQ(t.run.cwfTabList.size(), static_cast<std::size_t>(depth));
    const std::vector<std::string> lines = t.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "*****Error - End of file found before end of element CWFTab"),
              depth - 1);
    std::string closed = open;
    for (int i = 0; i < depth; ++i)
        closed += "</CWFTab>";
    TestRun t2;
    t2.parse(closed);
    EXPECT_EQ(t2.output(), "");
    EXPECT_EQ(t2.run.cwfTabList.size(), static_cast<std::size_t>(depth));
}

TEST(TagWalker, TraceFollowsTheWalk) {
    TestRun t;
    t.run.traceSw = 1;
    t.parse("<CWFTab name=a ident=\"b\"/>");
    const std::string ptr = "ptr=0x[0-9a-f]{8}", buffer = "buffer=0x[0-9a-f]+";
    // clang-format off
    const std::vector<std::string> expected = {
        "==> parseXMLfile", "==> removeComments " + buffer + " length=26", "<== removeComments length=26",
        "==> processLevel: topLevel=1 parent  typeId 0 elemId 0 " + ptr + " <CWFTab name=a ident=\"b\"/>",
        "==> processItem currType=0 currElem=0 " + ptr + " <CWFTab name=a ident=\"b\"/>",
        "==> replaceParams " + buffer + " length=6", "<== replaceParams length=6",
        "==> replaceParams " + buffer + " length=1", "<== replaceParams length=1",
        "==> getAttrValue eType=5 attrName name value a", "==> getAttrValueCWFTab attrName name value a",
        "==> insertName a", "<== insertName returned 1", "<== getAttrValueCWFTab attrFound 1", "<== getAttrValue",
        "==> replaceParams " + buffer + " length=1", "<== replaceParams length=1",
        "==> getAttrValueCWFTab attrName ident value b", "==> insertName b", "<== insertName returned 3",
        "<== getAttrValueCWFTab attrFound 1", "<== processItem CWFTab " + ptr + " />",
        "<== processLevel: topLevel=1 parent  " + ptr + " ", "<== parseXMLfile, errSw=0",
    };
    // clang-format on
    const std::vector<std::string> lines = t.lines();
    ASSERT_EQ(lines.size(), expected.size()) << t.output();
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected[i]))) << lines[i];
}

TEST(TagWalker, ThePasswordNeverAppearsInTraceLines) {
    for (const char* text : {"<ZEPImport DBPw=\"hunter22\"/>", "<ZEPImport DBPw=hunter22 />"}) {
        TestRun t;
        t.run.traceSw = 1;
        t.parse(text);
        EXPECT_EQ(t.output().find("hunter22"), std::string::npos) << t.output();
        EXPECT_NE(t.output().find("DBPw value ********\n"), std::string::npos);
    }
}

// However a password attribute is written, and whatever the walk does with
// it, no trace or error line shows its text; the run's outcome stays what the
// malformed text makes it.
TEST(TagWalker, NoFormOfAPasswordAttributeShowsItsText) {
    const std::pair<std::string, const char*> cases[] = {
        {"<ZEPImport DBPw Hx7Qv/>", "*****Error - Attribute DBPw missing equal sign"},
        {"<ZEPImport DBPw \"Hx7 Qv9\"/>", "*****Error - Attribute DBPw missing equal sign"},
        {"<ZEPImport ZEP_DB=\"d\" DBPw 'Hx7 Qv9' />", "*****Error - Attribute DBPw missing equal sign"},
        {"<ZEPImport DBPw\"Hx7Qv\"/>", "*****Error - Attribute DBPw\"********\" missing equal sign"},
        {"<ZEPImport DBPwHx7Qv/>", "*****Error - Attribute DBPw******** missing equal sign"},
        {"<ZEPImport DBPwHx7Qv=\"x\"/>", "*****Error - unrecognized attribute DBPw******** found"},
        {"<ZEPImport DBPw=Hx7Qv", "attribute DBPw value missing leading quotation"},
        {"<ZEPImport DBPw='Hx7Qv/>\n<Element ident=\"e\" type=\"string\"/>",
         "***** Error - Attribute DBPw missing trailing quotation mark"},
        {"<ZEPImport dbpw=\"Hx7Qv\"/>", "*****Error - unrecognized attribute dbpw found"},
        {"<ZEPImport DBPW = Hx7Qv />", "*****Error - unrecognized attribute DBPW found"},
        {"<ZEPImport dbpw=\"Hx7&Qv\"/>", "Escape character without termination found ********"},
        {"<Element ident=\"e\" DBPw=\"Hx7Qv\"/>", "*****Error - unrecognized attribute DBPw found"},
        {"<CWFTab dbPw=Hx7Qv/>", "*****Error - unrecognized attribute dbPw found"},
        {"<ZEPImprt DBPw Hx7Qv/>", "*****Error - Unrecognized XML tag name found - ZEPImprt DBPw ********/>"},
        {"<Type ident=\"T\" composition=\"sequence\"><ZEPImport DBPw \"x></Hx7Qv>\"/></Type>",
         "*****Error - Attribute DBPw missing equal sign"},
    };
    for (const auto& [text, message] : cases) {
        TestRun t;
        t.run.traceSw = 1;
        t.parse(text);
        for (const char* secret : {"Hx7", "Qv"})
            EXPECT_EQ(t.output().find(secret), std::string::npos) << text << "\n" << t.output();
        const std::vector<std::string> lines = t.lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), message), lines.end()) << text << "\n" << t.output();
        EXPECT_EQ(t.run.errSw, 1) << text;
        EXPECT_EQ(t.run.dbPassword, "") << text;
    }

    // The password itself still gets through, and so does a text about it
    // that holds no password.
    TestRun t;
    t.run.traceSw = 1;
    t.parse("<ZEPImport DBPw = 'Hx7 Qv' ZEP_DB=\"dbpw\"/>");
    EXPECT_EQ(t.output().find("Hx7"), std::string::npos) << t.output();
    EXPECT_EQ(t.run.errSw, 0);
    EXPECT_EQ(t.run.dbPassword, "Hx7 Qv");
    EXPECT_EQ(t.run.databaseName, "dbpw");
}

} // namespace
} // namespace norvak::test
