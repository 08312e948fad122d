#pragma once

namespace norvak {

struct ImportRun;

// Whole-model checks made before anything is written.

// The id of the first entry of the kind with that identifier; 0 (reported,
// errSw set) when there is none.
int findMesgIdFromName(ImportRun& run, int ident);
int findElemIdFromName(ImportRun& run, int ident);
int findTypeIdFromName(ImportRun& run, int ident);
int findValueIdFromName(ImportRun& run, int ident);

// Turns the identifiers by which definitions name each other into local ids.
void resolveReferences(ImportRun& run);
// Reports every pair of items of any kinds that share an identifier.
void checkDupIdents(ImportRun& run);
// Reports the first type that contains itself through a chain of members.
void checkRecursion(ImportRun& run);

} // namespace norvak
