// The statements that write a message set's changes: each row's markers, and the order of the tables.
#include "tools/apply/ChangeWriting.h"

#include "dbsession/Statement.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace norvak {

namespace {

constexpr const char* routine = "applyChanges";

using Parameters = std::vector<InsertParameter>;

InsertParameter small(std::int32_t value) {
    return InsertParameter::smallInteger(static_cast<std::int16_t>(value));
}
InsertParameter whole(std::int32_t value) {
    return InsertParameter::integer(value);
}
InsertParameter text(std::string_view value) {
    return InsertParameter::text(std::string(value));
}
InsertParameter text(const std::string& value) {
    return InsertParameter::text(value);
}
InsertParameter text(const std::optional<std::string>& value) {
    return value ? InsertParameter::text(*value) : InsertParameter::nullText();
}

// A row's markers in the order of its table's columns, the id first.
Parameters markers(const StoredPluginMember& r) {
    return {whole(r.id), small(r.pluginKey), small(r.sequence), small(r.active), small(r.layerFinal),
            text(r.name), text(r.lockDate), small(r.status)};
}
Parameters markers(const StoredType& r) {
    return {whole(r.id),
            text(r.identifier),
            small(r.category),
            whole(r.flags),
            whole(r.logicalDataType),
            r.baseTypeId ? whole(*r.baseTypeId) : InsertParameter::nullInteger(),
            small(r.composition),
            small(r.content),
            text(r.name),
            small(r.status),
            small(r.descoped)};
}
Parameters markers(const StoredElement& r) {
    return {whole(r.id), text(r.identifier), whole(r.typeId), text(r.tagHint),
            text(r.name), small(r.status), small(r.descoped)};
}
Parameters markers(const StoredMessage& r) {
    return {whole(r.id), text(r.identifier), whole(r.typeId), small(r.mode),
            text(r.name), small(r.status), small(r.descoped)};
}
Parameters markers(const StoredValue& r) {
    return {whole(r.id), text(r.identifier), whole(r.typeId), text(r.text),
            text(r.name), small(r.status), small(r.descoped)};
}
Parameters markers(const StoredTypeMember& r) {
    return {whole(r.id),        whole(r.typeId),   whole(r.childId),   small(r.childClass),
            small(r.sequence),  small(r.repeats),  text(r.minOccurs),  text(r.maxOccurs),
            text(r.tagHint),    small(r.status),   small(r.descoped)};
}
Parameters markers(const StoredValueMember& r) {
    return {whole(r.id),       whole(r.parentId), whole(r.valueId), whole(r.parentClass),
            small(r.sequence), small(r.role),     small(r.status),  small(r.descoped)};
}
// An attribute row; of a member with its member's columns.
Parameters markers(const StoredAttribute& r, bool ofMember) {
    Parameters p{whole(r.id), whole(r.ownerId), whole(r.ownerClass)};
    if (ofMember) {
        p.push_back(whole(r.memberId));
        p.push_back(whole(r.memberClass));
    }
    for (std::string_view column : {r.name, r.type, r.group})
        p.push_back(text(column));
    for (std::int32_t number : {r.flags, r.minLength, r.maxLength, r.pluginMemberId, r.key})
        p.push_back(whole(number));
    p.push_back(text(r.value));
    p.push_back(text(r.longValue));
    p.push_back(small(r.status));
    return p;
}

// Writes one kind of change of every table, in the order given.
class ChangeWriter {
  public:
    ChangeWriter(DbSession& db, const int& errorSwitch, const RowStamp& stamp)
        : db_(db), errorSwitch_(errorSwitch), stamp_(stamp) {}

    template <class Row> bool deletes(StoredTable table, const TableChanges<Row>& changes) {
        std::string sql = deleteStoredRowStatement(stamp_.schema, table, stamp_.project);
        for (std::int32_t id : changes.deletes) {
            if (!run(sql, {whole(id)}, InsertMode::execute))
                return false;
        }
        return true;
    }

    template <class Row, class Markers>
    bool updates(StoredTable table, const TableChanges<Row>& changes, Markers markersOf) {
        std::string sql = updateStoredRowStatement(stamp_, table);
        for (const Row& row : changes.updates) {
            Parameters parameters = markersOf(row);
            std::rotate(parameters.begin(), parameters.begin() + 1, parameters.end()); // the id last
            if (!run(sql, std::move(parameters), InsertMode::execute))
                return false;
        }
        return true;
    }

    template <class Row, class Markers>
    bool inserts(StoredTable table, const TableChanges<Row>& changes, Markers markersOf) {
        std::string sql = insertStoredRowStatement(stamp_, table);
        for (const Row& row : changes.inserts) {
            if (!run(sql, markersOf(row), InsertMode::batch))
                return false;
        }
        return true;
    }

  private:
    bool run(const std::string& sql, Parameters parameters, InsertMode mode) {
        SQLRETURN rc = runInsert(db_, sql, std::move(parameters), routine, mode);
        return rc == SQL_SUCCESS && errorSwitch_ == 0;
    }

    DbSession& db_;
    const int& errorSwitch_;
    const RowStamp& stamp_;
};

bool writeDeletes(ChangeWriter& w, const SetChanges& c) {
    return w.deletes(StoredTable::memberAttribute, c.memberAttributes) &&
           w.deletes(StoredTable::attribute, c.attributes) && w.deletes(StoredTable::valueMember, c.valueMembers) &&
           w.deletes(StoredTable::typeMember, c.typeMembers) && w.deletes(StoredTable::value, c.values) &&
           w.deletes(StoredTable::message, c.messages) && w.deletes(StoredTable::element, c.elements) &&
           w.deletes(StoredTable::type, c.types) && w.deletes(StoredTable::pluginMember, c.pluginMembers);
}

const auto attributeMarkers = [](const StoredAttribute& r) { return markers(r, false); };
const auto memberAttributeMarkers = [](const StoredAttribute& r) { return markers(r, true); };
const auto rowMarkers = [](const auto& r) { return markers(r); };

bool writeUpdates(ChangeWriter& w, const SetChanges& c) {
    return w.updates(StoredTable::pluginMember, c.pluginMembers, rowMarkers) &&
           w.updates(StoredTable::type, c.types, rowMarkers) && w.updates(StoredTable::element, c.elements, rowMarkers) &&
           w.updates(StoredTable::message, c.messages, rowMarkers) &&
           w.updates(StoredTable::value, c.values, rowMarkers) &&
           w.updates(StoredTable::typeMember, c.typeMembers, rowMarkers) &&
           w.updates(StoredTable::valueMember, c.valueMembers, rowMarkers) &&
           w.updates(StoredTable::attribute, c.attributes, attributeMarkers) &&
           w.updates(StoredTable::memberAttribute, c.memberAttributes, memberAttributeMarkers);
}

bool writeInserts(ChangeWriter& w, const SetChanges& c) {
    return w.inserts(StoredTable::pluginMember, c.pluginMembers, rowMarkers) &&
           w.inserts(StoredTable::type, c.types, rowMarkers) && w.inserts(StoredTable::element, c.elements, rowMarkers) &&
           w.inserts(StoredTable::message, c.messages, rowMarkers) &&
           w.inserts(StoredTable::value, c.values, rowMarkers) &&
           w.inserts(StoredTable::typeMember, c.typeMembers, rowMarkers) &&
           w.inserts(StoredTable::valueMember, c.valueMembers, rowMarkers) &&
           w.inserts(StoredTable::attribute, c.attributes, attributeMarkers) &&
           w.inserts(StoredTable::memberAttribute, c.memberAttributes, memberAttributeMarkers);
}

} // namespace

std::optional<std::int32_t> readNextId(DbSession& db, const std::string& schema, int project) {
    Statement query(db, "readNextId", "SQLAllocHandle");
    if (!query.usable() || query.execute(messageSetByKeyQuery(schema, project), "SQLExecDirect") != SQL_SUCCESS)
        return std::nullopt;
    std::int32_t nextId = 0;
    if (query.fetch("SQLFetch", true) != SQL_SUCCESS || query.number(2, SQL_C_SLONG, nextId, "SQLGetData") != SQL_SUCCESS)
        return std::nullopt;
    query.close("SQLFreeStmt");
    return nextId;
}

bool writeSetChanges(DbSession& db, const int& errorSwitch, const RowStamp& stamp, const SetChanges& changes) {
    ChangeWriter writer(db, errorSwitch, stamp);
    if (!writeDeletes(writer, changes) || !writeUpdates(writer, changes) || !writeInserts(writer, changes) ||
        !db.flushInserts())
        return false;
    if (!changes.nextIdChanged)
        return true;
    Statement update(db, routine, "SQLAllocHandle");
    return update.usable() &&
           update.execute(updateNextIdStatement(stamp.schema, changes.nextId, stamp.project), "SQLExecDirect") ==
               SQL_SUCCESS &&
           errorSwitch == 0;
}

} // namespace norvak
