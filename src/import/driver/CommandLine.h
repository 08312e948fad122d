#pragma once

#include "support/LockTimeoutOption.h"

#include <string>

namespace norvak {

// The text of norvakload --help: usage, options and exit codes.
extern const char* const norvakloadHelp;

struct Diagnostics;
struct RunOptions;

// The values given on the command line, before they are applied.
struct CommandLineValues {
    std::string fileName;
    std::string databaseName;
    std::string dbUserId;
    std::string dbPassword;
    std::string messageSetName;
    int lockTimeoutSeconds = defaultLockTimeoutSeconds; // --lock-timeout
};

// Walks the arguments after the program name: switches set the switches of
// the options (-t the trace switch of the diagnostics), value options fill
// `values`, "--lock-timeout SECONDS" (or "--lock-timeout=SECONDS") bounds the
// wait for another run's lock; errors are reported and set errSw.
void walkCommandLine(Diagnostics& diag, RunOptions& options, int argc, const char* const* argv,
                     CommandLineValues& values);

// True when the usage text is due: no argument, a first argument beginning
// with "?" or with "?" second, or no file name.
// Whether -q is among the switches: the run is then quiet from its first line.
bool quietRequested(int argc, const char* const* argv);

bool usageRequested(int argc, const char* const* argv, const CommandLineValues& values);

void printUsage(Diagnostics& diag, const char* programName);

// Applies the non-empty command-line connection values over those of the
// definitions file; a value over its limit is reported and not applied.
void applyCommandLineValues(Diagnostics& diag, RunOptions& options, const CommandLineValues& values);

} // namespace norvak
