// Tests of the model of a definitions text imported into a message set held in memory.
#include "import/driver/ScratchImport.h"
#include "setmodel/MessageSetModel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

// A definitions file read as a message set without a repository: the rows
// its import makes, as their model, with the properties each use of an
// element gets from the import's rules.

namespace norvak {
namespace {

const std::string definitions = "<CWFTab name=\"Bin\" ident=\"CWF1\"/>\n"
                                "<TDSTab name=\"Tagged\" ident=\"TDS1\" msgStd=\"UNKNOWN\" tagDataSep=\"=\"/>\n"
                                "<Element ident=\"Count\" type=\"integer\" tag=\"CNT\"/>\n"
                                "<Element ident=\"Name\" type=\"string\" length=\"40\" physicalType=\"fixed\"/>\n"
                                "<Type ident=\"Rec\" composition=\"sequence\">\n"
                                "  <Element ref=\"Name\"/>\n"
                                "  <Element ref=\"Count\" length=\"2\"/>\n"
                                "  <Element ref=\"Count\"/>\n"
                                "</Type>\n"
                                "<Message ident=\"Msg\" type=\"Rec\"/>\n";

// "member 2", "element CNT", "default 4", or "-" when the property has none.
std::string property(const MessageSetModel& model, const ModelMember& member, const ModelPlugin& tab,
                     const char* name) {
    EffectiveProperties properties = model.effectiveProperties(member, tab);
    auto found = properties.find(name);
    if (found == properties.end())
        return "-";
    const char* source = found->second.source == PropertySource::member    ? "member "
                         : found->second.source == PropertySource::element ? "element "
                                                                           : "default ";
    return source + found->second.value.value_or("null");
}

TEST(SetModelImport, ADefinitionsTextReadsAsAModelWithTheImportsProperties) {
    ScratchImport outcome;
    std::optional<ModelledSet> modelled = importIntoModel(definitions, "rec.xml", "", nullptr, outcome);
    ASSERT_TRUE(modelled) << outcome.report;
    const MessageSetModel& model = modelled->model();

    const ModelType* record = model.typeNamed("Rec");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(model.messageNamed("Msg")->type, record);
    ASSERT_EQ(record->members.size(), 3U);
    const ModelMember& name = *record->members[0];
    const ModelMember& shortCount = *record->members[1];
    const ModelMember& count = *record->members[2];
    EXPECT_EQ(name.childElement, model.elementNamed("Name"));
    EXPECT_EQ(count.childElement, model.elementNamed("Count"));
    ASSERT_EQ(model.tabs(WireFormat::cwf).size(), 1U);
    ASSERT_EQ(model.tabs(WireFormat::tds).size(), 1U);
    const ModelPlugin& bin = *model.tabs(WireFormat::cwf).front();
    const ModelPlugin& tagged = *model.tabs(WireFormat::tds).front();

    // The import writes the length of each use; the defaults of the logical
    // type it leaves unwritten.
    EXPECT_EQ(property(model, name, bin, "Length"), "member 40");
    EXPECT_EQ(property(model, name, bin, "Physical Type"), "default 8");
    EXPECT_EQ(property(model, shortCount, bin, "Length"), "member 2");
    EXPECT_EQ(property(model, count, bin, "Length"), "default 4");
    EXPECT_EQ(property(model, count, bin, "Physical Type"), "default 1");
    // The tag is the element's, the same in each use.
    EXPECT_EQ(property(model, shortCount, tagged, "Tag"), "element CNT");
    EXPECT_EQ(property(model, count, tagged, "Tag"), "element CNT");
    EXPECT_EQ(property(model, count, tagged, "Physical Type"), "-");

    ScratchImport refused;
    EXPECT_FALSE(importIntoModel("<Element ident=\"X\" type=\"nothing\"/>\n", "bad.xml", "", nullptr, refused));
    EXPECT_FALSE(refused.imported);
    EXPECT_NE(refused.report, "");
}

} // namespace
} // namespace norvak
