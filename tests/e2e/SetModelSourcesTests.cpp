// Tests of a message set's model read from a repository and from its definitions file: the same model.
#include "e2e/TestRepository.h"

#include "import/driver/ScratchImport.h"
#include "setmodel/MessageSetModel.h"
#include "support/Output.h"
#include "tools/StoredSetReading.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

// What reads a message set works with and without a database: a set's
// model read from its stored rows (in one read-only transaction) and the
// model of the definitions file it was imported from (through the import
// into a repository held in memory) hold the same items, members and
// properties of every use of an element in every tab.

namespace norvak::test {
namespace {

const char* sourceName(PropertySource source) {
    switch (source) {
    case PropertySource::member:
        return "member";
    case PropertySource::element:
        return "element";
    case PropertySource::logicalDefault:
        break;
    }
    return "default";
}

// One line per type, member and property of a use in a tab, by identifiers
// and names only (ids differ between the two).
std::string describe(const MessageSetModel& model) {
    std::ostringstream text;
    for (const ModelMessage& message : model.messages())
        text << "message " << message.row->identifier << " of "
             << (message.type != nullptr ? message.type->row->identifier : "?") << "\n";
    for (const ModelType& type : model.types()) {
        text << "type " << type.row->identifier << "\n";
        for (const ModelMember* member : type.members) {
            text << "  member " << member->row->sequence << " "
                 << (member->childElement != nullptr ? member->childElement->row->identifier
                     : member->childType != nullptr  ? member->childType->row->identifier
                                                     : "?")
                 << "\n";
            for (const ModelPlugin& tab : model.plugins()) {
                if (tab.format == WireFormat::none || member->childElement == nullptr)
                    continue;
                for (const auto& [name, property] : model.effectiveProperties(*member, tab))
                    text << "    " << tab.row->name << " " << name << " = " << property.value.value_or("(null)")
                         << " from " << sourceName(property.source) << "\n";
            }
        }
    }
    return text.str();
}

class SetModelSources : public OrdersTest {};

TEST_P(SetModelSources, AStoredSetAndTheFileItCameFromGiveTheSameModel) {
    const std::string orders = readFile(sourcePath("examples/orders.xml"));
    ASSERT_EQ(load(orders).exitCode, 0);

    ToolOptions values;
    values.dataSource = repo().connectionString();
    values.user = repo().user();
    values.password = repo().password();
    values.messageSet = "Orders";
    Output out;
    Diagnostics diagnostics(out);
    std::optional<ModelledSet> stored;
    ASSERT_EQ(readStoredModel(diagnostics, values, stored, true, "test"), StoredSetRead::read) << out.text();
    ASSERT_TRUE(stored);

    ScratchImport outcome;
    std::optional<ModelledSet> fromFile = importIntoModel(orders, "orders.xml", "Orders", &stored->rows(), outcome);
    ASSERT_TRUE(fromFile) << outcome.report;

    const std::string storedModel = describe(stored->model());
    EXPECT_NE(storedModel.find("Physical Type"), std::string::npos) << storedModel;
    EXPECT_EQ(describe(fromFile->model()), storedModel);
}

INSTANTIATE_TEST_SUITE_P(, SetModelSources, allBackends(), backendParamName);

} // namespace
} // namespace norvak::test
