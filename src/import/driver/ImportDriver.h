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

// The whole norvakload run, from the banner to the exit code, reporting on
// `out`; with `outcome`, what the run did is also kept there.
int runImport(Output& out, int argc, const char* const* argv, ImportOutcome* outcome = nullptr);

} // namespace norvak
