// Tests of the COBOL copybook of a record layout: pictures by physical type, signs, points, repeats, choices, names.
#include "codegen/Copybook.h"
#include "import/driver/ScratchImport.h"
#include "layout/RecordLayout.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

// Each case imports a small definitions text into a model in memory, lays
// out its message Msg in its CWF tab and writes the copybook; the entries
// are compared without the comment lines, and the lines that say what COBOL
// cannot hold are checked with the approximations counted.

namespace norvak {
namespace {

Copybook copybookOfText(const std::string& body, const std::string& ccsid = "500") {
    const std::string definitions = "<CWFTab name=\"Bin\" ident=\"CWF1\" ccsid=\"" + ccsid + "\"/>\n" + body +
                                    "<Message ident=\"Msg\" type=\"Rec\"/>\n";
    ScratchImport outcome;
    std::optional<ModelledSet> set = importIntoModel(definitions, "copybook.xml", "", nullptr, outcome);
    EXPECT_TRUE(set) << outcome.report;
    if (!set)
        return {};
    const MessageSetModel& model = set->model();
    const ModelMessage* message = model.messageNamed("Msg");
    EXPECT_NE(message, nullptr);
    if (message == nullptr)
        return {};
    return copybookOf(model, recordLayout(model, *message, *model.tabs(WireFormat::cwf).front()));
}

// The entries without comments, each on one line with single blanks, the
// ids the names end with left as they are.
std::string entries(const Copybook& book) {
    std::istringstream lines(book.text);
    std::string line;
    std::string joined;
    while (std::getline(lines, line)) {
        if (line.size() > 6 && line[6] == '*')
            continue;
        std::istringstream words(line);
        std::string word;
        while (words >> word)
            joined += (joined.empty() || joined.back() == '\n' ? "" : " ") + word;
        if (!joined.empty() && joined.back() == '.')
            joined += '\n';
    }
    return joined;
}

std::string record(const std::string& members) {
    return "<Type ident=\"Rec\" composition=\"sequence\">\n" + members + "</Type>\n";
}

TEST(Copybook, EachPhysicalTypeHasItsPictureAndUsage) {
    Copybook book = copybookOfText(
        "<Element ident=\"I2\" type=\"integer\" length=\"2\"/>\n"
        "<Element ident=\"I4\" type=\"integer\" length=\"4\" signed=\"None\"/>\n"
        "<Element ident=\"F4\" type=\"float\" length=\"4\"/>\n"
        "<Element ident=\"F8\" type=\"float\" length=\"8\"/>\n"
        "<Element ident=\"Pk\" type=\"decimal\" length=\"5\" physicalType=\"Packed Decimal\"/>\n"
        "<Element ident=\"Txt\" type=\"string\" length=\"7\" physicalType=\"fixed\"/>\n"
        "<Element ident=\"Bin\" type=\"binary\" length=\"3\"/>\n"
        "<Element ident=\"Flag\" type=\"boolean\"/>\n"
        "<Element ident=\"Sec\" type=\"datetime\"/>\n"
        "<Element ident=\"Ms\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n" +
        record("  <Element ref=\"I2\"/>\n  <Element ref=\"I4\"/>\n  <Element ref=\"F4\"/>\n  <Element ref=\"F8\"/>\n"
               "  <Element ref=\"Pk\"/>\n  <Element ref=\"Txt\"/>\n  <Element ref=\"Bin\"/>\n"
               "  <Element ref=\"Flag\"/>\n  <Element ref=\"Sec\"/>\n  <Element ref=\"Ms\"/>\n"));
    EXPECT_EQ(entries(book), "01 MSG100011.\n"
                             "05 I2100001 PIC S9(4) COMP.\n"
                             "05 I4100002 PIC S9(9) COMP.\n"
                             "05 F4100003 COMP-1.\n"
                             "05 F8100004 COMP-2.\n"
                             "05 PK100005 PIC S9(9) COMP-3.\n"
                             "05 TXT100006 PIC X(7).\n"
                             "05 BIN100007 PIC X(3).\n"
                             "05 FLAG100008 PIC S9(9) COMP.\n"
                             "05 SEC100009 PIC S9(9) COMP.\n"
                             "05 MS100010 PIC S9(18) COMP.\n");
    EXPECT_TRUE(book.approximations.empty());
    EXPECT_EQ(book.text.find("COMP-5"), std::string::npos);
    EXPECT_EQ(book.recordName, "MSG100011");
}

TEST(Copybook, ZonedDigitsTakeTheirSignClauseAndDecimalPoint) {
    Copybook book = copybookOfText(
        "<Element ident=\"None\" type=\"decimal\" length=\"4\" decimalPoint=\"1\" signed=\"None\"/>\n"
        "<Element ident=\"InLead\" type=\"decimal\" length=\"4\" signed=\"Included Leading\"/>\n"
        "<Element ident=\"InTrail\" type=\"decimal\" length=\"4\" decimalPoint=\"4\" signed=\"Included Trailing\"/>\n"
        "<Element ident=\"SepLead\" type=\"decimal\" length=\"4\" decimalPoint=\"2\" signed=\"Separate Leading\"/>\n"
        "<Element ident=\"SepTrail\" type=\"decimal\" length=\"4\" signed=\"Separate Trailing\"/>\n"
        "<Element ident=\"Pk\" type=\"decimal\" length=\"3\" decimalPoint=\"2\" physicalType=\"Packed Decimal\"/>\n" +
        record("  <Element ref=\"None\"/>\n  <Element ref=\"InLead\"/>\n  <Element ref=\"InTrail\"/>\n"
               "  <Element ref=\"SepLead\"/>\n  <Element ref=\"SepTrail\"/>\n  <Element ref=\"Pk\"/>\n"));
    EXPECT_EQ(entries(book), "01 MSG100007.\n"
                             "05 NONE100001 PIC 9(3)V9(1).\n"
                             "05 INLEAD100002 PIC S9(4) SIGN LEADING.\n"
                             "05 INTRAIL100003 PIC SV9(4) SIGN TRAILING.\n"
                             "05 SEPLEAD100004 PIC S9(2)V9(2) SIGN LEADING SEPARATE.\n"
                             "05 SEPTRAIL100005 PIC S9(4) SIGN TRAILING SEPARATE.\n"
                             "05 PK100006 PIC S9(3)V9(2) COMP-3.\n");
    EXPECT_TRUE(book.approximations.empty());
}

TEST(Copybook, RepeatsAreOccursAndARepeatReferenceDependsOnItsCounter) {
    Copybook book = copybookOfText("<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
                                   "<Element ident=\"Item\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
                                   "<Element ident=\"Inner\" type=\"Pair\"/>\n"
                                   "<Type ident=\"Pair\" composition=\"sequence\">\n"
                                   "  <Element ref=\"Item\" repeat=\"2\"/>\n"
                                   "</Type>\n" +
                                   record("  <Element ref=\"Count\"/>\n  <Element ref=\"Inner\" repeat=\"3\"/>\n"
                                          "  <Element ref=\"Item\" repeat=\"Count\"/>\n"));
    EXPECT_EQ(entries(book), "01 MSG100005.\n"
                             "05 COUNT100002 PIC S9(4) COMP.\n"
                             "05 INNER100004 OCCURS 3.\n"
                             "10 ITEM100003 PIC X(4) OCCURS 2.\n"
                             "05 ITEM100003-2 PIC X(4) OCCURS 0 TO 1 DEPENDING ON COUNT100002.\n");
    // The set gives no most occurrences: counted, and said in the text.
    ASSERT_EQ(book.approximations.size(), 1U);
    EXPECT_EQ(book.approximations[0], "Item: repeated with no most occurrences in the set; written as at most 1");
    EXPECT_NE(book.text.find("      * Not exact: Item is repeated"), std::string::npos);
    // A reference to one occurrence takes a subscript for each OCCURS.
    ASSERT_EQ(book.fields.size(), 4U);
    EXPECT_EQ(book.fields[0].subscripts, 0);
    EXPECT_EQ(book.fields[1].subscripts, 1);
    EXPECT_EQ(book.fields[2].path, "Inner.Item");
    EXPECT_EQ(book.fields[2].subscripts, 2);
    EXPECT_EQ(book.fields[3].path, "Item");
    EXPECT_EQ(book.fields[3].subscripts, 1);
}

TEST(Copybook, AChoiceRedefinesAnAreaOfItsSizeAndAlignmentIsFiller) {
    Copybook book = copybookOfText("<Element ident=\"Short\" type=\"string\" length=\"3\" physicalType=\"fixed\"/>\n"
                                   "<Element ident=\"Long\" type=\"string\" length=\"9\" physicalType=\"fixed\"/>\n"
                                   "<Element ident=\"Wide\" type=\"float\" length=\"8\" byteAlignment=\"8\"/>\n"
                                   "<Type ident=\"Either\" composition=\"choice\">\n"
                                   "  <Element ref=\"Short\"/>\n"
                                   "  <Element ref=\"Long\"/>\n"
                                   "</Type>\n" +
                                   record("  <Type ref=\"Either\"/>\n  <Element ref=\"Wide\"/>\n"));
    EXPECT_EQ(entries(book), "01 MSG100005.\n"
                             "05 EITHER100000.\n"
                             "10 EITHER100000-C PIC X(9).\n"
                             "10 SHORT100002 REDEFINES EITHER100000-C PIC X(3).\n"
                             "10 LONG100003 REDEFINES EITHER100000-C PIC X(9).\n"
                             "05 FILLER PIC X(7).\n"
                             "05 WIDE100004 COMP-2.\n");
    EXPECT_TRUE(book.approximations.empty());

    // A message whose type is a choice: the alternatives under the record.
    Copybook top = copybookOfText("<Element ident=\"A\" type=\"string\" length=\"2\" physicalType=\"fixed\"/>\n"
                                  "<Element ident=\"B\" type=\"integer\" length=\"4\"/>\n"
                                  "<Type ident=\"Rec\" composition=\"choice\">\n"
                                  "  <Element ref=\"A\"/>\n  <Element ref=\"B\"/>\n"
                                  "</Type>\n");
    EXPECT_EQ(entries(top), "01 MSG100003.\n"
                            "05 MSG100003-C PIC X(4).\n"
                            "05 A100001 REDEFINES MSG100003-C PIC X(2).\n"
                            "05 B100002 REDEFINES MSG100003-C PIC S9(9) COMP.\n");
}

TEST(Copybook, EnumerationValuesAreConditionNames) {
    Copybook book = copybookOfText("<Element ident=\"Code\" type=\"string\" length=\"3\" physicalType=\"fixed\">\n"
                                   "  <Value ident=\"Quote\" type=\"string\" value=\"A&quot;B\" role=\"ENUM\"/>\n"
                                   "  <Value ident=\"TooLong\" type=\"string\" value=\"ABCD\" role=\"ENUM\"/>\n"
                                   "  <Value ident=\"Dflt\" type=\"string\" value=\"X\" role=\"DEFAULT\"/>\n"
                                   "</Element>\n"
                                   "<Element ident=\"Level\" type=\"integer\" length=\"4\">\n"
                                   "  <Value ident=\"Low\" type=\"integer\" value=\"-1\" role=\"ENUM\"/>\n"
                                   "  <Value ident=\"Odd\" type=\"integer\" value=\"x1\" role=\"ENUM\"/>\n"
                                   "</Element>\n" +
                                   record("  <Element ref=\"Code\"/>\n  <Element ref=\"Level\"/>\n"));
    const std::string written = entries(book);
    EXPECT_NE(written.find("05 CODE100001 PIC X(3).\n88 QUOTE100006 VALUE \"A\"\"B\".\n05 LEVEL"), std::string::npos)
        << written;
    EXPECT_NE(written.find("88 LOW100009 VALUE -1.\n"), std::string::npos) << written;
    // A value its field cannot hold is a comment, not a condition.
    EXPECT_EQ(written.find("ABCD"), std::string::npos);
    EXPECT_EQ(written.find("x1"), std::string::npos);
    EXPECT_EQ(written.find("VALUE \"X\""), std::string::npos);
    EXPECT_NE(book.text.find("Value TooLong does not fit Code"), std::string::npos);
    EXPECT_NE(book.text.find("Value Odd does not fit Level"), std::string::npos);
}

TEST(Copybook, WhatCobolCannotHoldIsItsNearestEquivalentAndCounted) {
    Copybook book = copybookOfText(
        "<Element ident=\"Tiny\" type=\"integer\" length=\"1\"/>\n"
        "<Element ident=\"Chars\" type=\"string\" length=\"5\" lengthUnits=\"Characters\" physicalType=\"fixed\"/>\n"
        "<Element ident=\"Text\" type=\"string\" physicalType=\"Null Terminated\"/>\n"
        "<Element ident=\"Short\" type=\"string\" physicalType=\"Length Encoded String 1\"/>\n"
        "<Element ident=\"Aligned\" type=\"integer\" byteAlignment=\"4\"/>\n" +
            record("  <Element ref=\"Tiny\"/>\n  <Element ref=\"Chars\"/>\n  <Element ref=\"Text\"/>\n"
                   "  <Element ref=\"Short\"/>\n  <Element ref=\"Aligned\"/>\n"),
        "1208");
    EXPECT_EQ(entries(book), "01 MSG100006.\n"
                             "05 TINY100001 PIC X(1).\n"
                             "05 CHARS100002 PIC X(20).\n"
                             "05 TEXT100003 PIC X(1).\n"
                             "05 SHORT100004 PIC X(256).\n"
                             "05 ALIGNED100005 PIC S9(9) COMP.\n");
    EXPECT_EQ(book.approximations,
              (std::vector<std::string>{
                  "Tiny: a binary integer of 1 byte",
                  "Chars: a length in characters of a code page of variable width, written as its most bytes",
                  "Text: a null-terminated string, written as its least bytes",
                  "Short: a length-encoded string, written as its most bytes",
                  "(padding): an alignment after a variable part; left out"}));
    // Every line within column 72, each entry from column 8.
    std::istringstream lines(book.text);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 72U) << line;
        EXPECT_EQ(line.substr(0, 6), "      ") << line;
    }
}

TEST(Copybook, NamesAreCobolWordsUsedOnceInTheRecord) {
    Copybook book = copybookOfText(
        "<Element ident=\"Name\" name=\"Customer name_x\" type=\"string\" length=\"2\" physicalType=\"fixed\"/>\n"
        "<Element ident=\"ALongIdentifierThatGoesOnAndOnAndOn\" type=\"string\" length=\"1\" "
        "physicalType=\"fixed\"/>\n" +
        record("  <Element ref=\"Name\"/>\n  <Element ref=\"Name\"/>\n"
               "  <Element ref=\"ALongIdentifierThatGoesOnAndOnAndOn\"/>\n"
               "  <Element ref=\"ALongIdentifierThatGoesOnAndOnAndOn\"/>\n"));
    EXPECT_EQ(entries(book), "01 MSG100003.\n"
                             "05 CUSTOMER-NAME-X100001 PIC X(2).\n"
                             "05 CUSTOMER-NAME-X100001-2 PIC X(2).\n"
                             "05 ALONGIDENTIFIERTHATGOESO100002 PIC X(1).\n"
                             "05 ALONGIDENTIFIERTHATGOESO1000-2 PIC X(1).\n");
}

} // namespace
} // namespace norvak
