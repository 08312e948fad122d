// The comparison of two message sets row by row, with each difference's verdict per wire format.
#include "import/repository/SetComparison.h"

#include "dbsession/RepositorySchema.h"
#include "import/model/AttributeRows.h"
#include "import/model/ItemTables.h"
#include "setmodel/MessageSetModel.h"

#include <algorithm>
#include <deque>
#include <cstdlib>
#include <map>
#include <optional>
#include <string_view>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace norvak {

namespace {

constexpr const char* none = "(none)";

const char* formatOfPlugin(int pluginKey) {
    switch (pluginKey) {
    case pluginCwfTab:
        return "CWF";
    case pluginXmlTab:
        return "XML";
    case pluginTdsTab:
        return "TDS";
    default:
        return nullptr;
    }
}

const char* roleName(int role) {
    static constexpr const char* names[] = {"role 0",    "minInclusive", "maxInclusive", "minLength", "maxLength",
                                            "enumeration", "default",    "allowNull",    "scale",     "dateTemplate"};
    return role >= 0 && role < static_cast<int>(std::size(names)) ? names[role] : "role";
}

// One field of an item: what is shown and, for a property, its row, whose
// other columns must be alike too. A wire-format property names its format.
struct Field {
    std::string shown;
    const StoredAttribute* row = nullptr;
    const char* format = "";
    bool ofPlugin = false; // a property of a language binding or the uuid plugin
};

std::string text(const std::optional<std::string>& value);

// The columns of a property row besides its value.
std::string columnsOf(const StoredAttribute& a) {
    return " [type " + std::string(a.type) + ", group " + std::string(a.group) + ", flags " + std::to_string(a.flags) +
           ", length " + std::to_string(a.minLength) + ".." + std::to_string(a.maxLength) + ", key " +
           std::to_string(a.key) + ", long value " + text(a.longValue) + ", status " + std::to_string(a.status) + "]";
}

bool alike(const Field& a, const Field& b) {
    if (a.shown != b.shown || (a.row == nullptr) != (b.row == nullptr))
        return false;
    if (a.row == nullptr)
        return true;
    const StoredAttribute& x = *a.row;
    const StoredAttribute& y = *b.row;
    return x.type == y.type && x.group == y.group && x.flags == y.flags && x.minLength == y.minLength &&
           x.maxLength == y.maxLength && x.key == y.key && x.longValue == y.longValue && x.status == y.status;
}

// What shows two fields that differ only in the other columns of their rows.
std::string exact(const Field& field) {
    return field.row != nullptr ? field.shown + columnsOf(*field.row) : field.shown;
}

// The fields of an item: few enough to be looked up one by one, named by
// texts held once for the whole comparison.
class Fields {
  public:
    void set(std::string_view name, Field field) {
        for (auto& [known, value] : list_) {
            if (known == name) {
                value = std::move(field);
                return;
            }
        }
        list_.emplace_back(name, std::move(field));
    }
    const Field* find(std::string_view name) const {
        for (const auto& [known, value] : list_) {
            if (known == name)
                return &value;
        }
        return nullptr;
    }
    auto begin() const { return list_.begin(); }
    auto end() const { return list_.end(); }

  private:
    std::vector<std::pair<std::string_view, Field>> list_;
};

struct Entity {
    std::string group; // the item a member or value use belongs to
    Fields fields;
    int position = 0; // of a member in its type
    std::string child; // the item a member uses, and its kind
    std::string childKind;
    std::string minOccurs;
    std::string maxOccurs;
    std::string note;
};

using Entities = std::map<std::string, Entity>;

std::string text(const std::optional<std::string>& value) {
    return value ? *value : std::string(none);
}

// How the properties of each tab kind are labelled: by the format alone
// when neither side has more than one tab of it, otherwise with the tab name.
class TabLabels {
  public:
    TabLabels(const StoredMessageSet& a, const StoredMessageSet& b) {
        for (const StoredMessageSet* set : {&a, &b}) {
            for (const StoredPluginMember& plugin : set->pluginMembers) {
                if (const char* format = formatOfPlugin(plugin.pluginKey))
                    names_[format].insert(plugin.name);
            }
        }
    }
    std::string label(const StoredPluginMember& plugin) const {
        const char* format = formatOfPlugin(plugin.pluginKey);
        if (format == nullptr)
            return plugin.name;
        auto found = names_.find(format);
        return found != names_.end() && found->second.size() > 1 ? std::string(format) + " " + plugin.name
                                                                  : std::string(format);
    }
    std::vector<std::string> formats() const {
        std::vector<std::string> list;
        for (const auto& [format, names] : names_)
            list.push_back(format);
        if (list.empty())
            list.push_back("logical");
        return list;
    }

  private:
    std::map<std::string, std::set<std::string>> names_;
};

// The kinds of items a side holds, looked up by identifier.
enum class ItemKind { message, type, element, value };

// The kind of items a member's child is looked up in: messages, types, or
// elements (for any other kind too).
ItemKind childItemKind(const std::string& childKind) {
    return childKind == "type" ? ItemKind::type : childKind == "message" ? ItemKind::message : ItemKind::element;
}

// The rows of one side, by what they describe. An item's entity (its
// fields, with those of its property rows) is made when it is compared, and
// a type's members and an element's value uses when they are: at no time
// does a side hold the entities of all its items.
class SideIndex {
  public:
    SideIndex(const MessageSetModel& model, const TabLabels& labels, std::unordered_set<std::string>& fieldNames,
              bool leaveOutRemade)
        : set_(model.rows()), model_(model), labels_(labels), fieldNames_(fieldNames),
          leaveOutRemade_(leaveOutRemade) {
        for (const StoredMessage& m : set_.messages)
            messages_.rows.emplace_back(m.identifier, &m);
        for (const StoredType& t : set_.types)
            types_.rows.emplace_back(t.identifier, &t);
        for (const StoredElement& el : set_.elements)
            elements_.rows.emplace_back(el.identifier, &el);
        for (const StoredValue& v : set_.values)
            values_.rows.emplace_back(v.identifier, &v);
        std::unordered_set<std::int32_t> typeIds;
        for (const ModelMember& member : model_.members()) {
            if (typeIds.insert(member.row->typeId).second)
                memberTypes_[itemName(member.row->typeId)].push_back(member.row->typeId);
        }
        for (const StoredValueMember& u : set_.valueMembers) {
            valueUses_.emplace_back(nameOf(u.parentId), &u);
            usedValues_.push_back(nameOf(u.valueId));
        }
        for (const StoredAttribute& a : set_.attributes) {
            if (!remade(a))
                routeAttribute(a);
        }
        messages_.sort();
        types_.sort();
        elements_.sort();
        values_.sort();
        std::stable_sort(valueUses_.begin(), valueUses_.end(), byKey<ValueUse>);
        std::sort(usedValues_.begin(), usedValues_.end());
    }

    // The identifiers of the items of a kind, in order.
    std::vector<std::string_view> keys(ItemKind kind) const {
        switch (kind) {
        case ItemKind::message:
            return messages_.keys();
        case ItemKind::type:
            return types_.keys();
        case ItemKind::element:
            return elements_.keys();
        case ItemKind::value:
            return values_.keys();
        }
        return {};
    }

    bool has(ItemKind kind, std::string_view key) const {
        switch (kind) {
        case ItemKind::message:
            return messages_.has(key);
        case ItemKind::type:
            return types_.has(key);
        case ItemKind::element:
            return elements_.has(key);
        case ItemKind::value:
            return values_.has(key);
        }
        return false;
    }

    // The entity of the item with that identifier (empty when there is none).
    Entity item(ItemKind kind, std::string_view key) const {
        Entity e;
        switch (kind) {
        case ItemKind::message:
            fill(e, messages_, key, [&](const StoredMessage& m) {
                plain(e, "type", itemName(m.typeId));
                plain(e, "name", m.name);
                plain(e, "mode", std::to_string(m.mode));
                stamp(e, m);
            });
            break;
        case ItemKind::type:
            fill(e, types_, key, [&](const StoredType& t) {
                plain(e, "composition", std::to_string(t.composition));
                plain(e, "content", std::to_string(t.content));
                if (t.baseTypeId)
                    plain(e, "base type", typeName(*t.baseTypeId));
                plain(e, "name", t.name);
                plain(e, "category", std::to_string(t.category));
                plain(e, "flags", std::to_string(t.flags));
                plain(e, "logical type", std::to_string(t.logicalDataType));
                stamp(e, t);
            });
            break;
        case ItemKind::element:
            fill(e, elements_, key, [&](const StoredElement& el) {
                plain(e, "type", typeName(el.typeId));
                plain(e, "name", el.name);
                optional(e, "hint", el.tagHint);
                stamp(e, el);
            });
            break;
        case ItemKind::value:
            fill(e, values_, key, [&](const StoredValue& v) {
                plain(e, "type", typeName(v.typeId));
                plain(e, "text", v.text);
                plain(e, "name", v.name);
                stamp(e, v);
            });
            break;
        }
        return e;
    }

    // The wire-format tabs, with their settings.
    Entities tabs() const {
        Entities tabs;
        for (const StoredPluginMember& p : set_.pluginMembers) {
            if (formatOfPlugin(p.pluginKey) != nullptr)
                tabs[tabKey(p)];
        }
        for (const auto& [key, a] : tabSettings_)
            property(tabs[key], *a);
        return tabs;
    }

    // The names of the types that have members, in order.
    std::vector<std::string> memberTypes() const {
        std::vector<std::string> list;
        for (const auto& [type, ids] : memberTypes_)
            list.push_back(type);
        std::sort(list.begin(), list.end());
        return list;
    }

    // The members of the types with that name, by type, child and which use
    // of the child they are, with their per-use properties (their member
    // attribute rows).
    Entities membersOf(const std::string& type) const {
        Entities members;
        auto found = memberTypes_.find(type);
        if (found != memberTypes_.end())
            for (std::int32_t typeId : found->second)
                addMembersOf(members, typeId);
        return members;
    }

    // The items with value uses, in order, and the uses of one of them.
    std::vector<std::string> valueUseParents() const {
        std::vector<std::string> list;
        for (const auto& [parent, use] : valueUses_) {
            if (list.empty() || list.back() != parent)
                list.emplace_back(parent);
        }
        return list;
    }
    Entities valueUsesOf(const std::string& parent) const {
        Entities uses;
        auto [from, to] = std::equal_range(valueUses_.begin(), valueUses_.end(), ValueUse(parent, nullptr),
                                           byKey<ValueUse>);
        std::map<std::string, int> seen;
        for (auto at = from; at != to; ++at) {
            const StoredValueMember* u = at->second;
            std::string value = itemName(u->valueId);
            std::string role = roleName(u->role);
            std::string base = parent + ": " + value;
            int occurrence = ++seen[base + "\x1f" + role];
            std::string key = base + (occurrence > 1 ? "#" + std::to_string(occurrence) : "");
            Entity& e = uses[key + "\x1f" + role];
            e.group = parent;
            e.child = value;
            e.note = "(" + role + ")";
            stamp(e, *u);
        }
        return uses;
    }

    // Whether some element uses the value with that identifier.
    bool usesValue(const std::string& value) const {
        return std::binary_search(usedValues_.begin(), usedValues_.end(), std::string_view(value));
    }

  private:
    template <class Pair> static bool byKey(const Pair& a, const Pair& b) { return a.first < b.first; }

    // The rows of a kind and their property rows, each by the identifier of
    // its item and, within one, in the order read.
    template <class Row> struct Keyed {
        std::vector<std::pair<std::string_view, const Row*>> rows;
        std::vector<std::pair<std::string_view, const StoredAttribute*>> attributes;

        void sort() {
            std::stable_sort(rows.begin(), rows.end(), byKey<std::pair<std::string_view, const Row*>>);
            std::stable_sort(attributes.begin(), attributes.end(),
                             byKey<std::pair<std::string_view, const StoredAttribute*>>);
        }
        template <class List> static auto range(const List& list, std::string_view key) {
            return std::equal_range(list.begin(), list.end(), typename List::value_type(key, nullptr),
                                    byKey<typename List::value_type>);
        }
        bool has(std::string_view key) const {
            auto [from, to] = range(rows, key);
            if (from != to)
                return true;
            auto [first, last] = range(attributes, key);
            return first != last;
        }
        std::vector<std::string_view> keys() const {
            std::vector<std::string_view> list;
            list.reserve(rows.size() + attributes.size());
            for (const auto& [key, row] : rows)
                list.push_back(key);
            for (const auto& [key, row] : attributes)
                list.push_back(key);
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
            return list;
        }
    };

    template <class Row, class Fill>
    void fill(Entity& e, const Keyed<Row>& keyed, std::string_view key, Fill rowFields) const {
        auto [from, to] = Keyed<Row>::range(keyed.rows, key);
        for (auto at = from; at != to; ++at)
            rowFields(*at->second);
        auto [first, last] = Keyed<Row>::range(keyed.attributes, key);
        for (auto at = first; at != last; ++at)
            property(e, *at->second);
    }

    // A property row to the item, member or tab it belongs to.
    void routeAttribute(const StoredAttribute& a) {
        if (a.ownerClass == tabSettingClass) {
            const ModelPlugin* tab = model_.plugin(a.pluginMemberId);
            if (tab != nullptr && tab->format != WireFormat::none)
                tabSettings_.emplace_back(tabKey(*tab->row), &a);
        } else if (a.ownerClass == classValue) {
            if (const ModelValue* value = model_.value(a.ownerId))
                values_.attributes.emplace_back(value->row->identifier, &a);
        } else if (const std::string* name = named(a.ownerId).first) {
            if (a.ownerClass == classMessage)
                messages_.attributes.emplace_back(*name, &a);
            else if (a.ownerClass == classType)
                types_.attributes.emplace_back(*name, &a);
            else if (a.ownerClass == classElement)
                elements_.attributes.emplace_back(*name, &a);
        }
    }

    // A tab by its format and name.
    static std::string tabKey(const StoredPluginMember& p) {
        return std::string(formatOfPlugin(p.pluginKey)) + " " + p.name;
    }

    // The message, element or type an id names (where kinds share an id, in
    // that order), with its kind; nothing when it names none of them.
    std::pair<const std::string*, const char*> named(std::int32_t id) const {
        if (const ModelMessage* message = model_.message(id))
            return {&message->row->identifier, "message"};
        if (const ModelElement* element = model_.element(id))
            return {&element->row->identifier, "element"};
        if (const ModelType* type = model_.type(id))
            return {&type->row->identifier, "type"};
        return {nullptr, "item"};
    }

    std::string itemName(std::int32_t id) const {
        if (const std::string* identifier = named(id).first)
            return *identifier;
        const ModelValue* value = model_.value(id);
        return value != nullptr ? value->row->identifier : "id " + std::to_string(id);
    }
    // The same name, held by its row or, for an id no row has, by the index.
    std::string_view nameOf(std::int32_t id) {
        if (const std::string* identifier = named(id).first)
            return *identifier;
        if (const ModelValue* value = model_.value(id))
            return value->row->identifier;
        return madeNames_.emplace_back("id " + std::to_string(id));
    }
    // A logical type by its keyword, a type of the set by its identifier.
    std::string typeName(std::int32_t id) const {
        if (id < firstItemId) {
            const char* keyword = logicalTypeKeyword(id);
            return keyword != nullptr ? keyword : std::to_string(id);
        }
        return itemName(id);
    }

    static void plain(Entity& e, std::string_view field, const std::string& value) {
        e.fields.set(field, Field{value, nullptr, "", false});
    }
    static void optional(Entity& e, std::string_view field, const std::optional<std::string>& value) {
        if (value)
            plain(e, field, *value);
    }
    template <class Row> static void stamp(Entity& e, const Row& row) {
        plain(e, "status", std::to_string(row.status));
        plain(e, "descoped", std::to_string(row.descoped));
    }

    void addMembersOf(Entities& members, std::int32_t typeId) const {
        std::string typeKey = itemName(typeId);
        std::map<std::string, int> seen;
        int position = 0;
        for (const ModelMember* member : model_.membersOfType(typeId)) {
            const StoredTypeMember* m = member->row;
            std::string child = itemName(m->childId);
            int occurrence = ++seen[child];
            std::string key = typeKey + "." + child + (occurrence > 1 ? "#" + std::to_string(occurrence) : "");
            Entity& e = members[key];
            e.group = typeKey;
            e.child = child;
            e.childKind = named(m->childId).second;
            e.position = ++position;
            e.minOccurs = text(m->minOccurs);
            // The rows say "unbounded" with no maximum and the repeat mark.
            e.maxOccurs = m->maxOccurs ? *m->maxOccurs : m->repeats != 0 ? "unbounded" : none;
            // A field a row leaves empty is absent, as a property without a row.
            optional(e, "minOccurs", m->minOccurs);
            if (e.maxOccurs != none)
                plain(e, "maxOccurs", e.maxOccurs);
            optional(e, "hint", m->tagHint);
            stamp(e, *m);
            e.note = "minOccurs " + e.minOccurs + " maxOccurs " + e.maxOccurs + " (position " +
                     std::to_string(e.position) + ")";
            for (const StoredAttribute* a : member->attributes) {
                if (!remade(*a))
                    property(e, *a);
            }
        }
    }

    void property(Entity& e, const StoredAttribute& a) const {
        const ModelPlugin* plugin = model_.plugin(a.pluginMemberId);
        std::string label = plugin != nullptr ? labels_.label(*plugin->row) + " " : std::string();
        // A tab's settings are named by the setting alone.
        if (a.ownerClass == tabSettingClass && !a.memberId)
            label.clear();
        // "XML Name" of the only XML tab needs no "XML" in front.
        if (!label.empty() && std::string_view(a.name).substr(0, label.size()) == label)
            label.clear();
        std::string field = label + std::string(a.name);
        for (int occurrence = 2; e.fields.find(field) != nullptr; ++occurrence)
            field = label + std::string(a.name) + " #" + std::to_string(occurrence);
        std::string value = a.value ? *a.value : std::string("(null)");
        if (a.type == elementReferenceType && !value.empty() && value.size() < 10 &&
            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
            value = itemName(std::atoi(value.c_str()));
        const char* format = plugin != nullptr ? formatOfPlugin(plugin->row->pluginKey) : nullptr;
        e.fields.set(*fieldNames_.insert(std::move(field)).first,
                     Field{std::move(value), &a, format != nullptr ? format : "", format == nullptr});
    }

    // A row every import makes again that holds what the import makes, in
    // a set read with them: left out, as a set read without them has none.
    bool remade(const StoredAttribute& a) const {
        if (!leaveOutRemade_)
            return false;
        const ModelPlugin* plugin = model_.plugin(a.pluginMemberId);
        if (!isRemadeByImport(a, plugin != nullptr ? plugin->row->pluginKey : 0))
            return false;
        std::string_view label;
        if (a.ownerClass == classElement || a.ownerClass == classMessage) {
            if (const ModelElement* element = model_.element(a.ownerId))
                label = element->row->name;
            else if (const ModelMessage* message = model_.message(a.ownerId))
                label = message->row->name;
        }
        return holdsWhatTheImportMakes(a, label);
    }

    const StoredMessageSet& set_;
    const MessageSetModel& model_;
    const TabLabels& labels_;
    std::unordered_set<std::string>& fieldNames_; // of the properties, held for both sides
    bool leaveOutRemade_;
    Keyed<StoredMessage> messages_;
    Keyed<StoredType> types_;
    Keyed<StoredElement> elements_;
    Keyed<StoredValue> values_;
    std::vector<std::pair<std::string, const StoredAttribute*>> tabSettings_; // by tab, in order
    // The ids of the types with each name, in the order their first members come.
    std::unordered_map<std::string, std::vector<std::int32_t>> memberTypes_;
    // The value uses by the name of their item, and the values used.
    using ValueUse = std::pair<std::string_view, const StoredValueMember*>;
    std::vector<ValueUse> valueUses_;
    std::vector<std::string_view> usedValues_;
    std::deque<std::string> madeNames_; // "id N" for ids no row has
};

bool isNumber(const std::string& text) {
    return !text.empty() && std::all_of(text.begin() + (text[0] == '-' ? 1 : 0), text.end(),
                                        [](char c) { return c >= '0' && c <= '9'; }) &&
           text != "-";
}

// An occurrence as a number: a missing one counts as 1, "unbounded" as no
// limit (-1); nothing for a text that is neither.
std::optional<long> occurrence(const std::string& text) {
    if (text == none)
        return 1;
    if (text == "unbounded")
        return -1;
    if (!isNumber(text))
        return std::nullopt;
    return std::atol(text.c_str());
}

// Whether a change of occurrence lets through everything that passed before.
bool loosens(const std::string& field, const std::string& oldValue, const std::string& newValue) {
    std::optional<long> before = occurrence(oldValue);
    std::optional<long> after = occurrence(newValue);
    if (!before || !after)
        return false;
    if (field == "minOccurs")
        return *after >= 0 && *before >= 0 && *after <= *before;
    return *after == -1 || (*before != -1 && *after >= *before);
}

// Whether a member's hint is the one the import makes: its item's label and the
// context tag suffix.
bool madeOfLabel(const std::string& hint) {
    return hint.size() >= contextTagSuffix.size() &&
           hint.compare(hint.size() - contextTagSuffix.size(), contextTagSuffix.size(), contextTagSuffix) == 0;
}

// Where a difference stands in the list: messages, types each followed by
// its members, elements, values, tabs; by identifier, then by place.
struct Place {
    int section = 0;
    std::string group;
    int position = 0;
    std::string field;

    bool operator<(const Place& other) const {
        return std::tie(section, group, position, field) <
               std::tie(other.section, other.group, other.position, other.field);
    }
};

enum Section : int { messageSection, typeSection, elementSection, valueSection, tabSection };

int sectionOf(const std::string& kind) {
    if (kind == "message")
        return messageSection;
    if (kind == "type" || kind == "member")
        return typeSection;
    if (kind == "element")
        return elementSection;
    if (kind == "value")
        return valueSection;
    return tabSection;
}

class Comparer {
  public:
    Comparer(const SideIndex& oldSide, const SideIndex& newSide, std::vector<std::string> formats)
        : old_(oldSide), new_(newSide), formats_(std::move(formats)) {}

    std::vector<SetDifference> run() {
        items(ItemKind::message, "message");
        items(ItemKind::type, "type");
        typeMembers();
        sameInEveryUse();
        items(ItemKind::element, "element");
        items(ItemKind::value, "value");
        valueUses();
        const Entities oldTabs = old_.tabs();
        const Entities newTabs = new_.tabs();
        tabs(oldTabs, newTabs);

        std::stable_sort(found_.begin(), found_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<SetDifference> differences;
        for (auto& [place, difference] : found_)
            differences.push_back(std::move(difference));
        return differences;
    }

  private:
    // A member property that changed, until it is known whether it changed
    // alike in every use of the item.
    struct MemberProperty {
        SetDifference difference;
        Place place;
        std::string child;
        std::string childKind;
    };

    static const Entity* find(const Entities& map, const std::string& key) {
        auto found = map.find(key);
        return found == map.end() ? nullptr : &found->second;
    }

    // Both lists merged, in order, each key once.
    static std::vector<std::string_view> keysOfBoth(std::vector<std::string_view> a,
                                                    const std::vector<std::string_view>& b) {
        a.insert(a.end(), b.begin(), b.end());
        std::sort(a.begin(), a.end());
        a.erase(std::unique(a.begin(), a.end()), a.end());
        return a;
    }
    static std::vector<std::string> keysOfBoth(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        std::sort(a.begin(), a.end());
        a.erase(std::unique(a.begin(), a.end()), a.end());
        return a;
    }

    std::vector<FormatVerdict> all(bool breaking) const {
        std::vector<FormatVerdict> verdicts;
        for (const std::string& format : formats_)
            verdicts.push_back({format, breaking});
        return verdicts;
    }
    // Breaking in the custom wire format, and in the others unless `tolerated`.
    std::vector<FormatVerdict> layout(bool tolerated) const {
        std::vector<FormatVerdict> verdicts;
        for (const std::string& format : formats_)
            verdicts.push_back({format, format == "CWF" || !tolerated});
        return verdicts;
    }

    // `topLevel`: the difference is about an item as a whole or one of its
    // own fields; otherwise about a member or value use of an item both sides
    // hold.
    void add(SetDifference difference, Place place, bool topLevel) {
        difference.breaking = std::any_of(difference.verdicts.begin(), difference.verdicts.end(),
                                          [](const FormatVerdict& v) { return v.breaking; });
        difference.appliedByImport = topLevel && difference.change == '+';
        difference.keptByImport = !difference.refusedByImport && (!topLevel || difference.change == '~');
        found_.emplace_back(std::move(place), std::move(difference));
    }

    static std::string tabFormat(const std::string& key) { return key.substr(0, key.find(' ')); }

    // The items of a kind, one identifier at a time.
    void items(ItemKind itemKind, const char* kind) {
        for (std::string_view key : keysOfBoth(old_.keys(itemKind), new_.keys(itemKind))) {
            std::optional<Entity> before;
            std::optional<Entity> after;
            if (old_.has(itemKind, key))
                before = old_.item(itemKind, key);
            if (new_.has(itemKind, key))
                after = new_.item(itemKind, key);
            item(kind, std::string(key), before ? &*before : nullptr, after ? &*after : nullptr);
        }
    }

    void tabs(const Entities& oldMap, const Entities& newMap) {
        std::set<std::string> keys;
        for (const auto& [key, entity] : oldMap)
            keys.insert(key);
        for (const auto& [key, entity] : newMap)
            keys.insert(key);
        for (const std::string& key : keys)
            item("tab", key, find(oldMap, key), find(newMap, key));
    }

    void item(const std::string& kind, const std::string& key, const Entity* oldItem, const Entity* newItem) {
        bool isTab = kind == "tab";
        Place place{sectionOf(kind), key, 0, {}};
        if (oldItem != nullptr && newItem != nullptr) {
            fields(kind, key, *oldItem, *newItem, true, isTab ? tabFormat(key) : std::string(), place);
            return;
        }
        // A value some element uses comes and goes with its uses.
        if (kind == "value" && (oldItem != nullptr ? old_ : new_).usesValue(key))
            return;
        SetDifference d;
        d.change = oldItem == nullptr ? '+' : '-';
        d.kind = kind;
        d.identifier = key;
        if (isTab)
            d.verdicts = {{tabFormat(key), d.change == '-'}};
        else
            d.verdicts = all(d.change == '-');
        add(std::move(d), place, true);
    }

    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    void fields(const std::string& kind, const std::string& shown, const Entity& oldItem, const Entity& newItem,
                bool topLevel, const std::string& tabFormatName, const Place& place) {
        std::set<std::string_view> names;
        for (const auto& [name, field] : oldItem.fields)
            names.insert(name);
        for (const auto& [name, field] : newItem.fields)
            names.insert(name);
        for (std::string_view fieldName : names) {
            const std::string name(fieldName);
            const Field* of = oldItem.fields.find(fieldName);
            const Field* nf = newItem.fields.find(fieldName);
            if (of == nullptr && nf == nullptr)
                continue;
            if (of != nullptr && nf != nullptr && alike(*of, *nf))
                continue;
            // A member's context tag hint is made of its item's label: a
            // change of the label is the item's line.
            if (kind == "member" && name == "hint" && of != nullptr && nf != nullptr && madeOfLabel(of->shown) &&
                madeOfLabel(nf->shown))
                continue;
            SetDifference d;
            d.kind = kind;
            d.identifier = shown;
            d.field = name;
            d.oldPresent = of != nullptr;
            d.newPresent = nf != nullptr;
            d.oldValue = of != nullptr ? of->shown : std::string();
            d.newValue = nf != nullptr ? nf->shown : std::string();
            if (of != nullptr && nf != nullptr && of->shown == nf->shown) {
                d.oldValue = exact(*of);
                d.newValue = exact(*nf);
            }
            const Field& any = nf != nullptr ? *nf : *of;
            d.verdicts = verdictOfField(kind, name, any, of != nullptr ? of->shown : none,
                                        nf != nullptr ? nf->shown : none, tabFormatName);
            d.refusedByImport = refusesChange(kind, name);
            Place at = place;
            at.field = name;
            if (kind == "member" && (*any.format != '\0' || any.ofPlugin))
                properties_.push_back({std::move(d), at, newItem.child, newItem.childKind});
            else
                add(std::move(d), at, topLevel);
        }
    }

    // What the import refuses a file for when the set holds the item
    // otherwise: another base, composition or content of a type, another type
    // of an element or message, another type or text of a value.
    static bool refusesChange(const std::string& kind, const std::string& field) {
        if (kind == "type")
            return field == "base type" || field == "composition" || field == "content";
        if (kind == "element" || kind == "message")
            return field == "type";
        if (kind == "value")
            return field == "type" || field == "text";
        return false;
    }

    std::vector<FormatVerdict> verdictOfField(const std::string& kind, const std::string& name, const Field& field,
                                              const std::string& oldValue, const std::string& newValue,
                                              const std::string& tabFormatName) const {
        if (!tabFormatName.empty())
            return {{tabFormatName, true}};
        if (*field.format != '\0')
            return {{field.format, true}};
        if (field.ofPlugin || name == "name" || name == "hint" || name == "status")
            return all(false);
        if (kind == "member" && (name == "minOccurs" || name == "maxOccurs"))
            return layout(loosens(name, oldValue, newValue));
        return all(true);
    }

    // The members of the types both sides have, one type at a time, and the
    // uses of each item by members both sides have.
    void typeMembers() {
        for (const std::string& type : keysOfBoth(old_.memberTypes(), new_.memberTypes())) {
            if (!old_.has(ItemKind::type, type))
                continue;
            const Entities oldMembers = old_.membersOf(type);
            const Entities newMembers = new_.membersOf(type);
            for (const auto& [key, entity] : newMembers) {
                if (find(oldMembers, key) != nullptr)
                    ++uses_[entity.childKind + "\x1f" + entity.child];
            }
            if (new_.has(ItemKind::type, type))
                members(type, oldMembers, newMembers);
        }
    }

    // NOLINTNEXTLINE(readability-function-size)
    void members(const std::string& type, const Entities& oldMembers, const Entities& newMembers) {
        auto inType = [&](const Entities& map) {
            std::vector<std::pair<std::string, const Entity*>> list;
            for (const auto& [key, entity] : map)
                list.emplace_back(key, &entity);
            std::sort(list.begin(), list.end(),
                      [](const auto& a, const auto& b) { return a.second->position < b.second->position; });
            return list;
        };
        auto oldList = inType(oldMembers);
        auto newList = inType(newMembers);
        // The order of the members both sides have, each side's own.
        std::map<std::string, int> oldRank;
        std::map<std::string, int> newRank;
        int rank = 0;
        for (const auto& [key, entity] : oldList)
            if (find(newMembers, key) != nullptr)
                oldRank[key] = ++rank;
        rank = 0;
        for (const auto& [key, entity] : newList)
            if (find(oldMembers, key) != nullptr)
                newRank[key] = ++rank;
        for (const auto& [key, entity] : oldList) {
            if (find(newMembers, key) == nullptr) {
                SetDifference d;
                d.change = '-';
                d.kind = "member";
                d.identifier = key;
                d.verdicts = all(true);
                add(std::move(d), Place{typeSection, type, entity->position, {}}, false);
            }
        }
        for (const auto& [key, entity] : newList) {
            const Entity* before = find(oldMembers, key);
            Place place{typeSection, type, entity->position, {}};
            if (before == nullptr) {
                SetDifference d;
                d.change = '+';
                d.kind = "member";
                d.identifier = key;
                d.note = entity->note;
                d.verdicts = layout(entity->minOccurs == "0");
                // The import keeps a stored type as it is; a member that uses
                // an item the set does not hold makes it refuse the file.
                d.refusedByImport = !old_.has(childItemKind(entity->childKind), entity->child);
                add(std::move(d), place, false);
                continue;
            }
            if (oldRank[key] != newRank[key]) {
                SetDifference d;
                d.kind = "member";
                d.identifier = key;
                d.field = "position";
                d.oldValue = std::to_string(before->position);
                d.newValue = std::to_string(entity->position);
                d.verdicts = all(true);
                add(std::move(d), place, false);
            }
            fields("member", key, *before, *entity, false, {}, place);
        }
    }

    // A property that changed alike in every use of an item both sides have
    // is the item's: one line for the item instead of one per use.
    void sameInEveryUse() {
        std::map<std::string, int>& uses = uses_; // of each item, by members both sides have
        std::map<std::string, std::vector<std::size_t>> alike;
        for (std::size_t i = 0; i < properties_.size(); ++i) {
            const MemberProperty& p = properties_[i];
            const SetDifference& d = p.difference;
            alike[p.childKind + "\x1f" + p.child + "\x1f" + d.field + "\x1f" + (d.oldPresent ? "1" : "0") +
                  d.oldValue + "\x1f" + (d.newPresent ? "1" : "0") + d.newValue]
                .push_back(i);
        }
        std::vector<bool> merged(properties_.size(), false);
        for (const auto& [key, indexes] : alike) {
            const MemberProperty& first = properties_[indexes.front()];
            if (static_cast<int>(indexes.size()) != uses[first.childKind + "\x1f" + first.child] ||
                !new_.has(childItemKind(first.childKind), first.child))
                continue;
            SetDifference d = first.difference;
            d.kind = first.childKind;
            d.identifier = first.child;
            Place place{sectionOf(first.childKind), first.child, 0, d.field};
            add(std::move(d), std::move(place), false);
            for (std::size_t i : indexes)
                merged[i] = true;
        }
        for (std::size_t i = 0; i < properties_.size(); ++i) {
            if (!merged[i])
                add(std::move(properties_[i].difference), properties_[i].place, false);
        }
    }

    // The value uses of the elements both sides have, one element at a time.
    void valueUses() {
        for (const std::string& parent : keysOfBoth(old_.valueUseParents(), new_.valueUseParents())) {
            // Uses of a value by an element only one side has go with the element.
            if (!old_.has(ItemKind::element, parent) || !new_.has(ItemKind::element, parent))
                continue;
            const Entities oldUses = old_.valueUsesOf(parent);
            const Entities newUses = new_.valueUsesOf(parent);
            std::set<std::string> keys;
            for (const Entities* uses : {&oldUses, &newUses})
                for (const auto& [key, entity] : *uses)
                    keys.insert(key);
            for (const std::string& key : keys)
                valueUse(key, find(oldUses, key), find(newUses, key));
        }
    }

    void valueUse(const std::string& key, const Entity* before, const Entity* after) {
        const Entity& any = after != nullptr ? *after : *before;
        std::string shown = key.substr(0, key.find('\x1f'));
        Place place{valueSection, shown, 0, {}};
        if (before == nullptr || after == nullptr) {
            SetDifference d;
            d.change = before == nullptr ? '+' : '-';
            d.kind = "value";
            d.identifier = shown;
            d.note = any.note;
            d.verdicts = all(d.change == '-');
            // The import keeps a stored element's values as they are; a
            // value the set does not hold makes it refuse the file.
            d.refusedByImport = d.change == '+' && !old_.has(ItemKind::value, any.child);
            add(std::move(d), place, false);
            return;
        }
        fields("value", shown, *before, *after, false, {}, place);
    }

    const SideIndex& old_;
    const SideIndex& new_;
    std::vector<std::string> formats_;
    std::map<std::string, int> uses_; // of each item, by members both sides have
    std::vector<MemberProperty> properties_;
    std::vector<std::pair<Place, SetDifference>> found_;
};

} // namespace

SetComparison compareMessageSets(const StoredMessageSet& oldSide, const StoredMessageSet& newSide,
                                 bool leaveOutRemade) {
    TabLabels labels(oldSide, newSide);
    std::unordered_set<std::string> fieldNames;
    const MessageSetModel oldModel(oldSide);
    const MessageSetModel newModel(newSide);
    const SideIndex before(oldModel, labels, fieldNames, leaveOutRemade);
    const SideIndex after(newModel, labels, fieldNames, leaveOutRemade);
    SetComparison comparison;
    comparison.formats = labels.formats();
    comparison.differences = Comparer(before, after, comparison.formats).run();
    comparison.refused = std::any_of(comparison.differences.begin(), comparison.differences.end(),
                                     [](const SetDifference& d) { return d.refusedByImport; });
    return comparison;
}

std::string verdictText(const SetDifference& difference, const std::vector<std::string>& formats) {
    std::vector<std::string> breaking;
    std::vector<std::string> compatible;
    for (const FormatVerdict& v : difference.verdicts)
        (v.breaking ? breaking : compatible).push_back(v.format);
    bool whole = difference.verdicts.size() == formats.size();
    if (whole && compatible.empty())
        return "breaking";
    if (whole && breaking.empty())
        return "compatible";
    auto join = [](const std::vector<std::string>& list) {
        std::string joined;
        for (const std::string& format : list)
            joined += (joined.empty() ? "" : ", ") + format;
        return joined;
    };
    std::string text;
    if (!breaking.empty())
        text = join(breaking) + ": breaking";
    if (!compatible.empty())
        text += (text.empty() ? "" : "; ") + join(compatible) + ": compatible";
    return text;
}

namespace {

// An identifier as the import compares it with a stored one: without trailing blanks.
std::string comparedIdentifier(const std::string& identifier) {
    std::size_t end = identifier.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : identifier.substr(0, end + 1);
}

template <class Rows> std::unordered_set<std::string> identifiersOf(const Rows& rows) {
    std::unordered_set<std::string> identifiers;
    for (const auto& row : rows)
        identifiers.insert(comparedIdentifier(row.identifier));
    return identifiers;
}

// The identifier of a value's type as compared; empty for a type the set does not hold.
std::string comparedTypeIdentifier(const MessageSetModel& model, std::int32_t typeId) {
    const ModelType* type = model.type(typeId);
    return type != nullptr ? comparedIdentifier(type->row->identifier) : std::string();
}

} // namespace

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
std::vector<std::string> textsTheImportWrites(const StoredMessageSet& oldSide, const StoredMessageSet& newSide) {
    std::vector<std::string> texts;
    auto add = [&](std::string_view text) { texts.emplace_back(text); };
    auto addOptional = [&](const std::optional<std::string>& text) {
        if (text)
            texts.push_back(*text);
    };
    // The ids (in the new side) of the items the import writes.
    std::unordered_set<std::int32_t> written;

    std::unordered_set<std::string> storedTypes = identifiersOf(oldSide.types);
    std::unordered_set<std::int32_t> writtenTypes;
    for (const StoredType& row : newSide.types) {
        if (storedTypes.count(comparedIdentifier(row.identifier)) != 0)
            continue;
        written.insert(row.id);
        writtenTypes.insert(row.id);
        add(row.identifier);
        add(row.name);
    }
    std::unordered_set<std::string> storedElements = identifiersOf(oldSide.elements);
    for (const StoredElement& row : newSide.elements) {
        if (storedElements.count(comparedIdentifier(row.identifier)) != 0)
            continue;
        written.insert(row.id);
        add(row.identifier);
        addOptional(row.tagHint);
        add(row.name);
    }
    std::unordered_set<std::string> storedMessages = identifiersOf(oldSide.messages);
    for (const StoredMessage& row : newSide.messages) {
        if (storedMessages.count(comparedIdentifier(row.identifier)) != 0)
            continue;
        written.insert(row.id);
        add(row.identifier);
        add(row.name);
    }
    // A value is reused by its identifier, or by its text and type.
    std::unordered_set<std::string> storedValues = identifiersOf(oldSide.values);
    std::set<std::pair<std::string, std::string>> storedTexts;
    {
        const MessageSetModel oldModel(oldSide, false);
        for (const StoredValue& row : oldSide.values)
            storedTexts.emplace(comparedIdentifier(row.text), comparedTypeIdentifier(oldModel, row.typeId));
    }
    const MessageSetModel newModel(newSide, false);
    for (const StoredValue& row : newSide.values) {
        if (storedValues.count(comparedIdentifier(row.identifier)) != 0 ||
            storedTexts.count({comparedIdentifier(row.text), comparedTypeIdentifier(newModel, row.typeId)}) != 0)
            continue;
        written.insert(row.id);
        add(row.identifier);
        add(row.text);
        add(row.name);
    }
    // The members of the types written, with their per-use properties.
    for (const StoredTypeMember& row : newSide.typeMembers) {
        if (writtenTypes.count(row.typeId) == 0)
            continue;
        addOptional(row.minOccurs);
        addOptional(row.maxOccurs);
        addOptional(row.tagHint);
    }
    // Tabs the set does not hold, by kind and name, with their settings.
    std::set<std::pair<std::int32_t, std::string>> storedTabs;
    for (const StoredPluginMember& row : oldSide.pluginMembers)
        storedTabs.emplace(row.pluginKey, row.name);
    std::unordered_set<std::int32_t> writtenTabs;
    for (const StoredPluginMember& row : newSide.pluginMembers) {
        if (formatOfPlugin(row.pluginKey) == nullptr || storedTabs.count({row.pluginKey, row.name}) != 0)
            continue;
        writtenTabs.insert(row.id);
        add(row.name);
        addOptional(row.lockDate);
    }
    auto addAttribute = [&](const StoredAttribute& row) {
        add(row.name);
        add(row.type);
        add(row.group);
        addOptional(row.value);
        addOptional(row.longValue);
    };
    for (const StoredAttribute& row : newSide.attributes) {
        if (row.ownerId == 0 ? writtenTabs.count(row.pluginMemberId) != 0 : written.count(row.ownerId) != 0)
            addAttribute(row);
    }
    for (const StoredAttribute& row : newSide.memberAttributes) {
        if (writtenTypes.count(row.ownerId) != 0)
            addAttribute(row);
    }
    return texts;
}

} // namespace norvak
