#include "tools/export/CanonicalRows.h"

#include "dbsession/RepositorySchema.h"
#include "import/model/ItemTables.h"
#include "support/StringUtilities.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unordered_map>

namespace norvak {

namespace {

std::string quoted(std::string_view text) {
    return displayQuoted(text);
}

std::string quoted(const std::string& text) {
    return quoted(std::string_view(text));
}

std::string quoted(const std::optional<std::string>& text) {
    return text ? quoted(*text) : std::string("null");
}

std::string number(const std::optional<std::int32_t>& value) {
    return value ? std::to_string(*value) : std::string("null");
}

class Canonical {
  public:
    explicit Canonical(const StoredMessageSet& set) : set_(set) {
        for (const StoredType& type : set.types)
            items_.emplace(type.id, "type " + quoted(type.identifier));
        for (const StoredElement& element : set.elements) {
            items_.emplace(element.id, "element " + quoted(element.identifier));
            labels_.emplace(element.id, element.name);
        }
        for (const StoredMessage& message : set.messages) {
            items_.emplace(message.id, "message " + quoted(message.identifier));
            labels_.emplace(message.id, message.name);
        }
        for (const StoredValue& value : set.values)
            items_.emplace(value.id, "value " + quoted(value.identifier) + "/" + std::to_string(value.typeId));
        for (const StoredTypeMember& member : set.typeMembers)
            members_.emplace(member.id, "member " + item(member.typeId) + "#" + std::to_string(member.sequence));
        for (const StoredPluginMember& plugin : set.pluginMembers)
            plugins_.emplace(plugin.id, "plugin " + std::to_string(plugin.pluginKey) + " " + quoted(plugin.name));
    }

    std::vector<std::string> rows() {
        std::vector<std::string> lines;
        for (const StoredType& t : set_.types)
            lines.push_back("M_TYPE " + item(t.id) + " category=" + std::to_string(t.category) +
                            " flags=" + std::to_string(t.flags) + " logical=" + std::to_string(t.logicalDataType) +
                            " base=" + number(t.baseTypeId) + " composition=" + std::to_string(t.composition) +
                            " content=" + std::to_string(t.content) + " name=" + quoted(t.name) + stamp(t));
        for (const StoredElement& e : set_.elements)
            lines.push_back("M_ELEMENT " + item(e.id) + " type=" + typeOf(e.typeId) + " hint=" + quoted(e.tagHint) +
                            " name=" + quoted(e.name) + stamp(e));
        for (const StoredMessage& m : set_.messages)
            lines.push_back("M_MESSAGE " + item(m.id) + " type=" + item(m.typeId) + " mode=" + std::to_string(m.mode) +
                            " name=" + quoted(m.name) + stamp(m));
        for (const StoredValue& v : set_.values)
            lines.push_back("M_VALUE " + item(v.id) + " text=" + quoted(v.text) + " name=" + quoted(v.name) + stamp(v));
        for (const StoredTypeMember& m : set_.typeMembers)
            lines.push_back("TYPE_MEMBER " + member(m.id) + " child=" + item(m.childId) +
                            " class=" + std::to_string(m.childClass) + " repeat=" + std::to_string(m.repeats) +
                            " min=" + quoted(m.minOccurs) + " max=" + quoted(m.maxOccurs) +
                            " hint=" + quoted(m.tagHint) + stamp(m));
        for (const StoredValueMember& u : set_.valueMembers)
            lines.push_back("VALUE_MEMBER use " + item(u.parentId) + "#" + std::to_string(u.sequence) +
                            " value=" + item(u.valueId) + " class=" + std::to_string(u.parentClass) +
                            " role=" + std::to_string(u.role) + stamp(u));
        for (const StoredPluginMember& p : set_.pluginMembers)
            lines.push_back("REG_PLUGIN_MEMBER " + plugin(p.id) + " sequence=" + std::to_string(p.sequence) +
                            " active=" + std::to_string(p.active) + " final=" + std::to_string(p.layerFinal) +
                            " lock=" + quoted(p.lockDate) + " status=" + std::to_string(p.status));
        for (const StoredAttribute& a : set_.attributes)
            lines.push_back("M_ATTRIBUTE owner=" + (a.ownerClass == 1 ? std::to_string(a.ownerId) : item(a.ownerId)) +
                            " class=" + std::to_string(a.ownerClass) + attribute(a));
        for (const StoredAttribute& a : set_.memberAttributes)
            lines.push_back("M_MEMBER_ATTRIBUTE parent=" + item(a.ownerId) + " class=" + std::to_string(a.ownerClass) +
                            " child=" + member(a.memberId) + " childclass=" + std::to_string(a.memberClass) +
                            attribute(a));
        for (const auto& [table, count] : set_.otherRows)
            lines.push_back(table + " rows=" + std::to_string(count));
        std::sort(lines.begin(), lines.end());
        return lines;
    }

  private:
    template <class Row> static std::string stamp(const Row& row) {
        return " status=" + std::to_string(row.status) + " descoped=" + std::to_string(row.descoped);
    }

    static std::string lookUp(const std::unordered_map<std::int32_t, std::string>& map, std::int32_t id) {
        auto found = map.find(id);
        return found == map.end() ? "?" + std::to_string(id) : found->second;
    }
    std::string item(std::int32_t id) const { return lookUp(items_, id); }
    std::string member(std::int32_t id) const { return lookUp(members_, id); }
    std::string plugin(std::int32_t id) const { return lookUp(plugins_, id); }

    // An element's type: a logical type code, or the id of a type of the set.
    std::string typeOf(std::int32_t typeId) const {
        return typeId >= firstItemId ? item(typeId) : std::to_string(typeId);
    }

    // The label of an element or a message, which its language names are made of.
    std::string labelOf(std::int32_t ownerClass, std::int32_t id) const {
        auto found = labels_.find(id);
        return (ownerClass == classElement || ownerClass == classMessage) && found != labels_.end() ? found->second
                                                                                                    : std::string();
    }

    std::string value(const StoredAttribute& a) const {
        if (!a.value)
            return "null";
        const std::string& text = *a.value;
        // Uuids and language names made as the import makes them read the
        // same whatever the ids.
        if (a.name == "uuid" || a.name == "COBOL Language Name" || a.name == "C Language Name") {
            if (holdsWhatTheImportMakes(a, labelOf(a.ownerClass, a.ownerId)))
                return a.name == "uuid" ? "<uuid>" : "<made from the label>";
        }
        if (a.type == "COMPONENT:ELEMENT" && !text.empty() &&
            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) && text.size() < 10)
            return item(std::stoi(text));
        return quoted(text);
    }

    std::string attribute(const StoredAttribute& a) const {
        return " name=" + quoted(a.name) + " type=" + quoted(a.type) + " group=" + quoted(a.group) +
               " flags=" + std::to_string(a.flags) + " min=" + std::to_string(a.minLength) +
               " max=" + std::to_string(a.maxLength) + " plugin=" + plugin(a.pluginMemberId) +
               " key=" + std::to_string(a.key) + " value=" + value(a) + " lvalue=" + quoted(a.longValue) +
               " status=" + std::to_string(a.status);
    }

    const StoredMessageSet& set_;
    std::unordered_map<std::int32_t, std::string> items_;
    std::unordered_map<std::int32_t, std::string> members_;
    std::unordered_map<std::int32_t, std::string> plugins_;
    std::unordered_map<std::int32_t, std::string> labels_;
};

} // namespace

std::vector<std::string> canonicalRows(const StoredMessageSet& set) {
    return Canonical(set).rows();
}

} // namespace norvak
