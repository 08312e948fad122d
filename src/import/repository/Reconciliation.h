#pragma once

#include <string>

namespace norvak {

struct Diagnostics;
struct RunOptions;
struct DefinitionModel;
struct RepositoryState;
class DbSession;

// Merge what the message set already holds into the in-memory tables: a
// stored item matching a definition of the file lends it its repository id
// (after the two are compared); any other stored item is added as a known one,
// unless the file has an item of that identifier (which is then its own,
// stored in another form).
void findExistingTypes(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                       DbSession& db);
void findExistingElements(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                          DbSession& db);
void findExistingValues(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                        DbSession& db);
void findExistingMessages(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                          DbSession& db);
// After the four above: a type taken over from the repository whose members
// in the file name an item that is not in the repository is a different
// definition, reported as such. Skipped once an error is known: the rows
// were then not all read.
void checkReusedTypeMembers(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state);

// Reports each element taken over from the repository whose values in the
// file include one the repository lacks (by identifier, and by text and
// type): its value uses are not written again, so the new value would stand
// alone. Skipped once an error is known.
void checkReusedElementValues(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model,
                              RepositoryState& state, DbSession& db);

// Look-ups in the message set, used while items are written. They answer
// as a query of the message set's rows with RTRIM(IDENTIFIER) (RTRIM of the
// value text) equal to the text asked for would, its first row in id order:
// the rows are read once, at the first look-up, and the rows the run writes
// after it are noted as they are written.
// The id of the type stored as the text of `nameIndex` followed by "_TYPE", or 0.
int findTypeByName(const RunOptions& options, const DefinitionModel& model, RepositoryState& state, DbSession& db,
                   int nameIndex);
// The id and type id of the element stored under the composed form of
// `ident`; both 0 when there is none.
void findElementByName(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db,
                       const std::string& ident, int& id, int& typeId, int expectTyped);
// The id of a value with that text and type, or 0.
int findValueByName(const RunOptions& options, RepositoryState& state, DbSession& db, const std::string& valueText,
                    int typeId);
// A row the run has written (not in a report-only run, which writes none),
// for the look-ups above.
void noteWrittenType(const RunOptions& options, RepositoryState& state, const std::string& identifier, int id);
void noteWrittenElement(const RunOptions& options, RepositoryState& state, const std::string& identifier, int id,
                        int typeId);
void noteWrittenValue(const RunOptions& options, RepositoryState& state, const std::string& valueText, int typeId,
                      int id);

void reuseExistingType(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                       DbSession& db, int typeId);
void reuseExistingElement(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
                          DbSession& db, int elemId);

} // namespace norvak
