// Tests of the table of attribute rows: its lookups, its vocabularies, and the reader and export that use it.
#include "unit/TestRun.h"

#include "dbsession/RepositorySchema.h"
#include "import/model/AttributeRows.h"
#include "import/model/DefinitionRecord.h"
#include "import/model/TabDefinitions.h"
#include "import/reader/AttributeHandlers.h"
#include "tools/export/DefinitionsExport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvak::test {
namespace {

std::string describe(const AttributeRow& row) {
    return std::string(row.name) + " (key " + std::to_string(row.key) + ")";
}

// Each row is found again by its owner, wire format and key, and by its
// name: no two rows of an owner and wire format share a key or a name, and
// the rows of an owner and wire format come in the table's order.
TEST(AttributeRows, EachRowIsFoundByItsKeyAndByItsNameAndInItsPlace) {
    for (const AttributeRow* row : attributeRows()) {
        EXPECT_EQ(findAttributeRow(row->owner, row->format, row->key), row) << describe(*row);
        EXPECT_EQ(findAttributeRowNamed(row->owner, row->format, row->name), row) << describe(*row);

        std::vector<const AttributeRow*> expected;
        for (const AttributeRow* other : attributeRows())
            if (other->owner == row->owner && other->format == row->format)
                expected.push_back(other);
        std::span<const AttributeRow* const> found = attributeRowsOf(row->owner, row->format);
        EXPECT_EQ(std::vector<const AttributeRow*>(found.begin(), found.end()), expected) << describe(*row);
    }
    EXPECT_EQ(findAttributeRow(RowOwner::member, WireFormat::cwf, 9), nullptr);
    EXPECT_EQ(findAttributeRow(RowOwner::element, WireFormat::cwf, rows::tdsElementTag.key), nullptr);
    EXPECT_EQ(findAttributeRowNamed(RowOwner::type, WireFormat::tds, "Tag"), nullptr);
    EXPECT_TRUE(attributeRowsOf(RowOwner::type, WireFormat::cwf).empty());
}

// The export writes a code as the first word of it; the reader takes that
// word back as the same code, for every code a vocabulary has.
TEST(AttributeRows, TheWordWrittenForEachCodeReadsBackAsThatCode) {
    for (const AttributeRow* row : attributeRows()) {
        for (const KeywordCode& word : row->words) {
            const char* written = wordOfCode(row->words, word.code);
            ASSERT_NE(written, nullptr) << describe(*row);
            int code = -100;
            EXPECT_TRUE(codeOfWord(row->words, written, code)) << describe(*row) << " " << written;
            EXPECT_EQ(code, word.code) << describe(*row) << " " << written;
        }
    }
    EXPECT_EQ(wordOfCode(physicalTypeWords, physicalNone), nullptr);
    int code = 0;
    EXPECT_FALSE(codeOfWord(physicalTypeWords, "integer", code)) << "the words are taken in their exact case";
}

// Every attribute of the file the table names is one the reader's handler
// of its tag knows.
TEST(AttributeRows, TheReaderTakesEveryAttributeTheTableNames) {
    for (const AttributeRow* row : attributeRows()) {
        if (row->keyword == nullptr)
            continue;
        TestRun t;
        std::string text = row->words.empty() ? "1" : row->words.front().text;
        std::vector<char> value(text.begin(), text.end());
        value.push_back('\0');
        DefinitionRecord record;
        CwfTabDefinition cwfTab;
        TdsTabDefinition tdsTab;
        XmlTabDefinition xmlTab;
        if (row->owner == RowOwner::tab && row->format == WireFormat::cwf)
            getAttrValueCWFTab(t.run, t.run, row->keyword, value.data(), cwfTab);
        else if (row->owner == RowOwner::tab && row->format == WireFormat::tds)
            getAttrValueTDSTab(t.run, t.run, row->keyword, value.data(), tdsTab);
        else if (row->owner == RowOwner::tab)
            getAttrValueXMLTab(t.run, t.run, row->keyword, value.data(), xmlTab);
        else if (row->owner == RowOwner::type)
            getAttrValueType(t.run, t.run, row->keyword, value.data(), record);
        else
            getAttrValueElem(t.run, t.run, row->keyword, value.data(), record);
        EXPECT_EQ(t.output().find("unrecognized attribute"), std::string::npos)
            << describe(*row) << ": " << row->keyword << "\n"
            << t.output();
    }
}

// A message set with a TDS and an XML tab, a type T and an element E.
struct TabbedSet {
    StoredMessageSet set;
    TabbedSet() {
        set.name = "S";
        set.pluginMembers = {{3, pluginTdsTab, 1, 1, 0, "Tds", "", 0}, {4, pluginXmlTab, 2, 1, 0, "Xml", "", 0}};
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
        element.typeId = 50105;
        element.name = "E";
        set.elements.push_back(element);
    }
    // One row of the row's form for each tab of its wire format.
    void add(const AttributeRow& form, int maxLength) {
        StoredAttribute row;
        row.id = static_cast<std::int32_t>(set.attributes.size() + 1);
        row.ownerId = form.owner == RowOwner::type ? 100000 : 100001;
        row.ownerClass = form.owner == RowOwner::type ? 104 : 103;
        row.name = form.name;
        row.type = form.type;
        row.group = form.format == WireFormat::tds ? "Tds" : "Xml";
        row.minLength = form.minLength;
        row.maxLength = maxLength;
        row.pluginMemberId = form.format == WireFormat::tds ? 3 : 4;
        row.key = form.key;
        row.value = "v";
        set.attributes.push_back(row);
    }
};

// The export writes an item's property row of the table's form as the
// attribute the table names, and counts one of another form.
TEST(AttributeRows, TheExportWritesAnItemPropertyOfTheTablesFormAsItsAttribute) {
    for (RowOwner owner : {RowOwner::element, RowOwner::type}) {
        for (WireFormat format : {WireFormat::tds, WireFormat::xml}) {
            for (const AttributeRow* row : attributeRowsOf(owner, format)) {
                const std::string attribute = row->keyword != nullptr ? std::string(row->keyword) + "=\"v\"" : "=\"v\"";
                TabbedSet exact;
                exact.add(*row, row->maxLength);
                DefinitionsExport written = exportDefinitions(exact.set);
                EXPECT_EQ(written.text.find(attribute) != std::string::npos, row->keyword != nullptr)
                    << describe(*row) << "\n"
                    << written.text;
                EXPECT_EQ(written.omissions.empty(), row->keyword != nullptr) << describe(*row);

                TabbedSet other;
                other.add(*row, row->maxLength - 1);
                written = exportDefinitions(other.set);
                EXPECT_EQ(written.text.find("=\"v\""), std::string::npos) << describe(*row);
                EXPECT_FALSE(written.omissions.empty()) << describe(*row);
            }
        }
    }
}

} // namespace
} // namespace norvak::test
