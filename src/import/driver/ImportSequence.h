#pragma once

namespace norvak {

struct ImportRun;
class DbSession;

// The repository an import writes into, and what the import does there
// where repositories differ: the repository a run names (norvakload) or one
// held in memory (the rows norvakdiff compares). The steps themselves, and
// their order, are importDefinitionsText()'s.
class ImportTarget {
  public:
    virtual ~ImportTarget() = default;

    // The definitions text has errors: the exit code, once said.
    virtual int definitionErrors(ImportRun& run) = 0;
    // Connects to the repository and opens the run's transaction there:
    // exitSuccess with session() ready, or the exit code, once said.
    virtual int open(ImportRun& run) = 0;
    // The session open() connected.
    virtual DbSession& session() = 0;
    // The message set or its next free ids could not be read (`rc` the
    // last ODBC return code): the exit code, once said.
    virtual int discoveryFailed(ImportRun& run, int rc) = 0;
    // After reconciliation with the message set: exitSuccess to go on to the
    // checks, or the exit code.
    virtual int reconciled(ImportRun& run) = 0;
    // The checks failed with exit code `rc`: what is done in the repository
    // is given up, and the exit code returned.
    virtual int checksFailed(ImportRun& run, int rc) = 0;
    // After the items are written (some rows may still wait in batches):
    // the end of the run and its exit code.
    virtual int finish(ImportRun& run) = 0;
};

// The import of a definitions text, from the tags to the last row, into
// `target`: the tags read into the run's model, the message set found and
// reconciled with, the checks, the items written. `text` is changed as it
// is read.
int importDefinitionsText(ImportRun& run, ImportTarget& target, char* text);

// Creates the tabs the set lacks and marks the items the message set holds
// already (reused as they are stored).
void reconcileWithMessageSet(ImportRun& run, DbSession& db);
// References, duplicate identifiers and recursion: exitSuccess, or the exit
// code of the first check that failed (its lines printed).
int checkDefinitions(ImportRun& run);

} // namespace norvak
