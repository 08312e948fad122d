#pragma once

#include <string>

namespace norvak {

struct Diagnostics;
struct RunOptions;
struct AttributeRow;
struct DefinitionModel;
struct RepositoryState;
class DbSession;

// Writers of M_ATTRIBUTE and M_MEMBER_ATTRIBUTE rows: wire-format
// properties, uuids and language names.

// Writes one attribute row with the id nextAttrId; returns the id written.
int createAttribute(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db,
                    const std::string& attrName, const std::string& attrType, const std::string& attrGroup,
                    const std::string& value, int minLength, int maxLength, int componentId, int componentClass,
                    int pluginMemberId, int pluginAttrKey);

// Writes one member attribute row with the id nextMbrAttr.
void createMemberAttr(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db, int parentId,
                      int parentClass, int childMemberId, int childClass, int pluginMemberId,
                      const std::string& attrName, const std::string& attrType, const std::string& attrGroup,
                      const std::string& value, int minLength, int maxLength, int attrFlags, int pluginAttrKey);

// One member attribute row per known tab of the kind (none when no tab is known).
void createCwfMemberAttr(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                         RepositoryState& state, DbSession& db, int typeId, int memberId, const AttributeRow& row,
                         const std::string& value);
void createTdsMemberAttr(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                         RepositoryState& state, DbSession& db, int typeId, int memberId, const AttributeRow& row,
                         const std::string& value);
void createXmlMemberAttr(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                         RepositoryState& state, DbSession& db, int typeId, int memberId, const AttributeRow& row,
                         const std::string& value);

// A new uuid in its 36-character lower-case text form (empty when none could
// be made): from the run's generator, which the first call seeds from the
// system.
void makeUuidString(Diagnostics& diag, RepositoryState& state, std::string& uuid);

void insertUUID(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                DbSession& db, int componentId, int componentClass, int pluginMemberId);
void createMemberAttrUUID(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                          DbSession& db, int parentId, int parentClass, int childMemberId, int childClass,
                          int pluginMemberId);
void insertCopyBookName(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                        DbSession& db, int messageId, const std::string& messageName, int componentClass,
                        int pluginMemberId);
void insertCOBOLName(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                     DbSession& db, int componentId, const std::string& name, int componentClass, int pluginMemberId);
void insertCName(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                 DbSession& db, int componentId, const std::string& name, int componentClass, int pluginMemberId);
void insertLanguageNames(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                         DbSession& db, int elementId, const std::string& elementName);
void insertMessageAttrs(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                        DbSession& db, int messageId, const std::string& messageName);

} // namespace norvak
