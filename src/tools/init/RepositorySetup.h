#pragma once

#include <nlohmann/json_fwd.hpp>

namespace norvak {

// The text of norvakinit --help.
extern const char* const norvakinitHelp;

class Output;

// Exit codes of norvakinit.
enum SetupExitCode : int {
    setupDone = 0,
    setupUsage = 1,
    setupRefused = 2,       // command-line errors, or the message set name is taken: nothing changed
    setupDatabaseError = 3, // a statement failed: the message set part was rolled back
    setupLocked = 4,        // another set-up kept the repository locked for the whole lock timeout
    setupNoUserDataSource = 5, // without -n: the embedded repository's folder or data source could not be made
};

// The whole norvakinit run: creates the repository tables that are missing,
// the repository row, and on request a message set with its plugin members.
// With `own` (--format json): the data source, whether it is ready and the
// message set created (name and key).
int runRepositorySetup(Output& out, int argc, const char* const* argv, nlohmann::ordered_json* own);

} // namespace norvak
