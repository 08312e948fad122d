// The plan of norvakapply: the action for each difference, the gates, and the plan as lines and as JSON.
#include "tools/apply/ApplyPlan.h"

#include "dbsession/Columns.h"
#include "tools/diff/DefinitionsDiff.h"

#include <nlohmann/json.hpp>

#include <utility>

namespace norvak {

namespace {

// An item only the stored set has, as a whole: a message, type, element,
// unused value or tab the file does not define. A member a type lost, or a
// value use an element lost, belongs to an item the file defines.
bool onlyTheSetHasIt(const SetDifference& d) {
    return d.change == '-' && !d.keptByImport && !d.refusedByImport;
}

PlannedAction actionOf(const SetDifference& d, bool allowRemovals) {
    if (d.change == '+')
        return PlannedAction::insert;
    if (d.change == '~')
        return PlannedAction::update;
    if (onlyTheSetHasIt(d) && !allowRemovals)
        return PlannedAction::keep;
    return PlannedAction::remove;
}

std::size_t counted(const ApplyPlan& plan, PlannedAction action) {
    std::size_t count = 0;
    for (PlannedAction a : plan.actions)
        count += a == action ? 1 : 0;
    return count;
}

std::string planLine(const SetDifference& d, PlannedAction action) {
    std::string name = actionName(action);
    name.resize(6, ' ');
    std::string line = name + "  " + differenceText(d);
    if (action == PlannedAction::keep)
        line += "  kept: not in the file";
    return line + "\n";
}

} // namespace

const char* actionName(PlannedAction action) {
    switch (action) {
    case PlannedAction::insert:
        return "insert";
    case PlannedAction::update:
        return "update";
    case PlannedAction::remove:
        return "delete";
    case PlannedAction::keep:
        break;
    }
    return "keep";
}

ApplyPlan planApply(SetComparison comparison, bool allowBreaking, bool allowRemovals) {
    ApplyPlan plan;
    plan.comparison = std::move(comparison);
    const std::vector<SetDifference>& differences = plan.comparison.differences;
    for (std::size_t i = 0; i < differences.size(); ++i) {
        PlannedAction action = actionOf(differences[i], allowRemovals);
        plan.actions.push_back(action);
        if (action == PlannedAction::keep) {
            ++plan.removalsKept;
            continue;
        }
        ++plan.changes;
        if (differences[i].breaking)
            plan.breakingAtFault.push_back(i);
    }
    plan.breakingRefused = !allowBreaking && !plan.breakingAtFault.empty();
    return plan;
}

std::string planText(const ApplyPlan& plan) {
    const std::vector<SetDifference>& differences = plan.comparison.differences;
    std::string text = differenceLines(plan.comparison);
    for (std::size_t i = 0; i < differences.size(); ++i)
        text += planLine(differences[i], plan.actions[i]);
    std::size_t breaking = 0;
    for (const SetDifference& d : differences)
        breaking += d.breaking ? 1 : 0;
    std::size_t total = differences.size();
    text += formatText("%zu difference%s: %zu breaking, %zu compatible; plan: %zu insert, %zu update, %zu delete, "
                       "%zu keep\n",
                       total, total == 1 ? "" : "s", breaking, total - breaking, counted(plan, PlannedAction::insert),
                       counted(plan, PlannedAction::update), counted(plan, PlannedAction::remove),
                       counted(plan, PlannedAction::keep));
    return text;
}

nlohmann::ordered_json planJson(const ApplyPlan& plan) {
    using Json = nlohmann::ordered_json;
    Json members = diffOwnMembers(plan.comparison);
    Json& differences = members["differences"];
    for (std::size_t i = 0; i < plan.actions.size(); ++i)
        differences[i]["action"] = actionName(plan.actions[i]);
    Json& summary = members["summary"];
    summary["insert"] = counted(plan, PlannedAction::insert);
    summary["update"] = counted(plan, PlannedAction::update);
    summary["delete"] = counted(plan, PlannedAction::remove);
    summary["keep"] = counted(plan, PlannedAction::keep);
    Json atFault = Json::array();
    for (std::size_t i : plan.breakingAtFault)
        atFault.push_back(differenceText(plan.comparison.differences[i]));
    members["gates"] = {{"breakingRefused", plan.breakingRefused},
                        {"breaking", atFault},
                        {"removalsKept", plan.removalsKept}};
    return members;
}

} // namespace norvak
