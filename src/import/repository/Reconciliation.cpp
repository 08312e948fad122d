// What the message set holds already merged into the in-memory tables, and the checks of reuse.
#include "import/repository/Reconciliation.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/RepositorySchema.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "import/model/DefinitionModel.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "import/repository/RowWriters.h"
#include "support/Diagnostics.h"

#include <optional>
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

    void add(const DefinitionModel& model, int ident, int id) {
        entries_.emplace(composeIdentifier(prefix_, model.text(ident), suffix_, replaceHyphens_), id);
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
StoredIdentifiers indexStoredIdentifiers(const DefinitionModel& model, const Table& table, const std::string& prefix,
                                         const std::string& suffix, bool replaceHyphens) {
    StoredIdentifiers index(prefix, suffix, replaceHyphens);
    for (int id = 1; id <= table.count(); ++id)
        index.add(model, table[id].ident, id);
    return index;
}

// The first type entry holding each repository id.
std::unordered_map<int, int> typesByZepId(const DefinitionModel& model) {
    std::unordered_map<int, int> types;
    for (int id = 1; id <= model.types.count(); ++id) {
        if (model.types[id].zepId != 0)
            types.emplace(model.types[id].zepId, id);
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

EntriesByOwner attributesOfClass(const DefinitionModel& model, int attrClass) {
    return EntriesByOwner(model.attributes, [attrClass](const AttributeEntry& attribute) {
        return attribute.attrClass == attrClass ? attribute.ownerId : 0;
    });
}

// Reads the rows of one kind from the message set and hands each to `row`;
// returns the number of rows read.
class StoredRowReader {
  public:
    StoredRowReader(Diagnostics& diag, DbSession& db, const char* routine) : diag_(diag), stmt_(db, routine) {}

    template <class Row> int readRows(const std::string& sql, const char* fetchNextLabel, Row row) {
        int count = 0;
        if (stmt_.execute(sql, "SQLExecDirect") == SQL_SUCCESS) {
            stmt_.forEachRow("SQLFetch", false, fetchNextLabel, diag_.errSw, [&] {
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
    Diagnostics& diag_;
    Statement stmt_;
};

void printFound(Diagnostics& diag, int count, const char* kind) {
    if (count > 0)
        diag.print("%d existing %s found in message set\n", count, kind);
}

} // namespace

void findExistingTypes(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                       DbSession& db) {
    diag.trace("==> findExistingTypes\n");
    StoredIdentifiers files = indexStoredIdentifiers(model, model.types, options.typePrefix, options.typeSuffix, true);
    EntriesByOwner typeAttributes = attributesOfClass(model, classType);
    StoredRowReader reader(diag, db, "findExistingTypes");
    std::string sql = storedTypesQuery(options.schemaPrefix, state.projectKey, firstItemId);
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
            int key = insertName(diag, model, files.key(stored));
            if (model.types.findByIdent(key) != 0)
                return; // the file's own type of that name is stored in another form
            typeId = createTypeEntry(diag, model, key, key, baseType, composition, typeContent);
            model.types[typeId].zepId = id;
            files.add(model, key, typeId);
            return;
        }
        ++state.counters.typesReused;
        TypeEntry& type = model.types[typeId];
        if (type.baseType != baseType || type.composition != composition || type.typeContent != typeContent) {
            diag.error("*****Error - type %s already in ZEP repository with different definition\n", stored.c_str());
            return;
        }
        type.zepId = id;
        for (int member = type.firstMember; member != 0; member = model.typeMembers[member].next)
            model.typeMembers[member].itemType |= memberExists;
        for (int attribute : typeAttributes.of(typeId))
            model.attributes[attribute].flags |= flagExists;
        state.reusedTypes.emplace_back(typeId, insertName(diag, model, stored));
    });
    printFound(diag, count, "types");
    diag.trace("<== findExistingTypes found %d existing types\n", count);
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
void findExistingElements(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                          DbSession& db) {
    diag.trace("==> findExistingElements\n");
    StoredIdentifiers files =
        indexStoredIdentifiers(model, model.elements, options.elemPrefix, options.elemSuffix, true);
    std::unordered_map<int, int> types = typesByZepId(model);
    EntriesByOwner elementAttributes = attributesOfClass(model, classElement);
    EntriesByOwner valueUses(model.valueMembers, [](const ValueMemberEntry& member) { return member.elemId; });
    StoredRowReader reader(diag, db, "findExistingElements");
    std::string sql = storedElementsQuery(options.schemaPrefix, state.projectKey);
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
            int key = insertName(diag, model, files.key(stored));
            if (model.elements.findByIdent(key) != 0)
                return; // the file's own element of that name is stored in another form
            elemId = createElementEntry(diag, model, key, key);
            files.add(model, key, elemId);
            ElementEntry& element = model.elements[elemId];
            element.zepId = id;
            if (typeValue < firstUserId) {
                element.logicalType = typeValue;
                return;
            }
            int typeId = typeWithZepId(types, typeValue);
            if (typeId == 0) {
                diag.error("*****Error - unable to locate type for existing element %s\n", stored.c_str());
                return;
            }
            element.typeId = typeId;
            element.zepTyp = typeValue;
            element.typeName = model.types[typeId].ident;
            return;
        }
        ++state.counters.elementsReused;
        ElementEntry& element = model.elements[elemId];
        element.zepId = id;
        state.reusedElements.emplace_back(elemId, insertName(diag, model, stored));
        for (int attribute : elementAttributes.of(elemId))
            model.attributes[attribute].flags |= flagExists;
        for (int member : valueUses.of(elemId))
            model.valueMembers[member].flags |= flagExists;
        if (typeValue < firstUserId) {
            if (element.logicalType != typeValue)
                diag.error("*****Error - existing element (%s) with different type already defined\n", stored.c_str());
            return;
        }
        int typeId = element.typeId != 0 ? element.typeId : typeWithZepId(types, typeValue);
        if (typeId == 0) {
            diag.error("*****Error - unable to locate type for element %s\n", stored.c_str());
            return;
        }
        if (element.typeName != model.types[typeId].ident)
            diag.error("*****Error - element %s of type %s already exists in ZEP repository but with different type "
                       "definition (%s)\n",
                       stored.c_str(), model.text(model.types[typeId].ident), model.text(element.typeName));
    });
    printFound(diag, count, "elements");
    diag.trace("<== findExistingElements found %d existing elements\n", count);
}

void findExistingValues(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                        DbSession& db) {
    diag.trace("==> findExistingValues\n");
    StoredIdentifiers files =
        indexStoredIdentifiers(model, model.values, options.valuePrefix, options.valueSuffix, true);
    StoredRowReader reader(diag, db, "findExistingValues");
    std::string sql = storedValuesQuery(options.schemaPrefix, state.projectKey);
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
            int key = insertName(diag, model, files.key(stored));
            if (model.values.findByIdent(key) != 0)
                return; // the file's own value of that name is stored in another form
            valueId = createValueEntry(diag, model, key, key, typeValue);
            model.values[valueId].zepId = id;
            files.add(model, key, valueId);
            return;
        }
        ++state.counters.valuesReused;
        ValueEntry& value = model.values[valueId];
        if (value.dataType == typeValue && valueText == model.text(value.valueText))
            value.zepId = id;
        else
            diag.error("*****Error - value %s already in ZEP repository with different definition\n", stored.c_str());
    });
    printFound(diag, count, "values");
    diag.trace("<== findExistingValues found %d existing values\n", count);
}

void findExistingMessages(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                          DbSession& db) {
    diag.trace("==> findExistingMessages\n");
    StoredIdentifiers files =
        indexStoredIdentifiers(model, model.messages, options.msgPrefix, options.msgSuffix, false);
    std::unordered_map<int, int> types = typesByZepId(model);
    StoredRowReader reader(diag, db, "findExistingMessages");
    std::string sql = storedMessagesQuery(options.schemaPrefix, state.projectKey);
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
            diag.error("*****Error - unable to locate type for existing message %s\n", stored.c_str());
        int mesgId = files.find(stored);
        if (mesgId == 0) {
            int key = insertName(diag, model, files.key(stored));
            if (model.messages.findByIdent(key) != 0)
                return; // the file's own message of that name is stored in another form
            mesgId = createMessageEntry(diag, model, key, key);
            files.add(model, key, mesgId);
        } else {
            ++state.counters.messagesReused;
            const MessageEntry& message = model.messages[mesgId];
            if (typeId != 0 && message.typeName != model.types[typeId].ident)
                diag.error("*****Error - existing message %s already defined in repository with different types (%s, "
                           "%s)\n",
                           stored.c_str(), model.text(message.typeName), model.text(model.types[typeId].ident));
        }
        model.messages[mesgId].zepId = id;
        model.messages[mesgId].typeId = typeId;
    });
    printFound(diag, count, "messages");
    diag.trace("<== findExistingMessages found %d existing messages\n", count);
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity)
void checkReusedTypeMembers(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state) {
    // After a conflict the rows were not all read: a member that is not
    // known proves nothing then.
    if (diag.errSw)
        return;
    for (const auto& [typeId, stored] : state.reusedTypes) {
        for (int id = model.types[typeId].firstMember; id != 0; id = model.typeMembers[id].next) {
            const TypeMemberEntry& member = model.typeMembers[id];
            int itemZepId = -1; // -1: the item is unknown; resolving the reference reports it
            if (member.itemType & memberElement) {
                int elemId = member.elemId != 0 ? member.elemId : model.elements.findByIdent(member.ident);
                itemZepId = elemId != 0 ? model.elements[elemId].zepId : -1;
            } else if (member.itemType & memberType) {
                int memberTypeId = member.typeId != 0 ? member.typeId : model.types.findByIdent(member.ident);
                itemZepId = memberTypeId != 0 ? model.types[memberTypeId].zepId : -1;
            } else {
                int mesgId = member.mesgId != 0 ? member.mesgId : model.messages.findByIdent(member.ident);
                itemZepId = mesgId != 0 ? model.messages[mesgId].zepId : -1;
            }
            if (itemZepId == 0) {
                diag.error("*****Error - type %s already in ZEP repository with different definition\n",
                           model.text(stored));
                break;
            }
        }
    }
}

void checkReusedElementValues(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                              RepositoryState& state, DbSession& db) {
    if (diag.errSw)
        return;
    EntriesByOwner valueUses(model.valueMembers, [](const ValueMemberEntry& member) { return member.elemId; });
    for (const auto& [elemId, stored] : state.reusedElements) {
        for (int id : valueUses.of(elemId)) {
            const ValueMemberEntry& member = model.valueMembers[id];
            int valueId = member.valueId != 0 ? member.valueId : model.values.findByIdent(member.refName);
            // The stored element's value uses are kept as they are: a value
            // the repository lacks would be written without its use. One
            // whose text and type the message set holds under another
            // identifier is that stored value, which the import uses again
            // and does not write (so a file holding two such values imports
            // again as the first time).
            const ValueEntry* value = valueId != 0 ? &model.values[valueId] : nullptr;
            if (value != nullptr && value->zepId == 0 &&
                findValueByName(options, state, db, model.text(value->valueText), value->dataType) == 0) {
                diag.error("*****Error - element %s already in ZEP repository with different definition\n",
                           model.text(stored));
                break;
            }
        }
    }
}

namespace {

// What RTRIM makes of a stored text: trailing blanks taken off.
std::string withoutTrailingBlanks(std::string text) {
    std::size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

// Whether a text compared with RTRIM of a stored one can equal it at all.
bool endsInBlank(const std::string& text) {
    return !text.empty() && text.back() == ' ';
}

// Every row of a query of the message set, in order; `row` reads the columns.
template <class Row> void readEachRow(DbSession& db, const std::string& sql, const char* routine, Row row) {
    Statement rows(db, routine);
    if (rows.execute(sql, "SQLExecDirect") == SQL_SUCCESS) {
        SQLRETURN rc = rows.fetch("SQLFetch");
        while (rc == SQL_SUCCESS) {
            row(rows);
            rc = rows.fetchNext("SQLFetch2");
        }
    }
    rows.close("SQLFreeStmt");
}

// Reads the types, elements and values of the message set once, for the
// look-ups below; rows with a NULL identifier, value text or value type can
// match none of them and are left out.
StoredItemIndex& storedItems(const RunOptions& options, RepositoryState& state, DbSession& db) {
    StoredItemIndex& index = state.storedItems;
    if (index.loaded)
        return index;
    index.loaded = true;
    readEachRow(db,
                typeNamesQuery(options.schemaPrefix, state.projectKey),
                "findTypeByName", [&](Statement& row) {
                    std::optional<std::string> identifier;
                    SQLUINTEGER id = 0;
                    row.wholeText(1, identifier, "SQLGetData1");
                    row.number(2, SQL_C_ULONG, id, "SQLGetData2");
                    if (identifier)
                        index.types.emplace(withoutTrailingBlanks(*identifier), static_cast<int>(id));
                });
    readEachRow(db,
                elementNamesQuery(options.schemaPrefix, state.projectKey),
                "findElementByName", [&](Statement& row) {
                    std::optional<std::string> identifier;
                    SQLUINTEGER id = 0;
                    SQLUINTEGER typeId = 0;
                    row.wholeText(1, identifier, "SQLGetData1");
                    row.number(2, SQL_C_ULONG, id, "SQLGetData2");
                    row.number(3, SQL_C_ULONG, typeId, "SQLGetData3");
                    if (identifier)
                        index.elements.emplace(withoutTrailingBlanks(*identifier),
                                               StoredItemIndex::Element{static_cast<int>(id), static_cast<int>(typeId)});
                });
    readEachRow(db,
                valueTextsQuery(options.schemaPrefix, state.projectKey),
                "findValueByName", [&](Statement& row) {
                    std::optional<std::string> valueText;
                    SQLUINTEGER id = 0;
                    SQLINTEGER typeId = 0;
                    bool typeIsNull = false;
                    row.wholeText(1, valueText, "SQLGetData1");
                    row.number(2, SQL_C_ULONG, id, "SQLGetData2");
                    row.number(3, SQL_C_SLONG, typeId, "SQLGetData3", &typeIsNull);
                    if (valueText && !typeIsNull)
                        index.valuesByType[typeId].emplace(withoutTrailingBlanks(*valueText), static_cast<int>(id));
                });
    return index;
}

} // namespace

int findTypeByName(const RunOptions& options, const DefinitionModel& model, RepositoryState& state, DbSession& db,
                   int nameIndex) {
    std::string identifier = composeIdentifier("", model.text(nameIndex), "_TYPE", true);
    const StoredItemIndex& index = storedItems(options, state, db);
    auto found = index.types.find(identifier);
    return found == index.types.end() || endsInBlank(identifier) ? 0 : found->second;
}

void findElementByName(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db,
                       const std::string& ident, int& id, int& typeId, int expectTyped) {
    std::string identifier = composeIdentifier(options.elemPrefix, ident, options.elemSuffix, true);
    const StoredItemIndex& index = storedItems(options, state, db);
    auto found = index.elements.find(identifier);
    bool isFound = found != index.elements.end() && !endsInBlank(identifier);
    id = isFound ? found->second.id : 0;
    typeId = isFound ? found->second.typeId : 0;
    if (isFound && (typeId != 0) != (expectTyped != 0))
        diag.error("***** Error - Element %s already exists in message set and is a different type\n", ident.c_str());
}

int findValueByName(const RunOptions& options, RepositoryState& state, DbSession& db, const std::string& valueText,
                    int typeId) {
    const StoredItemIndex& index = storedItems(options, state, db);
    auto ofType = index.valuesByType.find(typeId);
    if (ofType == index.valuesByType.end() || endsInBlank(valueText))
        return 0;
    auto found = ofType->second.find(valueText);
    return found == ofType->second.end() ? 0 : found->second;
}

void noteWrittenType(const RunOptions& options, RepositoryState& state, const std::string& identifier, int id) {
    if (!options.reportOnlySw && state.storedItems.loaded)
        state.storedItems.types.emplace(withoutTrailingBlanks(identifier), id);
}

void noteWrittenElement(const RunOptions& options, RepositoryState& state, const std::string& identifier, int id,
                        int typeId) {
    if (!options.reportOnlySw && state.storedItems.loaded)
        state.storedItems.elements.emplace(withoutTrailingBlanks(identifier), StoredItemIndex::Element{id, typeId});
}

void noteWrittenValue(const RunOptions& options, RepositoryState& state, const std::string& valueText, int typeId,
                      int id) {
    if (!options.reportOnlySw && state.storedItems.loaded)
        state.storedItems.valuesByType[typeId].emplace(withoutTrailingBlanks(valueText), id);
}

void reuseExistingType(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                       DbSession& db, int typeId) {
    TypeEntry& type = model.types[typeId];
    type.zepId = findTypeByName(options, model, state, db, type.label);
    if (type.zepId != 0 && options.verboseSw)
        diag.print("Type %s zepId %d found in database, reused\n", model.text(type.label), type.zepId);
}

void reuseExistingElement(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                          DbSession& db, int elemId) {
    std::string ident = model.text(model.elements[elemId].ident);
    int id = 0;
    int rowType = 0;
    findElementByName(diag, options, state, db, ident, id, rowType, 0);
    if (id == 0)
        return;
    ElementEntry& element = model.elements[elemId];
    if (element.logicalType > 0) {
        diag.error("*****Error - element with same identifier (%s) and different defintion exists in message set\n",
                   ident.c_str());
        return;
    }
    if (findTypeByName(options, model, state, db, element.ident) != rowType) {
        diag.error("*****Error - element with same identifier (%s) and different type name exists in message set\n",
                   ident.c_str());
        return;
    }
    element.zepId = id;
    element.zepTyp = rowType;
    ++state.counters.elementsReused;
    if (options.verboseSw)
        diag.print("Element %s id %d found in database, reused\n", ident.c_str(), id);
}

} // namespace norvak
