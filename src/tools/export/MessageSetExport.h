#pragma once

#include "support/Output.h"

#include <nlohmann/json_fwd.hpp>

namespace norvak {

// Exit codes of norvakexport.
enum ExportExitCode : int {
    exportExact = 0,         // the file holds everything the message set holds
    exportUsage = 1,         // usage text shown
    exportCommandLine = 2,   // a mistake on the command line
    exportNoMessageSet = 3,  // no message set of that name
    exportDatabaseError = 4, // the connection or a query failed; nothing was written
    exportNotWritten = 5,    // the output file could not be written; nothing was left behind
    exportOmissions = 6,     // written, but rows the definitions format cannot express were left out (see stderr)
};

// The text of norvakexport --help.
extern const char* const norvakexportHelp;

// norvakexport: writes a message set as a definitions file (or, with
// --canonical, as its canonical rows) to standard output or to -o FILE.
// `report` takes every line about the run (standard error for the program).
// With `own` (--format json, which needs -o FILE): the message set, the
// file, whether canonical, what was exported and what was left out.
int runMessageSetExport(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own);

} // namespace norvak
