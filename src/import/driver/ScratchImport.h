#pragma once

#include "setmodel/MessageSetModel.h"
#include "setmodel/StoredMessageSet.h"

#include <optional>
#include <string>

namespace norvak {

struct Diagnostics;
struct RunOptions;
struct RepositoryState;
class DbSession;

// The rows an import of a definitions text makes in a message set of its
// own, in a repository held in memory (the embedded database's driver), so
// that they compare with the rows of a stored set row for row.
struct ScratchImport {
    bool imported = false;
    int exitCode = 0;   // the import's exit code when it did not get through
    std::string report; // what the import said: its warnings and errors
    StoredMessageSet rows;
    // The rows were read back from memory, not from the database in memory.
    bool readFromMemory = false;
};

// Imports `definitionsText` into a new message set named `setName` (the
// file's own name for it when empty). The set starts with the plugin members
// of `configuration` (its language bindings, and the wire-format tabs the
// file does not define itself, with their settings), or, without one, with
// what a new message set has. The rows are read without those every import
// makes again (uuids, language names made of a label), unless `keepRemade`.
ScratchImport importIntoScratch(std::string definitionsText, const std::string& sourceName, const std::string& setName,
                                const StoredMessageSet* configuration, bool keepRemade = false);

// The same import, its rows as their model: a definitions text read as a
// message set without a repository of the caller's. Nothing when the import
// did not get through; `outcome` says what it said (its rows moved to the
// model).
std::optional<ModelledSet> importIntoModel(std::string definitionsText, const std::string& sourceName,
                                           const std::string& setName, const StoredMessageSet* configuration,
                                           ScratchImport& outcome);

// After reconciliation: when the file defines items the message set holds
// already and some of them differ from what is stored (which the import
// keeps), one warning line with their number and how to see them.
void warnOfKeptDefinitions(Diagnostics& diag, const RunOptions& options, const RepositoryState& state,
                           DbSession& db, const std::string& definitionsText);

} // namespace norvak
