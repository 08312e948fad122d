#pragma once

#include <string>

namespace norvak {

struct ImportRun;
class DbSession;

// Writers of M_ATTRIBUTE and M_MEMBER_ATTRIBUTE rows: wire-format
// properties, uuids and language names.

// Writes one attribute row with the id nextAttrId; returns the id written.
int createAttribute(ImportRun& run, DbSession& db, const std::string& attrName, const std::string& attrType,
                    const std::string& attrGroup, const std::string& value, int minLength, int maxLength,
                    int componentId, int componentClass, int pluginMemberId, int pluginAttrKey);

// Writes one member attribute row with the id nextMbrAttr.
void createMemberAttr(ImportRun& run, DbSession& db, int parentId, int parentClass, int childMemberId, int childClass,
                      int pluginMemberId, const std::string& attrName, const std::string& attrType,
                      const std::string& attrGroup, const std::string& value, int minLength, int maxLength,
                      int attrFlags, int pluginAttrKey);

// One member attribute row per known tab of the kind (none when no tab is known).
void createCwfMemberAttr(ImportRun& run, DbSession& db, int typeId, int memberId, const std::string& attrName,
                         const std::string& attrType, const std::string& value, int minLength, int maxLength,
                         int pluginAttrKey);
void createTdsMemberAttr(ImportRun& run, DbSession& db, int typeId, int memberId, const std::string& attrName,
                         const std::string& attrType, const std::string& value, int minLength, int maxLength,
                         int pluginAttrKey);
void createXmlMemberAttr(ImportRun& run, DbSession& db, int typeId, int memberId, const std::string& attrName,
                         const std::string& attrType, const std::string& value, int minLength, int maxLength,
                         int pluginAttrKey);

// A new uuid in its 36-character lower-case text form (empty when none could be made).
void makeUuidString(ImportRun& run, std::string& uuid);

void insertUUID(ImportRun& run, DbSession& db, int componentId, int componentClass, int pluginMemberId);
void createMemberAttrUUID(ImportRun& run, DbSession& db, int parentId, int parentClass, int childMemberId,
                          int childClass, int pluginMemberId);
void insertCopyBookName(ImportRun& run, DbSession& db, int messageId, const std::string& messageName,
                        int componentClass, int pluginMemberId);
void insertCOBOLName(ImportRun& run, DbSession& db, int componentId, const std::string& name, int componentClass,
                     int pluginMemberId);
void insertCName(ImportRun& run, DbSession& db, int componentId, const std::string& name, int componentClass,
                 int pluginMemberId);
void insertLanguageNames(ImportRun& run, DbSession& db, int elementId, const std::string& elementName);
void insertMessageAttrs(ImportRun& run, DbSession& db, int messageId, const std::string& messageName);

} // namespace norvak
