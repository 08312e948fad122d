#pragma once

#include "support/Output.h"

#include <nlohmann/json_fwd.hpp>

namespace norvak {

// Exit codes of norvakgen.
enum GenExitCode : int {
    genDone = 0,             // written
    genUsage = 1,            // usage text shown
    genCommandLine = 2,      // a mistake on the command line, a target that does not exist yet among them
    genNoMessageSet = 3,     // no message set of that name
    genDatabaseError = 4,    // the connection or a query failed; nothing was written
    genNotWritten = 5,       // the output could not be written; nothing was left behind
    genUnreadableFile = 6,   // the definitions file could not be read
    genDefinitionErrors = 7, // the definitions file has errors the import would refuse it for
    genNotFound = 8,         // no message of that identifier, or no CWF tab (of that name)
    genApproximated = 9,     // written, with fields the target cannot express written as their nearest equivalent
};

// The text of norvakgen --help.
extern const char* const norvakgenHelp;

// norvakgen: the record layouts (or COBOL copybooks, or C headers) of the messages of a stored message set
// (-s) or of a definitions file (-f) in one of its CWF tabs, as a table on
// standard output or in -o FILE; `report` takes every line about the run.
// With `own` (--format json) the layouts go into it instead.
int runGenerate(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own);

} // namespace norvak
