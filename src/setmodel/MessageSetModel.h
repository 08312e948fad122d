#pragma once

#include "import/model/AttributeRows.h"
#include "setmodel/StoredMessageSet.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace norvak {

// The kind of item a row describes.
enum class ItemKind { none, type, element, message, value };

// The wire format a plugin member is a tab of (the model's WireFormat of
// the attribute rows); none for the other plugin members (language
// bindings, the uuid plugin).
WireFormat wireFormatOf(int pluginKey);

struct ModelMember;
struct ModelValueUse;

// Each item points at its row, which keeps every field as stored, and at
// what the row refers to, resolved within the set (nullptr for what the set
// does not hold). `attributes` are its M_ATTRIBUTE rows in the order read,
// when the model holds attribute rows.
struct ModelType {
    const StoredType* row = nullptr;
    // Its members in the order of their sequence numbers (equal numbers in
    // the order read).
    std::vector<const ModelMember*> members;
    std::vector<const StoredAttribute*> attributes;
};

struct ModelElement {
    const StoredElement* row = nullptr;
    const ModelType* type = nullptr; // a type of the set
    int logicalType = 0;             // its logical type, 0 when its type is one of a set
    // Its value uses (those of class element naming it) by sequence number.
    std::vector<const ModelValueUse*> valueUses;
    std::vector<const StoredAttribute*> attributes;
};

struct ModelMessage {
    const StoredMessage* row = nullptr;
    const ModelType* type = nullptr;
    std::vector<const StoredAttribute*> attributes;
};

struct ModelValue {
    const StoredValue* row = nullptr;
    const ModelType* type = nullptr; // a type of the set; most values have a logical type
    int logicalType = 0;
    std::vector<const StoredAttribute*> attributes;
};

// A member of a type: the type it belongs to and the item it uses, found by
// the member's child class and id. `position` is its place in its type's
// members, from 1.
struct ModelMember {
    const StoredTypeMember* row = nullptr;
    const ModelType* type = nullptr;
    ItemKind childKind = ItemKind::none;
    const ModelType* childType = nullptr;
    const ModelElement* childElement = nullptr;
    const ModelMessage* childMessage = nullptr;
    int position = 0;
    // Its M_MEMBER_ATTRIBUTE rows (those whose child member id is its id).
    std::vector<const StoredAttribute*> attributes;
};

struct ModelValueUse {
    const StoredValueMember* row = nullptr;
    const ModelElement* element = nullptr; // when its parent is an element of the set
    const ModelValue* value = nullptr;
};

// A plugin member; a wire-format tab has its format and its setting rows
// (M_ATTRIBUTE rows of component 0, class 1, naming it).
struct ModelPlugin {
    const StoredPluginMember* row = nullptr;
    WireFormat format = WireFormat::none;
    std::vector<const StoredAttribute*> settings;
};

// Where a property that counts for a use of an element comes from.
enum class PropertySource { member, element, logicalDefault };

struct EffectiveProperty {
    PropertySource source = PropertySource::member;
    // The row that gives it; nullptr for the logical type's default.
    const StoredAttribute* row = nullptr;
    // The row's value, or the default as the import would write it.
    std::optional<std::string> value;
};

// The properties of one use of an element in one tab, by row name.
using EffectiveProperties = std::map<std::string, EffectiveProperty, std::less<>>;

// A message set's rows read as a whole: every item, member, value use and
// plugin member with its references resolved, looked up by id through hash
// maps and by identifier. Made once from the rows, which it points into:
// the set must stay where it is, unchanged, while the model is used.
//
// The attribute rows are optional: a model made without them (a reader that
// takes the rows one at a time through the set's attributeSink needs only
// the items and plugin members, read by then) takes rows later with
// addAttribute, each a row that outlives the model.
class MessageSetModel {
  public:
    explicit MessageSetModel(const StoredMessageSet& set, bool withAttributes = true);
    MessageSetModel(const MessageSetModel&) = delete;
    MessageSetModel& operator=(const MessageSetModel&) = delete;
    MessageSetModel(MessageSetModel&&) noexcept = default;
    MessageSetModel& operator=(MessageSetModel&&) noexcept = default;
    ~MessageSetModel();

    void addAttribute(const StoredAttribute& row, bool ofMember);

    const StoredMessageSet& rows() const { return *set_; }

    // By id; nullptr when the set holds none. Where ids repeat within a
    // table, the first row read counts.
    const ModelType* type(std::int32_t id) const;
    const ModelElement* element(std::int32_t id) const;
    const ModelMessage* message(std::int32_t id) const;
    const ModelValue* value(std::int32_t id) const;
    const ModelMember* member(std::int32_t id) const;
    const ModelPlugin* plugin(std::int32_t id) const;

    // By identifier, exactly as stored; the first row read of it counts.
    const ModelType* typeNamed(std::string_view identifier) const;
    const ModelElement* elementNamed(std::string_view identifier) const;
    const ModelMessage* messageNamed(std::string_view identifier) const;
    const ModelValue* valueNamed(std::string_view identifier) const;

    // Every item of a table, in the order read.
    const std::vector<ModelType>& types() const { return types_; }
    const std::vector<ModelElement>& elements() const { return elements_; }
    const std::vector<ModelMessage>& messages() const { return messages_; }
    const std::vector<ModelValue>& values() const { return values_; }
    const std::vector<ModelMember>& members() const { return members_; }
    const std::vector<ModelValueUse>& valueUses() const { return valueUses_; }
    const std::vector<ModelPlugin>& plugins() const { return plugins_; }
    // The members of a type id, in sequence order, whether or not the set
    // holds the type.
    const std::vector<const ModelMember*>& membersOfType(std::int32_t typeId) const;
    // The plugin members in the order of their sequence numbers, and the
    // tabs of one wire format in that order.
    const std::vector<const ModelPlugin*>& pluginsInSequence() const { return pluginsInSequence_; }
    const std::vector<const ModelPlugin*>& tabs(WireFormat format) const;

    // The properties that count for a member's use of its element in one
    // tab, by row name: the member's own row over its element's row of the
    // same name, and in a custom wire format tab the element's logical
    // type's default where the import writes no row (its physical type and
    // the length that goes with it). Rows of other tabs do not count. A
    // member of a type or message has only its own rows.
    EffectiveProperties effectiveProperties(const ModelMember& member, const ModelPlugin& tab) const;

    // The members go: for a reader that lets go of the member rows before it
    // is done with the rest.
    void forgetMembers();

  private:
    void index(bool withAttributes);
    void indexMembers();
    void indexValueUses();
    void indexPlugins();

    const StoredMessageSet* set_;
    std::vector<ModelType> types_;
    std::vector<ModelElement> elements_;
    std::vector<ModelMessage> messages_;
    std::vector<ModelValue> values_;
    std::vector<ModelMember> members_;
    std::vector<ModelValueUse> valueUses_;
    std::vector<ModelPlugin> plugins_;
    std::unordered_map<std::int32_t, ModelType*> typeIds_;
    std::unordered_map<std::int32_t, ModelElement*> elementIds_;
    std::unordered_map<std::int32_t, ModelMessage*> messageIds_;
    std::unordered_map<std::int32_t, ModelValue*> valueIds_;
    std::unordered_map<std::int32_t, ModelMember*> memberIds_;
    std::unordered_map<std::int32_t, ModelPlugin*> pluginIds_;
    std::unordered_map<std::string_view, const ModelType*> typeIdentifiers_;
    std::unordered_map<std::string_view, const ModelElement*> elementIdentifiers_;
    std::unordered_map<std::string_view, const ModelMessage*> messageIdentifiers_;
    std::unordered_map<std::string_view, const ModelValue*> valueIdentifiers_;
    // The members of type ids the set holds no type of.
    std::unordered_map<std::int32_t, std::vector<const ModelMember*>> membersOfOtherTypes_;
    std::vector<const ModelPlugin*> pluginsInSequence_;
    std::vector<const ModelPlugin*> tabs_[4];
};

// A message set's rows with the model made of them, held together so that
// the model's pointers stay good wherever the pair goes.
class ModelledSet {
  public:
    explicit ModelledSet(StoredMessageSet rows);
    const StoredMessageSet& rows() const { return *rows_; }
    const MessageSetModel& model() const { return model_; }

  private:
    std::unique_ptr<StoredMessageSet> rows_;
    MessageSetModel model_;
};

} // namespace norvak
