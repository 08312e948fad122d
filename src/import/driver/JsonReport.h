#pragma once

#include "import/model/RepositoryState.h"
#include "support/Output.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace norvak {

// What a finished import tells beyond its report lines.
struct ImportOutcome {
    std::string messageSet;
    bool reportOnly = false;
    RunCounters counters;
};

// norvakload's own members of its JSON document: the message set, whether
// the run was report-only, the rows added per table, the items reused per kind.
nlohmann::ordered_json importOwnMembers(const ImportOutcome& outcome);

// norvakload --format json: the run as one JSON document instead of its
// report: the envelope every program's document has (see jsonEnvelope; an
// error found while the definitions file was read has its file, line and
// column), then importOwnMembers.
std::string importReportJson(const Output& report, int exitCode, const ImportOutcome& outcome);

} // namespace norvak
