#pragma once

#include "dbsession/DbSession.h"
#include "support/LockTimeoutOption.h"
#include "support/Output.h"

#include <span>
#include <string>

namespace norvak {

// The values the tools take from their command lines.
struct ToolOptions {
    std::string dataSource;
    std::string user;
    std::string password;
    std::string schemaPrefix;
    std::string messageSet;
    std::string languages;
    std::string outputFile; // -o of the tools that write a file
    std::string inputFile;  // -f of the tools that read a definitions file
    std::string againstFile;    // --against of norvakdiff: the old definitions file
    std::string message;        // -m of norvakgen: one message of the set
    std::string tab;            // --tab of norvakgen: the CWF tab, by name
    std::string target;         // --target of norvakgen: what it generates
    std::string byteOrder;      // --byte-order of norvakgen: big or little, as given (big when not)
    std::string lockTimeoutText; // --lock-timeout as given, before it is checked
    bool canonical = false;     // --canonical of norvakexport
    bool dryRun = false;        // --dry-run of norvakapply: the plan and the gates, nothing written
    bool allowBreaking = false; // --allow-breaking of norvakapply
    bool allowRemovals = false; // --allow-removals of norvakapply
    bool quiet = false;         // -q: only warnings, errors and the closing line
    bool schemaRefused = false; // -h named something that is not an SQL identifier
    int lockTimeoutSeconds = defaultLockTimeoutSeconds; // --lock-timeout, for the tools that change the repository
};

// One value-taking option of a tool: its letter (lower case), where its value
// goes and the line printed when the value is missing.
struct ToolOption {
    char letter;
    std::string ToolOptions::*value;
    const char* missingMessage;
};

// The options every tool has.
inline constexpr ToolOption dataSourceOption{'n', &ToolOptions::dataSource,
                                             "*****Error - database name missing from -n parameter\n"};
inline constexpr ToolOption userOption{'u', &ToolOptions::user,
                                       "*****Error - database user missing from -u parameter\n"};
inline constexpr ToolOption passwordOption{'p', &ToolOptions::password,
                                           "*****Error - database password missing from -p parameter\n"};
inline constexpr ToolOption schemaOption{'h', &ToolOptions::schemaPrefix,
                                         "*****Error - schema name missing from -h parameter\n"};
inline constexpr ToolOption messageSetOption{'s', &ToolOptions::messageSet,
                                             "*****Error - message set missing from -s parameter\n"};

// Walks the arguments after the program name. An option is "-" and a letter
// in either case; its value is the rest of the argument, or the next argument
// (which is then not examined as an option). Unknown letters and missing
// values are reported (each line flushed) and set errSw; the walk goes on.
// A schema prefix that does not end with "." gets one; one that is not an
// SQL identifier is reported and sets `schemaRefused` (the tool must not
// connect).
// With `takesLockTimeout`, "--lock-timeout SECONDS" (or "=SECONDS") sets
// `lockTimeoutSeconds`; with `takesQuiet`, "-q" (either case) or "--quiet"
// sets `quiet`.
void walkToolCommandLine(Output& out, int& errSw, int argc, const char* const* argv,
                         std::span<const ToolOption> options, ToolOptions& values, bool takesLockTimeout = false,
                         bool takesQuiet = false);

// Whether the command line the walk above reads asks for quiet ("-q" in
// either case, or "--quiet", not as the value of an option): a tool that
// prints a banner before it reads its options is quiet from its first line.
bool walkedQuietRequested(int argc, const char* const* argv, std::span<const ToolOption> options);

// Checks the schema prefix of the command line (after the walk): one that is
// not an SQL identifier is reported, sets errSw and `schemaRefused` (the tool
// must not connect) and is cleared; otherwise it gets its ".".
void settleSchemaPrefix(Output& out, int& errSw, ToolOptions& values);

// Whether "-q" or "--quiet" is among the arguments: a tool that prints a
// banner before it reads its options is quiet from its first line.
bool toolQuietRequested(int argc, const char* const* argv);

// Connects with the command line's data source, user and password; when
// that fails, says so and returns the connect's result (0 when connected).
int connectTool(Output& out, DbSession& db, const ToolOptions& values);

// True when there is no argument, or the first argument begins with "?" or
// has "?" as its second character.
bool toolUsageRequested(int argc, const char* const* argv);

} // namespace norvak
