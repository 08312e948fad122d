#pragma once

#include "dbsession/Statement.h"
#include "import/model/RunOptions.h"

#include <cstdint>
#include <string>

namespace norvak {

struct Diagnostics;
struct DefinitionModel;
struct RepositoryState;

// A report-only run goes through every insert's steps but executes none;
// any other run sends its rows in batches (see InsertBatches).
inline InsertMode insertMode(const RunOptions& options) {
    return options.reportOnlySw ? InsertMode::reportOnly : InsertMode::batch;
}

// Writers of the item rows. Each takes its id from nextElementId, inserts one
// row through the run's statement handle (nothing is executed in a
// report-only run), reports progress and returns the new id.

// The identifier an item is stored under: prefix + identifier + suffix, with
// every "-" turned into "_" when `replaceHyphens` (types, elements, values).
std::string composeIdentifier(const std::string& prefix, const std::string& ident, const std::string& suffix,
                              bool replaceHyphens);

int createType(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
               DbSession& db, const std::string& ident, const std::string& name, int baseType, int composition,
               int typeContent);
int createElement(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const std::string& ident, const std::string& name, int typeValue);
int createMessage(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const std::string& ident, const std::string& name, int typeId);
int createTypeMember(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db, int typeId,
                     int childId, std::int16_t seqNum, int childClass, int minOcc, int maxOcc, std::int16_t repeatInd,
                     const std::string& typeIdent, const std::string& childName);
// May return the id of a value written earlier in the run or already in the
// message set; `inserted` tells whether a row was written.
int createValue(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                DbSession& db, const std::string& ident, const std::string& name, const std::string& valueText,
                int typeCode, bool& inserted);
int createValueMember(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db, int valueId,
                      int parentId, int parentClass, std::int16_t seqNum, std::int16_t role);

} // namespace norvak
