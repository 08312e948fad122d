#pragma once

#include "import/model/RepositoryState.h"
#include "support/Output.h"

#include <string>
#include <vector>

namespace norvak {

// What a finished import tells beyond its report lines.
struct ImportOutcome {
    std::string messageSet;
    bool reportOnly = false;
    RunCounters counters;
};

// norvakload --format json: the run as one JSON document instead of its
// report: the exit code, the message set, whether it was report-only, the rows
// added per table, the items reused per kind, and every error and warning of
// the report (`report`, collected) with its text and, for an error found while
// the definitions file was read, its file, line and column.
std::string importReportJson(const Output& report, int exitCode, const ImportOutcome& outcome);

} // namespace norvak
