// The attribute rows every import makes again, and whether a stored one holds what the import makes.
#include "setmodel/StoredMessageSet.h"

#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "import/model/LanguageNames.h"
#include "support/RepositoryCodes.h"

#include <unordered_map>

namespace norvak {

bool isRemadeByImport(const StoredAttribute& row, int pluginKey) {
    switch (pluginKey) {
    case pluginUuid:
        return row.key == rows::itemUuid.key && row.name == rows::itemUuid.name;
    case pluginC:
        return row.key == rows::itemCName.key && row.name == rows::itemCName.name;
    case pluginCobol:
        return (row.key == rows::itemCobolName.key && row.name == rows::itemCobolName.name) ||
               (row.key == rows::messageCopyBookName.key && row.name == rows::messageCopyBookName.name);
    default:
        return false;
    }
}

bool holdsWhatTheImportMakes(const StoredAttribute& row, std::string_view label) {
    if (!row.value)
        return false;
    const std::string& value = *row.value;
    if (row.name == rows::itemUuid.name) {
        if (value.size() != 36)
            return false;
        for (std::size_t i = 0; i < value.size(); ++i) {
            bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
            char c = value[i];
            if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
                return false;
        }
        return true;
    }
    if (row.name == rows::messageCopyBookName.name)
        return value == copyBookName(label);
    if (row.name == rows::itemCobolName.name)
        return value == cobolNameValue(label, row.ownerId);
    if (row.name == rows::itemCName.name)
        return value == cNameValue(label, row.id, repositoryTextWidth);
    return false;
}

StoredMessageSet withoutRemadeRows(const StoredMessageSet& set) {
    StoredMessageSet copy;
    copy.key = set.key;
    copy.name = set.name;
    copy.types = set.types;
    copy.elements = set.elements;
    copy.messages = set.messages;
    copy.values = set.values;
    copy.typeMembers = set.typeMembers;
    copy.valueMembers = set.valueMembers;
    copy.pluginMembers = set.pluginMembers;
    copy.otherRows = set.otherRows;
    std::unordered_map<std::int32_t, int> pluginKeys;
    for (const StoredPluginMember& member : set.pluginMembers)
        pluginKeys.emplace(member.id, member.pluginKey);
    std::unordered_map<std::int32_t, std::string_view> labels;
    for (const StoredElement& element : set.elements)
        labels.emplace(element.id, element.name);
    for (const StoredMessage& message : set.messages)
        labels.emplace(message.id, message.name);
    auto remade = [&](const StoredAttribute& row) {
        auto plugin = pluginKeys.find(row.pluginMemberId);
        if (!isRemadeByImport(row, plugin == pluginKeys.end() ? 0 : plugin->second))
            return false;
        auto label = labels.find(row.ownerId);
        bool named = row.ownerClass == classElement || row.ownerClass == classMessage;
        return holdsWhatTheImportMakes(row, named && label != labels.end() ? label->second : std::string_view());
    };
    auto copyRows = [&](const std::deque<StoredAttribute>& from, std::deque<StoredAttribute>& to) {
        for (const StoredAttribute& row : from) {
            if (remade(row))
                continue;
            StoredAttribute& kept = to.emplace_back(row);
            kept.name = copy.intern(std::string(row.name));
            kept.type = copy.intern(std::string(row.type));
            kept.group = copy.intern(std::string(row.group));
        }
    };
    copyRows(set.attributes, copy.attributes);
    copyRows(set.memberAttributes, copy.memberAttributes);
    return copy;
}

} // namespace norvak
