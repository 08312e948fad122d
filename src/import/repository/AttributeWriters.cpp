// The writers of attribute rows: wire-format properties, uuids and language names.
#include "import/repository/AttributeWriters.h"
#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "import/model/DefinitionModel.h"
#include "import/model/KeyRegisters.h"
#include "import/model/LanguageNames.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "import/repository/RowWriters.h"
#include "support/Diagnostics.h"

#include <uuid/uuid.h>

#include <array>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <string>

namespace norvak {

namespace {

// Member attribute flags of the uuid: 0x40001 (those of the CWF properties
// are the table's).
constexpr int uuidMemberAttrFlags = 262145;

// Longest COBOL language name, its component id included.
// Characters of the copy book name taken from the message name.

std::string decimal(std::uint32_t number) {
    return std::to_string(number);
}

// One member attribute row for each known tab of a kind.
void createMemberAttrPerTab(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                            RepositoryState& state, DbSession& db, const KnownTabs& tabs, int typeId, int memberId,
                            const AttributeRow& row, const std::string& value, int attrFlags) {
    for (std::size_t i = 0; i < tabs.size(); ++i)
        createMemberAttr(diag, options, state, db, typeId, classType, memberId, classElement, tabs.memberIds[i],
                         row.name, row.type, model.text(tabs.names[i]), value, row.minLength, row.maxLength, attrFlags,
                         row.key);
}

// Writes a language-name attribute row (minimum length 1) with the id
// nextAttrId; returns the code of the statement's close.
SQLRETURN insertLanguageNameRow(const RunOptions& options, const RepositoryState& state, DbSession& db,
                                const char* routine, int componentId, int componentClass, int pluginMemberId,
                                const AttributeRow& row, const char* attrGroup, const std::string& value) {
    std::string statement =
        insertAttributeStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime}, true);
    return runInsert(db, statement,
                     {InsertParameter::integer(static_cast<std::int32_t>(state.nextAttrId)),
                      InsertParameter::integer(componentId), InsertParameter::integer(componentClass),
                      InsertParameter::text(row.name), InsertParameter::text(row.type),
                      InsertParameter::text(attrGroup), InsertParameter::integer(row.maxLength),
                      InsertParameter::integer(pluginMemberId), InsertParameter::integer(row.key),
                      InsertParameter::text(value), InsertParameter::nullText()},
                     routine, insertMode(options));
}

} // namespace

int createAttribute(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db,
                    const std::string& attrName, const std::string& attrType, const std::string& attrGroup,
                    const std::string& value, int minLength, int maxLength, int componentId, int componentClass,
                    int pluginMemberId, int pluginAttrKey) {
    diag.trace("==> createAttribute compId %d compClass %d plugin_mbr %d attrKey %d %s aGroup %s\n", componentId,
               componentClass, pluginMemberId, pluginAttrKey, attrName.c_str(), attrGroup.c_str());

    int attrId = static_cast<int>(state.nextAttrId);
    std::string statement = insertAttributeStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime}, false);
    runInsert(db, statement,
              {InsertParameter::integer(attrId), InsertParameter::integer(componentId),
               InsertParameter::integer(componentClass), InsertParameter::text(attrName),
               InsertParameter::text(attrType), InsertParameter::text(attrGroup), InsertParameter::integer(minLength),
               InsertParameter::integer(maxLength), InsertParameter::integer(pluginMemberId),
               InsertParameter::integer(pluginAttrKey), InsertParameter::text(value), InsertParameter::nullText()},
              "createAttribute", insertMode(options));
    ++state.counters.attributesAdded;
    ++state.nextAttrId;

    diag.trace("<== createAttribute returned attrId %d\n", attrId);
    return attrId;
}

void createMemberAttr(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db, int parentId,
                      int parentClass, int childMemberId, int childClass, int pluginMemberId,
                      const std::string& attrName, const std::string& attrType, const std::string& attrGroup,
                      const std::string& value, int minLength, int maxLength, int attrFlags, int pluginAttrKey) {
    diag.trace("==> createMemberAttr childId %d parentType %d plugin_attr_key %d aName %s attrValue %s\n",
               childMemberId, parentId, pluginAttrKey, attrName.c_str(), value.c_str());
    ++state.counters.memberAttributesAdded;

    int attrId = static_cast<int>(state.nextMbrAttr);
    std::string statement = insertMemberAttributeStatement(RowStamp{options.schemaPrefix, state.projectKey, options.executionDateTime});
    SQLRETURN freed = runInsert(
        db, statement,
        {InsertParameter::integer(attrId), InsertParameter::integer(parentId), InsertParameter::integer(parentClass),
         InsertParameter::integer(childMemberId), InsertParameter::integer(childClass), InsertParameter::text(attrName),
         InsertParameter::text(attrType), InsertParameter::text(attrGroup), InsertParameter::integer(attrFlags),
         InsertParameter::integer(minLength), InsertParameter::integer(maxLength),
         InsertParameter::integer(pluginMemberId), InsertParameter::integer(pluginAttrKey), InsertParameter::text(value),
         InsertParameter::nullText()},
        "createMemberAttr", insertMode(options));

    if (options.verboseSw && freed == SQL_SUCCESS)
        diag.print("Created m_member_attribute entry for attrId %d parentType %d childId %d element # %d\n", attrId,
                   parentId, childMemberId, state.counters.elementsAdded);
    ++state.nextMbrAttr;
    diag.trace("==> createMemberAttr created attrId %d\n", attrId);
}

void createCwfMemberAttr(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                         RepositoryState& state, DbSession& db, int typeId, int memberId, const AttributeRow& row,
                         const std::string& value) {
    createMemberAttrPerTab(diag, options, model, state, db, state.cwfTabs, typeId, memberId, row, value,
                           cwfMemberAttrFlags);
}

void createTdsMemberAttr(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                         RepositoryState& state, DbSession& db, int typeId, int memberId, const AttributeRow& row,
                         const std::string& value) {
    createMemberAttrPerTab(diag, options, model, state, db, state.tdsTabs, typeId, memberId, row, value, 0);
}

void createXmlMemberAttr(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                         RepositoryState& state, DbSession& db, int typeId, int memberId, const AttributeRow& row,
                         const std::string& value) {
    createMemberAttrPerTab(diag, options, model, state, db, state.xmlTabs, typeId, memberId, row, value, 0);
}

void makeUuidString(Diagnostics& diag, RepositoryState& state, std::string& uuid) {
    uuid.clear();
    if (!state.uuids.seeded()) {
        // 32 bytes from the system's random source, once per run: two
        // random uuids of the system's generator, which has no status of its
        // own; a nil one is the one result that cannot seed anything.
        std::array<std::uint8_t, 32> key{};
        uuid_t part;
        for (std::size_t half = 0; half < 2; ++half) {
            uuid_generate_random(part);
            int status = uuid_is_null(part) ? 1 : 0;
            if (status != 0) {
                diag.print("*****Error creating UUID for message status %d\n", status);
                return;
            }
            std::memcpy(key.data() + 16 * half, part, 16);
        }
        state.uuids.seed(key);
    }
    uuid = state.uuids.next();
}

void insertUUID(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                DbSession& db, int componentId, int componentClass, int pluginMemberId) {
    diag.trace("==> insertUUID idValue %d comp_class %d plugin_mbr %d\n", componentId, componentClass, pluginMemberId);
    registerAttrKey(diag, model, decimal(state.nextAttrId));

    std::string uuid;
    makeUuidString(diag, state, uuid);
    int attrId = createAttribute(diag, options, state, db, rows::itemUuid.name, rows::itemUuid.type, "WebDav", uuid,
                                 rows::itemUuid.minLength, rows::itemUuid.maxLength, componentId, componentClass,
                                 pluginMemberId, rows::itemUuid.key);
    if (options.verboseSw)
        diag.print("Created m_attribute entry for uuid %s attrId %d idValue %d\n", uuid.c_str(), attrId, componentId);
    diag.trace("<== insertUUID nextAttrId %d\n", attrId);
}

void createMemberAttrUUID(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                          DbSession& db, int parentId, int parentClass, int childMemberId, int childClass,
                          int pluginMemberId) {
    diag.trace("==> createMemberAttrUUID attrId %d childId %d parentType %d\n", static_cast<int>(state.nextMbrAttr),
               childMemberId, parentId);
    registerMemberAttrKey(diag, model, decimal(state.nextMbrAttr));

    std::string uuid;
    makeUuidString(diag, state, uuid);
    const AttributeRow& row = rows::memberUuid;
    createMemberAttr(diag, options, state, db, parentId, parentClass, childMemberId, childClass, pluginMemberId,
                     row.name, row.type, "WebDav", uuid, row.minLength, row.maxLength, uuidMemberAttrFlags, row.key);
    diag.trace("==> createMemberAttrUUID attrId %d\n", static_cast<int>(state.nextMbrAttr));
}

void insertCopyBookName(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                        DbSession& db, int messageId, const std::string& messageName, int componentClass,
                        int pluginMemberId) {
    diag.trace("==> insertCopyBookName idValue %d %s comp_class %d plugin_mbr %d\n", messageId, messageName.c_str(),
               componentClass, pluginMemberId);
    if (state.cobolMemberId == 0) {
        diag.trace("<== insertCopyBookName returned - no COBOL language binding defined\n");
        return;
    }
    registerAttrKey(diag, model, decimal(state.nextAttrId));

    const std::string copyBook = copyBookName(messageName);

    const AttributeRow& row = rows::messageCopyBookName;
    int attrId = createAttribute(diag, options, state, db, row.name, row.type, "COBOL Language", copyBook,
                                 row.minLength, row.maxLength, messageId, componentClass, pluginMemberId, row.key);
    if (options.verboseSw)
        diag.print("Created m_attribute entry for message copy book name %s attrId %d message id %d name %s\n",
                   copyBook.c_str(), attrId, messageId, messageName.c_str());
    diag.trace("<== insertCopyBookName nextAttrId %d\n", attrId);
}

void insertCOBOLName(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                     DbSession& db, int componentId, const std::string& name, int componentClass, int pluginMemberId) {
    diag.trace("==> insertCOBOLName elementId %d %s plugin_mbr %d\n", componentId, name.c_str(), pluginMemberId);
    if (state.cobolMemberId == 0) {
        diag.trace("<== insertCOBOLName returned - no COBOL language binding defined\n");
        return;
    }
    registerAttrKey(diag, model, decimal(state.nextAttrId));
    ++state.counters.attributesAdded;

    const std::string cobolName = cobolNameValue(name, componentId);

    int attrId = static_cast<int>(state.nextAttrId);
    insertLanguageNameRow(options, state, db, "insertCOBOLName", componentId, componentClass, pluginMemberId,
                          rows::itemCobolName, "COBOL Language", cobolName);
    ++state.nextAttrId;

    if (options.verboseSw)
        diag.print("Created m_attribute entry for COBOL Language Name %s attrId %d elementId %d element # %d\n",
                   cobolName.c_str(), attrId, componentId, state.counters.elementsAdded);
    diag.trace("<== insertCOBOLName nextAttrId %d\n", attrId);
}

void insertCName(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                 DbSession& db, int componentId, const std::string& name, int componentClass, int pluginMemberId) {
    diag.trace("==> insertCName elementId %d %s plugin_mbr %d\n", componentId, name.c_str(), pluginMemberId);
    if (state.cMemberId == 0) {
        diag.trace("<== insertCName returned - no C language binding defined\n");
        return;
    }
    registerAttrKey(diag, model, decimal(state.nextAttrId));
    ++state.counters.attributesAdded;

    // The C name carries the attribute's own id.
    int attrId = static_cast<int>(state.nextAttrId);
    const std::string cName = cNameValue(name, state.nextAttrId, repositoryTextWidth);

    SQLRETURN freed = insertLanguageNameRow(options, state, db, "insertCName", componentId, componentClass,
                                            pluginMemberId, rows::itemCName, "C Language", cName);

    if (options.verboseSw && freed == SQL_SUCCESS)
        diag.print("Created m_attribute entry for C Language Name %s attrId %d elementId %d element # %d\n",
                   cName.c_str(), attrId, componentId, state.counters.elementsAdded);
    ++state.nextAttrId;
    diag.trace("<== insertCName nextAttrId %d\n", attrId);
}

void insertLanguageNames(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                         DbSession& db, int elementId, const std::string& elementName) {
    diag.trace("==> insertLanguageNames elementId %d %s\n", elementId, elementName.c_str());
    if (state.cobolMemberId > 0)
        insertCOBOLName(diag, options, model, state, db, elementId, elementName, classElement, state.cobolMemberId);
    if (state.cMemberId > 0)
        insertCName(diag, options, model, state, db, elementId, elementName, classElement, state.cMemberId);
    diag.trace("<== insertLanguageNames\n");
}

void insertMessageAttrs(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                        DbSession& db, int messageId, const std::string& messageName) {
    // Every message has a uuid, whether or not a uuid plugin member is known.
    insertUUID(diag, options, model, state, db, messageId, classMessage, state.webDavMemberId);
    if (state.cobolMemberId > 0) {
        insertCopyBookName(diag, options, model, state, db, messageId, messageName, classMessage, state.cobolMemberId);
        insertCOBOLName(diag, options, model, state, db, messageId, messageName, classMessage, state.cobolMemberId);
    }
}

} // namespace norvak
