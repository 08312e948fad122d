#pragma once

#include "dbsession/DbSession.h"
#include "dbsession/RepositoryStatements.h"
#include "tools/apply/SetSynchronisation.h"

#include <cstdint>
#include <optional>
#include <string>

namespace norvak {

// The NEXT_ID of message set `project`; nothing when it could not be read
// (reported through the session).
std::optional<std::int32_t> readNextId(DbSession& db, const std::string& schema, int project);

// Writes the changes inside the caller's transaction: the deletes (members
// and attribute rows before their items), the updates, the inserts (items
// before their members and attribute rows), then NEXT_ID. Each statement
// text is prepared once; inserts go in batches, sent before it returns.
// False when a statement failed (reported through the session, whose
// diagnostics' error switch is `errorSwitch`).
bool writeSetChanges(DbSession& db, const int& errorSwitch, const RowStamp& stamp, const SetChanges& changes);

} // namespace norvak
