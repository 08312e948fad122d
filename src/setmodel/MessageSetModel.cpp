// The model of a message set's rows: references resolved, lookups by id and identifier, effective properties.
#include "setmodel/MessageSetModel.h"

#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "import/model/PhysicalFormatChecks.h"
#include "support/RepositoryCodes.h"
#include "support/StringUtilities.h"

#include <algorithm>
#include <utility>

namespace norvak {

namespace {

// The rows of a custom wire format member that the logical type's defaults stand for.
constexpr std::string_view physicalTypeRow = rows::cwfMemberPhysicalType.name;
constexpr std::string_view lengthRow = rows::cwfMemberLength.name;

std::size_t formatIndex(WireFormat format) {
    return static_cast<std::size_t>(format);
}

template <class Node> const Node* lookUp(const std::unordered_map<std::int32_t, Node*>& map, std::int32_t id) {
    auto found = map.find(id);
    return found == map.end() ? nullptr : found->second;
}

template <class Node>
const Node* lookUp(const std::unordered_map<std::string_view, const Node*>& map, std::string_view identifier) {
    auto found = map.find(identifier);
    return found == map.end() ? nullptr : found->second;
}

// The nodes of one item table, each with its row, indexed by id and identifier.
template <class Node, class Rows>
void indexItems(const Rows& rows, std::vector<Node>& nodes, std::unordered_map<std::int32_t, Node*>& ids,
                std::unordered_map<std::string_view, const Node*>& identifiers) {
    nodes.reserve(rows.size());
    for (const auto& row : rows) {
        Node& node = nodes.emplace_back();
        node.row = &row;
    }
    ids.reserve(nodes.size());
    identifiers.reserve(nodes.size());
    for (Node& node : nodes) {
        ids.emplace(node.row->id, &node);
        identifiers.emplace(node.row->identifier, &node);
    }
}

// Members and value uses in the order of their sequence numbers.
template <class Pointer> void sortBySequence(std::vector<Pointer>& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](Pointer a, Pointer b) { return a->row->sequence < b->row->sequence; });
}

int logicalTypeOf(std::int32_t typeId) {
    return typeId < firstItemId ? typeId : 0;
}

} // namespace

WireFormat wireFormatOf(int pluginKey) {
    switch (pluginKey) {
    case pluginCwfTab:
        return WireFormat::cwf;
    case pluginXmlTab:
        return WireFormat::xml;
    case pluginTdsTab:
        return WireFormat::tds;
    default:
        return WireFormat::none;
    }
}

MessageSetModel::MessageSetModel(const StoredMessageSet& set, bool withAttributes) : set_(&set) {
    index(withAttributes);
}

MessageSetModel::~MessageSetModel() = default;

void MessageSetModel::index(bool withAttributes) {
    indexItems(set_->types, types_, typeIds_, typeIdentifiers_);
    indexItems(set_->elements, elements_, elementIds_, elementIdentifiers_);
    indexItems(set_->messages, messages_, messageIds_, messageIdentifiers_);
    indexItems(set_->values, values_, valueIds_, valueIdentifiers_);
    for (ModelElement& element : elements_) {
        element.type = type(element.row->typeId);
        element.logicalType = logicalTypeOf(element.row->typeId);
    }
    for (ModelMessage& message : messages_)
        message.type = type(message.row->typeId);
    for (ModelValue& value : values_) {
        value.type = type(value.row->typeId);
        value.logicalType = logicalTypeOf(value.row->typeId);
    }
    indexMembers();
    indexValueUses();
    indexPlugins();
    if (!withAttributes)
        return;
    for (const StoredAttribute& row : set_->attributes)
        addAttribute(row, false);
    for (const StoredAttribute& row : set_->memberAttributes)
        addAttribute(row, true);
}

void MessageSetModel::indexMembers() {
    members_.reserve(set_->typeMembers.size());
    memberIds_.reserve(set_->typeMembers.size());
    for (const StoredTypeMember& row : set_->typeMembers) {
        ModelMember& member = members_.emplace_back();
        member.row = &row;
        member.type = type(row.typeId);
        if (row.childClass == classType && (member.childType = type(row.childId)) != nullptr)
            member.childKind = ItemKind::type;
        else if (row.childClass == classElement && (member.childElement = element(row.childId)) != nullptr)
            member.childKind = ItemKind::element;
        else if (row.childClass == classMessage && (member.childMessage = message(row.childId)) != nullptr)
            member.childKind = ItemKind::message;
    }
    std::unordered_map<std::int32_t, std::vector<ModelMember*>> byType;
    for (ModelMember& member : members_) {
        memberIds_.emplace(member.row->id, &member);
        byType[member.row->typeId].push_back(&member);
    }
    for (auto& [typeId, list] : byType) {
        sortBySequence(list);
        auto owner = typeIds_.find(typeId);
        std::vector<const ModelMember*>& members =
            owner != typeIds_.end() ? owner->second->members : membersOfOtherTypes_[typeId];
        for (ModelMember* member : list) {
            members.push_back(member);
            member->position = static_cast<int>(members.size());
        }
    }
}

void MessageSetModel::indexValueUses() {
    valueUses_.reserve(set_->valueMembers.size());
    for (const StoredValueMember& row : set_->valueMembers) {
        ModelValueUse& use = valueUses_.emplace_back();
        use.row = &row;
        use.value = value(row.valueId);
        if (row.parentClass == classElement)
            use.element = element(row.parentId);
    }
    for (const ModelValueUse& use : valueUses_)
        if (use.element != nullptr)
            elementIds_.at(use.element->row->id)->valueUses.push_back(&use);
    for (ModelElement& owner : elements_)
        sortBySequence(owner.valueUses);
}

void MessageSetModel::indexPlugins() {
    plugins_.reserve(set_->pluginMembers.size());
    for (const StoredPluginMember& row : set_->pluginMembers) {
        ModelPlugin& plugin = plugins_.emplace_back();
        plugin.row = &row;
        plugin.format = wireFormatOf(row.pluginKey);
    }
    for (ModelPlugin& plugin : plugins_) {
        pluginIds_.emplace(plugin.row->id, &plugin);
        pluginsInSequence_.push_back(&plugin);
    }
    sortBySequence(pluginsInSequence_);
    for (const ModelPlugin* plugin : pluginsInSequence_)
        if (plugin->format != WireFormat::none)
            tabs_[formatIndex(plugin->format)].push_back(plugin);
}

void MessageSetModel::addAttribute(const StoredAttribute& row, bool ofMember) {
    if (ofMember) {
        if (auto found = memberIds_.find(row.memberId); found != memberIds_.end())
            found->second->attributes.push_back(&row);
        return;
    }
    auto attach = [&row](const auto& map, std::int32_t id) {
        if (auto found = map.find(id); found != map.end())
            found->second->attributes.push_back(&row);
    };
    switch (row.ownerClass) {
    case tabSettingClass:
        if (auto found = pluginIds_.find(row.pluginMemberId); row.ownerId == 0 && found != pluginIds_.end())
            found->second->settings.push_back(&row);
        break;
    case classType:
        attach(typeIds_, row.ownerId);
        break;
    case classElement:
        attach(elementIds_, row.ownerId);
        break;
    case classMessage:
        attach(messageIds_, row.ownerId);
        break;
    case classValue:
        attach(valueIds_, row.ownerId);
        break;
    default:
        break;
    }
}

const ModelType* MessageSetModel::type(std::int32_t id) const {
    return lookUp(typeIds_, id);
}
const ModelElement* MessageSetModel::element(std::int32_t id) const {
    return lookUp(elementIds_, id);
}
const ModelMessage* MessageSetModel::message(std::int32_t id) const {
    return lookUp(messageIds_, id);
}
const ModelValue* MessageSetModel::value(std::int32_t id) const {
    return lookUp(valueIds_, id);
}
const ModelMember* MessageSetModel::member(std::int32_t id) const {
    return lookUp(memberIds_, id);
}
const ModelPlugin* MessageSetModel::plugin(std::int32_t id) const {
    return lookUp(pluginIds_, id);
}

const ModelType* MessageSetModel::typeNamed(std::string_view identifier) const {
    return lookUp(typeIdentifiers_, identifier);
}
const ModelElement* MessageSetModel::elementNamed(std::string_view identifier) const {
    return lookUp(elementIdentifiers_, identifier);
}
const ModelMessage* MessageSetModel::messageNamed(std::string_view identifier) const {
    return lookUp(messageIdentifiers_, identifier);
}
const ModelValue* MessageSetModel::valueNamed(std::string_view identifier) const {
    return lookUp(valueIdentifiers_, identifier);
}

const std::vector<const ModelMember*>& MessageSetModel::membersOfType(std::int32_t typeId) const {
    static const std::vector<const ModelMember*> none;
    if (const ModelType* owner = type(typeId))
        return owner->members;
    auto found = membersOfOtherTypes_.find(typeId);
    return found == membersOfOtherTypes_.end() ? none : found->second;
}

const std::vector<const ModelPlugin*>& MessageSetModel::tabs(WireFormat format) const {
    return tabs_[formatIndex(format)];
}

EffectiveProperties MessageSetModel::effectiveProperties(const ModelMember& member, const ModelPlugin& tab) const {
    EffectiveProperties properties;
    // The member's rows first: the first row of a name counts, and an
    // element's row of a name the member has no row of.
    auto take = [&](const std::vector<const StoredAttribute*>& rows, PropertySource source) {
        for (const StoredAttribute* row : rows)
            if (row->pluginMemberId == tab.row->id)
                properties.try_emplace(std::string(row->name), EffectiveProperty{source, row, row->value});
    };
    take(member.attributes, PropertySource::member);
    const ModelElement* element = member.childElement;
    if (element == nullptr)
        return properties;
    take(element->attributes, PropertySource::element);
    if (tab.format != WireFormat::cwf || element->logicalType == 0)
        return properties;
    // What the import leaves unwritten as the logical type's own.
    auto byDefault = [&](std::string_view name, int value) {
        if (value != 0)
            properties.try_emplace(std::string(name),
                                   EffectiveProperty{PropertySource::logicalDefault, nullptr, std::to_string(value)});
    };
    byDefault(physicalTypeRow, defaultPhysicalType(element->logicalType));
    int physical = physicalNone;
    if (auto found = properties.find(physicalTypeRow); found != properties.end() && found->second.value)
        physical = leadingNumberOrZero(found->second.value->c_str());
    byDefault(lengthRow, defaultLength(element->logicalType, physical));
    return properties;
}

void MessageSetModel::forgetMembers() {
    for (ModelType& owner : types_)
        std::vector<const ModelMember*>().swap(owner.members);
    std::unordered_map<std::int32_t, std::vector<const ModelMember*>>().swap(membersOfOtherTypes_);
    std::unordered_map<std::int32_t, ModelMember*>().swap(memberIds_);
    std::vector<ModelMember>().swap(members_);
}

ModelledSet::ModelledSet(StoredMessageSet rows)
    : rows_(std::make_unique<StoredMessageSet>(std::move(rows))), model_(*rows_) {}

} // namespace norvak
