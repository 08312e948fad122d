// Every row of one message set as stored, read with one query per table.
#include "import/repository/StoredMessageSet.h"

#include "dbsession/Columns.h"
#include "dbsession/MessageSetNames.h"
#include "dbsession/RepositorySchema.h"
#include "dbsession/Statement.h"
#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "import/model/LanguageNames.h"

#include <array>
#include <deque>
#include <utility>
#include <string_view>
#include <unordered_map>

namespace norvak {

namespace {

// The labels of the column reads, "SQLGetData1" onwards.
const char* columnLabel(SQLUSMALLINT column) {
    static const auto labels = [] {
        std::array<std::string, 24> texts;
        for (std::size_t i = 0; i < texts.size(); ++i)
            texts[i] = "SQLGetData" + std::to_string(i + 1);
        return texts;
    }();
    return labels[static_cast<std::size_t>(column - 1) % labels.size()].c_str();
}

// Reads the columns of the current row from left to right.
class RowReader {
  public:
    explicit RowReader(Statement& statement) : statement_(statement) {}

    std::int32_t integer() {
        SQLINTEGER value = 0;
        statement_.number(next(), SQL_C_SLONG, value, columnLabel(column_));
        return value;
    }
    std::optional<std::int32_t> nullableInteger() {
        SQLINTEGER value = 0;
        bool isNull = false;
        statement_.number(next(), SQL_C_SLONG, value, columnLabel(column_), &isNull);
        return isNull ? std::nullopt : std::optional<std::int32_t>(value);
    }
    std::optional<std::string> nullableText() {
        std::optional<std::string> value;
        statement_.wholeText(next(), value, columnLabel(column_));
        return value;
    }
    std::string text() { return nullableText().value_or(std::string()); }

  private:
    SQLUSMALLINT next() { return ++column_; }

    Statement& statement_;
    SQLUSMALLINT column_ = 0;
};

// Runs one query on a statement of its own and hands each row to `read`.
template <class Read>
bool readRows(Diagnostics& diag, DbSession& db, const char* routine, const std::string& sql, Read read) {
    Statement statement(db, routine, "SQLAllocHandle");
    if (!statement.usable() || diag.errSw)
        return false;
    if (statement.execute(sql, "SQLExecDirect") != SQL_SUCCESS || diag.errSw)
        return false;
    SQLRETURN rc = statement.forEachRow("SQLFetch", false, "SQLFetch2", diag.errSw, [&] {
        RowReader row(statement);
        read(row);
    });
    return rc == SQL_NO_DATA && !diag.errSw;
}

// Rows of one query of a table's pages.
constexpr int pageRows = 20000;

// One table's query: the columns of the rows of message set `key`, in the
// order of the id column, which is unique within a message set (the primary
// key), the first column read.
struct TableQuery {
    const char* columns;
    const char* table;
    const char* keyColumn;
    const char* idColumn;
};

// Reads a table's rows page by page, each page a query of its own that
// starts after the last id of the one before; `read` reads one row and
// returns its id. Every page is read in the caller's transaction, so the
// pages together are one snapshot.
template <class Read>
bool readPages(Diagnostics& diag, DbSession& db, const char* routine, const std::string& schemaPrefix, int key,
               const TableQuery& query, Read read) {
    std::optional<std::int32_t> last;
    for (;;) {
        std::string after = last ? formatText(" AND %s > %d", query.idColumn, *last) : std::string();
        std::string sql = formatText("SELECT %s FROM %s%s WHERE %s = %d%s ORDER BY %s LIMIT %d", query.columns,
                                     schemaPrefix.c_str(), query.table, query.keyColumn, key, after.c_str(),
                                     query.idColumn, pageRows);
        int rows = 0;
        if (!readRows(diag, db, routine, sql, [&](RowReader& row) {
                last = read(row);
                ++rows;
            }))
            return false;
        if (rows < pageRows)
            return true;
    }
}

void readAttribute(RowReader& row, StoredMessageSet& set, StoredAttribute& attribute, bool ofMember) {
    attribute.id = row.integer();
    attribute.ownerId = row.integer();
    attribute.ownerClass = row.integer();
    if (ofMember) {
        attribute.memberId = row.integer();
        attribute.memberClass = row.integer();
    }
    attribute.name = set.intern(row.text());
    attribute.type = set.intern(row.text());
    attribute.group = set.intern(row.text());
    attribute.flags = row.integer();
    attribute.minLength = row.integer();
    attribute.maxLength = row.integer();
    attribute.pluginMemberId = row.integer();
    attribute.key = row.integer();
    attribute.value = row.nullableText();
    attribute.longValue = row.nullableText();
    attribute.status = row.integer();
}

} // namespace

std::optional<std::int16_t> findMessageSet(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix,
                                           const std::string& name) {
    Statement statement(db, "findMessageSet", "SQLAllocHandle");
    if (!statement.usable() || diag.errSw)
        return std::nullopt;
    MessageSetLookup lookup = lookUpMessageSet(
        statement, schemaPrefix, name,
        {"SQLExecDirect", "SQLFetch", false, "SQLFetch2", "SQLGetData1", "SQLGetData2", "SQLGetData3"}, diag.errSw);
    if (lookup.executed != SQL_SUCCESS) {
        // Why: the driver's messages, and the next step of a repository never set up.
        db.explainFailure(SQL_HANDLE_STMT, statement.handle());
        return std::nullopt;
    }
    if (diag.errSw || lookup.matches.empty())
        return std::nullopt;
    if (lookup.ambiguous()) {
        diag.print("%s", ambiguousMessageSetLine(name, lookup.matches).c_str());
        return std::nullopt;
    }
    return static_cast<std::int16_t>(lookup.matches.front().key);
}

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

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
bool readMessageSet(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix, StoredMessageSet& set,
                    bool keepRemade, const std::function<void(const char* table, std::size_t rows)>& progress) {
    const char* routine = "readMessageSet";
    const int key = set.key;
    const std::string& schema = schemaPrefix;
    auto done = [&](const char* table, std::size_t rows) {
        if (progress)
            progress(table, rows);
        return true;
    };
    const char* stamp = "STATUS, DESCOPED_IND";
    // The plugin key of an attribute row's plugin member (read before the attributes).
    std::unordered_map<std::int32_t, std::int32_t> pluginKeys;
    auto pluginKeyOf = [&](const StoredAttribute& row) {
        if (pluginKeys.size() != set.pluginMembers.size())
            for (const StoredPluginMember& member : set.pluginMembers)
                pluginKeys.emplace(member.id, member.pluginKey);
        auto found = pluginKeys.find(row.pluginMemberId);
        return found == pluginKeys.end() ? 0 : found->second;
    };
    // The names of elements and messages, which their language names are made of.
    std::unordered_map<std::int32_t, std::string_view> labels;
    auto remade = [&](const StoredAttribute& row) {
        if (labels.empty()) {
            for (const StoredElement& element : set.elements)
                labels.emplace(element.id, element.name);
            for (const StoredMessage& message : set.messages)
                labels.emplace(message.id, message.name);
        }
        if (!isRemadeByImport(row, pluginKeyOf(row)))
            return false;
        auto label = labels.find(row.ownerId);
        bool named = row.ownerClass == classElement || row.ownerClass == classMessage;
        return holdsWhatTheImportMakes(row, named && label != labels.end() ? label->second : std::string_view());
    };

    const std::string typeColumns = formatText("ID_VALUE, IDENTIFIER, TYPE_CATEGORY, TYPE_FLAGS, LOGICAL_DATA_TYPE, "
                                               "BASE_TYPE_ID, TYPE_COMPOSITION, TYPE_CONTENT, NAME, %s",
                                               stamp);
    const std::string elementColumns =
        formatText("ID_VALUE, IDENTIFIER, TYPE_ID, CTXT_TAG_HINT_DFLT, NAME, %s", stamp);
    const std::string messageColumns = formatText("ID_VALUE, IDENTIFIER, TYPE_ID, MODE, NAME, %s", stamp);
    const std::string valueColumns = formatText("ID_VALUE, IDENTIFIER, TYPE_ID, VALUE_STRING, NAME, %s", stamp);
    const std::string memberColumns = formatText("MEMBER_ID, TYPE_ID, CHILD_ID, CHILD_CLASS, SEQUENCE_NUM, "
                                                 "REPEAT_ITEM_IND, MIN_OCCURS, MAX_OCCURS, CONTEXT_TAG_HINT, %s",
                                                 stamp);
    const std::string valueUseColumns =
        formatText("MEMBER_ID, PARENT_ID, VALUE_ID, PARENT_CLASS, SEQUENCE_NUM, ROLE, %s", stamp);

    // An attribute row read: kept in the set, or handed to its sink.
    std::size_t attributeRows = 0;
    auto takeAttribute = [&](RowReader& row, bool ofMember) {
        std::deque<StoredAttribute>& table = ofMember ? set.memberAttributes : set.attributes;
        if (set.attributeSink) {
            StoredAttribute attribute;
            readAttribute(row, set, attribute, ofMember);
            if (keepRemade || !remade(attribute)) {
                set.attributeSink(attribute, ofMember);
                ++attributeRows;
            }
            return attribute.id;
        }
        StoredAttribute& attribute = table.emplace_back();
        readAttribute(row, set, attribute, ofMember);
        std::int32_t id = attribute.id;
        if (!keepRemade && remade(attribute))
            table.pop_back();
        else
            ++attributeRows;
        return id;
    };

    bool ok =
        readPages(diag, db, routine, schema, key, {typeColumns.c_str(), "M_TYPE", "PROJECT", "ID_VALUE"},
                  [&](RowReader& row) {
                      StoredType& type = set.types.emplace_back();
                      type.id = row.integer();
                      type.identifier = row.text();
                      type.category = row.integer();
                      type.flags = row.integer();
                      type.logicalDataType = row.integer();
                      type.baseTypeId = row.nullableInteger();
                      type.composition = row.integer();
                      type.content = row.integer();
                      type.name = row.text();
                      type.status = row.integer();
                      type.descoped = row.integer();
                      return type.id;
                  }) &&
        done("M_TYPE", set.types.size()) &&
        readPages(diag, db, routine, schema, key, {elementColumns.c_str(), "M_ELEMENT", "PROJECT", "ID_VALUE"},
                  [&](RowReader& row) {
                      StoredElement& element = set.elements.emplace_back();
                      element.id = row.integer();
                      element.identifier = row.text();
                      element.typeId = row.integer();
                      element.tagHint = row.nullableText();
                      element.name = row.text();
                      element.status = row.integer();
                      element.descoped = row.integer();
                      return element.id;
                  }) &&
        done("M_ELEMENT", set.elements.size()) &&
        readPages(diag, db, routine, schema, key, {messageColumns.c_str(), "M_MESSAGE", "PROJECT", "ID_VALUE"},
                  [&](RowReader& row) {
                      StoredMessage& message = set.messages.emplace_back();
                      message.id = row.integer();
                      message.identifier = row.text();
                      message.typeId = row.integer();
                      message.mode = row.integer();
                      message.name = row.text();
                      message.status = row.integer();
                      message.descoped = row.integer();
                      return message.id;
                  }) &&
        done("M_MESSAGE", set.messages.size()) &&
        readPages(diag, db, routine, schema, key, {valueColumns.c_str(), "M_VALUE", "PROJECT", "ID_VALUE"},
                  [&](RowReader& row) {
                      StoredValue& value = set.values.emplace_back();
                      value.id = row.integer();
                      value.identifier = row.text();
                      value.typeId = row.integer();
                      value.text = row.text();
                      value.name = row.text();
                      value.status = row.integer();
                      value.descoped = row.integer();
                      return value.id;
                  }) &&
        done("M_VALUE", set.values.size()) &&
        readPages(diag, db, routine, schema, key, {memberColumns.c_str(), "TYPE_MEMBER", "PROJECT", "MEMBER_ID"},
                  [&](RowReader& row) {
                      StoredTypeMember& member = set.typeMembers.emplace_back();
                      member.id = row.integer();
                      member.typeId = row.integer();
                      member.childId = row.integer();
                      member.childClass = row.integer();
                      member.sequence = row.integer();
                      member.repeats = row.integer();
                      member.minOccurs = row.nullableText();
                      member.maxOccurs = row.nullableText();
                      member.tagHint = row.nullableText();
                      member.status = row.integer();
                      member.descoped = row.integer();
                      return member.id;
                  }) &&
        done("TYPE_MEMBER", set.typeMembers.size()) &&
        readPages(diag, db, routine, schema, key, {valueUseColumns.c_str(), "VALUE_MEMBER", "PROJECT", "MEMBER_ID"},
                  [&](RowReader& row) {
                      StoredValueMember& member = set.valueMembers.emplace_back();
                      member.id = row.integer();
                      member.parentId = row.integer();
                      member.valueId = row.integer();
                      member.parentClass = row.integer();
                      member.sequence = row.integer();
                      member.role = row.integer();
                      member.status = row.integer();
                      member.descoped = row.integer();
                      return member.id;
                  }) &&
        done("VALUE_MEMBER", set.valueMembers.size()) &&
        readPages(diag, db, routine, schema, key,
                  {"MEMBER_ID, PLUGIN_KEY, SEQUENCE_NUM, ACTIVE, LAYER_FINAL, REG_NAME, LOCK_DATE, STATUS",
                   "REG_PLUGIN_MEMBER", "PROJECT_KEY", "MEMBER_ID"},
                  [&](RowReader& row) {
                      StoredPluginMember& member = set.pluginMembers.emplace_back();
                      member.id = row.integer();
                      member.pluginKey = row.integer();
                      member.sequence = row.integer();
                      member.active = row.integer();
                      member.layerFinal = row.integer();
                      member.name = row.text();
                      member.lockDate = row.nullableText();
                      member.status = row.integer();
                      return member.id;
                  }) &&
        done("REG_PLUGIN_MEMBER", set.pluginMembers.size()) &&
        readPages(diag, db, routine, schema, key,
                  {"ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_TYPE, ATTR_GROUP, ATTR_FLAGS, "
                   "MIN_LENGTH, MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE, ATTR_LVALUE, STATUS",
                   "M_ATTRIBUTE", "PROJECT", "ATTR_ID"},
                  [&](RowReader& row) { return takeAttribute(row, false); }) &&
        done("M_ATTRIBUTE", std::exchange(attributeRows, 0)) &&
        readPages(diag, db, routine, schema, key,
                  {"ATTR_ID, PARENT_ID, PARENT_CLASS, CHILD_MEMBER_ID, CHILD_CLASS, ATTR_NAME, ATTR_TYPE, "
                   "ATTR_GROUP, ATTR_FLAGS, MIN_LENGTH, MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, "
                   "ATTR_VALUE, ATTR_LVALUE, STATUS",
                   "M_MEMBER_ATTRIBUTE", "PROJECT", "ATTR_ID"},
                  [&](RowReader& row) { return takeAttribute(row, true); }) &&
        done("M_MEMBER_ATTRIBUTE", attributeRows);
    if (!ok)
        return false;

    // The other tables of a message set: only how many rows each holds.
    static constexpr std::string_view described[] = {"M_TYPE",       "M_ELEMENT",         "M_MESSAGE",
                                                     "M_VALUE",      "TYPE_MEMBER",       "VALUE_MEMBER",
                                                     "M_ATTRIBUTE",  "M_MEMBER_ATTRIBUTE", "REG_PLUGIN_MEMBER",
                                                     "PROJECT"};
    for (const MessageSetTable& table : messageSetTables) {
        bool isDescribed = false;
        for (std::string_view name : described)
            isDescribed = isDescribed || name == table.table;
        if (isDescribed)
            continue;
        long count = 0;
        if (!readRows(diag, db, routine,
                      formatText("SELECT COUNT(*) FROM %s%s WHERE %s = %d", schema.c_str(), table.table,
                                 table.keyColumn, key),
                      [&](RowReader& row) { count = row.integer(); }))
            return false;
        if (count > 0)
            set.otherRows.emplace_back(table.table, count);
    }
    return done("other tables", set.otherRows.size());
}

} // namespace norvak
