#pragma once

// The statements on the repository's tables, each built here, grouped by
// table: the reads, inserts, updates, deletes and locks of the import, the
// tools and the set-up. `schema` is the schema prefix the run gives ("" or
// "NAME."), `project` a message set's key, `date` the run's date text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace norvak {

// The dates, project and status columns every item row ends with, and their values.
struct RowStamp {
    const std::string& schema;
    int project;
    const std::string& date;
};

// Any table.
std::string createTableStatement(const std::string& qualifiedName, const char* columns);
std::string createIndexStatement(const char* name, const char* table, const char* columns);
std::string tableProbeStatement(const std::string& qualifiedName);
std::string serverTableExistsQuery(const std::string& schema, const char* table);
std::string deleteMessageSetRowsStatement(const std::string& schema, const char* table, const char* keyColumn,
                                          int project);
std::string countMessageSetRowsQuery(const std::string& schema, const char* table, const char* keyColumn, int project);
// The attribute rows of a message set that belong to no item (its tabs' settings), in the order of their ids.
std::string tabSettingsQuery(const std::string& schema, const char* columns, int project);
// The largest id of a message set's rows of a table (NULL when it has none).
std::string largestMessageSetIdQuery(const std::string& schema, const char* table, const char* keyColumn, int project,
                                     const char* idColumn);
// One page of a message set's rows of a table, in the order of their ids,
// after the id `after` when there is one.
std::string messageSetPageQuery(const std::string& schema, const char* table, const char* columns,
                                const char* keyColumn, int project, const char* idColumn,
                                std::optional<std::int32_t> after, int pageRows);

// REPOSITORY
std::string repositoryRowQuery(const std::string& schema);
std::string repositoryKeysQuery(const std::string& schema);
std::string insertRepositoryRowStatement(const std::string& schema, int repositoryId, int nextProjectKey,
                                         const std::string& date);
std::string updateNextProjectKeyStatement(const std::string& schema, int nextProjectKey);
// The lock of the repository row: on SQLite a write, on a server a table lock.
std::string repositoryWriteLockStatement(const std::string& schema);
std::string repositoryTableLockStatement(const std::string& schema);

// PROJECT
std::string messageSetByKeyQuery(const std::string& schema, int project);
std::string messageSetKeyTakenQuery(const std::string& schema, int project);
std::string messageSetsByConditionQuery(const std::string& schema, const std::string& condition);
std::string messageSetListQuery(const std::string& schema, const std::string& where);
std::string messageSetRowsQuery(const std::string& schema);
// `name` is the NAME value as SQL: a marker or a quoted text.
std::string insertMessageSetStatement(const std::string& schema, int project, int repositoryId, int nextId,
                                      const std::string& name, const std::string& date);
std::string updateNextIdStatement(const std::string& schema, int nextId, int project);
std::string messageSetLockStatement(const std::string& schema, const std::string& condition);

// REG_PLUGIN_MEMBER
std::string pluginMembersQuery(const std::string& schema, int project);
std::string largestPluginMemberIdQuery(const std::string& schema, int project);
std::string largestPluginSequenceQuery(const std::string& schema, int project);
// A wire-format tab of the import: MEMBER_ID and SEQUENCE_NUM are markers.
std::string insertWireFormatTabStatement(const std::string& schema, int project, int pluginKey,
                                         const std::string& quotedName, const std::string& date);
// A plugin member of a new message set, every value given.
std::string insertPluginMemberStatement(const std::string& schema, int project, int memberId, int pluginKey,
                                        int sequence, const char* regName, const std::string& date);
// A stored plugin member copied whole: REG_NAME and LOCK_DATE are markers.
std::string copyPluginMemberStatement(const std::string& schema, int project, int memberId, int pluginKey,
                                      int sequence, int active, int layerFinal, int status, const std::string& date);

// M_ATTRIBUTE and M_MEMBER_ATTRIBUTE
std::string largestAttributeIdQuery(const std::string& schema, int project);
std::string largestMemberAttributeIdQuery(const std::string& schema, int project);
// An attribute row of the import; MIN_LENGTH a marker, or 1 for a language name.
std::string insertAttributeStatement(const RowStamp& stamp, bool languageName);
std::string insertMemberAttributeStatement(const RowStamp& stamp);
// A stored attribute row copied whole: name, type, group and values are markers.
struct CopiedAttribute {
    int id, ownerId, ownerClass, flags, minLength, maxLength, pluginMemberId, key, status;
};
std::string copyAttributeStatement(const RowStamp& stamp, const CopiedAttribute& row);

// The tables whose rows are written whole when a stored set is made to
// match a definitions file. A row's markers are its columns in the order the
// set reads them (StoredMessageSet's fields): the id
// first, then the others, STATUS (and DESCOPED_IND) last; the dates are the
// run's and the project columns the set's.
enum class StoredTable {
    pluginMember, type, element, message, value, typeMember, valueMember, attribute, memberAttribute,
};
std::string insertStoredRowStatement(const RowStamp& stamp, StoredTable table);
// Every column but the id from markers in the same order, then the id as
// the last marker; LAST_MOD_DATE becomes the run's date.
std::string updateStoredRowStatement(const RowStamp& stamp, StoredTable table);
// The row whose id is the one marker.
std::string deleteStoredRowStatement(const std::string& schema, StoredTable table, int project);
// The number of markers of a whole row of the table.
std::size_t storedRowMarkers(StoredTable table);

// The item tables.
std::string insertTypeStatement(const RowStamp& stamp, int composition, int content);
std::string insertElementStatement(const RowStamp& stamp);
std::string insertMessageStatement(const RowStamp& stamp);
std::string insertTypeMemberStatement(const RowStamp& stamp, int childClass);
std::string insertValueStatement(const RowStamp& stamp);
std::string insertValueMemberStatement(const RowStamp& stamp);
std::string storedTypesQuery(const std::string& schema, int project, int firstId);
std::string storedElementsQuery(const std::string& schema, int project);
std::string storedValuesQuery(const std::string& schema, int project);
std::string storedMessagesQuery(const std::string& schema, int project);
std::string typeNamesQuery(const std::string& schema, int project);
std::string elementNamesQuery(const std::string& schema, int project);
std::string valueTextsQuery(const std::string& schema, int project);
std::string messageIdentifiersQuery(const std::string& schema, int project);
std::string messagesWithTypesQuery(const std::string& schema, int project);
std::string messageSetContentCountsQuery(const std::string& schema, int project);

} // namespace norvak
