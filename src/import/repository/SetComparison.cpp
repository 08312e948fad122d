// The comparison of two message sets row by row, with each difference's verdict per wire format.
#include "import/repository/SetComparison.h"

#include "dbsession/RepositorySchema.h"
#include "import/model/AttributeRows.h"
#include "import/model/ItemTables.h"
#include "setmodel/MessageSetModel.h"

#include <algorithm>
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

// The rows of one side, by what they describe.
struct Side {
    Entities messages, types, members, elements, values, valueUses, tabs;
    std::set<std::string> usedValues; // identifiers of the values some element uses
};

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

class SideBuilder {
  public:
    SideBuilder(const MessageSetModel& model, const TabLabels& labels, std::unordered_set<std::string>& fieldNames,
                bool leaveOutRemade)
        : set_(model.rows()), model_(model), labels_(labels), fieldNames_(fieldNames),
          leaveOutRemade_(leaveOutRemade) {}

    // NOLINTNEXTLINE(readability-function-size)
    Side build() {
        for (const StoredMessage& m : set_.messages) {
            Entity& e = side_.messages[m.identifier];
            plain(e, "type", itemName(m.typeId));
            plain(e, "name", m.name);
            plain(e, "mode", std::to_string(m.mode));
            stamp(e, m);
        }
        for (const StoredType& t : set_.types) {
            Entity& e = side_.types[t.identifier];
            plain(e, "composition", std::to_string(t.composition));
            plain(e, "content", std::to_string(t.content));
            if (t.baseTypeId)
                plain(e, "base type", typeName(*t.baseTypeId));
            plain(e, "name", t.name);
            plain(e, "category", std::to_string(t.category));
            plain(e, "flags", std::to_string(t.flags));
            plain(e, "logical type", std::to_string(t.logicalDataType));
            stamp(e, t);
        }
        for (const StoredElement& el : set_.elements) {
            Entity& e = side_.elements[el.identifier];
            plain(e, "type", typeName(el.typeId));
            plain(e, "name", el.name);
            optional(e, "hint", el.tagHint);
            stamp(e, el);
        }
        for (const StoredValue& v : set_.values) {
            Entity& e = side_.values[v.identifier];
            plain(e, "type", typeName(v.typeId));
            plain(e, "text", v.text);
            plain(e, "name", v.name);
            stamp(e, v);
        }
        addMembers();
        addValueUses();
        for (const StoredPluginMember& p : set_.pluginMembers) {
            if (formatOfPlugin(p.pluginKey) != nullptr)
                side_.tabs[tabKey(p)];
        }
        for (const StoredAttribute& a : set_.attributes) {
            if (!remade(a))
                addAttribute(a);
        }
        return std::move(side_);
    }

  private:
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

    // The members of each type id, with their per-use properties (their
    // member attribute rows).
    void addMembers() {
        std::unordered_set<std::int32_t> typeIds;
        for (const ModelMember& member : model_.members()) {
            if (typeIds.insert(member.row->typeId).second)
                addMembersOf(member.row->typeId);
        }
    }

    void addMembersOf(std::int32_t typeId) {
        std::string typeKey = itemName(typeId);
        std::map<std::string, int> seen;
        int position = 0;
        for (const ModelMember* member : model_.membersOfType(typeId)) {
            const StoredTypeMember* m = member->row;
            std::string child = itemName(m->childId);
            int occurrence = ++seen[child];
            std::string key = typeKey + "." + child + (occurrence > 1 ? "#" + std::to_string(occurrence) : "");
            Entity& e = side_.members[key];
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

    void addValueUses() {
        std::map<std::string, int> seen;
        for (const StoredValueMember& u : set_.valueMembers) {
            std::string parent = itemName(u.parentId);
            std::string value = itemName(u.valueId);
            side_.usedValues.insert(value);
            std::string role = roleName(u.role);
            std::string base = parent + ": " + value;
            int occurrence = ++seen[base + "\x1f" + role];
            std::string key = base + (occurrence > 1 ? "#" + std::to_string(occurrence) : "");
            Entity& e = side_.valueUses[key + "\x1f" + role];
            e.group = parent;
            e.child = value;
            e.note = "(" + role + ")";
            stamp(e, u);
        }
    }

    void addAttribute(const StoredAttribute& a) {
        Entity* owner = nullptr;
        if (a.ownerClass == tabSettingClass) {
            const ModelPlugin* tab = model_.plugin(a.pluginMemberId);
            if (tab != nullptr && tab->format != WireFormat::none)
                owner = &side_.tabs[tabKey(*tab->row)];
        } else if (a.ownerClass == classValue) {
            if (const ModelValue* value = model_.value(a.ownerId))
                owner = &side_.values[value->row->identifier];
        } else {
            Entities* items = a.ownerClass == classMessage   ? &side_.messages
                              : a.ownerClass == classType    ? &side_.types
                              : a.ownerClass == classElement ? &side_.elements
                                                             : nullptr;
            const std::string* name = named(a.ownerId).first;
            if (items != nullptr && name != nullptr)
                owner = &(*items)[*name];
        }
        if (owner != nullptr)
            property(*owner, a);
    }

    void property(Entity& e, const StoredAttribute& a) {
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
    Side side_;
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
    Comparer(const Side& oldSide, const Side& newSide, std::vector<std::string> formats)
        : old_(oldSide), new_(newSide), formats_(std::move(formats)) {}

    std::vector<SetDifference> run() {
        items("message", old_.messages, new_.messages);
        items("type", old_.types, new_.types);
        for (const auto& [type, entity] : new_.types) {
            if (find(old_.types, type) != nullptr)
                members(type);
        }
        sameInEveryUse();
        items("element", old_.elements, new_.elements);
        items("value", old_.values, new_.values);
        valueUses();
        items("tab", old_.tabs, new_.tabs);

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

    const Entities& itemsOf(const Side& side, const std::string& kind) const {
        return kind == "type" ? side.types : kind == "message" ? side.messages : side.elements;
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

    void items(const char* kind, const Entities& oldMap, const Entities& newMap) {
        std::set<std::string> keys;
        for (const auto& [key, entity] : oldMap)
            keys.insert(key);
        for (const auto& [key, entity] : newMap)
            keys.insert(key);
        for (const std::string& key : keys)
            item(kind, key, find(oldMap, key), find(newMap, key));
    }

    void item(const std::string& kind, const std::string& key, const Entity* oldItem, const Entity* newItem) {
        bool isTab = kind == "tab";
        Place place{sectionOf(kind), key, 0, {}};
        if (oldItem != nullptr && newItem != nullptr) {
            fields(kind, key, *oldItem, *newItem, true, isTab ? tabFormat(key) : std::string(), place);
            return;
        }
        // A value some element uses comes and goes with its uses.
        if (kind == "value" && (oldItem != nullptr ? old_ : new_).usedValues.count(key) != 0)
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

    // NOLINTNEXTLINE(readability-function-size)
    void members(const std::string& type) {
        auto inType = [&](const Entities& map) {
            std::vector<std::pair<std::string, const Entity*>> list;
            const std::string prefix = type + ".";
            for (auto it = map.lower_bound(prefix); it != map.end() && it->first.compare(0, prefix.size(), prefix) == 0;
                 ++it) {
                if (it->second.group == type)
                    list.emplace_back(it->first, &it->second);
            }
            std::sort(list.begin(), list.end(),
                      [](const auto& a, const auto& b) { return a.second->position < b.second->position; });
            return list;
        };
        auto oldList = inType(old_.members);
        auto newList = inType(new_.members);
        // The order of the members both sides have, each side's own.
        std::map<std::string, int> oldRank;
        std::map<std::string, int> newRank;
        int rank = 0;
        for (const auto& [key, entity] : oldList)
            if (find(new_.members, key) != nullptr)
                oldRank[key] = ++rank;
        rank = 0;
        for (const auto& [key, entity] : newList)
            if (find(old_.members, key) != nullptr)
                newRank[key] = ++rank;
        for (const auto& [key, entity] : oldList) {
            if (find(new_.members, key) == nullptr) {
                SetDifference d;
                d.change = '-';
                d.kind = "member";
                d.identifier = key;
                d.verdicts = all(true);
                add(std::move(d), Place{typeSection, type, entity->position, {}}, false);
            }
        }
        for (const auto& [key, entity] : newList) {
            const Entity* before = find(old_.members, key);
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
                d.refusedByImport = find(itemsOf(old_, entity->childKind), entity->child) == nullptr;
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
        std::map<std::string, int> uses; // of each item, by members both sides have
        for (const auto& [key, entity] : new_.members) {
            const Entity* before = find(old_.members, key);
            if (before != nullptr && find(old_.types, entity.group) != nullptr)
                ++uses[entity.childKind + "\x1f" + entity.child];
        }
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
                find(itemsOf(new_, first.childKind), first.child) == nullptr)
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

    void valueUses() {
        std::set<std::string> keys;
        for (const auto* side : {&old_, &new_})
            for (const auto& [key, entity] : side->valueUses)
                keys.insert(key);
        for (const std::string& key : keys) {
            const Entity* before = find(old_.valueUses, key);
            const Entity* after = find(new_.valueUses, key);
            const Entity& any = after != nullptr ? *after : *before;
            // Uses of a value by an element only one side has go with the element.
            if (find(old_.elements, any.group) == nullptr || find(new_.elements, any.group) == nullptr)
                continue;
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
                d.refusedByImport = d.change == '+' && find(old_.values, any.child) == nullptr;
                add(std::move(d), place, false);
                continue;
            }
            fields("value", shown, *before, *after, false, {}, place);
        }
    }

    const Side& old_;
    const Side& new_;
    std::vector<std::string> formats_;
    std::vector<MemberProperty> properties_;
    std::vector<std::pair<Place, SetDifference>> found_;
};

} // namespace

SetComparison compareMessageSets(const StoredMessageSet& oldSide, const StoredMessageSet& newSide,
                                 bool leaveOutRemade) {
    TabLabels labels(oldSide, newSide);
    std::unordered_set<std::string> fieldNames;
    Side before;
    Side after;
    {
        const MessageSetModel oldModel(oldSide);
        before = SideBuilder(oldModel, labels, fieldNames, leaveOutRemade).build();
    }
    {
        const MessageSetModel newModel(newSide);
        after = SideBuilder(newModel, labels, fieldNames, leaveOutRemade).build();
    }
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
