// The statements on the repository's tables, built per table: reads, inserts, updates, deletes and locks.
#include "dbsession/RepositoryStatements.h"

#include "dbsession/Columns.h"
#include "dbsession/RepositorySchema.h"

#include <vector>

namespace norvak {

namespace {

// The columns each item row ends with, and their values for a row the run writes.
constexpr const char* stampColumns = "CREATE_DATE, LAST_MOD_DATE, DEFINED_PROJECT, LAST_MOD_PROJECT, STATUS, DESCOPED_IND";

std::string stampValues(const RowStamp& stamp) {
    return formatText("'%s', '%s', %d, %d, 0, 0", stamp.date.c_str(), stamp.date.c_str(), stamp.project,
                      stamp.project);
}

constexpr const char* projectColumns =
    "PROJECT_KEY, PROJECT_REPOSITORY, PROJECT_ID, PROJECT_LEVEL, NEXT_ID, NAME, CREATE_DATE, LAST_MOD_DATE, STATUS";
constexpr const char* pluginMemberColumns = "PROJECT_KEY, MEMBER_ID, PLUGIN_KEY, SEQUENCE_NUM, ACTIVE, LAYER_FINAL, "
                                            "REG_NAME, LOCK_DATE, CREATE_DATE, LAST_MOD_DATE, STATUS";
constexpr const char* attributeColumns =
    "PROJECT, ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_TYPE, ATTR_GROUP, ATTR_FLAGS, MIN_LENGTH, "
    "MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE, ATTR_LVALUE, CREATE_DATE, LAST_MOD_DATE, "
    "DEFINED_PROJECT, LAST_MOD_PROJECT, STATUS";
constexpr const char* memberAttributeColumns =
    "PROJECT, ATTR_ID, PARENT_ID, PARENT_CLASS, CHILD_MEMBER_ID, CHILD_CLASS, ATTR_NAME, ATTR_TYPE, ATTR_GROUP, "
    "ATTR_FLAGS, MIN_LENGTH, MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE, ATTR_LVALUE, CREATE_DATE, "
    "LAST_MOD_DATE, DEFINED_PROJECT, LAST_MOD_PROJECT, STATUS";

std::string insertInto(const std::string& schema, const char* table, const std::string& columns,
                       const std::string& values) {
    return "INSERT INTO " + schema + table + " (" + columns + ") VALUES (" + values + ")";
}

// An item row: the table's own columns and values, then the stamp's.
std::string insertItem(const RowStamp& stamp, const char* table, const char* columns, const std::string& values) {
    return insertInto(stamp.schema, table, std::string(columns) + ", " + stampColumns,
                      values + ", " + stampValues(stamp));
}

} // namespace

std::string createTableStatement(const std::string& qualifiedName, const char* columns) {
    return formatText("CREATE TABLE %s %s", qualifiedName.c_str(), columns);
}

std::string createIndexStatement(const char* name, const char* table, const char* columns) {
    return formatText("CREATE INDEX %s ON %s %s", name, table, columns);
}

std::string tableProbeStatement(const std::string& qualifiedName) {
    return formatText("SELECT 1 FROM %s WHERE 1 = 0", qualifiedName.c_str());
}

std::string serverTableExistsQuery(const std::string& schema, const char* table) {
    return formatText("SELECT 1 WHERE to_regclass('%s%s') IS NOT NULL", schema.c_str(), table);
}

std::string deleteMessageSetRowsStatement(const std::string& schema, const char* table, const char* keyColumn,
                                          int project) {
    return formatText("DELETE FROM %s%s WHERE %s = %d", schema.c_str(), table, keyColumn, project);
}

std::string countMessageSetRowsQuery(const std::string& schema, const char* table, const char* keyColumn,
                                     int project) {
    return formatText("SELECT COUNT(*) FROM %s%s WHERE %s = %d", schema.c_str(), table, keyColumn, project);
}

std::string tabSettingsQuery(const std::string& schema, const char* columns, int project) {
    return formatText("SELECT %s FROM %sM_ATTRIBUTE WHERE PROJECT = %d AND COMPONENT_ID = 0 ORDER BY ATTR_ID", columns,
                      schema.c_str(), project);
}

std::string largestMessageSetIdQuery(const std::string& schema, const char* table, const char* keyColumn, int project,
                                     const char* idColumn) {
    return formatText("SELECT MAX(%s) FROM %s%s WHERE %s = %d", idColumn, schema.c_str(), table, keyColumn, project);
}

std::string messageSetPageQuery(const std::string& schema, const char* table, const char* columns,
                                const char* keyColumn, int project, const char* idColumn,
                                std::optional<std::int32_t> after, int pageRows) {
    std::string from = after ? formatText(" AND %s > %d", idColumn, *after) : std::string();
    return formatText("SELECT %s FROM %s%s WHERE %s = %d%s ORDER BY %s LIMIT %d", columns, schema.c_str(), table,
                      keyColumn, project, from.c_str(), idColumn, pageRows);
}

// REPOSITORY

std::string repositoryRowQuery(const std::string& schema) {
    return formatText("SELECT REPOSITORY_ID, NEXT_PROJECT_KEY, CREATE_DATE FROM %sREPOSITORY AS S WHERE "
                      "S.REPOSITORY_LEVEL = %d",
                      schema.c_str(), repositoryLevel);
}

std::string repositoryKeysQuery(const std::string& schema) {
    return formatText("SELECT REPOSITORY_ID, NEXT_PROJECT_KEY FROM %sREPOSITORY WHERE REPOSITORY_LEVEL = %d",
                      schema.c_str(), repositoryLevel);
}

std::string insertRepositoryRowStatement(const std::string& schema, int repositoryId, int nextProjectKey,
                                         const std::string& date) {
    return insertInto(schema, "REPOSITORY", "REPOSITORY_ID, REPOSITORY_LEVEL, NEXT_PROJECT_KEY, CREATE_DATE",
                      formatText("%d, %d, %d, '%s'", repositoryId, repositoryLevel, nextProjectKey, date.c_str()));
}

std::string updateNextProjectKeyStatement(const std::string& schema, int nextProjectKey) {
    return formatText("UPDATE %sREPOSITORY SET NEXT_PROJECT_KEY = %d WHERE REPOSITORY_LEVEL = %d", schema.c_str(),
                      nextProjectKey, repositoryLevel);
}

std::string repositoryWriteLockStatement(const std::string& schema) {
    return formatText("UPDATE %sREPOSITORY SET NEXT_PROJECT_KEY = NEXT_PROJECT_KEY", schema.c_str());
}

std::string repositoryTableLockStatement(const std::string& schema) {
    return formatText("LOCK TABLE %sREPOSITORY IN SHARE ROW EXCLUSIVE MODE", schema.c_str());
}

// PROJECT

std::string messageSetByKeyQuery(const std::string& schema, int project) {
    return formatText("SELECT NAME, NEXT_ID FROM %sPROJECT AS S WHERE S.PROJECT_KEY = %d", schema.c_str(), project);
}

std::string messageSetKeyTakenQuery(const std::string& schema, int project) {
    return formatText("SELECT PROJECT_KEY FROM %sPROJECT WHERE PROJECT_KEY = %d", schema.c_str(), project);
}

std::string messageSetsByConditionQuery(const std::string& schema, const std::string& condition) {
    return formatText("SELECT PROJECT_KEY, NEXT_ID, NAME FROM %sPROJECT AS S WHERE %s ORDER BY PROJECT_KEY",
                      schema.c_str(), condition.c_str());
}

std::string messageSetListQuery(const std::string& schema, const std::string& where) {
    return formatText("SELECT PROJECT_KEY, NEXT_ID, NAME FROM %sPROJECT%s ORDER BY PROJECT_KEY", schema.c_str(),
                      where.c_str());
}

std::string messageSetRowsQuery(const std::string& schema) {
    return formatText("SELECT PROJECT_KEY, PROJECT_REPOSITORY, PROJECT_ID, PROJECT_LEVEL, NEXT_ID, NAME "
                      "FROM %sPROJECT ORDER BY PROJECT_KEY",
                      schema.c_str());
}

std::string insertMessageSetStatement(const std::string& schema, int project, int repositoryId, int nextId,
                                      const std::string& name, const std::string& date) {
    return insertInto(schema, "PROJECT", projectColumns,
                      formatText("%d, %d, %d, 0, %d, %s, '%s', '%s', 0", project, repositoryId, project, nextId,
                                 name.c_str(), date.c_str(), date.c_str()));
}

std::string updateNextIdStatement(const std::string& schema, int nextId, int project) {
    return formatText("UPDATE %sPROJECT SET NEXT_ID=%d WHERE PROJECT_KEY=%d", schema.c_str(), nextId, project);
}

std::string messageSetLockStatement(const std::string& schema, const std::string& condition) {
    return formatText("UPDATE %sPROJECT SET NEXT_ID = NEXT_ID WHERE %s", schema.c_str(), condition.c_str());
}

// REG_PLUGIN_MEMBER

std::string pluginMembersQuery(const std::string& schema, int project) {
    return formatText("SELECT MEMBER_ID, PLUGIN_KEY, REG_NAME FROM %sREG_PLUGIN_MEMBER WHERE PROJECT_KEY = %d ORDER "
                      "BY PLUGIN_KEY",
                      schema.c_str(), project);
}

std::string largestPluginMemberIdQuery(const std::string& schema, int project) {
    return formatText("SELECT MAX(MEMBER_ID) FROM %sREG_PLUGIN_MEMBER AS S WHERE S.PROJECT_KEY = %d", schema.c_str(),
                      project);
}

std::string largestPluginSequenceQuery(const std::string& schema, int project) {
    return formatText("SELECT MAX(SEQUENCE_NUM) FROM %sREG_PLUGIN_MEMBER AS S WHERE S.PROJECT_KEY = %d",
                      schema.c_str(), project);
}

std::string insertWireFormatTabStatement(const std::string& schema, int project, int pluginKey,
                                         const std::string& quotedName, const std::string& date) {
    return insertInto(schema, "REG_PLUGIN_MEMBER", pluginMemberColumns,
                      formatText("%d, ?, %d, ?, 1, 0, '%s', '', '%s', '%s', 0", project, pluginKey,
                                 quotedName.c_str(), date.c_str(), date.c_str()));
}

std::string insertPluginMemberStatement(const std::string& schema, int project, int memberId, int pluginKey,
                                        int sequence, const char* regName, const std::string& date) {
    return insertInto(schema, "REG_PLUGIN_MEMBER", pluginMemberColumns,
                      formatText("%d, %d, %d, %d, 1, 0, '%s', '', '%s', '%s', 0", project, memberId, pluginKey,
                                 sequence, regName, date.c_str(), date.c_str()));
}

std::string copyPluginMemberStatement(const std::string& schema, int project, int memberId, int pluginKey,
                                      int sequence, int active, int layerFinal, int status, const std::string& date) {
    return insertInto(schema, "REG_PLUGIN_MEMBER", pluginMemberColumns,
                      formatText("%d, %d, %d, %d, %d, %d, ?, ?, '%s', '%s', %d", project, memberId, pluginKey,
                                 sequence, active, layerFinal, date.c_str(), date.c_str(), status));
}

// M_ATTRIBUTE and M_MEMBER_ATTRIBUTE

std::string largestAttributeIdQuery(const std::string& schema, int project) {
    return formatText("SELECT MAX(ATTR_ID) FROM %sM_ATTRIBUTE AS S WHERE S.PROJECT = %d", schema.c_str(), project);
}

std::string largestMemberAttributeIdQuery(const std::string& schema, int project) {
    return formatText("SELECT MAX(ATTR_ID) FROM %sM_MEMBER_ATTRIBUTE AS S WHERE S.PROJECT = %d", schema.c_str(),
                      project);
}

std::string insertAttributeStatement(const RowStamp& stamp, bool languageName) {
    return insertInto(stamp.schema, "M_ATTRIBUTE", attributeColumns,
                      formatText("%d, ?, ?, ?, ?, ?, ?, 0, %s, ?, ?, ?, ?, ?, '%s', '%s', %d, %d, 0", stamp.project,
                                 languageName ? "1" : "?", stamp.date.c_str(), stamp.date.c_str(), stamp.project,
                                 stamp.project));
}

std::string insertMemberAttributeStatement(const RowStamp& stamp) {
    return insertInto(stamp.schema, "M_MEMBER_ATTRIBUTE", memberAttributeColumns,
                      formatText("%d, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '%s', '%s', %d, %d, 0",
                                 stamp.project, stamp.date.c_str(), stamp.date.c_str(), stamp.project, stamp.project));
}

std::string copyAttributeStatement(const RowStamp& stamp, const CopiedAttribute& row) {
    return insertInto(stamp.schema, "M_ATTRIBUTE", attributeColumns,
                      formatText("%d, %d, %d, %d, ?, ?, ?, %d, %d, %d, %d, %d, ?, ?, '%s', '%s', %d, %d, %d",
                                 stamp.project, row.id, row.ownerId, row.ownerClass, row.flags, row.minLength,
                                 row.maxLength, row.pluginMemberId, row.key, stamp.date.c_str(), stamp.date.c_str(),
                                 stamp.project, stamp.project, row.status));
}

// The item tables.

namespace {

// A table written whole: its project and id columns, its other columns in
// the order of a row's markers, and whether it has the item rows' project
// columns (DEFINED_PROJECT, LAST_MOD_PROJECT).
struct WholeRowTable {
    const char* table;
    const char* projectColumn;
    const char* idColumn;
    std::vector<const char*> columns;
    bool projectStamp;
};

const WholeRowTable& wholeRowTable(StoredTable table) {
    static const WholeRowTable tables[] = {
        {"REG_PLUGIN_MEMBER", "PROJECT_KEY", "MEMBER_ID",
         {"PLUGIN_KEY", "SEQUENCE_NUM", "ACTIVE", "LAYER_FINAL", "REG_NAME", "LOCK_DATE", "STATUS"}, false},
        {"M_TYPE", "PROJECT", "ID_VALUE",
         {"IDENTIFIER", "TYPE_CATEGORY", "TYPE_FLAGS", "LOGICAL_DATA_TYPE", "BASE_TYPE_ID", "TYPE_COMPOSITION",
          "TYPE_CONTENT", "NAME", "STATUS", "DESCOPED_IND"},
         true},
        {"M_ELEMENT", "PROJECT", "ID_VALUE",
         {"IDENTIFIER", "TYPE_ID", "CTXT_TAG_HINT_DFLT", "NAME", "STATUS", "DESCOPED_IND"}, true},
        {"M_MESSAGE", "PROJECT", "ID_VALUE", {"IDENTIFIER", "TYPE_ID", "MODE", "NAME", "STATUS", "DESCOPED_IND"}, true},
        {"M_VALUE", "PROJECT", "ID_VALUE",
         {"IDENTIFIER", "TYPE_ID", "VALUE_STRING", "NAME", "STATUS", "DESCOPED_IND"}, true},
        {"TYPE_MEMBER", "PROJECT", "MEMBER_ID",
         {"TYPE_ID", "CHILD_ID", "CHILD_CLASS", "SEQUENCE_NUM", "REPEAT_ITEM_IND", "MIN_OCCURS", "MAX_OCCURS",
          "CONTEXT_TAG_HINT", "STATUS", "DESCOPED_IND"},
         true},
        {"VALUE_MEMBER", "PROJECT", "MEMBER_ID",
         {"PARENT_ID", "VALUE_ID", "PARENT_CLASS", "SEQUENCE_NUM", "ROLE", "STATUS", "DESCOPED_IND"}, true},
        {"M_ATTRIBUTE", "PROJECT", "ATTR_ID",
         {"COMPONENT_ID", "COMPONENT_CLASS", "ATTR_NAME", "ATTR_TYPE", "ATTR_GROUP", "ATTR_FLAGS", "MIN_LENGTH",
          "MAX_LENGTH", "REG_PLUGIN_MBR_ID", "PLUGIN_ATTR_KEY", "ATTR_VALUE", "ATTR_LVALUE", "STATUS"},
         true},
        {"M_MEMBER_ATTRIBUTE", "PROJECT", "ATTR_ID",
         {"PARENT_ID", "PARENT_CLASS", "CHILD_MEMBER_ID", "CHILD_CLASS", "ATTR_NAME", "ATTR_TYPE", "ATTR_GROUP",
          "ATTR_FLAGS", "MIN_LENGTH", "MAX_LENGTH", "REG_PLUGIN_MBR_ID", "PLUGIN_ATTR_KEY", "ATTR_VALUE", "ATTR_LVALUE",
          "STATUS"},
         true},
    };
    return tables[static_cast<int>(table)];
}

} // namespace

std::string insertStoredRowStatement(const RowStamp& stamp, StoredTable table) {
    const WholeRowTable& t = wholeRowTable(table);
    std::string columns = std::string(t.projectColumn) + ", " + t.idColumn;
    std::string values = std::to_string(stamp.project) + ", ?";
    for (const char* column : t.columns) {
        columns += std::string(", ") + column;
        values += ", ?";
    }
    columns += ", CREATE_DATE, LAST_MOD_DATE";
    values += ", '" + stamp.date + "', '" + stamp.date + "'";
    if (t.projectStamp) {
        columns += ", DEFINED_PROJECT, LAST_MOD_PROJECT";
        values += formatText(", %d, %d", stamp.project, stamp.project);
    }
    return insertInto(stamp.schema, t.table, columns, values);
}

std::string updateStoredRowStatement(const RowStamp& stamp, StoredTable table) {
    const WholeRowTable& t = wholeRowTable(table);
    std::string sql = "UPDATE " + stamp.schema + t.table + " SET ";
    for (const char* column : t.columns)
        sql += std::string(column) + " = ?, ";
    sql += "LAST_MOD_DATE = '" + stamp.date + "'";
    if (t.projectStamp)
        sql += formatText(", LAST_MOD_PROJECT = %d", stamp.project);
    return sql + formatText(" WHERE %s = %d AND %s = ?", t.projectColumn, stamp.project, t.idColumn);
}

std::string deleteStoredRowStatement(const std::string& schema, StoredTable table, int project) {
    const WholeRowTable& t = wholeRowTable(table);
    return formatText("DELETE FROM %s%s WHERE %s = %d AND %s = ?", schema.c_str(), t.table, t.projectColumn, project,
                      t.idColumn);
}

std::size_t storedRowMarkers(StoredTable table) {
    return wholeRowTable(table).columns.size() + 1;
}

std::string insertTypeStatement(const RowStamp& stamp, int composition, int content) {
    return insertItem(stamp, "M_TYPE",
                      "PROJECT, ID_VALUE, IDENTIFIER, TYPE_CATEGORY, TYPE_FLAGS, LOGICAL_DATA_TYPE, BASE_TYPE_ID, "
                      "TYPE_COMPOSITION, TYPE_CONTENT, NAME",
                      formatText("%d, ?, ?, 3, 0, 0, ?, %d, %d, ?", stamp.project, composition, content));
}

std::string insertElementStatement(const RowStamp& stamp) {
    return insertItem(stamp, "M_ELEMENT", "PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, CTXT_TAG_HINT_DFLT, NAME",
                      formatText("%d, ?, ?, ?, ?, ?", stamp.project));
}

std::string insertMessageStatement(const RowStamp& stamp) {
    return insertItem(stamp, "M_MESSAGE", "PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, MODE, NAME",
                      formatText("%d, ?, ?, ?, 0, ?", stamp.project));
}

std::string insertTypeMemberStatement(const RowStamp& stamp, int childClass) {
    return insertItem(stamp, "TYPE_MEMBER",
                      "PROJECT, MEMBER_ID, TYPE_ID, CHILD_ID, CHILD_CLASS, SEQUENCE_NUM, REPEAT_ITEM_IND, MIN_OCCURS, "
                      "MAX_OCCURS, CONTEXT_TAG_HINT",
                      formatText("%d, ?, ?, ?, %d, ?, ?, ?, ?, ?", stamp.project, childClass));
}

std::string insertValueStatement(const RowStamp& stamp) {
    return insertItem(stamp, "M_VALUE", "PROJECT, ID_VALUE, IDENTIFIER, TYPE_ID, VALUE_STRING, NAME",
                      formatText("%d, ?, ?, ?, ?, ?", stamp.project));
}

std::string insertValueMemberStatement(const RowStamp& stamp) {
    return insertItem(stamp, "VALUE_MEMBER", "PROJECT, MEMBER_ID, PARENT_ID, VALUE_ID, PARENT_CLASS, SEQUENCE_NUM, ROLE",
                      formatText("%d, ?, ?, ?, ?, ?, ?", stamp.project));
}

std::string storedTypesQuery(const std::string& schema, int project, int firstId) {
    return formatText("SELECT IDENTIFIER, ID_VALUE, BASE_TYPE_ID, TYPE_COMPOSITION, TYPE_CONTENT FROM %sM_TYPE WHERE "
                      "PROJECT = %d AND ID_VALUE > %d ORDER BY ID_VALUE",
                      schema.c_str(), project, firstId - 1);
}

std::string storedElementsQuery(const std::string& schema, int project) {
    return formatText("SELECT IDENTIFIER, TYPE_ID, ID_VALUE FROM %sM_ELEMENT WHERE PROJECT = %d ORDER BY ID_VALUE",
                      schema.c_str(), project);
}

std::string storedValuesQuery(const std::string& schema, int project) {
    return formatText("SELECT IDENTIFIER, ID_VALUE, TYPE_ID, VALUE_STRING  FROM %sM_VALUE WHERE PROJECT = %d ORDER BY "
                      "ID_VALUE",
                      schema.c_str(), project);
}

std::string storedMessagesQuery(const std::string& schema, int project) {
    return formatText("SELECT IDENTIFIER, ID_VALUE, TYPE_ID, MODE FROM %sM_MESSAGE WHERE PROJECT = %d ORDER BY "
                      "ID_VALUE",
                      schema.c_str(), project);
}

std::string typeNamesQuery(const std::string& schema, int project) {
    return formatText("SELECT IDENTIFIER, ID_VALUE FROM %sM_TYPE WHERE PROJECT = %d ORDER BY ID_VALUE", schema.c_str(),
                      project);
}

std::string elementNamesQuery(const std::string& schema, int project) {
    return formatText("SELECT IDENTIFIER, ID_VALUE, TYPE_ID FROM %sM_ELEMENT WHERE PROJECT = %d ORDER BY ID_VALUE",
                      schema.c_str(), project);
}

std::string valueTextsQuery(const std::string& schema, int project) {
    return formatText("SELECT VALUE_STRING, ID_VALUE, TYPE_ID FROM %sM_VALUE WHERE PROJECT = %d ORDER BY ID_VALUE",
                      schema.c_str(), project);
}

std::string messageIdentifiersQuery(const std::string& schema, int project) {
    return formatText("SELECT ID_VALUE, IDENTIFIER FROM %sM_MESSAGE WHERE PROJECT=%d ORDER BY ID_VALUE",
                      schema.c_str(), project);
}

std::string messagesWithTypesQuery(const std::string& schema, int project) {
    return formatText("SELECT M.ID_VALUE, M.IDENTIFIER, T.IDENTIFIER FROM %sM_MESSAGE M LEFT JOIN %sM_TYPE T ON "
                      "T.PROJECT = M.PROJECT AND T.ID_VALUE = M.TYPE_ID WHERE M.PROJECT = %d ORDER BY M.ID_VALUE",
                      schema.c_str(), schema.c_str(), project);
}

std::string messageSetContentCountsQuery(const std::string& schema, int project) {
    auto count = [&](const char* table, const char* keyColumn, const char* condition) {
        return formatText("(SELECT COUNT(*) FROM %s%s WHERE %s = %d%s)", schema.c_str(), table, keyColumn, project,
                          condition);
    };
    return "SELECT " + count("M_TYPE", "PROJECT", "") + ", " + count("M_ELEMENT", "PROJECT", "") + ", " +
           count("M_VALUE", "PROJECT", "") + ", " + count("REG_PLUGIN_MEMBER", "PROJECT_KEY", " AND PLUGIN_KEY = 4") +
           ", " + count("REG_PLUGIN_MEMBER", "PROJECT_KEY", " AND PLUGIN_KEY = 7") + ", " +
           count("REG_PLUGIN_MEMBER", "PROJECT_KEY", " AND PLUGIN_KEY = 6");
}

} // namespace norvak
