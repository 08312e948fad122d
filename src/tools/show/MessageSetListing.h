#pragma once

#include "dbsession/OdbcTypes.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <string>

namespace norvak {

// The text of norvakshow --help.
extern const char* const norvakshowHelp;

class DbSession;
class Output;

// Exit codes of norvakshow. A failing connect ends the run with the
// connect's own result instead.
enum ListingExitCode : int {
    listingSuccess = 0,       // listed, or the repository holds no message set
    listingUsage = 1,         // usage text shown
    listingDatabaseError = 2, // PROJECT table not accessible, a database error ended the listing, or -s
                              // names no message set
};

// The 13-character code of a message set: its repository, id and level packed
// into one 64-bit number (repository in bits 32 to 63, id in 16 to 31, level
// in 0 to 15), written as "A" plus the top four bits, then twelve base-32
// digits ("0" to "9", "A" to "V") from the most significant down.
std::string messageSetCode(std::int32_t repository, std::int16_t id, std::int16_t level);

// norvakshow -s: one message set, its messages with their types and the
// counts of what it holds; listingDatabaseError when there is none of that
// name or a query fails.
int listOneMessageSet(Output& out, DbSession& db, int& errSw, const std::string& name,
                      const std::string& schemaPrefix);

// Lists the messages of one message set ("   %6.6d %s" per message, ordered by
// id) on a statement of its own, so the caller's PROJECT result set stays
// open. Database errors are reported under the routine "getAllMessages" and
// set errSw.
void getAllMessages(Output& out, DbSession& db, int& errSw, SQLSMALLINT projectKey, const std::string& schemaPrefix);

// The whole norvakshow run, from the banner to the exit code, reporting on `out`.
int runMessageSetListing(Output& out, int argc, const char* const* argv, nlohmann::ordered_json* own);

} // namespace norvak
