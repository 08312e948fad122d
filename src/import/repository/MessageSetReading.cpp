// The reading of one message set's rows as stored, with one query per page of a table.
#include "import/repository/MessageSetReading.h"

#include "dbsession/Columns.h"
#include "dbsession/HeldRows.h"
#include "dbsession/MessageSetNames.h"
#include "dbsession/RepositorySchema.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "import/model/ItemTables.h"

#include <algorithm>
#include <array>
#include <cstdlib>
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

// Reads the columns of the current row from left to right: a row of a
// query, or a row held in memory whose columns are taken in the query's order.
class RowReader {
  public:
    explicit RowReader(Statement& statement) : statement_(&statement) {}
    RowReader(const HeldStatement& statement, std::size_t row, const std::vector<int>& columns)
        : held_(&statement), heldRow_(row), columns_(&columns) {}

    std::int32_t integer() {
        if (held_ != nullptr)
            return nullableInteger().value_or(0);
        SQLINTEGER value = 0;
        statement_->number(next(), SQL_C_SLONG, value, columnLabel(column_));
        return value;
    }
    std::optional<std::int32_t> nullableInteger() {
        if (held_ != nullptr) {
            HeldCell cell = heldCell();
            if (cell.isNull)
                return std::nullopt;
            return static_cast<std::int32_t>(cell.isText ? std::atoll(std::string(cell.text).c_str()) : cell.number);
        }
        SQLINTEGER value = 0;
        bool isNull = false;
        statement_->number(next(), SQL_C_SLONG, value, columnLabel(column_), &isNull);
        return isNull ? std::nullopt : std::optional<std::int32_t>(value);
    }
    std::optional<std::string> nullableText() {
        if (held_ != nullptr) {
            HeldCell cell = heldCell();
            if (cell.isNull)
                return std::nullopt;
            return cell.isText ? std::string(cell.text) : std::to_string(cell.number);
        }
        std::optional<std::string> value;
        statement_->wholeText(next(), value, columnLabel(column_));
        return value;
    }
    std::string text() { return nullableText().value_or(std::string()); }

  private:
    SQLUSMALLINT next() { return ++column_; }
    HeldCell heldCell() { return held_->rows->cell(*held_->shape, heldRow_, (*columns_)[next() - 1]); }

    Statement* statement_ = nullptr;
    const HeldStatement* held_ = nullptr;
    std::size_t heldRow_ = 0;
    const std::vector<int>* columns_ = nullptr; // the index in the held row's statement of each column read
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

// A row held in memory: its statement, its place there and its id.
struct HeldRowPlace {
    std::uint32_t statement; // in the list of held statements
    std::uint32_t row;
};

// The rows held in memory of each table, in the order of their ids, which
// all come after the ids of the rows the table holds already.
struct HeldTables {
    const std::vector<HeldStatement>* statements = nullptr;
    std::unordered_map<std::string, std::vector<HeldRowPlace>> rows;
    // The columns read of each held statement, by the query's columns.
    std::unordered_map<const InsertShape*, std::vector<int>> columns;

    const std::vector<int>& columnsOf(const InsertShape& shape, const char* queried) {
        auto found = columns.find(&shape);
        if (found != columns.end())
            return found->second;
        std::vector<int> indexes;
        std::string_view list(queried);
        while (!list.empty()) {
            std::size_t comma = list.find(',');
            std::string_view column = list.substr(0, comma);
            while (!column.empty() && column.front() == ' ')
                column.remove_prefix(1);
            indexes.push_back(shape.columnIndex(column));
            list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        }
        return columns.emplace(&shape, std::move(indexes)).first->second;
    }
};

// Reads a table's rows page by page, each page a query of its own that
// starts after the last id of the one before; `read` reads one row and
// returns its id. Every page is read in the caller's transaction, so the
// pages together are one snapshot. Then the rows of the table held in
// memory, if any.
template <class Read>
bool readPages(Diagnostics& diag, DbSession& db, const char* routine, const std::string& schemaPrefix, int key,
               HeldTables* held, const TableQuery& query, Read read) {
    std::optional<std::int32_t> last;
    for (;;) {
        std::string sql = messageSetPageQuery(schemaPrefix, query.table, query.columns, query.keyColumn, key,
                                              query.idColumn, last, pageRows);
        int rows = 0;
        if (!readRows(diag, db, routine, sql, [&](RowReader& row) {
                last = read(row);
                ++rows;
            }))
            return false;
        if (rows < pageRows)
            break;
    }
    if (held == nullptr)
        return true;
    auto found = held->rows.find(query.table);
    if (found == held->rows.end())
        return true;
    for (const HeldRowPlace& place : found->second) {
        const HeldStatement& statement = (*held->statements)[place.statement];
        RowReader reader(statement, place.row, held->columnsOf(*statement.shape, query.columns));
        read(reader);
    }
    // Read: their memory goes.
    for (const HeldRowPlace& place : found->second)
        (*held->statements)[place.statement].rows->clear();
    held->rows.erase(found);
    return true;
}

// The columns of a plugin member and of an attribute row, in the order they are read.
constexpr const char* pluginMemberColumns =
    "MEMBER_ID, PLUGIN_KEY, SEQUENCE_NUM, ACTIVE, LAYER_FINAL, REG_NAME, LOCK_DATE, STATUS";
constexpr const char* attributeColumns = "ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_TYPE, ATTR_GROUP, "
                                         "ATTR_FLAGS, MIN_LENGTH, MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, "
                                         "ATTR_VALUE, ATTR_LVALUE, STATUS";

std::int32_t readPluginMember(RowReader& row, StoredMessageSet& set) {
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
        statement.explainFailure();
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

namespace {

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
bool readSetRows(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix, StoredMessageSet& set,
                 bool keepRemade, const std::function<void(const char* table, std::size_t rows)>& progress,
                 HeldTables* held) {
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
        readPages(diag, db, routine, schema, key, held, {typeColumns.c_str(), "M_TYPE", "PROJECT", "ID_VALUE"},
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
        readPages(diag, db, routine, schema, key, held, {elementColumns.c_str(), "M_ELEMENT", "PROJECT", "ID_VALUE"},
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
        readPages(diag, db, routine, schema, key, held, {messageColumns.c_str(), "M_MESSAGE", "PROJECT", "ID_VALUE"},
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
        readPages(diag, db, routine, schema, key, held, {valueColumns.c_str(), "M_VALUE", "PROJECT", "ID_VALUE"},
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
        readPages(diag, db, routine, schema, key, held, {memberColumns.c_str(), "TYPE_MEMBER", "PROJECT", "MEMBER_ID"},
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
        readPages(diag, db, routine, schema, key, held, {valueUseColumns.c_str(), "VALUE_MEMBER", "PROJECT", "MEMBER_ID"},
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
        readPages(diag, db, routine, schema, key, held, {pluginMemberColumns, "REG_PLUGIN_MEMBER", "PROJECT_KEY", "MEMBER_ID"},
                  [&](RowReader& row) { return readPluginMember(row, set); }) &&
        done("REG_PLUGIN_MEMBER", set.pluginMembers.size()) &&
        readPages(diag, db, routine, schema, key, held,
                  {attributeColumns, "M_ATTRIBUTE", "PROJECT", "ATTR_ID"},
                  [&](RowReader& row) { return takeAttribute(row, false); }) &&
        done("M_ATTRIBUTE", std::exchange(attributeRows, 0)) &&
        readPages(diag, db, routine, schema, key, held,
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
                      countMessageSetRowsQuery(schema, table.table, table.keyColumn, key),
                      [&](RowReader& row) { count = row.integer(); }))
            return false;
        if (count > 0)
            set.otherRows.emplace_back(table.table, count);
    }
    return done("other tables", set.otherRows.size());
}

} // namespace

bool readMessageSet(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix, StoredMessageSet& set,
                    bool keepRemade, const std::function<void(const char* table, std::size_t rows)>& progress) {
    return readSetRows(diag, db, schemaPrefix, set, keepRemade, progress, nullptr);
}

namespace {

// The tables rows are held for, with their message set and id columns.
struct HeldTable {
    const char* table;
    const char* keyColumn;
    const char* idColumn;
};
constexpr HeldTable heldTables[] = {
    {"M_TYPE", "PROJECT", "ID_VALUE"},          {"M_ELEMENT", "PROJECT", "ID_VALUE"},
    {"M_MESSAGE", "PROJECT", "ID_VALUE"},       {"M_VALUE", "PROJECT", "ID_VALUE"},
    {"TYPE_MEMBER", "PROJECT", "MEMBER_ID"},    {"VALUE_MEMBER", "PROJECT", "MEMBER_ID"},
    {"REG_PLUGIN_MEMBER", "PROJECT_KEY", "MEMBER_ID"}, {"M_ATTRIBUTE", "PROJECT", "ATTR_ID"},
    {"M_MEMBER_ATTRIBUTE", "PROJECT", "ATTR_ID"},
};

const HeldTable* heldTableOf(std::string_view name) {
    for (const HeldTable& table : heldTables) {
        if (name == table.table)
            return &table;
    }
    return nullptr;
}

// The id of a held row; nothing when it has none, or not a number.
std::optional<std::int64_t> heldRowId(const HeldStatement& statement, std::size_t row, int idColumn) {
    HeldCell id = statement.rows->cell(*statement.shape, row, idColumn);
    return id.isNull || id.isText ? std::nullopt : std::optional<std::int64_t>(id.number);
}

// The rows of a table's statements (each in the order of its ids, as the
// import writes them) merged into the order of their ids; false when a
// statement's rows are not in that order, an id repeats or does not come
// after `largest`.
bool mergeHeldRows(const std::vector<HeldStatement>& statements,
                   const std::vector<std::pair<std::uint32_t, int>>& sources, std::optional<std::int64_t> largest,
                   std::vector<HeldRowPlace>& merged) {
    std::vector<std::size_t> next(sources.size(), 0);
    std::optional<std::int64_t> last = largest;
    for (;;) {
        std::optional<std::size_t> pick;
        std::int64_t pickId = 0;
        for (std::size_t s = 0; s < sources.size(); ++s) {
            const HeldStatement& statement = statements[sources[s].first];
            if (next[s] >= statement.rows->size())
                continue;
            std::optional<std::int64_t> id = heldRowId(statement, next[s], sources[s].second);
            if (!id)
                return false;
            if (!pick || *id < pickId) {
                pick = s;
                pickId = *id;
            }
        }
        if (!pick)
            return true;
        if (last && pickId <= *last)
            return false;
        last = pickId;
        merged.push_back({sources[*pick].first, static_cast<std::uint32_t>(next[*pick]++)});
    }
}

// The held rows of each table in the order of their ids; false when a
// table is none of those read, or ids repeat or do not come after the
// largest the table holds.
bool placeHeldRows(Diagnostics& diag, DbSession& db, int key, const std::vector<HeldStatement>& statements,
                   HeldTables& held, bool& failed) {
    held.statements = &statements;
    // The statements of each table, each with the index of its id column.
    std::unordered_map<std::string_view, std::vector<std::pair<std::uint32_t, int>>> sources;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const HeldStatement& statement = statements[i];
        const HeldTable* table = heldTableOf(statement.shape->table);
        if (table == nullptr)
            return false;
        sources[table->table].emplace_back(static_cast<std::uint32_t>(i),
                                           statement.shape->columnIndex(table->idColumn));
    }
    for (const auto& [name, list] : sources) {
        const HeldTable* table = heldTableOf(name);
        std::optional<std::int32_t> largest;
        if (!readRows(diag, db, "readMessageSet",
                      largestMessageSetIdQuery("", table->table, table->keyColumn, key, table->idColumn),
                      [&](RowReader& row) { largest = row.nullableInteger(); })) {
            failed = true;
            return false;
        }
        if (!mergeHeldRows(statements, list, largest, held.rows[table->table]))
            return false;
    }
    return true;
}

} // namespace

HeldRowsRead readMessageSetWithHeldRows(Diagnostics& diag, DbSession& db, StoredMessageSet& set, bool keepRemade,
                                        const std::vector<HeldStatement>& statements) {
    HeldTables held;
    bool failed = false;
    if (!placeHeldRows(diag, db, set.key, statements, held, failed))
        return failed ? HeldRowsRead::failed : HeldRowsRead::needsDatabase;
    return readSetRows(diag, db, "", set, keepRemade, {}, &held) ? HeldRowsRead::read : HeldRowsRead::failed;
}

bool readMessageSetConfiguration(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix,
                                 StoredMessageSet& set) {
    const char* routine = "readMessageSet";
    return readPages(diag, db, routine, schemaPrefix, set.key, nullptr,
                     {pluginMemberColumns, "REG_PLUGIN_MEMBER", "PROJECT_KEY", "MEMBER_ID"},
                     [&](RowReader& row) { return readPluginMember(row, set); }) &&
           readRows(diag, db, routine, tabSettingsQuery(schemaPrefix, attributeColumns, set.key), [&](RowReader& row) {
               readAttribute(row, set, set.attributes.emplace_back(), false);
           });
}

} // namespace norvak
