#pragma once

#include "import/repository/SetComparison.h"

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <string>
#include <vector>

namespace norvak {

// What norvakapply does with one difference.
enum class PlannedAction {
    insert, // only the file has it
    update, // both sides have it, otherwise
    remove, // only the set has it, and the run may delete it; or a member or value the file dropped
    keep,   // an item only the set has, kept without --allow-removals
};

// The plan of a run: the comparison of the file with the stored set, what
// is done with each difference and what the gates decide, before anything
// is written.
struct ApplyPlan {
    SetComparison comparison;
    std::vector<PlannedAction> actions;      // one per difference
    std::vector<std::size_t> breakingAtFault; // the breaking differences the run would write
    std::size_t removalsKept = 0;             // items only the set has, kept
    bool breakingRefused = false;             // the breaking gate refuses the run
    std::size_t changes = 0;                  // differences the run writes (insert, update, remove)
};

// The plan for a comparison, under the gates the command line opens.
ApplyPlan planApply(SetComparison comparison, bool allowBreaking, bool allowRemovals);

// "insert", "update", "delete", "keep".
const char* actionName(PlannedAction action);

// The plan as lines: the differences as norvakdiff writes them, then one
// line per difference with what is done with it, then the counts.
std::string planText(const ApplyPlan& plan);

// The plan's members of norvakapply's JSON document: formats, differences
// (each as norvakdiff gives it, with its action), summary and gates.
nlohmann::ordered_json planJson(const ApplyPlan& plan);

} // namespace norvak
