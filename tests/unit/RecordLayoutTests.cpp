// Tests of the CWF record layout of a message, made from definitions texts read into a model in memory.
#include "import/driver/ScratchImport.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "layout/RecordLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

// Each case imports a small definitions text (no database: the import runs
// into a repository held in memory) and lays out one message in its CWF tab.

namespace norvak {
namespace {

struct Laid {
    std::optional<ModelledSet> set;
    RecordLayout layout;
};

Laid layOut(const std::string& definitions, const char* message) {
    ScratchImport outcome;
    Laid laid;
    laid.set = importIntoModel(definitions, "layout.xml", "", nullptr, outcome);
    EXPECT_TRUE(laid.set) << outcome.report;
    if (!laid.set)
        return laid;
    const MessageSetModel& model = laid.set->model();
    const ModelMessage* found = model.messageNamed(message);
    EXPECT_NE(found, nullptr);
    EXPECT_FALSE(model.tabs(WireFormat::cwf).empty());
    if (found != nullptr && !model.tabs(WireFormat::cwf).empty())
        laid.layout = recordLayout(model, *found, *model.tabs(WireFormat::cwf).front());
    return laid;
}

std::string bound(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "*";
}

// One line a field: "path offset length min..max", the offset after the
// field it is relative to ("Tail+0"), its variability and repeats when it
// has them.
void describe(const std::vector<LayoutField>& fields, std::ostringstream& out) {
    for (const LayoutField& field : fields) {
        out << field.path << ' ';
        if (!field.relativeTo.empty())
            out << field.relativeTo << '+';
        out << field.offset << ' ' << bound(field.length) << ' ' << field.minSize << ".." << bound(field.maxSize);
        if (field.variability != Variability::none)
            out << " (" << variabilityWord(field.variability) << ')';
        if (field.repeat != 1)
            out << " x" << field.repeat;
        if (!field.repeatReference.empty())
            out << " x[" << field.repeatReference << ']';
        if (!field.lengthReference.empty())
            out << " len[" << field.lengthReference << ']';
        out << '\n';
        describe(field.members, out);
    }
}

std::string described(const RecordLayout& layout) {
    std::ostringstream out;
    describe(layout.fields, out);
    out << "record " << layout.minSize << ".." << bound(layout.maxSize) << '\n';
    for (const std::string& note : layout.notes)
        out << "note: " << note << '\n';
    return out.str();
}

const LayoutField* fieldAt(const std::vector<LayoutField>& fields, const std::string& path) {
    for (const LayoutField& field : fields) {
        if (field.path == path)
            return &field;
        if (const LayoutField* inner = fieldAt(field.members, path))
            return inner;
    }
    return nullptr;
}

std::string withTab(const std::string& tab, const std::string& body) {
    return tab + "\n" + body + "<Message ident=\"Msg\" type=\"Rec\"/>\n";
}

const std::string binaryTab = "<CWFTab name=\"Bin\" ident=\"CWF1\" ccsid=\"500\"/>";

TEST(RecordLayout, EachPhysicalTypeTakesItsBytesOneFieldAfterAnother) {
    Laid laid = layOut(
        withTab(binaryTab,
                "<Type ident=\"Rec\" composition=\"sequence\">\n"
                "  <Element ident=\"Count\" type=\"integer\"/>\n"
                "  <Element ident=\"Small\" type=\"integer\" length=\"2\"/>\n"
                "  <Element ident=\"Name\" type=\"string\" length=\"10\" physicalType=\"fixed\"/>\n"
                "  <Element ident=\"Price\" type=\"decimal\" length=\"5\" physicalType=\"Packed Decimal\"/>\n"
                "  <Element ident=\"Flag\" type=\"boolean\"/>\n"
                "  <Element ident=\"When\" type=\"datetime\"/>\n"
                "  <Element ident=\"WhenExactly\" type=\"datetime\" physicalType=\"Time Milliseconds\"/>\n"
                "  <Element ident=\"Ratio\" type=\"float\" length=\"8\"/>\n"
                "  <Element ident=\"Blob\" type=\"binary\" length=\"3\"/>\n"
                "  <Element ident=\"Zoned\" type=\"decimal\" length=\"7\" decimalPoint=\"2\"/>\n"
                "  <Element ident=\"SignedIn\" type=\"integer\" length=\"5\" physicalType=\"Extended Decimal\" "
                "signed=\"Included Trailing\"/>\n"
                "  <Element ident=\"SignedApart\" type=\"integer\" length=\"5\" physicalType=\"Extended Decimal\" "
                "signed=\"Separate Leading\"/>\n"
                "  <Element ident=\"SignedAfter\" type=\"decimal\" length=\"5\" signed=\"Sep Trail\"/>\n"
                "</Type>\n"),
        "Msg");
    EXPECT_EQ(described(laid.layout), "Count 0 4 4..4\n"
                                      "Small 4 2 2..2\n"
                                      "Name 6 10 10..10\n"
                                      "Price 16 5 5..5\n"
                                      "Flag 21 4 4..4\n"
                                      "When 25 4 4..4\n"
                                      "WhenExactly 29 8 8..8\n"
                                      "Ratio 37 8 8..8\n"
                                      "Blob 45 3 3..3\n"
                                      "Zoned 48 7 7..7\n"
                                      "SignedIn 55 5 5..5\n"
                                      "SignedApart 60 6 6..6\n"
                                      "SignedAfter 66 6 6..6\n"
                                      "record 72..72\n");
    const RecordLayout& layout = laid.layout;
    EXPECT_EQ(layout.ccsid, "500");
    EXPECT_EQ(fieldAt(layout.fields, "Count")->physicalType, physicalInteger);
    EXPECT_EQ(fieldAt(layout.fields, "Price")->physicalType, physicalPacked);
    EXPECT_EQ(fieldAt(layout.fields, "When")->physicalType, physicalTimeSeconds);
    EXPECT_EQ(fieldAt(layout.fields, "Zoned")->physicalType, physicalExtendedDecimal);
    EXPECT_EQ(fieldAt(layout.fields, "Zoned")->decimalPoint, "2");
    EXPECT_EQ(fieldAt(layout.fields, "Count")->decimalPoint, std::nullopt);
    EXPECT_EQ(fieldAt(layout.fields, "SignedIn")->signOrientation, 2);
    EXPECT_EQ(fieldAt(layout.fields, "SignedApart")->signOrientation, 3);
    EXPECT_STREQ(signOrientationWord(3), "Separate Leading");
    EXPECT_STREQ(signOrientationWord(0), "");
    EXPECT_STREQ(physicalTypeWord(physicalPacked), "Packed Decimal");
}

TEST(RecordLayout, AlignmentPadsFromTheStartOfTheRecordAndNestedTypesKeepTheirOffsets) {
    Laid laid =
        layOut(withTab(binaryTab, "<Element ident=\"Code\" type=\"string\" length=\"3\" physicalType=\"fixed\"/>\n"
                                  "<Element ident=\"Id\" type=\"integer\" byteAlignment=\"4\"/>\n"
                                  "<Element ident=\"Wide\" type=\"float\" length=\"8\" byteAlignment=\"8\"/>\n"
                                  "<Type ident=\"Inner\" composition=\"sequence\">\n"
                                  "  <Element ref=\"Code\"/>\n"
                                  "  <Element ref=\"Wide\"/>\n"
                                  "</Type>\n"
                                  "<Type ident=\"Rec\" composition=\"sequence\">\n"
                                  "  <Element ref=\"Code\"/>\n"
                                  "  <Element ref=\"Id\"/>\n"
                                  "  <Element ref=\"Id\"/>\n"
                                  "  <Type ref=\"Inner\"/>\n"
                                  "  <Element ref=\"Code\" byteAlignment=\"2\"/>\n"
                                  "</Type>\n"),
               "Msg");
    EXPECT_EQ(described(laid.layout), "Code 0 3 3..3\n"
                                      "(padding) 3 1 1..1\n"
                                      "Id 4 4 4..4\n"
                                      "Id#2 8 4 4..4\n"
                                      "Inner 12 12 12..12\n"
                                      "Inner.Code 12 3 3..3\n"
                                      "Inner.(padding) 15 1 1..1\n"
                                      "Inner.Wide 16 8 8..8\n"
                                      "Code#2 24 3 3..3\n"
                                      "record 27..27\n");
    // An aligned field at an aligned offset needs no padding; the padding
    // says which alignment made it.
    EXPECT_EQ(fieldAt(laid.layout.fields, "Id#2")->alignment, 4);
    EXPECT_EQ(fieldAt(laid.layout.fields, "(padding)")->kind, FieldKind::padding);
    EXPECT_EQ(fieldAt(laid.layout.fields, "Inner")->kind, FieldKind::group);
}

TEST(RecordLayout, AFixedRepeatIsAnArrayAndAChoiceTakesItsLargestAlternative) {
    Laid laid =
        layOut(withTab(binaryTab, "<Element ident=\"Channel\" type=\"float\" length=\"4\"/>\n"
                                  "<Element ident=\"Short\" type=\"string\" length=\"10\" physicalType=\"fixed\"/>\n"
                                  "<Element ident=\"Long\" type=\"string\" length=\"20\" physicalType=\"fixed\"/>\n"
                                  "<Type ident=\"Pair\" composition=\"sequence\">\n"
                                  "  <Element ref=\"Short\"/>\n"
                                  "  <Element ref=\"Short\"/>\n"
                                  "</Type>\n"
                                  "<Type ident=\"Either\" composition=\"choice\">\n"
                                  "  <Element ref=\"Short\"/>\n"
                                  "  <Type ref=\"Pair\"/>\n"
                                  "  <Element ref=\"Long\" length=\"12\"/>\n"
                                  "</Type>\n"
                                  "<Type ident=\"Rec\" composition=\"sequence\">\n"
                                  "  <Element ref=\"Channel\" repeat=\"8\"/>\n"
                                  "  <Type ref=\"Either\"/>\n"
                                  "  <Element ref=\"Short\"/>\n"
                                  "</Type>\n"),
               "Msg");
    EXPECT_EQ(described(laid.layout), "Channel 0 4 32..32 x8\n"
                                      "Either 32 20 20..20\n"
                                      "Either.Short 32 10 10..10\n"
                                      "Either.Pair 32 20 20..20\n"
                                      "Either.Pair.Short 32 10 10..10\n"
                                      "Either.Pair.Short#2 42 10 10..10\n"
                                      "Either.Long 32 12 12..12\n"
                                      "Short 52 10 10..10\n"
                                      "record 62..62\n");
    EXPECT_EQ(fieldAt(laid.layout.fields, "Either")->kind, FieldKind::choice);
}

// A fixed length string counted in characters under three code pages.
std::string charactersUnder(const char* ccsid) {
    return withTab(std::string("<CWFTab name=\"Bin\" ident=\"CWF1\" ccsid=\"") + ccsid + "\"/>",
                   "<Type ident=\"Rec\" composition=\"sequence\">\n"
                   "  <Element ident=\"Chars\" type=\"string\" length=\"5\" lengthUnits=\"Characters\" "
                   "physicalType=\"fixed\"/>\n"
                   "  <Element ident=\"Bytes\" type=\"string\" length=\"5\" physicalType=\"fixed\"/>\n"
                   "  <Element ident=\"Tail\" type=\"integer\"/>\n"
                   "</Type>\n");
}

TEST(RecordLayout, CharactersCountInBytesByTheTabsCodePage) {
    Laid single = layOut(charactersUnder("500"), "Msg");
    EXPECT_EQ(single.layout.bytesPerCharacter, 1);
    EXPECT_EQ(described(single.layout), "Chars 0 5 5..5\nBytes 5 5 5..5\nTail 10 4 4..4\nrecord 14..14\n");

    Laid wide = layOut(charactersUnder("1200"), "Msg");
    EXPECT_EQ(wide.layout.bytesPerCharacter, 2);
    EXPECT_EQ(described(wide.layout), "Chars 0 10 10..10\nBytes 10 5 5..5\nTail 15 4 4..4\nrecord 19..19\n");

    // Under UTF-8 a character takes one to four bytes: the layout gives the
    // bounds, and what follows is placed after the field.
    Laid varying = layOut(charactersUnder("1208"), "Msg");
    EXPECT_EQ(varying.layout.bytesPerCharacter, 0);
    EXPECT_EQ(described(varying.layout), "Chars 0 * 5..20 (characters of variable width)\n"
                                         "Bytes Chars+0 5 5..5\n"
                                         "Tail Chars+5 4 4..4\n"
                                         "record 14..29\n");

    EXPECT_EQ(bytesPerCharacterOf(std::nullopt), 1);
    EXPECT_EQ(bytesPerCharacterOf("37"), 1);
    EXPECT_EQ(bytesPerCharacterOf("13488"), 2);
    EXPECT_EQ(bytesPerCharacterOf("1232"), 4);
    EXPECT_EQ(bytesPerCharacterOf("1390"), 0);
}

TEST(RecordLayout, VariablePartsMakeWhatFollowsRelativeAndBoundTheRecord) {
    Laid laid = layOut(withTab(binaryTab,
                               "<Element ident=\"Size\" type=\"integer\" length=\"2\"/>\n"
                               "<Element ident=\"Data\" type=\"binary\" physicalType=\"Binary\"/>\n"
                               "<Element ident=\"Count\" type=\"integer\"/>\n"
                               "<Element ident=\"Item\" type=\"string\" length=\"6\" physicalType=\"fixed\"/>\n"
                               "<Type ident=\"Rec\" composition=\"sequence\">\n"
                               "  <Element ref=\"Size\"/>\n"
                               "  <Element ref=\"Data\" lengthRef=\"Size\"/>\n"
                               "  <Element ref=\"Count\"/>\n"
                               "  <Element ref=\"Item\" repeat=\"Count\"/>\n"
                               "  <Element ident=\"Text\" type=\"string\" physicalType=\"Null Terminated\"/>\n"
                               "  <Element ident=\"Short\" type=\"string\" physicalType=\"Length Encoded String 1\"/>\n"
                               "  <Element ident=\"Long\" type=\"string\" physicalType=\"Length Encoded String 2\"/>\n"
                               "  <Element ident=\"Aligned\" type=\"integer\" byteAlignment=\"4\"/>\n"
                               "  <Element ident=\"Rest\" type=\"decimal\" lengthUnits=\"End of BitStream\"/>\n"
                               "</Type>\n"),
                       "Msg");
    EXPECT_EQ(described(laid.layout), "Size 0 2 2..2\n"
                                      "Data 2 * 0..* (length reference) len[Size]\n"
                                      "Count Data+0 4 4..4\n"
                                      "Item Data+4 6 0..* (repeat reference) x[Count]\n"
                                      "Text Item+0 * 1..* (null terminated)\n"
                                      "Short Text+0 * 1..256 (length encoded)\n"
                                      "Long Short+0 * 2..65537 (length encoded)\n"
                                      "(padding) Long+0 * 0..3 (alignment after a variable part)\n"
                                      "Aligned (padding)+0 4 4..4\n"
                                      "Rest (padding)+4 * 0..* (end of bitstream)\n"
                                      "record 14..*\n");
}

TEST(RecordLayout, AVariableMemberMakesItsGroupAndChoiceVariable) {
    Laid laid =
        layOut(withTab(binaryTab, "<Element ident=\"Name\" type=\"string\" length=\"8\" physicalType=\"fixed\"/>\n"
                                  "<Element ident=\"Note\" type=\"string\" physicalType=\"enc1\"/>\n"
                                  "<Type ident=\"Either\" composition=\"choice\">\n"
                                  "  <Element ref=\"Name\"/>\n"
                                  "  <Element ref=\"Note\"/>\n"
                                  "</Type>\n"
                                  "<Type ident=\"Inner\" composition=\"sequence\">\n"
                                  "  <Element ref=\"Name\"/>\n"
                                  "  <Element ref=\"Note\"/>\n"
                                  "</Type>\n"
                                  "<Type ident=\"Rec\" composition=\"sequence\">\n"
                                  "  <Type ref=\"Either\"/>\n"
                                  "  <Type ref=\"Inner\"/>\n"
                                  "  <Element ref=\"Name\"/>\n"
                                  "</Type>\n"),
               "Msg");
    EXPECT_EQ(described(laid.layout), "Either 0 * 1..256 (variable members)\n"
                                      "Either.Name 0 8 8..8\n"
                                      "Either.Note 0 * 1..256 (length encoded)\n"
                                      "Inner Either+0 * 9..264 (variable members)\n"
                                      "Inner.Name Either+0 8 8..8\n"
                                      "Inner.Note Either+8 * 1..256 (length encoded)\n"
                                      "Name Inner+0 8 8..8\n"
                                      "record 18..528\n");
}

// A set made of rows, as a stored set may hold them: a type within itself,
// a member naming an item the set does not hold, a field without the length
// its type needs. The layout notes each and goes on.
TEST(RecordLayout, WhatTheSetDoesNotTellIsNotedAndTheRestLaidOut) {
    constexpr int cwfPlugin = 4;
    StoredMessageSet set;
    set.pluginMembers.push_back({1, cwfPlugin, 1, 1, 0, "Bin", std::nullopt, 0});
    StoredType type;
    type.id = 100000;
    type.identifier = "Loop";
    set.types.push_back(type);
    set.elements.push_back({100001, "Name", logicalString, std::nullopt, "Name", 0, 0});
    set.elements.push_back({100002, "Count", logicalInteger, std::nullopt, "Count", 0, 0});
    set.messages.push_back({100003, "Msg", 100000, 0, "Msg", 0, 0});
    auto member = [&](std::int32_t id, std::int32_t child, std::int32_t childClass, std::int32_t sequence) {
        StoredTypeMember row;
        row.id = id;
        row.typeId = 100000;
        row.childId = child;
        row.childClass = childClass;
        row.sequence = sequence;
        set.typeMembers.push_back(row);
    };
    member(100010, 100002, classElement, 1);
    member(100011, 100000, classType, 2);
    member(100012, 100099, classElement, 3);
    member(100013, 100001, classElement, 4);
    StoredAttribute fixedLength;
    fixedLength.ownerId = 100000;
    fixedLength.ownerClass = classType;
    fixedLength.memberId = 100013;
    fixedLength.memberClass = classElement;
    fixedLength.pluginMemberId = 1;
    fixedLength.name = set.intern("Physical Type");
    fixedLength.value = "8";
    set.memberAttributes.push_back(fixedLength);

    ModelledSet modelled(std::move(set));
    const MessageSetModel& model = modelled.model();
    RecordLayout layout = recordLayout(model, *model.messageNamed("Msg"), *model.tabs(WireFormat::cwf).front());
    EXPECT_EQ(described(layout), "Count 0 4 4..4\n"
                                 "Loop 4 0 0..0\n"
                                 "Name 4 0 0..0\n"
                                 "record 4..4\n"
                                 "note: type Loop is within itself; laid out empty within it\n"
                                 "note: field (member 100012) names no item of the set; left out\n"
                                 "note: field Name has no length\n");
}

TEST(RecordLayout, TheShippedOrdersLayOutWithNestedTypesAndAnOpenEnd) {
    std::ifstream file(std::string(NORVAK_SOURCE_DIR) + "/examples/orders.xml");
    std::stringstream text;
    text << file.rdbuf();
    Laid laid = layOut(text.str(), "PlaceOrder");
    EXPECT_EQ(described(laid.layout), "OrderNumber 0 4 4..4\n"
                                      "OrderDate 4 4 4..4\n"
                                      "Customer_t 8 132 132..132\n"
                                      "Customer_t.CustomerId 8 10 10..10\n"
                                      "Customer_t.CustomerName 18 40 40..40\n"
                                      "Customer_t.Address_t 58 82 82..82\n"
                                      "Customer_t.Address_t.Street 58 40 40..40\n"
                                      "Customer_t.Address_t.City 98 30 30..30\n"
                                      "Customer_t.Address_t.PostalCode 128 10 10..10\n"
                                      "Customer_t.Address_t.Country 138 2 2..2\n"
                                      "Currency 140 3 3..3\n"
                                      "OrderLine_t 143 25 25..25\n"
                                      "OrderLine_t.Sku 143 12 12..12\n"
                                      "OrderLine_t.Quantity 155 4 4..4\n"
                                      "OrderLine_t.UnitPrice 159 9 9..9\n"
                                      "Note 168 * 1..* (null terminated)\n"
                                      "record 169..*\n");
    EXPECT_EQ(laid.layout.ccsid, std::nullopt);
    EXPECT_EQ(laid.layout.tab, "Binary");
}

} // namespace
} // namespace norvak
