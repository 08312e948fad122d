// Tests of the C header of a record layout: members by physical type and alignment, fillers, repeats, choices, names.
#include "codegen/CHeader.h"
#include "codegen/CNames.h"
#include "import/driver/ScratchImport.h"
#include "layout/RecordLayout.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

// Each case imports a small definitions text into a model in memory, lays
// out its messages in its CWF tab and writes their headers; the members of
// the struct are compared without their comments, and what C cannot express
// is checked with the approximations counted.

namespace norvak {
namespace {

std::vector<CHeader> headersOfText(const std::string& body, const std::string& ccsid = "500",
                                   const std::string& messages = "<Message ident=\"Msg\" type=\"Rec\"/>\n") {
    const std::string definitions = "<CWFTab name=\"Bin\" ident=\"CWF1\" ccsid=\"" + ccsid + "\"/>\n" + body + messages;
    ScratchImport outcome;
    std::optional<ModelledSet> set = importIntoModel(definitions, "header.xml", "", nullptr, outcome);
    EXPECT_TRUE(set) << outcome.report;
    if (!set)
        return {};
    const MessageSetModel& model = set->model();
    std::vector<RecordLayout> layouts;
    for (const ModelMessage& message : model.messages())
        layouts.push_back(recordLayout(model, message, *model.tabs(WireFormat::cwf).front()));
    return cHeadersOf(model, layouts);
}

CHeader headerOfText(const std::string& body, const std::string& ccsid = "500") {
    std::vector<CHeader> headers = headersOfText(body, ccsid);
    EXPECT_EQ(headers.size(), 1U);
    return headers.empty() ? CHeader{} : headers.front();
}

// The lines of the struct's body without their comments, each stripped of
// its indentation but for one blank a level.
std::string members(const CHeader& header) {
    std::istringstream lines(header.text);
    std::string line;
    std::string joined;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (line.starts_with("struct ")) {
            inside = true;
            continue;
        }
        if (line == "};")
            break;
        const std::size_t text = line.find_first_not_of(' ');
        if (!inside || text == std::string::npos || line.compare(text, 2, "/*") == 0)
            continue;
        const std::size_t comment = line.find(" /*");
        joined += std::string(text / 4 - 1, ' ') +
                  line.substr(text, comment == std::string::npos ? comment : comment - text) + "\n";
    }
    return joined;
}

std::string record(const std::string& elements) {
    return "<Type ident=\"Rec\" composition=\"sequence\">\n" + elements + "</Type>\n";
}

TEST(CHeader, EachPhysicalTypeHasItsMemberWhereItsAlignmentHolds) {
    // 56 bytes: every binary member lies at an offset its size divides.
    CHeader header = headerOfText(
        "<Element ident=\"Ms\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n"
        "<Element ident=\"F8\" type=\"float\" length=\"8\"/>\n"
        "<Element ident=\"I4\" type=\"integer\" length=\"4\" signed=\"None\"/>\n"
        "<Element ident=\"F4\" type=\"float\" length=\"4\"/>\n"
        "<Element ident=\"Flag\" type=\"boolean\"/>\n"
        "<Element ident=\"Sec\" type=\"datetime\"/>\n"
        "<Element ident=\"I2\" type=\"integer\" length=\"2\"/>\n"
        "<Element ident=\"I1\" type=\"integer\" length=\"1\"/>\n"
        "<Element ident=\"Txt\" type=\"string\" length=\"10\" physicalType=\"fixed\"/>\n"
        "<Element ident=\"Bin\" type=\"binary\" length=\"3\"/>\n"
        "<Element ident=\"Pk\" type=\"decimal\" length=\"5\" physicalType=\"Packed Decimal\"/>\n"
        "<Element ident=\"Zd\" type=\"decimal\" length=\"2\" signed=\"Separate Leading\"/>\n" +
        record(
            "  <Element ref=\"Ms\"/>\n  <Element ref=\"F8\"/>\n  <Element ref=\"I4\"/>\n  <Element ref=\"F4\"/>\n"
            "  <Element ref=\"Flag\"/>\n  <Element ref=\"Sec\"/>\n  <Element ref=\"I2\"/>\n  <Element ref=\"I1\"/>\n"
            "  <Element ref=\"Txt\"/>\n  <Element ref=\"Bin\"/>\n  <Element ref=\"Pk\"/>\n  <Element ref=\"Zd\"/>\n"));
    EXPECT_EQ(members(header), "int64_t Ms;\n"
                               "double F8;\n"
                               "int32_t I4;\n"
                               "float F4;\n"
                               "int32_t Flag;\n"
                               "int32_t Sec;\n"
                               "int16_t I2;\n"
                               "int8_t I1;\n"
                               "char Txt[10];\n"
                               "unsigned char Bin[3];\n"
                               "unsigned char Pk[5];\n"
                               "char Zd[3];\n");
    EXPECT_TRUE(header.approximations.empty());
    EXPECT_NE(header.text.find("_Static_assert(sizeof(struct Msg) == 56, \"Msg of 56 bytes\");"), std::string::npos);
    EXPECT_NE(header.text.find("_Static_assert(offsetof(struct Msg, Zd) == 53, \"Zd at offset 53\");"),
              std::string::npos);
    EXPECT_NE(header.text.find("int32_t I4; /* offset 16, Integer: int32_t, big-endian */"), std::string::npos);
    EXPECT_NE(header.text.find("char Zd[3]; /* offset 53, Extended Decimal: zoned, 3 bytes, sign Separate Leading */"),
              std::string::npos);
    EXPECT_NE(header.text.find("CCSID 500, 1 byte a character"), std::string::npos);
    EXPECT_NE(header.text.find("Byte order: big-endian"), std::string::npos);
}

TEST(CHeader, AnOffsetOrSizeTheTypeDoesNotDivideMakesAnArrayOfItsBytes) {
    // I2 at offset 0 of a record of 7 bytes, which an int16_t would pad to 8;
    // I4 at offset 2.
    CHeader header =
        headerOfText("<Element ident=\"I1\" type=\"integer\" length=\"1\"/>\n"
                     "<Element ident=\"I4\" type=\"integer\" length=\"4\"/>\n"
                     "<Element ident=\"I2\" type=\"integer\" length=\"2\"/>\n" +
                     record("  <Element ref=\"I2\"/>\n  <Element ref=\"I4\"/>\n  <Element ref=\"I1\"/>\n"));
    EXPECT_EQ(members(header), "unsigned char I2[2];\n"
                               "unsigned char I4[4];\n"
                               "int8_t I1;\n");
    EXPECT_NE(header.text.find("unsigned char I4[4]; /* offset 2, Integer: int32_t, big-endian */"), std::string::npos);
    EXPECT_TRUE(header.approximations.empty());

    // A group whose size the type does not divide holds its bytes too, and a
    // repeated group's occurrences keep the offsets.
    CHeader grouped = headerOfText("<Element ident=\"I4\" type=\"integer\" length=\"4\"/>\n"
                                   "<Element ident=\"C\" type=\"string\" length=\"2\" physicalType=\"fixed\"/>\n"
                                   "<Element ident=\"Odd\" type=\"OddT\"/>\n"
                                   "<Element ident=\"Even\" type=\"EvenT\"/>\n"
                                   "<Type ident=\"OddT\" composition=\"sequence\">\n"
                                   "  <Element ref=\"I4\"/>\n  <Element ref=\"C\"/>\n"
                                   "</Type>\n"
                                   "<Type ident=\"EvenT\" composition=\"sequence\">\n"
                                   "  <Element ref=\"I4\"/>\n  <Element ref=\"C\" repeat=\"2\"/>\n"
                                   "</Type>\n" +
                                   record("  <Element ref=\"Even\" repeat=\"2\"/>\n  <Element ref=\"Odd\"/>\n"
                                          "  <Element ref=\"C\"/>\n"));
    EXPECT_EQ(members(grouped), "struct {\n"
                                " int32_t I4;\n"
                                " char C[2][2];\n"
                                "} Even[2];\n"
                                "struct {\n"
                                " unsigned char I4[4];\n"
                                " char C[2];\n"
                                "} Odd;\n"
                                "char C[2];\n");
    EXPECT_NE(grouped.text.find("_Static_assert(offsetof(struct Msg, Even[0].C) == 4, \"Even.C at offset 4\");"),
              std::string::npos);
    EXPECT_NE(grouped.text.find("_Static_assert(sizeof(((struct Msg *)0)->Even) == 16, \"Even of 16 bytes\");"),
              std::string::npos);
}

TEST(CHeader, AChoiceIsAUnionAndAlignmentIsAFiller) {
    CHeader header = headerOfText("<Element ident=\"Short\" type=\"string\" length=\"3\" physicalType=\"fixed\"/>\n"
                                  "<Element ident=\"Long\" type=\"string\" length=\"9\" physicalType=\"fixed\"/>\n"
                                  "<Element ident=\"Wide\" type=\"float\" length=\"8\" byteAlignment=\"8\"/>\n"
                                  "<Type ident=\"Either\" composition=\"choice\">\n"
                                  "  <Element ref=\"Short\"/>\n"
                                  "  <Element ref=\"Long\"/>\n"
                                  "</Type>\n" +
                                  record("  <Type ref=\"Either\"/>\n  <Element ref=\"Wide\"/>\n"));
    EXPECT_EQ(members(header), "union {\n"
                               " char Short[3];\n"
                               " char Long[9];\n"
                               "} Either;\n"
                               "unsigned char pad1[7];\n"
                               "double Wide;\n");
    EXPECT_NE(header.text.find("_Static_assert(offsetof(struct Msg, Either.Long) == 0"), std::string::npos);
    EXPECT_NE(header.text.find("_Static_assert(offsetof(struct Msg, pad1) == 9, \"(padding) at offset 9\");"),
              std::string::npos);
    EXPECT_TRUE(header.approximations.empty());

    // A message whose type is a choice: an anonymous union of its
    // alternatives, whose names are the struct's.
    CHeader top = headerOfText("<Element ident=\"A\" type=\"string\" length=\"2\" physicalType=\"fixed\"/>\n"
                               "<Element ident=\"B\" type=\"integer\" length=\"4\"/>\n"
                               "<Type ident=\"Rec\" composition=\"choice\">\n"
                               "  <Element ref=\"A\"/>\n  <Element ref=\"B\"/>\n"
                               "</Type>\n");
    EXPECT_EQ(members(top), "union {\n"
                            " char A[2];\n"
                            " int32_t B;\n"
                            "};\n");
    EXPECT_NE(top.text.find("_Static_assert(offsetof(struct Msg, B) == 0, \"B at offset 0\");"), std::string::npos);
    EXPECT_NE(top.text.find("_Static_assert(sizeof(struct Msg) == 4, \"Msg of 4 bytes\");"), std::string::npos);
}

TEST(CHeader, WhatCCannotExpressIsItsNearestEquivalentAndCounted) {
    CHeader header = headerOfText(
        "<Element ident=\"Count\" type=\"integer\" length=\"2\"/>\n"
        "<Element ident=\"Chars\" type=\"string\" length=\"5\" lengthUnits=\"Characters\" physicalType=\"fixed\"/>\n"
        "<Element ident=\"Text\" type=\"string\" physicalType=\"Null Terminated\"/>\n"
        "<Element ident=\"Short\" type=\"string\" physicalType=\"Length Encoded String 1\"/>\n"
        "<Element ident=\"Item\" type=\"string\" length=\"4\" physicalType=\"fixed\"/>\n"
        "<Element ident=\"Aligned\" type=\"integer\" byteAlignment=\"4\"/>\n"
        "<Element ident=\"Empty\" type=\"Nothing\"/>\n"
        "<Type ident=\"Nothing\" composition=\"sequence\"/>\n" +
            record("  <Element ref=\"Count\"/>\n  <Element ref=\"Chars\"/>\n  <Element ref=\"Text\"/>\n"
                   "  <Element ref=\"Short\"/>\n  <Element ref=\"Item\" repeat=\"Count\" maxOccurs=\"3\"/>\n"
                   "  <Element ref=\"Aligned\"/>\n  <Element ref=\"Empty\"/>\n"),
        "1208");
    EXPECT_EQ(members(header), "unsigned char Count[2];\n"
                               "char Chars[20];\n"
                               "char Text[1];\n"
                               "unsigned char Short[256];\n"
                               "char Item[1][4];\n"
                               "unsigned char Aligned[4];\n");
    EXPECT_EQ(
        header.approximations,
        (std::vector<std::string>{
            "Chars: a length in characters of a code page of variable width, written as its most bytes",
            "Text: a null-terminated string, written as its least bytes",
            "Short: a length-encoded string, written as its most bytes",
            "Item: repeated by Count with no most occurrences in the set; written as 1",
            "(padding): an alignment after a variable part; left out", "Empty: a group with no members; left out"}));
    EXPECT_NE(header.text.find("    /* Not exact: Text is a null-terminated string, written as its least bytes. */\n"
                               "    char Text[1]; /* offset Chars+0, Null Terminated: the text, then a terminator */"),
              std::string::npos)
        << header.text;
    // Only the offsets the layout counts from the start of the record are asserted.
    EXPECT_NE(header.text.find("offsetof(struct Msg, Chars) == 2"), std::string::npos);
    EXPECT_EQ(header.text.find("offsetof(struct Msg, Text)"), std::string::npos);
    EXPECT_EQ(header.text.find("sizeof(struct Msg)"), std::string::npos);
    EXPECT_NE(header.text.find("/* The record varies:"), std::string::npos);
}

TEST(CHeader, NamesAreValidCIdentifiersUsedOnceInTheirStructAndAcrossHeaders) {
    EXPECT_EQ(cIdentifier("Customer name-x"), "Customer_name_x");
    EXPECT_EQ(cIdentifier("9lives"), "f_9lives");
    EXPECT_EQ(cIdentifier("_Hidden"), "f__Hidden");
    EXPECT_EQ(cIdentifier(""), "f_");
    EXPECT_EQ(cIdentifier("int"), "int_");
    EXPECT_EQ(cIdentifier("_Bool"), "f__Bool");
    EXPECT_EQ(cIdentifier("NULL"), "NULL_");
    EXPECT_EQ(cIdentifier("offsetof"), "offsetof_");
    EXPECT_EQ(cIdentifier("INT32_MAX"), "INT32_MAX_");
    EXPECT_EQ(cIdentifier("UINT64_C"), "UINT64_C_");
    EXPECT_EQ(cIdentifier("NORVAK_MSG_H"), "NORVAK_MSG_H_");
    EXPECT_EQ(cIdentifier("Int32_max"), "Int32_max");
    EXPECT_EQ(cIdentifier("caf\xC3\xA9"), "caf__");
    EXPECT_EQ(cCommentText("a */ b\tc"), "a * / b c");
    EXPECT_EQ(cStringLiteral(std::string("q\"b\\s?") + "?=\n"), R"("q\"b\\s\?\?=\012")");

    // Two messages whose identifiers make one C name: the second struct and
    // guard take _2; two uses of an element in one struct take _2 too, the
    // same name in another struct stays as it is.
    std::vector<CHeader> headers =
        headersOfText("<Element ident=\"a-b\" type=\"string\" length=\"1\" physicalType=\"fixed\"/>\n"
                      "<Element ident=\"G\" type=\"Inner\"/>\n"
                      "<Type ident=\"Inner\" composition=\"sequence\">\n  <Element ref=\"a-b\"/>\n</Type>\n" +
                          record("  <Element ref=\"a-b\"/>\n  <Element ref=\"a-b\"/>\n  <Element ref=\"G\"/>\n"),
                      "500", "<Message ident=\"m-1\" type=\"Rec\"/>\n<Message ident=\"m_1\" type=\"Rec\"/>\n");
    ASSERT_EQ(headers.size(), 2U);
    EXPECT_EQ(headers[0].structName, "m_1");
    EXPECT_EQ(headers[0].guard, "NORVAK_M_1_H");
    EXPECT_EQ(headers[1].structName, "m_1_2");
    EXPECT_EQ(headers[1].guard, "NORVAK_M_1_2_H");
    EXPECT_EQ(members(headers[0]), "char a_b[1];\n"
                                   "char a_b_2[1];\n"
                                   "struct {\n"
                                   " char a_b[1];\n"
                                   "} G;\n");
    ASSERT_EQ(headers[0].fields.size(), 4U);
    EXPECT_EQ(headers[0].fields[1].path, "a_b#2");
    EXPECT_EQ(headers[0].fields[1].member, "a_b_2");
    EXPECT_EQ(headers[0].fields[3].path, "G.a_b");
    EXPECT_EQ(headers[0].fields[3].member, "G.a_b");
}

} // namespace
} // namespace norvak
