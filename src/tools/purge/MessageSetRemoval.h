#pragma once

#include "dbsession/OdbcTypes.h"

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace norvak {

// The text of norvakpurge --help.
extern const char* const norvakpurgeHelp;

class DbSession;
class Output;

// Exit codes of norvakpurge. A failing connect ends the run with the
// connect's own result, a failing lookup by name with getZEPInfo's.
enum RemovalExitCode : int {
    removalSuccess = 0,      // every table processed
    removalUsage = 1,        // usage text shown
    removalNotRemoved = 2,   // no such message set, or a key out of range: nothing deleted
    removalDeleteFailed = 3, // a DELETE or the commit failed (every table was still tried): all rolled back
    removalLocked = 4,       // another run kept the message set locked for the whole lock timeout
};

// How the -s value names the message set.
struct MessageSetSelector {
    enum Kind {
        byName,     // anything but digits alone, or a number of 99 or less
        byKey,      // digits alone, a number from 100 to 32767
        keyTooLarge // digits alone, a number above 32767: no 16-bit key
    };
    Kind kind = byName;
    SQLSMALLINT key = 0;
};
MessageSetSelector selectMessageSet(const std::string& value);

// The state of one removal run: the session (removal variant), where the
// report goes and the message set being removed.
struct MessageSetRemoval {
    Output& out;
    DbSession& db;
    int& errSw;
    std::string schemaPrefix;
    std::string messageSetName; // as typed; replaced by the PROJECT row's NAME when found by key
    SQLSMALLINT projectKey = 0;
    SQLUINTEGER nextId = 0;
    bool found = false; // the lookup read the message set's PROJECT row
};

// Finds the message set by `projectKey` and takes over its name.
void lookupProjectName(MessageSetRemoval& removal);

// Finds the message set by `messageSetName` and sets `projectKey` (and
// `found`). Returns the return code of its last ODBC call, 0 on success
// whether or not a row was found.
int getZEPInfo(MessageSetRemoval& removal);

// Deletes the message set's rows from one table. True unless the DELETE
// failed; a DELETE that matched no row is reported as such and counts as done.
bool deleteTableInfo(MessageSetRemoval& removal, const char* table, const char* keyColumn);

// The whole norvakpurge run, from the banner to the exit code, reporting on
// `out`. With `own` (--format json): the message set (its stored name when
// found), its key and whether it was removed.
int runMessageSetRemoval(Output& out, int argc, const char* const* argv, nlohmann::ordered_json* own);

} // namespace norvak
