// The writers of the item rows: types, elements, messages, values and their members.
#include "import/repository/RowWriters.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "import/model/AttributeRows.h"
#include "import/model/DefinitionModel.h"
#include "import/model/KeyRegisters.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "import/repository/AttributeWriters.h"
#include "import/repository/Reconciliation.h"
#include "support/Diagnostics.h"
#include "support/StringUtilities.h"
#include "support/Utf8Text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace norvak {

namespace {

void replaceHyphens(std::string& text) {
    replaceChar(text.data(), '-', '_');
}

// Runs an item insert whose identifier has to fit its column. An identifier
// that is too long is reported and its row is not written; the caller goes
// on as after any failed step (the returned code is then not 0).
SQLRETURN insertIdentifiedRow(Diagnostics& diag, const RunOptions& options, DbSession& db,
                              const std::string& identifier, const std::string& statement,
                              std::vector<InsertParameter> parameters, const char* routine) {
    if (identifier.size() > repositoryTextWidth) {
        diag.error("*****Error - identifier %s is longer than 254 characters with its prefix and suffix\n",
                   identifier.c_str());
        return SQL_ERROR;
    }
    return runInsert(db, statement, std::move(parameters), routine, insertMode(options));
}

// The first value entry with that text and type whose zepId is set, or 0:
// what a front-to-back walk of the value table finds. The run keeps the
// entries by text and type, indexed again whenever the table has grown.
int firstWrittenValue(const DefinitionModel& model, RepositoryState& state, int valueTextIndex, int dataType) {
    auto keyOf = [](int textIndex, int type) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(textIndex)) << 32) |
               static_cast<std::uint32_t>(type);
    };
    if (state.valuesIndexedCount != model.values.count()) {
        state.valuesByTextAndType.clear();
        for (int id = 1; id <= model.values.count(); ++id)
            state.valuesByTextAndType[keyOf(model.values[id].valueText, model.values[id].dataType)].push_back(id);
        state.valuesIndexedCount = model.values.count();
    }
    auto found = state.valuesByTextAndType.find(keyOf(valueTextIndex, dataType));
    if (found == state.valuesByTextAndType.end())
        return 0;
    for (int id : found->second) {
        if (model.values[id].zepId != 0)
            return id;
    }
    return 0;
}

} // namespace

std::string composeIdentifier(const std::string& prefix, const std::string& ident, const std::string& suffix,
                              bool replaceHyphensInIdent) {
    std::string composed = prefix + ident + suffix;
    if (replaceHyphensInIdent)
        replaceHyphens(composed);
    return composed;
}

int createType(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
               DbSession& db, const std::string& ident, const std::string& name, int baseType, int composition,
               int typeContent) {
    diag.trace("==> createType %s baseType %d composition %d typeContent %d\n", name.c_str(), baseType, composition,
               typeContent);

    std::string identifier = composeIdentifier(options.typePrefix, ident, options.typeSuffix, true);
    int id = static_cast<int>(state.nextElementId);
    registerTypeKey(diag, model, identifier);
    registerTypeKey(diag, model, std::to_string(id));
    ++state.counters.typesAdded;

    std::string storedName = name;
    replaceHyphens(storedName);

    std::string statement = insertTypeStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime}, composition, typeContent);
    SQLRETURN freed =
        insertIdentifiedRow(diag, options, db, identifier, statement,
                            {InsertParameter::integer(id), InsertParameter::text(identifier),
                             baseType == 0 ? InsertParameter::nullInteger() : InsertParameter::integer(baseType),
                             InsertParameter::text(storedName)},
                            "createType");
    if (identifier.size() <= repositoryTextWidth)
        noteWrittenType(options, state, identifier, id);
    ++state.nextElementId;

    if (freed == SQL_SUCCESS) {
        if (options.verboseSw)
            diag.print("Created type %s id %d type # %d\n", storedName.c_str(), id, state.counters.typesAdded);
        else
            diag.print("Created type %s\n", storedName.c_str());
    }
    diag.trace("<== createType %s returned zepId %d\n", name.c_str(), id);
    return id;
}

int createElement(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const std::string& ident, const std::string& name, int typeValue) {
    diag.trace("==> createElement %s type %d\n", name.c_str(), typeValue);

    std::string identifier = composeIdentifier(options.elemPrefix, ident, options.elemSuffix, true);
    int id = static_cast<int>(state.nextElementId);
    registerElementKey(diag, model, identifier);
    registerElementKey(diag, model, std::to_string(id));
    ++state.counters.elementsAdded;

    std::string statement = insertElementStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime});
    SQLRETURN freed = insertIdentifiedRow(diag, options, db, identifier, statement,
                                          {InsertParameter::integer(id), InsertParameter::text(identifier),
                                           InsertParameter::integer(typeValue), InsertParameter::nullText(),
                                           InsertParameter::text(name)},
                                          "createElement");
    if (identifier.size() <= repositoryTextWidth)
        noteWrittenElement(options, state, identifier, id, typeValue);
    ++state.nextElementId;

    if (freed == SQL_SUCCESS) {
        if (options.verboseSw)
            diag.print("Created Element %s id %d type id %d element # %d\n", name.c_str(), id, typeValue,
                       state.counters.elementsAdded);
        else
            diag.print("Created Element %s\n", name.c_str());
    }
    diag.trace("<== createElement %s zepId %d\n", name.c_str(), id);
    return id;
}

int createMessage(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const std::string& ident, const std::string& name, int typeId) {
    diag.trace("==> createMessage %s typeId %d name %s\n", ident.c_str(), typeId, name.c_str());
    ++state.counters.messagesAdded;

    // Message identifiers keep their hyphens; identifier and name stand in
    // the statement text itself.
    std::string identifier = composeIdentifier(options.msgPrefix, ident, options.msgSuffix, false);
    int id = static_cast<int>(state.nextElementId);
    std::string statement = insertMessageStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime});
    insertIdentifiedRow(diag, options, db, identifier, statement,
                        {InsertParameter::integer(id), InsertParameter::text(identifier),
                         InsertParameter::integer(typeId), InsertParameter::text(name)},
                        "createMessage");

    if (options.verboseSw)
        diag.print("Created M_MESSAGE entry for message %s messageId %d typeId %d\n", name.c_str(), id, typeId);
    else
        diag.print("Created message %s \n", name.c_str());

    insertMessageAttrs(diag, options, model, state, db, id, name);
    ++state.nextElementId;
    diag.trace("<== createMessage returned %d\n", id);
    return id;
}

int createTypeMember(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db, int typeId,
                     int childId, std::int16_t seqNum, int childClass, int minOcc, int maxOcc, std::int16_t repeatInd,
                     const std::string& typeIdent, const std::string& childName) {
    diag.trace("==> createTypeMember for %s typeId %d childId %d seqNum %d memberType %d minOcc %d maxOcc %d\n",
               typeIdent.c_str(), typeId, childId, seqNum, childClass, minOcc, maxOcc);
    ++state.counters.typeMembersAdded;

    // -1: no maximum given; -2: unbounded, which makes the member repeat.
    InsertParameter maxOccurs = InsertParameter::nullText();
    if (maxOcc == -2)
        repeatInd = 1;
    else if (maxOcc != -1)
        maxOccurs = InsertParameter::text(std::to_string(maxOcc));
    InsertParameter minOccurs =
        minOcc < 0 ? InsertParameter::nullText() : InsertParameter::text(std::to_string(minOcc));
    // The label gives way to the suffix when both do not fit the column.
    std::string contextTagHint = childName;
    cutAtCharacterBoundary(contextTagHint, repositoryTextWidth - contextTagSuffix.size());
    contextTagHint += contextTagSuffix;

    int id = static_cast<int>(state.nextElementId);
    std::string statement = insertTypeMemberStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime}, childClass);
    SQLRETURN freed =
        runInsert(db, statement,
                  {InsertParameter::integer(id), InsertParameter::integer(typeId), InsertParameter::integer(childId),
                   InsertParameter::smallInteger(seqNum), InsertParameter::smallInteger(repeatInd),
                   std::move(minOccurs), std::move(maxOccurs), InsertParameter::text(contextTagHint)},
                  "createTypeMember", insertMode(options));
    ++state.nextElementId;

    if (freed == SQL_SUCCESS) {
        if (options.verboseSw)
            diag.print("Inserted %s id %d into type %s typeId %d seqNum %d repeat %d element # %d\n", childName.c_str(),
                       childId, typeIdent.c_str(), typeId, seqNum, repeatInd, state.counters.elementsAdded);
        else
            diag.print("Inserted %s into type %s\n", childName.c_str(), typeIdent.c_str());
    }
    diag.trace("<== createTypeMember typeId %d childId %d seqNum %d returned %d\n", typeId, childId, seqNum, id);
    return id;
}

int createValue(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                DbSession& db, const std::string& ident, const std::string& name, const std::string& valueText,
                int typeCode, bool& inserted) {
    diag.trace("==> createValue %s value %s zepDataType %d\n", ident.c_str(), valueText.c_str(), typeCode);
    inserted = false;

    // A value of the same text and type written earlier in this run is used
    // again. Equal texts have equal name indexes; a text the name table does
    // not hold belongs to no entry.
    int valueTextIndex = model.names.find(valueText);
    if (valueTextIndex != 0 || valueText.empty()) {
        int entry = firstWrittenValue(model, state, valueTextIndex, typeCode);
        if (entry != 0) {
            int zepId = model.values[entry].zepId;
            diag.trace("<== createValue found existing valueId %d, returned %d\n", entry, zepId);
            ++state.counters.valuesReused;
            return zepId;
        }
    }

    std::string identifier = composeIdentifier(options.valuePrefix, ident, options.valueSuffix, true);
    std::string storedName = name.empty() ? ident : name;
    replaceHyphens(storedName);

    // So is a value the message set already holds.
    int existing = findValueByName(options, state, db, valueText, typeCode);
    if (existing > 0) {
        diag.trace("<== createValue found existing zepId %d\n", existing);
        ++state.counters.valuesReused;
        return existing;
    }

    registerValueKey(diag, model, identifier + std::to_string(typeCode));
    ++state.counters.valuesAdded;

    int id = static_cast<int>(state.nextElementId);
    std::string statement = insertValueStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime});
    SQLRETURN freed = insertIdentifiedRow(diag, options, db, identifier, statement,
                                          {InsertParameter::integer(id), InsertParameter::text(identifier),
                                           InsertParameter::integer(typeCode), InsertParameter::text(valueText),
                                           InsertParameter::text(storedName)},
                                          "createValue");
    if (identifier.size() <= repositoryTextWidth)
        noteWrittenValue(options, state, valueText, typeCode, id);
    ++state.nextElementId;
    inserted = true;

    if (freed == SQL_SUCCESS) {
        if (options.verboseSw)
            diag.print("Created value item %s id %d value # %d\n", storedName.c_str(), id, state.counters.valuesAdded);
        else
            diag.print("Created value %s\n", storedName.c_str());
    }
    diag.trace("<== createValue %s zepId %d\n", name.c_str(), id);
    return id;
}

int createValueMember(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db, int valueId,
                      int parentId, int parentClass, std::int16_t seqNum, std::int16_t role) {
    diag.trace("==> createValueMember valueId %d parentId %d parentClass %d role %d\n", valueId, parentId, parentClass,
               role);
    ++state.counters.valueMembersAdded;

    int id = static_cast<int>(state.nextElementId);
    std::string statement = insertValueMemberStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime});
    SQLRETURN freed = runInsert(db, statement,
                                {InsertParameter::integer(id), InsertParameter::integer(parentId),
                                 InsertParameter::integer(valueId), InsertParameter::integer(parentClass),
                                 InsertParameter::smallInteger(seqNum), InsertParameter::smallInteger(role)},
                                "createValueMember", insertMode(options));
    ++state.nextElementId;

    if (freed == SQL_SUCCESS) {
        if (options.verboseSw)
            diag.print("Created value member item memberId %d for valueId %d parentId %d\n", id, valueId, parentId);
        else
            diag.print("Created value member item memberId %d\n", id);
    }
    diag.trace("<== createValueMember zepId %d\n", id);
    return id;
}

} // namespace norvak
