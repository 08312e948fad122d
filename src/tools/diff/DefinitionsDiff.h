#pragma once

#include "import/repository/SetComparison.h"
#include "support/Output.h"

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace norvak {

// Exit codes of norvakdiff.
enum DiffExitCode : int {
    diffNone = 0,               // no difference
    diffCompatible = 1,         // differences, none of them breaking
    diffBreaking = 2,           // at least one difference breaks a wire format
    diffUsage = 3,              // usage text shown
    diffCommandLine = 4,        // a mistake on the command line
    diffUnreadableFile = 5,     // a definitions file could not be read
    diffDefinitionErrors = 6,   // a definitions file has errors the import would refuse it for
    diffNoMessageSet = 7,       // no message set of that name
    diffDatabaseError = 8,      // the connection or a query failed
    diffNotWritten = 9,         // the differences could not be written
};

// The text of norvakdiff --help.
extern const char* const norvakdiffHelp;

// A difference as its line begins: "~ member  Order_t.Note  maxOccurs 1 -> 2",
// without its verdicts.
std::string differenceText(const SetDifference& difference);
// The lines of the differences as norvakdiff writes them, each with its
// verdicts in a column of its own, without the line of the counts.
std::string differenceLines(const SetComparison& comparison);

// norvakdiff's own members of its JSON document: the formats compared, the
// differences and their counts.
nlohmann::ordered_json diffOwnMembers(const SetComparison& comparison, std::size_t refusedTexts = 0);
// The whole document of a comparison, with the envelope of a run that
// reported nothing (written by jsonText, whatever bytes the texts hold).
std::string diffReportJson(const SetComparison& comparison, int exitCode, std::size_t refusedTexts = 0);

// norvakdiff: the differences between a definitions file and a stored
// message set (or, with --against, another definitions file), on standard
// output; `report` takes every line about the run (standard error). With
// `own` (--format json) the differences go into it instead.
int runDefinitionsDiff(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own);

} // namespace norvak
