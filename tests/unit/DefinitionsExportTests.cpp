// Tests of a stored message set written as a definitions file.
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "import/reader/Keywords.h"
#include "tools/export/CanonicalRows.h"
#include "tools/export/DefinitionsExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

// Writing a stored message set as a definitions file: the keywords read back
// as their codes, and what the rows hold comes out as the attributes that
// write them again, or is counted.

namespace norvak {
namespace {

TEST(ExportKeywords, EveryKeywordReadsBackAsItsCode) {
    for (int code : {50105, 50106, 50107, 50109, 50213, 50222, 50224})
        EXPECT_EQ(parseLogicalType(logicalTypeKeyword(code)), code);
    EXPECT_EQ(logicalTypeKeyword(50108), nullptr);
    for (int code = 1; code <= 12; ++code)
        EXPECT_EQ(parsePhysicalType(physicalTypeKeyword(code)), code) << code;
    for (int code = 0; code <= 3; ++code)
        EXPECT_EQ(parseLengthUnits(lengthUnitsKeyword(code)), code) << code;
    for (int code = 1; code <= 4; ++code)
        EXPECT_EQ(parseSignOrientation(signedKeyword(code)), code) << code;
    for (int code = 0; code <= 4; ++code)
        EXPECT_EQ(parseRender(renderKeyword(code)), code) << code;
    for (int code = 1; code <= 7; ++code)
        EXPECT_EQ(parseComposition(compositionKeyword(code)), code) << code;
    for (int code = 1; code <= 3; ++code)
        EXPECT_EQ(parseTypeContent(typeContentKeyword(code)), code) << code;
    for (int code = 1; code <= 9; ++code)
        EXPECT_EQ(parseRole(roleKeyword(code)), code) << code;
    EXPECT_EQ(physicalTypeKeyword(13), nullptr);
    EXPECT_EQ(compositionKeyword(0), nullptr);
}

TEST(ExportKeywords, AttributeValuesEscapeWhatTheReaderWouldTakeOtherwise) {
    EXPECT_EQ(quotedAttributeValue("plain"), "\"plain\"");
    EXPECT_EQ(quotedAttributeValue("a&b <!-- \"q\" 'x' >"), "\"a&amp;b &lt;!-- &quot;q&quot; 'x' &gt;\"");
    EXPECT_EQ(quotedAttributeValue("tab\there\x1f"), "\"tab&#x09;here&#x1F;\"");
    EXPECT_EQ(quotedAttributeValue("\xC3\xBC"), "\"\xC3\xBC\"");
}

// A message set with one CWF and one TDS tab, a type T with one member using
// element E (decimal), and whatever the test adds.
struct SmallSet {
    StoredMessageSet set;
    SmallSet() {
        set.name = "S";
        set.pluginMembers = {{1, 5, 1, 1, 0, "WebDav", "", 0},
                             {2, 4, 2, 1, 0, "Cwf", "", 0},
                             {3, 7, 3, 1, 0, "Tds", "", 0}};
        StoredType type;
        type.id = 100000;
        type.identifier = "T";
        type.category = 3;
        type.composition = 6;
        type.content = 1;
        type.name = "T";
        set.types.push_back(type);
        StoredElement element;
        element.id = 100001;
        element.identifier = "E";
        element.typeId = 50224;
        element.name = "E";
        set.elements.push_back(element);
        StoredTypeMember member;
        member.id = 100002;
        member.typeId = 100000;
        member.childId = 100001;
        member.childClass = 103;
        member.sequence = 1;
        member.tagHint = "ECxTg";
        set.typeMembers.push_back(member);
    }
    void memberAttribute(int tab, int key, const char* name, const char* type, int minLength, int maxLength,
                         const std::string& value) {
        StoredAttribute row;
        row.id = static_cast<std::int32_t>(set.memberAttributes.size() + 1);
        row.ownerId = 100000;
        row.ownerClass = 104;
        row.memberId = 100002;
        row.memberClass = 103;
        row.name = name;
        row.type = type;
        row.group = tab == 2 ? "Cwf" : "Tds";
        row.flags = tab == 2 ? 1073741824 : 0;
        row.minLength = minLength;
        row.maxLength = maxLength;
        row.pluginMemberId = tab;
        row.key = key;
        row.value = value;
        set.memberAttributes.push_back(row);
    }
    void elementAttribute(int key, const char* name, const char* type, const std::string& value) {
        StoredAttribute row;
        row.id = static_cast<std::int32_t>(set.attributes.size() + 1);
        row.ownerId = 100001;
        row.ownerClass = 103;
        row.name = name;
        row.type = type;
        row.group = "Tds";
        row.minLength = 0;
        row.maxLength = 254;
        row.pluginMemberId = 3;
        row.key = key;
        row.value = value;
        set.attributes.push_back(row);
    }
    std::string memberLine() {
        DefinitionsExport exported = exportDefinitions(set);
        std::size_t at = exported.text.find("  <Element ref=");
        return exported.text.substr(at, exported.text.find('\n', at) - at);
    }
};

TEST(DefinitionsExport, PerUseSettingsComeFromTheMemberRowsWithTheDefaultsTheyNeed) {
    SmallSet s;
    // Justification on a decimal element needs Extended Decimal, its default,
    // which has no row of its own.
    s.memberAttribute(2, 6, "String Justification", "enum", 1, 1, "R");
    s.memberAttribute(2, 2, "Length", "integer", 0, 10, "12");
    EXPECT_EQ(s.memberLine(), "  <Element ref=\"E\" physicalType=\"Extended Decimal\" length=\"12\" justification=\"R\"/>");
}

TEST(DefinitionsExport, AnElementLengthThatWroteNoRowForAUseIsKeptOutOfIt) {
    SmallSet s;
    s.elementAttribute(28, "Length", "integer", "4");
    EXPECT_EQ(s.memberLine(), "  <Element ref=\"E\" length=\"0\"/>");
    EXPECT_NE(exportDefinitions(s.set).text.find("<Element ident=\"E\" type=\"decimal\" length=\"4\"/>"),
              std::string::npos);
}

TEST(DefinitionsExport, RepeatIndicatorsComeFromOccurrencesOrAreCounted) {
    SmallSet s;
    s.set.typeMembers[0].repeats = 1;
    EXPECT_EQ(s.memberLine(), "  <Element ref=\"E\" maxOccurs=\"unbounded\"/>");
    s.set.typeMembers[0].maxOccurs = "1";
    DefinitionsExport exported = exportDefinitions(s.set);
    ASSERT_EQ(exported.omissions.size(), 1u);
    EXPECT_EQ(exported.omissions[0].first, "member repeat indicators the definitions format cannot give");
    s.set.typeMembers[0].minOccurs = "2";
    EXPECT_TRUE(exportDefinitions(s.set).omissions.empty());
}

TEST(DefinitionsExport, ATypeLabelWithHyphensComesBackFromTheHintsOfItsUses) {
    SmallSet s;
    s.set.types[0].name = "order_line";
    StoredType outer = s.set.types[0];
    outer.id = 100003;
    outer.identifier = "Outer";
    outer.name = "Outer";
    s.set.types.push_back(outer);
    StoredTypeMember use = s.set.typeMembers[0];
    use.id = 100004;
    use.typeId = 100003;
    use.childId = 100000;
    use.childClass = 104;
    use.tagHint = "order-lineCxTg";
    s.set.typeMembers.push_back(use);
    DefinitionsExport exported = exportDefinitions(s.set);
    EXPECT_NE(exported.text.find("<Type ident=\"T\" name=\"order-line\""), std::string::npos) << exported.text;
    EXPECT_TRUE(exported.omissions.empty());
}

TEST(DefinitionsExport, WhatNoAttributeGivesIsCountedByKind) {
    SmallSet s;
    // The same property with another value in a second CWF tab.
    s.set.pluginMembers.push_back({4, 4, 4, 1, 0, "Cwf2", "", 0});
    s.memberAttribute(2, 2, "Length", "integer", 0, 10, "12");
    s.memberAttribute(2, 2, "Length", "integer", 0, 10, "14");
    s.set.memberAttributes.back().pluginMemberId = 4;
    s.set.memberAttributes.back().group = "Cwf2";
    // A member attribute of a key no attribute writes, twice.
    s.memberAttribute(2, 9, "Format String", "string", 0, 254, "x");
    s.memberAttribute(2, 9, "Format String", "string", 0, 254, "x");
    s.set.otherRows.emplace_back("M_CONST_DEF", 3);
    DefinitionsExport exported = exportDefinitions(s.set);
    std::vector<std::pair<std::string, long>> expected{
        {"member attribute rows the definitions format has no attribute for", 2},
        {"properties that differ between the wire formats of one kind", 1},
        {"rows of table M_CONST_DEF, which no definition describes", 3}};
    EXPECT_EQ(exported.omissions, expected);
}

TEST(CanonicalRows, IdsDatesAndUuidsGiveWayToWhatTheyStandFor) {
    SmallSet s;
    StoredAttribute uuid;
    uuid.id = 7;
    uuid.ownerId = 100001;
    uuid.ownerClass = 103;
    uuid.name = "uuid";
    uuid.type = "string";
    uuid.group = "WebDav";
    uuid.pluginMemberId = 1;
    uuid.key = 10;
    uuid.value = "0f8fad5b-d9cb-469f-a165-70867728950e";
    s.set.attributes.push_back(uuid);
    StoredAttribute cName = uuid;
    cName.id = 1234;
    cName.name = "C Language Name";
    cName.value = "E1234";
    s.set.attributes.push_back(cName);
    std::vector<std::string> rows = canonicalRows(s.set);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
    auto has = [&](const std::string& text) {
        return std::any_of(rows.begin(), rows.end(), [&](const std::string& row) { return row.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(has("TYPE_MEMBER member type \"T\"#1 child=element \"E\" class=103"));
    EXPECT_TRUE(has("owner=element \"E\" class=103 name=\"uuid\""));
    EXPECT_TRUE(has("value=<uuid>"));
    EXPECT_TRUE(has("value=<made from the label>"));
    EXPECT_FALSE(has("100001"));
}

TEST(CanonicalRows, RowsSortedThroughTemporaryFilesComeOutAsSortedInMemory) {
    // Lines that share prefixes, end where others go on, and hold bytes
    // above 127, which sort after the letters.
    std::mt19937 random(7);
    std::vector<std::string> lines;
    for (int i = 0; i < 3000; ++i) {
        std::string line = "M_ATTRIBUTE owner=element \"";
        for (auto n = random() % 6; n > 0; --n)
            line += static_cast<char>("aAz \"\xc3\xa9~"[random() % 8]);
        line += random() % 2 != 0 ? "\" class=103" : "\"";
        lines.push_back(line);
    }
    std::vector<std::string> sorted = lines;
    std::sort(sorted.begin(), sorted.end());
    std::string expected;
    for (const std::string& line : sorted)
        expected += line + "\n";

    for (std::size_t budget : {std::size_t{1} << 30, std::size_t{4096}, std::size_t{1}}) {
        SCOPED_TRACE(budget);
        SortedLines sorter(budget);
        for (const std::string& line : lines)
            sorter.add(line);
        std::string path = testing::TempDir() + "norvak-sorted-" + std::to_string(::getpid()) + ".txt";
        OutputFile output;
        std::string failure;
        ASSERT_TRUE(output.open(path, failure)) << failure;
        ASSERT_TRUE(sorter.writeTo(output, failure)) << failure;
        std::ifstream in(path, std::ios::binary);
        std::ostringstream written;
        written << in.rdbuf();
        std::remove(path.c_str());
        EXPECT_EQ(written.str(), expected);
    }
    SortedLines small(100);
    for (const std::string& line : lines)
        small.add(line);
    EXPECT_EQ(small.lines(), sorted);
}

TEST(CanonicalRows, AttributeRowsTakenAsTheyAreReadGiveTheSameLines) {
    SmallSet s;
    s.memberAttribute(2, 2, "Length", "integer", 0, 10, "12");
    s.elementAttribute(keyTdsTag, "Tag", "string", "E");
    std::vector<std::string> whole = canonicalRows(s.set);

    CanonicalRows streamed(64); // a temporary file for every few lines
    for (const StoredAttribute& row : s.set.attributes)
        streamed.addAttribute(s.set, row, false);
    for (const StoredAttribute& row : s.set.memberAttributes)
        streamed.addAttribute(s.set, row, true);
    s.set.attributes.clear();
    s.set.memberAttributes.clear();
    streamed.addTables(s.set);
    EXPECT_EQ(streamed.lines(), whole);
    EXPECT_TRUE(s.set.types.empty() && s.set.typeMembers.empty()) << "the set's tables go as their rows are taken";
}

// A definition without an identifier, or whose identifier names another
// definition too, is left out of the file and counted, and so is everything
// that refers to it: the rest of the file imports.
TEST(DefinitionsExport, DefinitionsWithoutAUsableIdentifierAreLeftOutWithWhatRefersToThem) {
    SmallSet s;
    StoredElement second = s.set.elements[0];
    second.id = 100005;
    second.identifier = "Len";
    second.name = "Len";
    s.set.elements.push_back(second);
    StoredValue value;
    value.id = 100006;
    value.identifier = "T"; // the type's identifier as well
    value.typeId = 50224;
    value.text = "1";
    value.name = "T";
    s.set.values.push_back(value);
    s.set.valueMembers.push_back({100007, 100001, 100006, 103, 1, 6, 0, 0});
    StoredMessage message;
    message.id = 100008;
    message.identifier = "M";
    message.typeId = 100000;
    message.name = "M";
    s.set.messages.push_back(message);
    s.set.elements[1].identifier = ""; // Len: no identifier
    s.memberAttribute(2, 3, "Length Reference", "COMPONENT:ELEMENT", 0, 10, "100005");

    DefinitionsExport exported = exportDefinitions(s.set);
    EXPECT_EQ(exported.text.find("ident=\"\""), std::string::npos) << exported.text;
    EXPECT_EQ(exported.text.find("<Type ident=\"T\""), std::string::npos) << exported.text;
    EXPECT_EQ(exported.text.find("<Value"), std::string::npos) << exported.text;
    EXPECT_EQ(exported.text.find("<Message"), std::string::npos) << exported.text;
    EXPECT_NE(exported.text.find("<Element ident=\"E\" type=\"decimal\"/>"), std::string::npos) << exported.text;
    std::vector<std::pair<std::string, long>> expected{
        {"definitions without an identifier", 1},
        {"identifiers that name more than one definition", 2},
        {"messages whose type is left out", 1},
        {"value uses whose value is left out", 1}};
    EXPECT_EQ(exported.omissions, expected);

    // A message whose type is not in the set is left out too: the import
    // requires one.
    SmallSet other;
    message.typeId = 999999;
    other.set.messages.push_back(message);
    exported = exportDefinitions(other.set);
    EXPECT_EQ(exported.text.find("<Message"), std::string::npos) << exported.text;
}

TEST(DefinitionsExport, EveryMessageSetNameNorvakinitTakesIsWritten) {
    SmallSet s;
    s.set.name = std::string(127, 'n');
    EXPECT_NE(exportDefinitions(s.set).text.find("<ZEPImport messageSet=\"" + s.set.name + "\"/>"), std::string::npos);
    s.set.name += "n"; // only another tool writes a longer one
    DefinitionsExport exported = exportDefinitions(s.set);
    EXPECT_NE(exported.text.find("<ZEPImport/>"), std::string::npos);
    ASSERT_EQ(exported.omissions.size(), 1u);
    EXPECT_EQ(exported.omissions[0].first.rfind("message set names longer than 127 bytes", 0), 0u);
}

} // namespace
} // namespace norvak
