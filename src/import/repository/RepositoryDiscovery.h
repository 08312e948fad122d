#pragma once

namespace norvak {

struct Diagnostics;
struct RunOptions;
struct DefinitionModel;
struct RepositoryState;
class DbSession;

// Finds the message set and its next free ids, the existing wire-format tabs
// and language bindings, and allocates the run's statement handle. Returns
// the last ODBC return code it saw (0 when every step succeeded); errors set
// errSw.
int getZEPInfo(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
               DbSession& db);

// Writes the next free id back into the message set's PROJECT row.
void updateNextElementId(Diagnostics& diag, const RunOptions& options, const RepositoryState& state, DbSession& db);

} // namespace norvak
