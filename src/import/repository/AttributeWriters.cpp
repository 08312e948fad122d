#include "import/repository/AttributeWriters.h"
#include "import/model/Codes.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "import/model/ImportRun.h"
#include "import/model/KeyRegisters.h"
#include "import/model/LanguageNames.h"
#include "dbsession/Statement.h"
#include "import/repository/RowWriters.h"
#include "support/Utf8Text.h"

#include <uuid/uuid.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace norvak {

namespace {

// Member attribute flags: CWF properties carry bit 30; the uuid 0x40001.
constexpr int cwfMemberAttrFlags = 1073741824;
constexpr int uuidMemberAttrFlags = 262145;

// Longest COBOL language name, its component id included.
constexpr std::size_t maxCobolNameLength = 30;
// Characters of the copy book name taken from the message name.
constexpr std::size_t copyBookStemLength = 8;

std::string decimal(std::uint32_t number) {
    return std::to_string(number);
}

// One member attribute row for each known tab of a kind.
void createMemberAttrPerTab(ImportRun& run, DbSession& db, const KnownTabs& tabs, int typeId, int memberId,
                            const std::string& attrName, const std::string& attrType, const std::string& value,
                            int minLength, int maxLength, int attrFlags, int pluginAttrKey) {
    for (int i = 0; i <= tabs.lastIndex(); ++i)
        createMemberAttr(run, db, typeId, classType, memberId, classElement, tabs.memberIds[i], attrName, attrType,
                         run.text(tabs.names[i]), value, minLength, maxLength, attrFlags, pluginAttrKey);
}

// Writes a language-name attribute row (minimum length 1) with the id
// nextAttrId; returns the code of the statement's close.
SQLRETURN insertLanguageNameRow(ImportRun& run, DbSession& db, const char* routine, int componentId, int componentClass,
                                int pluginMemberId, int maxLength, int pluginAttrKey, const char* attrName,
                                const char* attrGroup, const std::string& value) {
    std::string statement = formatText(
        "INSERT INTO %sM_ATTRIBUTE (PROJECT, ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_TYPE, "
        "ATTR_GROUP, ATTR_FLAGS, MIN_LENGTH, MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE, "
        "ATTR_LVALUE, CREATE_DATE, LAST_MOD_DATE, DEFINED_PROJECT, LAST_MOD_PROJECT, STATUS) VALUES (%d, ?, %d, %d, "
        "?, ?, ?, 0, 1, %d, %d, %d, ?, ?, '%s', '%s', %d, %d, 0)",
        run.schemaPrefix.c_str(), run.projectKey, componentId, componentClass, maxLength, pluginMemberId, pluginAttrKey,
        run.executionDateTime.c_str(), run.executionDateTime.c_str(), run.projectKey, run.projectKey);
    return runInsert(db, statement,
                     {InsertParameter::integer(static_cast<std::int32_t>(run.nextAttrId)),
                      InsertParameter::text(attrName), InsertParameter::text("string"),
                      InsertParameter::text(attrGroup), InsertParameter::text(value), InsertParameter::nullText()},
                     routine, insertMode(run));
}

} // namespace

int createAttribute(ImportRun& run, DbSession& db, const std::string& attrName, const std::string& attrType,
                    const std::string& attrGroup, const std::string& value, int minLength, int maxLength,
                    int componentId, int componentClass, int pluginMemberId, int pluginAttrKey) {
    run.trace("==> createAttribute compId %d compClass %d plugin_mbr %d attrKey %d %s aGroup %s\n", componentId,
              componentClass, pluginMemberId, pluginAttrKey, attrName.c_str(), attrGroup.c_str());

    int attrId = static_cast<int>(run.nextAttrId);
    std::string statement = formatText(
        "INSERT INTO %sM_ATTRIBUTE (PROJECT, ATTR_ID, COMPONENT_ID, COMPONENT_CLASS, ATTR_NAME, ATTR_TYPE, "
        "ATTR_GROUP, ATTR_FLAGS, MIN_LENGTH, MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, ATTR_VALUE, "
        "ATTR_LVALUE, CREATE_DATE, LAST_MOD_DATE, DEFINED_PROJECT, LAST_MOD_PROJECT, STATUS) VALUES (%d, ?, %d, %d, "
        "?, ?, ?, 0, %d, %d, %d, %d, ?, ?, '%s', '%s', %d, %d, 0)",
        run.schemaPrefix.c_str(), run.projectKey, componentId, componentClass, minLength, maxLength, pluginMemberId,
        pluginAttrKey, run.executionDateTime.c_str(), run.executionDateTime.c_str(), run.projectKey, run.projectKey);
    runInsert(db, statement,
              {InsertParameter::integer(attrId), InsertParameter::text(attrName), InsertParameter::text(attrType),
               InsertParameter::text(attrGroup), InsertParameter::text(value), InsertParameter::nullText()},
              "createAttribute", insertMode(run));
    ++run.counters.attributesAdded;
    ++run.nextAttrId;

    run.trace("<== createAttribute returned attrId %d\n", attrId);
    return attrId;
}

void createMemberAttr(ImportRun& run, DbSession& db, int parentId, int parentClass, int childMemberId, int childClass,
                      int pluginMemberId, const std::string& attrName, const std::string& attrType,
                      const std::string& attrGroup, const std::string& value, int minLength, int maxLength,
                      int attrFlags, int pluginAttrKey) {
    run.trace("==> createMemberAttr childId %d parentType %d plugin_attr_key %d aName %s attrValue %s\n", childMemberId,
              parentId, pluginAttrKey, attrName.c_str(), value.c_str());
    ++run.counters.memberAttributesAdded;

    int attrId = static_cast<int>(run.nextMbrAttr);
    std::string statement = formatText(
        "INSERT INTO %sM_MEMBER_ATTRIBUTE (PROJECT, ATTR_ID, PARENT_ID, PARENT_CLASS, CHILD_MEMBER_ID, CHILD_CLASS, "
        "ATTR_NAME, ATTR_TYPE, ATTR_GROUP, ATTR_FLAGS, MIN_LENGTH, MAX_LENGTH, REG_PLUGIN_MBR_ID, PLUGIN_ATTR_KEY, "
        "ATTR_VALUE, ATTR_LVALUE, CREATE_DATE, LAST_MOD_DATE, DEFINED_PROJECT, LAST_MOD_PROJECT, STATUS) VALUES (%d, "
        "?, ?, %d, ?, %d, ?, ?, ?, %d, %d, %d, %d, %d, ?, ?, '%s', '%s', %d, %d, 0)",
        run.schemaPrefix.c_str(), run.projectKey, parentClass, childClass, attrFlags, minLength, maxLength,
        pluginMemberId, pluginAttrKey, run.executionDateTime.c_str(), run.executionDateTime.c_str(), run.projectKey,
        run.projectKey);
    SQLRETURN freed = runInsert(db, statement,
                                {InsertParameter::integer(attrId), InsertParameter::integer(parentId),
                                 InsertParameter::integer(childMemberId), InsertParameter::text(attrName),
                                 InsertParameter::text(attrType), InsertParameter::text(attrGroup),
                                 InsertParameter::text(value), InsertParameter::nullText()},
                                "createMemberAttr", insertMode(run));

    if (run.verboseSw && freed == SQL_SUCCESS)
        run.print("Created m_member_attribute entry for attrId %d parentType %d childId %d element # %d\n", attrId,
                  parentId, childMemberId, run.counters.elementsAdded);
    ++run.nextMbrAttr;
    run.trace("==> createMemberAttr created attrId %d\n", attrId);
}

void createCwfMemberAttr(ImportRun& run, DbSession& db, int typeId, int memberId, const std::string& attrName,
                         const std::string& attrType, const std::string& value, int minLength, int maxLength,
                         int pluginAttrKey) {
    createMemberAttrPerTab(run, db, run.cwfTabs, typeId, memberId, attrName, attrType, value, minLength, maxLength,
                           cwfMemberAttrFlags, pluginAttrKey);
}

void createTdsMemberAttr(ImportRun& run, DbSession& db, int typeId, int memberId, const std::string& attrName,
                         const std::string& attrType, const std::string& value, int minLength, int maxLength,
                         int pluginAttrKey) {
    createMemberAttrPerTab(run, db, run.tdsTabs, typeId, memberId, attrName, attrType, value, minLength, maxLength, 0,
                           pluginAttrKey);
}

void createXmlMemberAttr(ImportRun& run, DbSession& db, int typeId, int memberId, const std::string& attrName,
                         const std::string& attrType, const std::string& value, int minLength, int maxLength,
                         int pluginAttrKey) {
    createMemberAttrPerTab(run, db, run.xmlTabs, typeId, memberId, attrName, attrType, value, minLength, maxLength, 0,
                           pluginAttrKey);
}

void makeUuidString(ImportRun& run, std::string& uuid) {
    uuid.clear();
    uuid_t id;
    uuid_generate(id);
    // The generator has no status of its own; a nil uuid is the one result
    // that cannot serve as an item's identity.
    int status = uuid_is_null(id) ? 1 : 0;
    if (status != 0) {
        run.print("*****Error creating UUID for message status %d\n", status);
        return;
    }
    char text[37];
    uuid_unparse_lower(id, text);
    uuid = text;
}

void insertUUID(ImportRun& run, DbSession& db, int componentId, int componentClass, int pluginMemberId) {
    run.trace("==> insertUUID idValue %d comp_class %d plugin_mbr %d\n", componentId, componentClass, pluginMemberId);
    registerAttrKey(run, run, decimal(run.nextAttrId));

    std::string uuid;
    makeUuidString(run, uuid);
    int attrId = createAttribute(run, db, "uuid", "string", "WebDav", uuid, 1, 254, componentId, componentClass,
                                 pluginMemberId, keyUuid);
    if (run.verboseSw)
        run.print("Created m_attribute entry for uuid %s attrId %d idValue %d\n", uuid.c_str(), attrId, componentId);
    run.trace("<== insertUUID nextAttrId %d\n", attrId);
}

void createMemberAttrUUID(ImportRun& run, DbSession& db, int parentId, int parentClass, int childMemberId,
                          int childClass, int pluginMemberId) {
    run.trace("==> createMemberAttrUUID attrId %d childId %d parentType %d\n", static_cast<int>(run.nextMbrAttr),
              childMemberId, parentId);
    registerMemberAttrKey(run, run, decimal(run.nextMbrAttr));

    std::string uuid;
    makeUuidString(run, uuid);
    createMemberAttr(run, db, parentId, parentClass, childMemberId, childClass, pluginMemberId, "uuid", "string",
                     "WebDav", uuid, 0, 254, uuidMemberAttrFlags, keyUuid);
    run.trace("==> createMemberAttrUUID attrId %d\n", static_cast<int>(run.nextMbrAttr));
}

void insertCopyBookName(ImportRun& run, DbSession& db, int messageId, const std::string& messageName,
                        int componentClass, int pluginMemberId) {
    run.trace("==> insertCopyBookName idValue %d %s comp_class %d plugin_mbr %d\n", messageId, messageName.c_str(),
              componentClass, pluginMemberId);
    if (run.cobolMemberId == 0) {
        run.trace("<== insertCopyBookName returned - no COBOL language binding defined\n");
        return;
    }
    registerAttrKey(run, run, decimal(run.nextAttrId));

    // The first eight letters and digits of the upper-cased name.
    std::string copyBookName;
    for (char c : messageName) {
        if (copyBookName.size() == copyBookStemLength)
            break;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            copyBookName += c;
    }
    copyBookName += ".CPY";

    int attrId = createAttribute(run, db, "Message Copy Book Name", "string", "COBOL Language", copyBookName, 1, 12,
                                 messageId, componentClass, pluginMemberId, keyCopyBookName);
    if (run.verboseSw)
        run.print("Created m_attribute entry for message copy book name %s attrId %d message id %d name %s\n",
                  copyBookName.c_str(), attrId, messageId, messageName.c_str());
    run.trace("<== insertCopyBookName nextAttrId %d\n", attrId);
}

void insertCOBOLName(ImportRun& run, DbSession& db, int componentId, const std::string& name, int componentClass,
                     int pluginMemberId) {
    run.trace("==> insertCOBOLName elementId %d %s plugin_mbr %d\n", componentId, name.c_str(), pluginMemberId);
    if (run.cobolMemberId == 0) {
        run.trace("<== insertCOBOLName returned - no COBOL language binding defined\n");
        return;
    }
    registerAttrKey(run, run, decimal(run.nextAttrId));
    ++run.counters.attributesAdded;

    // The COBOL name with the component id appended, within the name's 30
    // characters: the name part gives way to the id's digits.
    std::string idText = std::to_string(componentId);
    std::string cobolName = name;
    makeCobolName(cobolName);
    std::size_t room = idText.size() < maxCobolNameLength ? maxCobolNameLength - idText.size() : 0;
    cutAtCharacterBoundary(cobolName, room);
    cobolName += idText;

    int attrId = static_cast<int>(run.nextAttrId);
    insertLanguageNameRow(run, db, "insertCOBOLName", componentId, componentClass, pluginMemberId, 30, 7,
                          "COBOL Language Name", "COBOL Language", cobolName);
    ++run.nextAttrId;

    if (run.verboseSw)
        run.print("Created m_attribute entry for COBOL Language Name %s attrId %d elementId %d element # %d\n",
                  cobolName.c_str(), attrId, componentId, run.counters.elementsAdded);
    run.trace("<== insertCOBOLName nextAttrId %d\n", attrId);
}

void insertCName(ImportRun& run, DbSession& db, int componentId, const std::string& name, int componentClass,
                 int pluginMemberId) {
    run.trace("==> insertCName elementId %d %s plugin_mbr %d\n", componentId, name.c_str(), pluginMemberId);
    if (run.cMemberId == 0) {
        run.trace("<== insertCName returned - no C language binding defined\n");
        return;
    }
    registerAttrKey(run, run, decimal(run.nextAttrId));
    ++run.counters.attributesAdded;

    // The C name carries the attribute's own id; the label gives way to the
    // id's digits when both do not fit the column.
    int attrId = static_cast<int>(run.nextAttrId);
    std::string idText = decimal(run.nextAttrId);
    std::string cName = name;
    cutAtCharacterBoundary(cName, repositoryTextWidth - idText.size());
    cName += idText;
    makeCName(cName);

    SQLRETURN freed = insertLanguageNameRow(run, db, "insertCName", componentId, componentClass, pluginMemberId,
                                            static_cast<int>(repositoryTextWidth), 8, "C Language Name", "C Language",
                                            cName);

    if (run.verboseSw && freed == SQL_SUCCESS)
        run.print("Created m_attribute entry for C Language Name %s attrId %d elementId %d element # %d\n",
                  cName.c_str(), attrId, componentId, run.counters.elementsAdded);
    ++run.nextAttrId;
    run.trace("<== insertCName nextAttrId %d\n", attrId);
}

void insertLanguageNames(ImportRun& run, DbSession& db, int elementId, const std::string& elementName) {
    run.trace("==> insertLanguageNames elementId %d %s\n", elementId, elementName.c_str());
    if (run.cobolMemberId > 0)
        insertCOBOLName(run, db, elementId, elementName, classElement, run.cobolMemberId);
    if (run.cMemberId > 0)
        insertCName(run, db, elementId, elementName, classElement, run.cMemberId);
    run.trace("<== insertLanguageNames\n");
}

void insertMessageAttrs(ImportRun& run, DbSession& db, int messageId, const std::string& messageName) {
    // Every message has a uuid, whether or not a uuid plugin member is known.
    insertUUID(run, db, messageId, classMessage, run.webDavMemberId);
    if (run.cobolMemberId > 0) {
        insertCopyBookName(run, db, messageId, messageName, classMessage, run.cobolMemberId);
        insertCOBOLName(run, db, messageId, messageName, classMessage, run.cobolMemberId);
    }
}

} // namespace norvak
