// Tests of the model of a message set's rows, built from rows made in the test (no database).
#include "setmodel/MessageSetModel.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

// The model links no database session: these tests link only the set
// model, the definitions model and the support layer.

namespace norvak {
namespace {

enum : int { kString = 50105, kInteger = 50106, kFloat = 50107 };
enum : int { kClassMessage = 102, kClassElement = 103, kClassType = 104, kClassValue = 106 };
enum : int { kUuidPlugin = 5, kCwfPlugin = 4, kXmlPlugin = 6, kTdsPlugin = 7 };

// A set with a uuid plugin, two CWF tabs (their sequence numbers the other
// way round from their ids), a TDS tab; a type "T" whose members are read
// out of sequence; integer, string and float elements; a message of "T"; a
// value used by "Count".
struct Rows {
    StoredMessageSet set;

    Rows() {
        set.pluginMembers = {{1, kUuidPlugin, 1, 1, 0, "WebDav", std::nullopt, 0},
                             {2, kCwfPlugin, 3, 1, 0, "CwfB", std::nullopt, 0},
                             {3, kCwfPlugin, 2, 1, 0, "CwfA", std::nullopt, 0},
                             {4, kTdsPlugin, 4, 1, 0, "Tds", std::nullopt, 0}};
        type(100000, "T");
        type(100001, "Inner");
        element(100010, "Count", kInteger);
        element(100011, "Note", kString);
        element(100012, "Ratio", kFloat);
        element(100013, "Nested", 100001);
        element(100014, "Plain", kInteger);
        set.messages.push_back({100020, "Order", 100000, 0, "Order", 0, 0});
        set.values.push_back({100030, "Zero", kInteger, "0", "Zero", 0, 0});
        member(100040, 100010, kClassElement, 3);
        member(100041, 100011, kClassElement, 1);
        member(100042, 100010, kClassElement, 2);
        member(100043, 100001, kClassType, 4);
        member(100044, 100012, kClassElement, 5);
        member(100045, 100014, kClassElement, 6);
        set.valueMembers.push_back({100050, 100010, 100030, kClassElement, 1, 6, 0, 0});
    }

    void type(std::int32_t id, const char* identifier) {
        StoredType row;
        row.id = id;
        row.identifier = identifier;
        row.name = identifier;
        set.types.push_back(row);
    }
    void element(std::int32_t id, const char* identifier, std::int32_t typeId) {
        set.elements.push_back({id, identifier, typeId, std::nullopt, identifier, 0, 0});
    }
    void member(std::int32_t id, std::int32_t childId, std::int32_t childClass, std::int32_t sequence) {
        StoredTypeMember row;
        row.id = id;
        row.typeId = 100000;
        row.childId = childId;
        row.childClass = childClass;
        row.sequence = sequence;
        set.typeMembers.push_back(row);
    }
    // A row of an item (M_ATTRIBUTE) or of a member (M_MEMBER_ATTRIBUTE) in a tab.
    StoredAttribute attribute(std::int32_t owner, std::int32_t ownerClass, std::int32_t tab, const char* name,
                              const char* value) {
        StoredAttribute row;
        row.id = static_cast<std::int32_t>(200000 + set.attributes.size() + set.memberAttributes.size());
        row.ownerId = owner;
        row.ownerClass = ownerClass;
        row.pluginMemberId = tab;
        row.name = set.intern(name);
        row.type = set.intern("integer");
        row.value = value;
        return row;
    }
    void itemRow(std::int32_t owner, std::int32_t ownerClass, std::int32_t tab, const char* name, const char* value) {
        set.attributes.push_back(attribute(owner, ownerClass, tab, name, value));
    }
    void memberRow(std::int32_t member, std::int32_t tab, const char* name, const char* value) {
        StoredAttribute row = attribute(100000, kClassType, tab, name, value);
        row.memberId = member;
        row.memberClass = kClassElement;
        set.memberAttributes.push_back(row);
    }
};

// The value a property has and where it comes from; "-" when it has none.
std::string property(const EffectiveProperties& properties, const char* name) {
    auto found = properties.find(name);
    if (found == properties.end())
        return "-";
    const char* source = found->second.source == PropertySource::member    ? "member "
                         : found->second.source == PropertySource::element ? "element "
                                                                           : "default ";
    return source + found->second.value.value_or("null");
}

TEST(MessageSetModel, ReferencesResolveAndItemsAreFoundByIdAndIdentifier) {
    Rows rows;
    MessageSetModel model(rows.set);

    const ModelType* type = model.typeNamed("T");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(model.type(100000), type);
    EXPECT_EQ(model.type(100010), nullptr); // an element's id is no type's
    EXPECT_EQ(model.elementNamed("Count"), model.element(100010));
    EXPECT_EQ(model.valueNamed("Zero")->row->text, "0");
    EXPECT_EQ(model.messageNamed("Order")->type, type);
    EXPECT_EQ(model.elementNamed("Nested")->type, model.type(100001));
    EXPECT_EQ(model.elementNamed("Nested")->logicalType, 0);
    EXPECT_EQ(model.elementNamed("Count")->type, nullptr);
    EXPECT_EQ(model.elementNamed("Count")->logicalType, kInteger);
    EXPECT_EQ(model.value(100030)->logicalType, kInteger);

    // The members of a type by sequence number, each knowing its place and child.
    std::string order;
    for (const ModelMember* member : type->members)
        order += std::to_string(member->row->id - 100040) + "@" + std::to_string(member->position) + " ";
    EXPECT_EQ(order, "1@1 2@2 0@3 3@4 4@5 5@6 ");
    EXPECT_EQ(&model.membersOfType(100000), &type->members);
    EXPECT_TRUE(model.membersOfType(123).empty());
    const ModelMember* nested = model.member(100043);
    EXPECT_EQ(nested->type, type);
    EXPECT_EQ(nested->childKind, ItemKind::type);
    EXPECT_EQ(nested->childType, model.type(100001));
    EXPECT_EQ(model.member(100040)->childKind, ItemKind::element);
    EXPECT_EQ(model.member(100040)->childElement, model.element(100010));

    const ModelElement* count = model.element(100010);
    ASSERT_EQ(count->valueUses.size(), 1U);
    EXPECT_EQ(count->valueUses[0]->value, model.value(100030));
    EXPECT_EQ(count->valueUses[0]->element, count);
}

TEST(MessageSetModel, TabsComeInSequenceOrderWithTheirSettings) {
    Rows rows;
    rows.itemRow(0, 1, 2, "Custom Wire Format Identifier", "B");
    rows.itemRow(0, 1, 3, "Custom Wire Format Identifier", "A");
    rows.itemRow(100010, kClassElement, 4, "Tag", "C");
    MessageSetModel model(rows.set);

    ASSERT_EQ(model.tabs(WireFormat::cwf).size(), 2U);
    EXPECT_EQ(model.tabs(WireFormat::cwf)[0]->row->name, "CwfA");
    EXPECT_EQ(model.tabs(WireFormat::cwf)[1]->row->name, "CwfB");
    EXPECT_EQ(model.tabs(WireFormat::tds).size(), 1U);
    EXPECT_TRUE(model.tabs(WireFormat::xml).empty());
    EXPECT_EQ(model.plugin(1)->format, WireFormat::none);
    ASSERT_EQ(model.plugin(3)->settings.size(), 1U);
    EXPECT_EQ(model.plugin(3)->settings[0]->value, "A");
    ASSERT_EQ(model.element(100010)->attributes.size(), 1U);
    EXPECT_EQ(model.element(100010)->attributes[0]->name, "Tag");
}

TEST(MessageSetModel, AttributeRowsAreTakenLaterWhenTheModelIsMadeWithoutThem) {
    Rows rows;
    rows.itemRow(100010, kClassElement, 4, "Tag", "C");
    rows.memberRow(100040, 3, "Length", "2");
    MessageSetModel model(rows.set, false);
    EXPECT_TRUE(model.element(100010)->attributes.empty());
    EXPECT_TRUE(model.member(100040)->attributes.empty());

    model.addAttribute(rows.set.attributes.front(), false);
    model.addAttribute(rows.set.memberAttributes.front(), true);
    EXPECT_EQ(model.element(100010)->attributes.size(), 1U);
    EXPECT_EQ(property(model.effectiveProperties(*model.member(100040), *model.plugin(3)), "Length"), "member 2");
    // A row of a member the set does not hold belongs to nothing.
    StoredAttribute stray = rows.set.memberAttributes.front();
    stray.memberId = 999;
    model.addAttribute(stray, true);
    EXPECT_EQ(model.member(100040)->attributes.size(), 1U);
}

TEST(MessageSetModel, EachUseOfAnElementHasThePropertiesThatCountInEachTab) {
    Rows rows;
    const std::int32_t cwf = 3;
    const std::int32_t tds = 4;
    // "Count": a length row of its own, one use with a length of its own.
    rows.itemRow(100010, kClassElement, cwf, "Length", "2");
    rows.itemRow(100010, kClassElement, tds, "Length", "9");
    rows.memberRow(100040, cwf, "Length", "1");
    rows.memberRow(100040, 2, "Length", "7"); // the other CWF tab
    // "Ratio": rendered as packed, so no default length goes with it.
    rows.memberRow(100044, cwf, "Physical Type", "4");
    rows.memberRow(100043, cwf, "Repeat Count", "3");
    MessageSetModel model(rows.set);
    const ModelPlugin& cwfTab = *model.plugin(cwf);
    const ModelPlugin& tdsTab = *model.plugin(tds);

    EffectiveProperties own = model.effectiveProperties(*model.member(100040), cwfTab);
    EXPECT_EQ(property(own, "Length"), "member 1");
    EXPECT_EQ(own.at("Length").row, &rows.set.memberAttributes[0]);
    EXPECT_EQ(property(model.effectiveProperties(*model.member(100040), *model.plugin(2)), "Length"), "member 7");
    EffectiveProperties taken = model.effectiveProperties(*model.member(100042), cwfTab);
    EXPECT_EQ(property(taken, "Length"), "element 2");
    EXPECT_EQ(taken.at("Length").row, &rows.set.attributes[0]);
    // Neither row: the logical type's default, as the import leaves it unwritten.
    EXPECT_EQ(property(taken, "Physical Type"), "default 1");
    EffectiveProperties plain = model.effectiveProperties(*model.member(100045), cwfTab);
    EXPECT_EQ(property(plain, "Physical Type"), "default 1");
    EXPECT_EQ(property(plain, "Length"), "default 4");
    EXPECT_EQ(plain.at("Length").row, nullptr);
    EffectiveProperties note = model.effectiveProperties(*model.member(100041), cwfTab);
    EXPECT_EQ(property(note, "Physical Type"), "default 8");
    EXPECT_EQ(property(note, "Length"), "-");
    EffectiveProperties packed = model.effectiveProperties(*model.member(100044), cwfTab);
    EXPECT_EQ(property(packed, "Physical Type"), "member 4");
    EXPECT_EQ(property(packed, "Length"), "-");

    // Other tabs: only their own rows, and no defaults outside the custom wire format.
    EffectiveProperties inTds = model.effectiveProperties(*model.member(100040), tdsTab);
    EXPECT_EQ(property(inTds, "Length"), "element 9");
    EXPECT_EQ(property(inTds, "Physical Type"), "-");
    // A member that uses a type has its own rows alone.
    EffectiveProperties ofType = model.effectiveProperties(*model.member(100043), cwfTab);
    EXPECT_EQ(ofType.size(), 1U);
    EXPECT_EQ(property(ofType, "Repeat Count"), "member 3");
}

TEST(MessageSetModel, AModelledSetKeepsItsRowsWhereTheModelPointsWhereverItGoes) {
    Rows rows;
    ModelledSet first(std::move(rows.set));
    const ModelType* type = first.model().typeNamed("T");
    ModelledSet moved = std::move(first);
    EXPECT_EQ(moved.model().typeNamed("T"), type);
    EXPECT_EQ(type->row, &moved.rows().types.front());
    EXPECT_EQ(&moved.model().rows(), &moved.rows());
}

TEST(MessageSetModel, ForgottenMembersAreNoLongerFound) {
    Rows rows;
    MessageSetModel model(rows.set);
    model.forgetMembers();
    EXPECT_EQ(model.member(100040), nullptr);
    EXPECT_TRUE(model.typeNamed("T")->members.empty());
    EXPECT_NE(model.element(100010), nullptr);
}

} // namespace
} // namespace norvak
