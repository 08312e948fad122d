#pragma once

#include "dbsession/DbSession.h"
#include "support/Diagnostics.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norvak {

// Every row of one message set, as stored, read with one query per table.
// Nullable columns are optional; texts are whole, however long.

struct StoredType {
    std::int32_t id = 0;
    std::string identifier;
    std::int32_t category = 0;
    std::int32_t flags = 0;
    std::int32_t logicalDataType = 0;
    std::optional<std::int32_t> baseTypeId;
    std::int32_t composition = 0;
    std::int32_t content = 0;
    std::string name;
    std::int32_t status = 0;
    std::int32_t descoped = 0;
};

struct StoredElement {
    std::int32_t id = 0;
    std::string identifier;
    std::int32_t typeId = 0;
    std::optional<std::string> tagHint;
    std::string name;
    std::int32_t status = 0;
    std::int32_t descoped = 0;
};

struct StoredMessage {
    std::int32_t id = 0;
    std::string identifier;
    std::int32_t typeId = 0;
    std::int32_t mode = 0;
    std::string name;
    std::int32_t status = 0;
    std::int32_t descoped = 0;
};

struct StoredValue {
    std::int32_t id = 0;
    std::string identifier;
    std::int32_t typeId = 0;
    std::string text;
    std::string name;
    std::int32_t status = 0;
    std::int32_t descoped = 0;
};

struct StoredTypeMember {
    std::int32_t id = 0;
    std::int32_t typeId = 0;
    std::int32_t childId = 0;
    std::int32_t childClass = 0;
    std::int32_t sequence = 0;
    std::int32_t repeats = 0;
    std::optional<std::string> minOccurs;
    std::optional<std::string> maxOccurs;
    std::optional<std::string> tagHint;
    std::int32_t status = 0;
    std::int32_t descoped = 0;
};

struct StoredValueMember {
    std::int32_t id = 0;
    std::int32_t parentId = 0;
    std::int32_t valueId = 0;
    std::int32_t parentClass = 0;
    std::int32_t sequence = 0;
    std::int32_t role = 0;
    std::int32_t status = 0;
    std::int32_t descoped = 0;
};

struct StoredPluginMember {
    std::int32_t id = 0;
    std::int32_t pluginKey = 0;
    std::int32_t sequence = 0;
    std::int32_t active = 0;
    std::int32_t layerFinal = 0;
    std::string name;
    std::optional<std::string> lockDate;
    std::int32_t status = 0;
};

// An M_ATTRIBUTE row (owner: component id and class) or an
// M_MEMBER_ATTRIBUTE row (owner: parent and child member).
struct StoredAttribute {
    std::int32_t id = 0;
    std::int32_t ownerId = 0;    // COMPONENT_ID, or PARENT_ID of a member attribute
    std::int32_t ownerClass = 0; // COMPONENT_CLASS, or PARENT_CLASS
    std::int32_t memberId = 0;   // CHILD_MEMBER_ID of a member attribute
    std::int32_t memberClass = 0;
    std::string name;
    std::string type;
    std::string group;
    std::int32_t flags = 0;
    std::int32_t minLength = 0;
    std::int32_t maxLength = 0;
    std::int32_t pluginMemberId = 0;
    std::int32_t key = 0;
    std::optional<std::string> value;
    std::optional<std::string> longValue;
    std::int32_t status = 0;
};

struct StoredMessageSet {
    std::int16_t key = 0;
    std::string name;
    std::vector<StoredType> types;
    std::vector<StoredElement> elements;
    std::vector<StoredMessage> messages;
    std::vector<StoredValue> values;
    std::vector<StoredTypeMember> typeMembers;
    std::vector<StoredValueMember> valueMembers;
    std::vector<StoredPluginMember> pluginMembers;
    std::vector<StoredAttribute> attributes;
    std::vector<StoredAttribute> memberAttributes;
    // Rows of the message set's other tables, which no definition describes:
    // table name and number of rows, for the tables that have any.
    std::vector<std::pair<std::string, long>> otherRows;
};

// The key of the message set named `name` (compared as the import compares
// it); nothing when there is none. A failing query sets the error switch.
std::optional<std::int16_t> findMessageSet(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix,
                                           const std::string& name);

// Reads every row of the message set, each table in the order of its ids.
// `progress` is called after each table with its name. False when a query
// failed (reported through the session).
bool readMessageSet(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix, StoredMessageSet& set,
                    const std::function<void(const char* table, std::size_t rows)>& progress = {});

} // namespace norvak
