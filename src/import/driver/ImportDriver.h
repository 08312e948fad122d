#pragma once

namespace norvak {

class Output;

// Exit codes of the import run.
enum ImportExitCode : int {
    exitSuccess = 0,
    exitUsage = 1,
    exitUnreadableFile = 96,
    exitDefinitionErrors = 200,
    exitMessageSetMissing = 110,
    exitReferenceErrors = 111,
    exitDuplicateIdentifiers = 112,
    exitRecursion = 113,
    exitImportFailed = 114,
    exitLockTimeout = 115, // another run kept the message set locked for the whole --lock-timeout
    exitConnectRefused = -1,
    exitStorage = -2,
};

struct ImportOutcome;
struct Diagnostics;
struct RunOptions;
struct DefinitionModel;
struct RepositoryState;
class DbSession;

// Creates the tabs the set lacks and marks the items the message set holds
// already (reused as they are stored).
void reconcileWithMessageSet(Diagnostics& diag, const RunOptions& options, DefinitionModel& model,
                             RepositoryState& state, DbSession& db);
// References, duplicate identifiers and recursion: exitSuccess, or the exit
// code of the first check that failed (its lines printed).
int checkDefinitions(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state);

// The whole norvakload run, from the banner to the exit code, reporting on
// `out`; with `outcome`, what the run did is also kept there.
int runImport(Output& out, int argc, const char* const* argv, ImportOutcome* outcome = nullptr);

} // namespace norvak
