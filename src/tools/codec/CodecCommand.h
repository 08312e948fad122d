#pragma once

#include "support/Output.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

namespace norvak {

// Exit codes of norvakcodec.
enum CodecExitCode : int {
    codecDone = 0,             // every record read was written
    codecUsage = 1,            // usage text shown
    codecCommandLine = 2,      // a mistake on the command line
    codecNoMessageSet = 3,     // no message set of that name
    codecDatabaseError = 4,    // the connection or a query failed; nothing was read
    codecNotWritten = 5,       // the output or the rejects file could not be written
    codecUnreadableFile = 6,   // the definitions file could not be read
    codecDefinitionErrors = 7, // the definitions file has errors the import would refuse it for
    codecNotFound = 8, // no message of that identifier, no CWF tab (of that name), or a layout the codec cannot read
    codecRejected = 9, // records rejected (written to --rejects, each said on standard error); the others written
    codecTooManyErrors = 10,   // the run ended at the --max-errors-th rejected record
    codecUnreadableInput = 11, // the input could not be opened or read
};

// The text of norvakcodec --help.
extern const char* const norvakcodecHelp;

// Takes "--report json|text" (or "--report=...") out of the arguments: how
// the run's report goes to standard error. False for any other value.
bool takeReportOption(std::vector<const char*>& arguments, std::string& report);

// norvakcodec decode|encode: the records of a message of a stored message
// set (-s) or of a definitions file (-f) read from INPUT (standard input)
// and written to -o (standard output), one JSON object a line for decode,
// records in their framing for encode. Every line about the run goes to
// `report`; with `own` (--report json) the counts go into it too.
int runCodec(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own);

} // namespace norvak
