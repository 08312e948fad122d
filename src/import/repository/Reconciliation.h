#pragma once

#include <string>

namespace norvak {

struct ImportRun;
class DbSession;

// Merge what the message set already holds into the in-memory tables: a
// stored item matching a definition of the file lends it its repository id
// (after the two are compared); any other stored item is added as a known one,
// unless the file has an item of that identifier (which is then its own,
// stored in another form).
void findExistingTypes(ImportRun& run, DbSession& db);
void findExistingElements(ImportRun& run, DbSession& db);
void findExistingValues(ImportRun& run, DbSession& db);
void findExistingMessages(ImportRun& run, DbSession& db);
// After the four above: a type taken over from the repository whose members
// in the file name an item that is not in the repository is a different
// definition, reported as such. Skipped once an error is known: the rows
// were then not all read.
void checkReusedTypeMembers(ImportRun& run);

// Reports each element taken over from the repository whose values in the
// file include one the repository lacks: its value uses are not written
// again, so the new value would stand alone. Skipped once an error is known.
void checkReusedElementValues(ImportRun& run);

// Single-row look-ups in the message set, used while items are written.
// The id of the type stored as the text of `nameIndex` followed by "_TYPE", or 0.
int findTypeByName(ImportRun& run, DbSession& db, int nameIndex);
// The id and type id of the element stored under the composed form of
// `ident`; both 0 when there is none.
void findElementByName(ImportRun& run, DbSession& db, const std::string& ident, int& id, int& typeId, int expectTyped);
// The id of a value with that text and type, or 0.
int findValueByName(ImportRun& run, DbSession& db, const std::string& valueText, int typeId);

void reuseExistingType(ImportRun& run, DbSession& db, int typeId);
void reuseExistingElement(ImportRun& run, DbSession& db, int elemId);

} // namespace norvak
