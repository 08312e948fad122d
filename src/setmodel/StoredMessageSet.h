#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace norvak {

// Every row of one message set, as stored: plain data, read from a
// repository by import/repository/MessageSetReading.h (one query per page of
// a table) and made into a model by setmodel/MessageSetModel.h. Nullable
// columns are optional; texts are whole, however long.

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
    // Interned in the message set's text pool: few distinct texts, many rows.
    std::string_view name;
    std::string_view type;
    std::string_view group;
    std::int32_t flags = 0;
    std::int32_t minLength = 0;
    std::int32_t maxLength = 0;
    std::int32_t pluginMemberId = 0;
    std::int32_t key = 0;
    std::optional<std::string> value;
    std::optional<std::string> longValue;
    std::int32_t status = 0;
};

// The rows of each table in the order read. Rows stay where they are while
// more are read (a deque grows without moving them), and the repetitive
// texts of attribute rows are held once.
struct StoredMessageSet {
    std::int16_t key = 0;
    std::string name;
    std::deque<StoredType> types;
    std::deque<StoredElement> elements;
    std::deque<StoredMessage> messages;
    std::deque<StoredValue> values;
    std::deque<StoredTypeMember> typeMembers;
    std::deque<StoredValueMember> valueMembers;
    std::deque<StoredPluginMember> pluginMembers;
    std::deque<StoredAttribute> attributes;
    std::deque<StoredAttribute> memberAttributes;
    // The texts the attribute rows' names, types and groups point into.
    std::unordered_set<std::string> textPool;
    std::string_view intern(std::string text) { return *textPool.insert(std::move(text)).first; }
    // Rows of the message set's other tables, which no definition describes:
    // table name and number of rows, for the tables that have any.
    std::vector<std::pair<std::string, long>> otherRows;
    // When set before the set is read, each attribute row (those of
    // M_ATTRIBUTE, then those of M_MEMBER_ATTRIBUTE with `ofMember` true) is
    // handed to it as it is read instead of being kept in `attributes` and
    // `memberAttributes`: a reader that takes the rows one at a time holds
    // no table of them. The item tables and plugin members are read by then.
    std::function<void(const StoredAttribute& row, bool ofMember)> attributeSink;
};

// Whether an attribute row is one every import makes again for its item:
// uuids, C and COBOL names, copy book names.
bool isRemadeByImport(const StoredAttribute& row, int pluginKey);
// Whether such a row holds what the import makes: a uuid, or the name made
// of `label` (the name of the element or message) and the id it carries.
bool holdsWhatTheImportMakes(const StoredAttribute& row, std::string_view label);

} // namespace norvak
