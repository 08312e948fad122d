#pragma once

#include "support/Output.h"

#include <nlohmann/json_fwd.hpp>

namespace norvak {

// Exit codes of norvakapply. A dry run ends with the code the run would end with.
enum ApplyExitCode : int {
    applyDone = 0,             // applied, or nothing to do
    applyBreakingRefused = 1,  // the breaking gate refused the run: nothing was written
    applyRemovalsKept = 2,     // applied; items only the set holds were kept (no --allow-removals)
    applyUsage = 3,            // usage text shown
    applyCommandLine = 4,      // a mistake on the command line
    applyUnreadableFile = 5,   // the definitions file could not be read
    applyDefinitionErrors = 6, // the file has errors the import would refuse it for
    applyNoMessageSet = 7,     // no message set of that name
    applyLocked = 8,           // another run held the message set's lock for the whole timeout
    applyDatabaseError = 9,    // the connection, a query or the writing failed: nothing was written
    applyNotWritten = 10,      // the plan could not be written to standard output
};

// The text of norvakapply --help.
extern const char* const norvakapplyHelp;

// norvakapply: makes a stored message set match a definitions file. The
// plan goes to standard output, every line about the run to `report`; with
// `own` (--format json) the plan and the gates go into it instead.
int runDefinitionsApply(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own);

} // namespace norvak
