#include "import/repository/Reconciliation.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/RepositorySchema.h"
#include "dbsession/Statement.h"
#include "import/model/ImportRun.h"
#include "import/repository/RowWriters.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace norvak {

namespace {

constexpr SQLINTEGER firstUserId = firstItemId;

// The identifier the definitions file would use for a stored one: the
// kind's prefix and suffix taken off where present.
std::string withoutAffixes(const std::string& stored, const std::string& prefix, const std::string& suffix) {
    std::string key = stored;
    if (!prefix.empty() && key.compare(0, prefix.size(), prefix) == 0)
        key.erase(0, prefix.size());
    if (!suffix.empty() && suffix.size() < key.size() &&
        key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0)
        key.erase(key.size() - suffix.size());
    return key;
}

// The entries of one kind by the identifier they would be stored under;
// the first entry of an identifier wins.
class StoredIdentifiers {
  public:
    StoredIdentifiers(const std::string& prefix, const std::string& suffix, bool replaceHyphens)
        : prefix_(prefix), suffix_(suffix), replaceHyphens_(replaceHyphens) {}

    void add(const ImportRun& run, int ident, int id) {
        entries_.emplace(composeIdentifier(prefix_, run.text(ident), suffix_, replaceHyphens_), id);
    }
    int find(const std::string& stored) const {
        auto found = entries_.find(stored);
        return found == entries_.end() ? 0 : found->second;
    }
    std::string key(const std::string& stored) const { return withoutAffixes(stored, prefix_, suffix_); }

  private:
    const std::string& prefix_;
    const std::string& suffix_;
    bool replaceHyphens_;
    std::unordered_map<std::string, int> entries_;
};

template <class Table>
StoredIdentifiers indexStoredIdentifiers(const ImportRun& run, const Table& table, const std::string& prefix,
                                         const std::string& suffix, bool replaceHyphens) {
    StoredIdentifiers index(prefix, suffix, replaceHyphens);
    for (int id = 1; id <= table.count(); ++id)
        index.add(run, table[id].ident, id);
    return index;
}

// The first type entry holding each repository id.
std::unordered_map<int, int> typesByZepId(const ImportRun& run) {
    std::unordered_map<int, int> types;
    for (int id = 1; id <= run.types.count(); ++id) {
        if (run.types[id].zepId != 0)
            types.emplace(run.types[id].zepId, id);
    }
    return types;
}

int typeWithZepId(const std::unordered_map<int, int>& types, int zepId) {
    auto found = types.find(zepId);
    return found == types.end() ? 0 : found->second;
}

// The entries of a table that belong to each owner, in table order.
class EntriesByOwner {
  public:
    template <class Table, class Owner> EntriesByOwner(const Table& table, Owner ownerOf) {
        for (int id = 1; id <= table.count(); ++id) {
            int owner = ownerOf(table[id]);
            if (owner != 0)
                entries_[owner].push_back(id);
        }
    }
    const std::vector<int>& of(int owner) const {
        static const std::vector<int> none;
        auto found = entries_.find(owner);
        return found == entries_.end() ? none : found->second;
    }

  private:
    std::unordered_map<int, std::vector<int>> entries_;
};

EntriesByOwner attributesOfClass(const ImportRun& run, int attrClass) {
    return EntriesByOwner(run.attributes, [attrClass](const AttributeEntry& attribute) {
        return attribute.attrClass == attrClass ? attribute.ownerId : 0;
    });
}

// Reads the rows of one kind from the message set and hands each to `row`;
// returns the number of rows read.
class StoredRowReader {
  public:
    StoredRowReader(ImportRun& run, DbSession& db, const char* routine) : run_(run), stmt_(db, routine) {}

    template <class Row> int readRows(const std::string& sql, const char* fetchNextLabel, Row row) {
        int count = 0;
        if (stmt_.execute(sql, "SQLExecDirect") == SQL_SUCCESS) {
            stmt_.forEachRow("SQLFetch", false, fetchNextLabel, run_.errSw, [&] {
                ++count;
                row();
            });
        }
        stmt_.close("SQLFreeStmt");
        return count;
    }

    // Column readers; each reports its read under `label` and returns its code.
    SQLRETURN text(SQLUSMALLINT column, std::string& value, const char* label) {
        return stmt_.text(column, value, label);
    }
    SQLRETURN integer(SQLUSMALLINT column, SQLINTEGER& value, const char* label) {
        value = 0;
        return stmt_.number(column, SQL_C_LONG, value, label);
    }
    SQLRETURN smallInteger(SQLUSMALLINT column, SQLSMALLINT& value, const char* label) {
        value = 0;
        return stmt_.number(column, SQL_C_SHORT, value, label);
    }

  private:
    ImportRun& run_;
    Statement stmt_;
};

void printFound(ImportRun& run, int count, const char* kind) {
    if (count > 0)
        run.print("%d existing %s found in message set\n", count, kind);
}

// A single-row look-up: the first row's columns go to `read`; false when no row came back.
template <class Read> bool lookUpRow(DbSession& db, const std::string& sql, const char* routine, Read read) {
    bool found = false;
    Statement lookUp(db, routine);
    if (lookUp.execute(sql, "SQLExecDirect") == SQL_SUCCESS && lookUp.fetch("SQLFetch") == SQL_SUCCESS) {
        found = true;
        read(lookUp);
    }
    lookUp.close("SQLFreeStmt");
    return found;
}

} // namespace

void findExistingTypes(ImportRun& run, DbSession& db) {
    run.trace("==> findExistingTypes\n");
    StoredIdentifiers files = indexStoredIdentifiers(run, run.types, run.typePrefix, run.typeSuffix, true);
    EntriesByOwner typeAttributes = attributesOfClass(run, classType);
    StoredRowReader reader(run, db, "findExistingTypes");
    std::string sql = formatText("SELECT IDENTIFIER, ID_VALUE, BASE_TYPE_ID, TYPE_COMPOSITION, TYPE_CONTENT FROM "
                                 "%sM_TYPE WHERE PROJECT = %d AND ID_VALUE > %d ORDER BY ID_VALUE",
                                 run.schemaPrefix.c_str(), run.projectKey, firstItemId - 1);
    int count = reader.readRows(sql, "SQLFetch2", [&] {
        std::string stored;
        SQLINTEGER id = 0;
        SQLINTEGER baseType = 0;
        SQLSMALLINT composition = 0;
        SQLSMALLINT typeContent = 0;
        reader.text(1, stored, "SQLGetData");
        reader.integer(2, id, "SQLGetData2");
        reader.integer(3, baseType, "SQLGetData3");
        reader.smallInteger(4, composition, "SQLGetData4");
        if (reader.smallInteger(5, typeContent, "SQLGetData5") != SQL_SUCCESS || id < firstUserId)
            return;
        int typeId = files.find(stored);
        if (typeId == 0) {
            int key = insertName(run, run, files.key(stored));
            if (run.types.findByIdent(key) != 0)
                return; // the file's own type of that name is stored in another form
            typeId = createTypeEntry(run, run, key, key, baseType, composition, typeContent);
            run.types[typeId].zepId = id;
            files.add(run, key, typeId);
            return;
        }
        ++run.counters.typesReused;
        TypeEntry& type = run.types[typeId];
        if (type.baseType != baseType || type.composition != composition || type.typeContent != typeContent) {
            run.error("*****Error - type %s already in ZEP repository with different definition\n", stored.c_str());
            return;
        }
        type.zepId = id;
        for (int member = type.firstMember; member != 0; member = run.typeMembers[member].next)
            run.typeMembers[member].itemType |= memberExists;
        for (int attribute : typeAttributes.of(typeId))
            run.attributes[attribute].flags |= flagExists;
        run.reusedTypes.emplace_back(typeId, insertName(run, run, stored));
    });
    printFound(run, count, "types");
    run.trace("<== findExistingTypes found %d existing types\n", count);
}

void findExistingElements(ImportRun& run, DbSession& db) {
    run.trace("==> findExistingElements\n");
    StoredIdentifiers files = indexStoredIdentifiers(run, run.elements, run.elemPrefix, run.elemSuffix, true);
    std::unordered_map<int, int> types = typesByZepId(run);
    EntriesByOwner elementAttributes = attributesOfClass(run, classElement);
    EntriesByOwner valueUses(run.valueMembers, [](const ValueMemberEntry& member) { return member.elemId; });
    StoredRowReader reader(run, db, "findExistingElements");
    std::string sql = formatText("SELECT IDENTIFIER, TYPE_ID, ID_VALUE FROM %sM_ELEMENT WHERE PROJECT = %d ORDER BY "
                                 "ID_VALUE",
                                 run.schemaPrefix.c_str(), run.projectKey);
    int count = reader.readRows(sql, "SQLFetch6", [&] {
        std::string stored;
        SQLINTEGER typeValue = 0;
        SQLINTEGER id = 0;
        reader.text(1, stored, "SQLGetData");
        reader.integer(2, typeValue, "SQLGetData2");
        if (reader.integer(3, id, "SQLGetData3") != SQL_SUCCESS)
            return;
        int elemId = files.find(stored);
        if (elemId == 0) {
            int key = insertName(run, run, files.key(stored));
            if (run.elements.findByIdent(key) != 0)
                return; // the file's own element of that name is stored in another form
            elemId = createElementEntry(run, run, key, key);
            files.add(run, key, elemId);
            ElementEntry& element = run.elements[elemId];
            element.zepId = id;
            if (typeValue < firstUserId) {
                element.logicalType = typeValue;
                return;
            }
            int typeId = typeWithZepId(types, typeValue);
            if (typeId == 0) {
                run.error("*****Error - unable to locate type for existing element %s\n", stored.c_str());
                return;
            }
            element.typeId = typeId;
            element.zepTyp = typeValue;
            element.typeName = run.types[typeId].ident;
            return;
        }
        ++run.counters.elementsReused;
        ElementEntry& element = run.elements[elemId];
        element.zepId = id;
        run.reusedElements.emplace_back(elemId, insertName(run, run, stored));
        for (int attribute : elementAttributes.of(elemId))
            run.attributes[attribute].flags |= flagExists;
        for (int member : valueUses.of(elemId))
            run.valueMembers[member].flags |= flagExists;
        if (typeValue < firstUserId) {
            if (element.logicalType != typeValue)
                run.error("*****Error - existing element (%s) with different type already defined\n", stored.c_str());
            return;
        }
        int typeId = element.typeId != 0 ? element.typeId : typeWithZepId(types, typeValue);
        if (typeId == 0) {
            run.error("*****Error - unable to locate type for element %s\n", stored.c_str());
            return;
        }
        if (element.typeName != run.types[typeId].ident)
            run.error("*****Error - element %s of type %s already exists in ZEP repository but with different type "
                      "definition (%s)\n",
                      stored.c_str(), run.text(run.types[typeId].ident), run.text(element.typeName));
    });
    printFound(run, count, "elements");
    run.trace("<== findExistingElements found %d existing elements\n", count);
}

void findExistingValues(ImportRun& run, DbSession& db) {
    run.trace("==> findExistingValues\n");
    StoredIdentifiers files = indexStoredIdentifiers(run, run.values, run.valuePrefix, run.valueSuffix, true);
    StoredRowReader reader(run, db, "findExistingValues");
    std::string sql = formatText("SELECT IDENTIFIER, ID_VALUE, TYPE_ID, VALUE_STRING  FROM %sM_VALUE WHERE PROJECT = "
                                 "%d ORDER BY ID_VALUE",
                                 run.schemaPrefix.c_str(), run.projectKey);
    int count = reader.readRows(sql, "SQLFetch2", [&] {
        std::string stored;
        SQLINTEGER id = 0;
        SQLINTEGER typeValue = 0;
        std::string valueText;
        reader.text(1, stored, "SQLGetData");
        reader.integer(2, id, "SQLGetData2");
        reader.integer(3, typeValue, "SQLGetData3");
        if (reader.text(4, valueText, "SQLGetData4") != SQL_SUCCESS)
            return;
        int valueId = files.find(stored);
        if (valueId == 0) {
            int key = insertName(run, run, files.key(stored));
            if (run.values.findByIdent(key) != 0)
                return; // the file's own value of that name is stored in another form
            valueId = createValueEntry(run, run, key, key, typeValue);
            run.values[valueId].zepId = id;
            files.add(run, key, valueId);
            return;
        }
        ++run.counters.valuesReused;
        ValueEntry& value = run.values[valueId];
        if (value.dataType == typeValue && valueText == run.text(value.valueText))
            value.zepId = id;
        else
            run.error("*****Error - value %s already in ZEP repository with different definition\n", stored.c_str());
    });
    printFound(run, count, "values");
    run.trace("<== findExistingValues found %d existing values\n", count);
}

void findExistingMessages(ImportRun& run, DbSession& db) {
    run.trace("==> findExistingMessages\n");
    StoredIdentifiers files = indexStoredIdentifiers(run, run.messages, run.msgPrefix, run.msgSuffix, false);
    std::unordered_map<int, int> types = typesByZepId(run);
    StoredRowReader reader(run, db, "findExistingMessages");
    std::string sql = formatText("SELECT IDENTIFIER, ID_VALUE, TYPE_ID, MODE FROM %sM_MESSAGE WHERE PROJECT = %d "
                                 "ORDER BY ID_VALUE",
                                 run.schemaPrefix.c_str(), run.projectKey);
    int count = reader.readRows(sql, "SQLFetch2", [&] {
        std::string stored;
        SQLINTEGER id = 0;
        SQLINTEGER typeValue = 0;
        SQLINTEGER mode = 0;
        reader.text(1, stored, "SQLGetData");
        reader.integer(2, id, "SQLGetData2");
        reader.integer(3, typeValue, "SQLGetData3");
        if (reader.integer(4, mode, "SQLGetData4") != SQL_SUCCESS)
            return;
        int typeId = typeWithZepId(types, typeValue);
        if (typeId == 0)
            run.error("*****Error - unable to locate type for existing message %s\n", stored.c_str());
        int mesgId = files.find(stored);
        if (mesgId == 0) {
            int key = insertName(run, run, files.key(stored));
            if (run.messages.findByIdent(key) != 0)
                return; // the file's own message of that name is stored in another form
            mesgId = createMessageEntry(run, run, key, key);
            files.add(run, key, mesgId);
        } else {
            ++run.counters.messagesReused;
            const MessageEntry& message = run.messages[mesgId];
            if (typeId != 0 && message.typeName != run.types[typeId].ident)
                run.error("*****Error - existing message %s already defined in repository with different types (%s, "
                          "%s)\n",
                          stored.c_str(), run.text(message.typeName), run.text(run.types[typeId].ident));
        }
        run.messages[mesgId].zepId = id;
        run.messages[mesgId].typeId = typeId;
    });
    printFound(run, count, "messages");
    run.trace("<== findExistingMessages found %d existing messages\n", count);
}

void checkReusedTypeMembers(ImportRun& run) {
    // After a conflict the rows were not all read: a member that is not
    // known proves nothing then.
    if (run.errSw)
        return;
    for (const auto& [typeId, stored] : run.reusedTypes) {
        for (int id = run.types[typeId].firstMember; id != 0; id = run.typeMembers[id].next) {
            const TypeMemberEntry& member = run.typeMembers[id];
            int itemZepId = -1; // -1: the item is unknown; resolving the reference reports it
            if (member.itemType & memberElement) {
                int elemId = member.elemId != 0 ? member.elemId : run.elements.findByIdent(member.ident);
                itemZepId = elemId != 0 ? run.elements[elemId].zepId : -1;
            } else if (member.itemType & memberType) {
                int memberTypeId = member.typeId != 0 ? member.typeId : run.types.findByIdent(member.ident);
                itemZepId = memberTypeId != 0 ? run.types[memberTypeId].zepId : -1;
            } else {
                int mesgId = member.mesgId != 0 ? member.mesgId : run.messages.findByIdent(member.ident);
                itemZepId = mesgId != 0 ? run.messages[mesgId].zepId : -1;
            }
            if (itemZepId == 0) {
                run.error("*****Error - type %s already in ZEP repository with different definition\n",
                          run.text(stored));
                break;
            }
        }
    }
}

void checkReusedElementValues(ImportRun& run) {
    if (run.errSw)
        return;
    EntriesByOwner valueUses(run.valueMembers, [](const ValueMemberEntry& member) { return member.elemId; });
    for (const auto& [elemId, stored] : run.reusedElements) {
        for (int id : valueUses.of(elemId)) {
            const ValueMemberEntry& member = run.valueMembers[id];
            int valueId = member.valueId != 0 ? member.valueId : run.values.findByIdent(member.refName);
            // The stored element's value uses are kept as they are: a value
            // the repository lacks would be written without its use.
            if (valueId != 0 && run.values[valueId].zepId == 0) {
                run.error("*****Error - element %s already in ZEP repository with different definition\n",
                          run.text(stored));
                break;
            }
        }
    }
}

int findTypeByName(ImportRun& run, DbSession& db, int nameIndex) {
    std::string identifier = composeIdentifier("", run.text(nameIndex), "_TYPE", true);
    SQLUINTEGER id = 0;
    lookUpRow(db,
              formatText("SELECT ID_VALUE FROM %sM_TYPE AS S WHERE PROJECT = %d AND RTRIM(S.IDENTIFIER) = '%s'",
                         run.schemaPrefix.c_str(), run.projectKey, quotedText(identifier).c_str()),
              "findTypeByName",
              [&](Statement& row) { row.number(1, SQL_C_ULONG, id, "SQLGetData1"); });
    return static_cast<int>(id);
}

void findElementByName(ImportRun& run, DbSession& db, const std::string& ident, int& id, int& typeId, int expectTyped) {
    const char* routine = "findElementByName";
    std::string identifier = composeIdentifier(run.elemPrefix, ident, run.elemSuffix, true);
    SQLUINTEGER rowId = 0;
    SQLUINTEGER rowType = 0;
    bool found = lookUpRow(
        db,
        formatText("SELECT ID_VALUE, TYPE_ID FROM %sM_ELEMENT AS S WHERE PROJECT = %d AND RTRIM(S.IDENTIFIER) = '%s'",
                   run.schemaPrefix.c_str(), run.projectKey, quotedText(identifier).c_str()),
        routine, [&](Statement& row) {
            row.number(1, SQL_C_ULONG, rowId, "SQLGetData1");
            row.number(2, SQL_C_ULONG, rowType, "SQLGetData2");
        });
    id = static_cast<int>(rowId);
    typeId = static_cast<int>(rowType);
    if (found && (typeId != 0) != (expectTyped != 0))
        run.error("***** Error - Element %s already exists in message set and is a different type\n", ident.c_str());
}

int findValueByName(ImportRun& run, DbSession& db, const std::string& valueText, int typeId) {
    SQLUINTEGER id = 0;
    lookUpRow(db,
              formatText("SELECT ID_VALUE FROM %sM_VALUE AS S WHERE PROJECT = %d AND TYPE_ID = %d AND "
                         "RTRIM(S.VALUE_STRING) = '%s'",
                         run.schemaPrefix.c_str(), run.projectKey, typeId, quotedText(valueText).c_str()),
              "findValueByName",
              [&](Statement& row) { row.number(1, SQL_C_ULONG, id, "SQLGetData1"); });
    return static_cast<int>(id);
}

void reuseExistingType(ImportRun& run, DbSession& db, int typeId) {
    TypeEntry& type = run.types[typeId];
    type.zepId = findTypeByName(run, db, type.label);
    if (type.zepId != 0 && run.verboseSw)
        run.print("Type %s zepId %d found in database, reused\n", run.text(type.label), type.zepId);
}

void reuseExistingElement(ImportRun& run, DbSession& db, int elemId) {
    std::string ident = run.text(run.elements[elemId].ident);
    int id = 0;
    int rowType = 0;
    findElementByName(run, db, ident, id, rowType, 0);
    if (id == 0)
        return;
    ElementEntry& element = run.elements[elemId];
    if (element.logicalType > 0) {
        run.error("*****Error - element with same identifier (%s) and different defintion exists in message set\n",
                  ident.c_str());
        return;
    }
    if (findTypeByName(run, db, element.ident) != rowType) {
        run.error("*****Error - element with same identifier (%s) and different type name exists in message set\n",
                  ident.c_str());
        return;
    }
    element.zepId = id;
    element.zepTyp = rowType;
    ++run.counters.elementsReused;
    if (run.verboseSw)
        run.print("Element %s id %d found in database, reused\n", ident.c_str(), id);
}

} // namespace norvak
