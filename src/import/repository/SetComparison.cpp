#include "import/repository/SetComparison.h"

#include "dbsession/RepositorySchema.h"
#include "import/model/ItemTables.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_map>

namespace norvak {

namespace {

constexpr const char* none = "(none)";
// The class of a tab's setting rows (their component id is 0).
constexpr int tabSettingClass = 1;

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

// One field of an item: what is shown, and the whole row text that decides
// whether two fields are alike. A wire-format property names its format.
struct Field {
    std::string shown;
    std::string exact;
    std::string format;
    bool ofPlugin = false; // a property of a language binding or the uuid plugin
};

struct Entity {
    std::string group; // the item a member or value use belongs to
    std::map<std::string, Field> fields;
    int position = 0; // of a member in its type
    std::string minOccurs;
    std::string maxOccurs;
    std::string note;
};

using Entities = std::map<std::string, Entity>;

// The rows of one side, by what they describe.
struct Side {
    Entities messages, types, members, elements, values, valueUses, tabs;
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
    SideBuilder(const StoredMessageSet& set, const TabLabels& labels) : set_(set), labels_(labels) {}

    Side build() {
        for (const StoredType& t : set_.types)
            name(t.id, t.identifier);
        for (const StoredElement& e : set_.elements)
            name(e.id, e.identifier);
        for (const StoredMessage& m : set_.messages)
            name(m.id, m.identifier);
        for (const StoredValue& v : set_.values) {
            const char* type = logicalTypeKeyword(v.typeId);
            valueKeys_[v.id] = v.identifier + " (" + (type ? type : std::to_string(v.typeId)) + ")";
            valueNames_[v.id] = v.identifier;
        }
        for (const StoredPluginMember& p : set_.pluginMembers)
            plugins_[p.id] = &p;

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
            plain(e, "base type", t.baseTypeId ? typeName(*t.baseTypeId) : std::string(none));
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
            plain(e, "hint", text(el.tagHint));
            stamp(e, el);
        }
        for (const StoredValue& v : set_.values) {
            Entity& e = side_.values[valueKeys_[v.id]];
            plain(e, "text", v.text);
            plain(e, "name", v.name);
            stamp(e, v);
        }
        addMembers();
        addValueUses();
        for (const StoredPluginMember& p : set_.pluginMembers) {
            if (const char* format = formatOfPlugin(p.pluginKey)) {
                std::string key = std::string(format) + " " + p.name;
                tabKeys_[p.id] = key;
                side_.tabs[key];
            }
        }
        for (const StoredAttribute& a : set_.attributes)
            addAttribute(a);
        for (const StoredAttribute& a : set_.memberAttributes) {
            auto found = memberKeys_.find(a.memberId);
            if (found != memberKeys_.end())
                property(side_.members[found->second], a);
        }
        return std::move(side_);
    }

  private:
    void name(std::int32_t id, const std::string& identifier) { names_[id] = identifier; }

    std::string itemName(std::int32_t id) const {
        auto found = names_.find(id);
        if (found != names_.end())
            return found->second;
        auto value = valueNames_.find(id);
        return value != valueNames_.end() ? value->second : "id " + std::to_string(id);
    }
    // A logical type by its keyword, a type of the set by its identifier.
    std::string typeName(std::int32_t id) const {
        if (id < firstItemId) {
            const char* keyword = logicalTypeKeyword(id);
            return keyword != nullptr ? keyword : std::to_string(id);
        }
        return itemName(id);
    }

    static void plain(Entity& e, const std::string& field, const std::string& value) {
        e.fields[field] = Field{value, value, {}, false};
    }
    template <class Row> static void stamp(Entity& e, const Row& row) {
        plain(e, "status", std::to_string(row.status));
        plain(e, "descoped", std::to_string(row.descoped));
    }

    void addMembers() {
        std::unordered_map<std::int32_t, std::vector<const StoredTypeMember*>> byType;
        for (const StoredTypeMember& m : set_.typeMembers)
            byType[m.typeId].push_back(&m);
        for (auto& [typeId, members] : byType) {
            std::stable_sort(members.begin(), members.end(),
                             [](const StoredTypeMember* a, const StoredTypeMember* b) { return a->sequence < b->sequence; });
            std::string typeKey = itemName(typeId);
            std::map<std::string, int> seen;
            int position = 0;
            for (const StoredTypeMember* m : members) {
                std::string child = itemName(m->childId);
                int occurrence = ++seen[child];
                std::string key = typeKey + "." + child + (occurrence > 1 ? "#" + std::to_string(occurrence) : "");
                memberKeys_[m->id] = key;
                Entity& e = side_.members[key];
                e.group = typeKey;
                e.position = ++position;
                e.minOccurs = text(m->minOccurs);
                e.maxOccurs = text(m->maxOccurs);
                plain(e, "minOccurs", e.minOccurs);
                plain(e, "maxOccurs", e.maxOccurs);
                plain(e, "repeat", std::to_string(m->repeats));
                plain(e, "hint", text(m->tagHint));
                stamp(e, *m);
                e.note = "minOccurs " + e.minOccurs + " maxOccurs " + e.maxOccurs + " (position " +
                         std::to_string(e.position) + ")";
            }
        }
    }

    void addValueUses() {
        std::map<std::string, int> seen;
        for (const StoredValueMember& u : set_.valueMembers) {
            std::string parent = itemName(u.parentId);
            auto value = valueKeys_.find(u.valueId);
            std::string valueName = value != valueKeys_.end() ? valueNames_[u.valueId] : itemName(u.valueId);
            std::string base = parent + ": " + valueName;
            std::string role = roleName(u.role);
            int occurrence = ++seen[base + "\x1f" + role];
            std::string key = base + (occurrence > 1 ? "#" + std::to_string(occurrence) : "");
            Entity& e = side_.valueUses[key + "\x1f" + role];
            e.group = parent;
            e.note = "(" + role + ")";
            plain(e, "value", value != valueKeys_.end() ? value->second : valueName);
            stamp(e, u);
        }
    }

    void addAttribute(const StoredAttribute& a) {
        Entity* owner = nullptr;
        if (a.ownerClass == tabSettingClass) {
            auto tab = tabKeys_.find(a.pluginMemberId);
            if (tab != tabKeys_.end())
                owner = &side_.tabs[tab->second];
        } else if (a.ownerClass == classValue) {
            auto value = valueKeys_.find(a.ownerId);
            if (value != valueKeys_.end())
                owner = &side_.values[value->second];
        } else {
            Entities* items = a.ownerClass == classMessage   ? &side_.messages
                              : a.ownerClass == classType    ? &side_.types
                              : a.ownerClass == classElement ? &side_.elements
                                                             : nullptr;
            auto name = names_.find(a.ownerId);
            if (items != nullptr && name != names_.end())
                owner = &(*items)[name->second];
        }
        if (owner != nullptr)
            property(*owner, a);
    }

    void property(Entity& e, const StoredAttribute& a) {
        auto plugin = plugins_.find(a.pluginMemberId);
        std::string label = plugin != plugins_.end() ? labels_.label(*plugin->second) + " " : std::string();
        // A tab's settings are named by the setting alone.
        if (a.ownerClass == tabSettingClass && !a.memberId)
            label.clear();
        std::string field = label + std::string(a.name);
        for (int occurrence = 2; e.fields.count(field) != 0; ++occurrence)
            field = label + std::string(a.name) + " #" + std::to_string(occurrence);
        std::string value = a.value ? *a.value : std::string("(null)");
        if (a.type == "COMPONENT:ELEMENT" && !value.empty() && value.size() < 10 &&
            std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
            value = itemName(std::atoi(value.c_str()));
        std::string exact = value + " [type " + std::string(a.type) + ", group " + std::string(a.group) + ", flags " +
                            std::to_string(a.flags) + ", length " + std::to_string(a.minLength) + ".." +
                            std::to_string(a.maxLength) + ", key " + std::to_string(a.key) + ", long value " +
                            text(a.longValue) + ", status " + std::to_string(a.status) + "]";
        const char* format = plugin != plugins_.end() ? formatOfPlugin(plugin->second->pluginKey) : nullptr;
        e.fields[field] = Field{value, exact, format != nullptr ? format : "", format == nullptr};
    }

    const StoredMessageSet& set_;
    const TabLabels& labels_;
    Side side_;
    std::unordered_map<std::int32_t, std::string> names_;
    std::unordered_map<std::int32_t, std::string> valueKeys_;
    std::unordered_map<std::int32_t, std::string> valueNames_;
    std::unordered_map<std::int32_t, std::string> memberKeys_;
    std::unordered_map<std::int32_t, std::string> tabKeys_;
    std::unordered_map<std::int32_t, const StoredPluginMember*> plugins_;
};

bool isNumber(const std::string& text) {
    return !text.empty() && std::all_of(text.begin() + (text[0] == '-' ? 1 : 0), text.end(),
                                        [](char c) { return c >= '0' && c <= '9'; }) &&
           text != "-";
}

// Whether a change of occurrence lets through everything that passed before.
bool loosens(const std::string& field, const std::string& oldValue, const std::string& newValue) {
    if (field == "minOccurs")
        return isNumber(oldValue) && isNumber(newValue) && std::atol(newValue.c_str()) <= std::atol(oldValue.c_str());
    if (field == "maxOccurs") {
        bool newUnbounded = newValue == "unbounded" || newValue == "-1";
        if (newUnbounded)
            return true;
        return isNumber(oldValue) && isNumber(newValue) && std::atol(oldValue.c_str()) >= 0 &&
               std::atol(newValue.c_str()) >= std::atol(oldValue.c_str());
    }
    return false;
}

class Comparer {
  public:
    Comparer(const Side& oldSide, const Side& newSide, std::vector<std::string> formats)
        : old_(oldSide), new_(newSide), formats_(std::move(formats)) {}

    std::vector<SetDifference> run() {
        items("message", old_.messages, new_.messages);
        // Each type followed by its members.
        std::set<std::string> typeNames;
        for (const auto* side : {&old_, &new_})
            for (const auto& [key, entity] : side->types)
                typeNames.insert(key);
        for (const std::string& type : typeNames) {
            item("type", type, find(old_.types, type), find(new_.types, type), type);
            if (find(old_.types, type) != nullptr && find(new_.types, type) != nullptr)
                members(type);
        }
        items("element", old_.elements, new_.elements);
        items("value", old_.values, new_.values);
        valueUses();
        items("tab", old_.tabs, new_.tabs);
        return std::move(differences_);
    }

  private:
    static const Entity* find(const Entities& map, const std::string& key) {
        auto found = map.find(key);
        return found == map.end() ? nullptr : &found->second;
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

    void add(SetDifference difference, bool topLevel, bool groupInBoth) {
        difference.breaking = std::any_of(difference.verdicts.begin(), difference.verdicts.end(),
                                          [](const FormatVerdict& v) { return v.breaking; });
        difference.appliedByImport = topLevel && difference.change == '+';
        difference.keptByImport = groupInBoth || (topLevel && difference.change == '~');
        differences_.push_back(std::move(difference));
    }

    static std::string tabFormat(const std::string& key) { return key.substr(0, key.find(' ')); }

    void items(const char* kind, const Entities& oldMap, const Entities& newMap) {
        std::set<std::string> keys;
        for (const auto& [key, entity] : oldMap)
            keys.insert(key);
        for (const auto& [key, entity] : newMap)
            keys.insert(key);
        for (const std::string& key : keys)
            item(kind, key, find(oldMap, key), find(newMap, key), key);
    }

    void item(const char* kind, const std::string& key, const Entity* oldItem, const Entity* newItem,
              const std::string& shown) {
        bool isTab = std::string(kind) == "tab";
        if (oldItem == nullptr || newItem == nullptr) {
            SetDifference d;
            d.change = oldItem == nullptr ? '+' : '-';
            d.kind = kind;
            d.identifier = shown;
            if (isTab)
                d.verdicts = {{tabFormat(key), d.change == '-'}};
            else
                d.verdicts = all(d.change == '-');
            add(std::move(d), true, false);
            return;
        }
        fields(kind, shown, *oldItem, *newItem, true, isTab ? tabFormat(key) : std::string());
    }

    void fields(const char* kind, const std::string& shown, const Entity& oldItem, const Entity& newItem,
                bool topLevel, const std::string& tabFormatName) {
        std::set<std::string> names;
        for (const auto& [name, field] : oldItem.fields)
            names.insert(name);
        for (const auto& [name, field] : newItem.fields)
            names.insert(name);
        for (const std::string& name : names) {
            auto o = oldItem.fields.find(name);
            auto n = newItem.fields.find(name);
            const Field* of = o == oldItem.fields.end() ? nullptr : &o->second;
            const Field* nf = n == newItem.fields.end() ? nullptr : &n->second;
            if (of != nullptr && nf != nullptr && of->exact == nf->exact)
                continue;
            SetDifference d;
            d.kind = kind;
            d.identifier = shown;
            d.field = name;
            d.oldValue = of != nullptr ? of->shown : std::string();
            d.newValue = nf != nullptr ? nf->shown : std::string();
            d.oldPresent = of != nullptr;
            d.newPresent = nf != nullptr;
            if (of != nullptr && nf != nullptr && of->shown == nf->shown) {
                d.oldValue = of->exact;
                d.newValue = nf->exact;
            }
            const Field& any = nf != nullptr ? *nf : *of;
            d.verdicts = verdictOfField(kind, name, any, d.oldValue, d.newValue, tabFormatName);
            add(std::move(d), topLevel, !topLevel);
        }
    }

    std::vector<FormatVerdict> verdictOfField(const std::string& kind, const std::string& name, const Field& field,
                                              const std::string& oldValue, const std::string& newValue,
                                              const std::string& tabFormatName) const {
        if (!tabFormatName.empty())
            return {{tabFormatName, true}};
        if (!field.format.empty())
            return {{field.format, true}};
        if (field.ofPlugin || name == "name" || name == "hint" || name == "status")
            return all(false);
        if (kind == "member" && (name == "minOccurs" || name == "maxOccurs"))
            return layout(loosens(name, oldValue, newValue));
        return all(true);
    }

    void members(const std::string& type) {
        auto inType = [&](const Entities& map) {
            std::vector<std::pair<std::string, const Entity*>> list;
            for (auto it = map.lower_bound(type + "."); it != map.end() && it->first.compare(0, type.size() + 1, type + ".") == 0; ++it) {
                if (it->second.group == type)
                    list.emplace_back(it->first, &it->second);
            }
            std::sort(list.begin(), list.end(),
                      [](const auto& a, const auto& b) { return a.second->position < b.second->position; });
            return list;
        };
        auto oldList = inType(old_.members);
        auto newList = inType(new_.members);
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
                add(std::move(d), false, true);
            }
        }
        for (const auto& [key, entity] : newList) {
            const Entity* before = find(old_.members, key);
            if (before == nullptr) {
                SetDifference d;
                d.change = '+';
                d.kind = "member";
                d.identifier = key;
                d.note = entity->note;
                d.verdicts = layout(entity->minOccurs == "0");
                add(std::move(d), false, true);
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
                add(std::move(d), false, true);
            }
            fields("member", key, *before, *entity, false, {});
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
            if (before == nullptr || after == nullptr) {
                SetDifference d;
                d.change = before == nullptr ? '+' : '-';
                d.kind = "value";
                d.identifier = shown;
                d.note = any.note;
                d.verdicts = all(d.change == '-');
                add(std::move(d), false, true);
                continue;
            }
            fields("value", shown, *before, *after, false, {});
        }
    }

    const Side& old_;
    const Side& new_;
    std::vector<std::string> formats_;
    std::vector<SetDifference> differences_;
};

} // namespace

SetComparison compareMessageSets(const StoredMessageSet& oldSide, const StoredMessageSet& newSide) {
    TabLabels labels(oldSide, newSide);
    Side before = SideBuilder(oldSide, labels).build();
    Side after = SideBuilder(newSide, labels).build();
    SetComparison comparison;
    comparison.formats = labels.formats();
    comparison.differences = Comparer(before, after, comparison.formats).run();
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

} // namespace norvak
