#pragma once

namespace norvak {

struct Diagnostics;
struct DefinitionModel;
struct RepositoryState;

// Whole-model checks made before anything is written.

// The id of the first entry of the kind with that identifier; 0 (reported,
// errSw set) when there is none.
int findMesgIdFromName(Diagnostics& diag, const DefinitionModel& model, int ident);
int findElemIdFromName(Diagnostics& diag, const DefinitionModel& model, int ident);
int findTypeIdFromName(Diagnostics& diag, const DefinitionModel& model, int ident);
int findValueIdFromName(Diagnostics& diag, const DefinitionModel& model, int ident);

// Turns the identifiers by which definitions name each other into local ids.
void resolveReferences(Diagnostics& diag, DefinitionModel& model, const RepositoryState& state);
// Reports every pair of items of any kinds that share an identifier.
void checkDupIdents(Diagnostics& diag, const DefinitionModel& model);
// Reports the first type that contains itself through a chain of members.
void checkRecursion(Diagnostics& diag, const DefinitionModel& model);

} // namespace norvak
