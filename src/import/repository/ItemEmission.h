#pragma once

namespace norvak {

struct Diagnostics;
struct RunOptions;
struct DefinitionModel;
struct RepositoryState;
class DbSession;

// Writes every item of the model that the message set does not hold yet, in
// seven phases: types, elements, messages, type and element attributes, type
// members with their member attributes, values, value members. Emission stops
// before the next entry once errSw is set.
void createZEPitems(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                    DbSession& db);

} // namespace norvak
