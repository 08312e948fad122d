// norvakload's command line: its options, the usage text and the values applied over the file's.
#include "import/driver/CommandLine.h"

#include "support/ConnectionText.h"
#include "support/StringUtilities.h"

#include "import/model/RunOptions.h"
#include "support/Diagnostics.h"

#include <cstring>

namespace norvak {

namespace {

struct ValueOption {
    char letter;
    std::string CommandLineValues::*value;
    const char* missingMessage;
};

const ValueOption valueOptions[] = {
    {'n', &CommandLineValues::databaseName, "*****Error - database name missing from -n parameter\n"},
    {'u', &CommandLineValues::dbUserId, "*****Error - database user missing from -u parameter\n"},
    {'p', &CommandLineValues::dbPassword, "*****Error - database password missing from -p parameter\n"},
    {'s', &CommandLineValues::messageSetName, "*****Error - message set missing from -s parameter\n"},
    {'f', &CommandLineValues::fileName, "*****Error - fileName missing from -f parameter\n"},
};

const ValueOption* findValueOption(char letter) {
    for (const ValueOption& option : valueOptions) {
        if (option.letter == letter)
            return &option;
    }
    return nullptr;
}

int* findSwitch(Diagnostics& diag, RunOptions& options, char letter) {
    switch (letter) {
    case 'r':
        return &options.reportOnlySw;
    case 'v':
        return &options.verboseSw;
    case 't':
        return &diag.traceSw;
    case 'd':
        return &options.showTablesSw;
    case 'q':
        return &options.quietSw;
    default:
        return nullptr;
    }
}

char lowerLetter(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

struct ApplyRule {
    std::string CommandLineValues::*value;
    std::string RunOptions::*setting;
    std::size_t longest;
    const char* tooLongMessage;
};

const ApplyRule applyRules[] = {
    {&CommandLineValues::databaseName, &RunOptions::databaseName, 127,
     "*****Error - database name parameter is too long\n"},
    {&CommandLineValues::dbUserId, &RunOptions::dbUserId, 63, "*****Error - database user id parameter is too long\n"},
    {&CommandLineValues::dbPassword, &RunOptions::dbPassword, 63,
     "*****Error - database password parameter is too long\n"},
    {&CommandLineValues::messageSetName, &RunOptions::messageSetName, longestMessageSetName,
     "*****Error - message set name is too long\n"},
};

} // namespace

const char* const norvakloadHelp =
    "Usage: norvakload -f FILE {-n ZEP_DB {-u DB_Userid {-p DB_Password}}} {-s MessageSet} {-r} {-v} {-t} {-d} {-q}\n"
    "                  {--lock-timeout SECONDS}\n"
    "\n"
    "Imports a definitions file into a message set of a repository: reads it, reconciles it with what\n"
    "the message set holds, checks it, writes the new rows and commits once, or rolls everything back.\n"
    "\n"
    "Options:\n"
    "  -f FILE                 the definitions file (required)\n"
    "  -n ZEP_DB               ODBC data source of the repository; overrides ZEP_DB of the file\n"
    "                          or an ODBC connection string: any value holding = (DRIVER=...;Database=...)\n"
    "  -u DB_Userid            database user; overrides DBUser of the file\n"
    "  -p DB_Password          database password; overrides DBPw of the file (never shown)\n"
    "  -s MessageSet           message set to import into; overrides messageSet of the file\n"
    "  -r                      report only: run every check against the message set, change nothing\n"
    "  -v                      verbose progress lines\n"
    "  -t                      trace every routine\n"
    "  -d                      list the in-memory tables\n"
    "  -q                      quiet: only warnings, errors and the closing summary\n"
    "  --format json           after the run, one JSON document instead of the report: exit code, message\n"
    "                          set, report-only, rows added per table, items reused per kind, every error\n"
    "                          and warning (with file, line and column for errors in the definitions file)\n"
    "  -i                      accepted, no effect\n"
    "  --lock-timeout SECONDS  wait at most this long for another run changing the message set (0..86400,\n"
    "                          default 600)\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Exit codes: 0 success (also report only), 1 usage shown, 96 the file cannot be read, 200 errors in the\n"
    "command line or the file, or no message set named, 110 no such message set (or a name matching two\n"
    "that differ only in trailing blanks), 111 reconciliation or reference errors, 112 duplicate\n"
    "identifiers, 113 recursive types, 114 errors while writing (rolled back), 115 the message set stayed\n"
    "locked, 254 out of memory (rolled back), 255 no connection, 74 the report could not be written. The\n"
    "file format: docs/definitions-format.md.\n";

void walkCommandLine(Diagnostics& diag, RunOptions& options, int argc, const char* const* argv,
                     CommandLineValues& values) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-')
            continue;
        std::string text;
        LockTimeoutArgument taken = takeLockTimeoutArgument(argc, argv, i, values.lockTimeoutSeconds, text);
        if (taken == LockTimeoutArgument::invalid)
            diag.error(lockTimeoutErrorLine, text.c_str());
        if (taken != LockTimeoutArgument::none)
            continue;
        char letter = lowerLetter(argument[1]);
        if (letter == 'i')
            continue;
        if (int* sw = findSwitch(diag, options, letter)) {
            *sw = 1;
            continue;
        }
        const ValueOption* option = findValueOption(letter);
        if (option == nullptr) {
            diag.error("*****Error - unrecognized command line parameter %s\n", argument);
            continue;
        }
        if (std::strlen(argument) > 2)
            values.*option->value = argument + 2;
        else if (i + 1 < argc)
            values.*option->value = argv[++i];
        else
            diag.error("%s", option->missingMessage);
    }
    takeConnectionDefaults(values.databaseName, values.dbUserId, values.dbPassword);
}

bool quietRequested(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-')
            continue;
        char letter = lowerLetter(argument[1]);
        if (findValueOption(letter) != nullptr && argument[2] == '\0') {
            ++i; // the option's value
            continue;
        }
        if (letter == 'q')
            return true;
    }
    return false;
}

bool usageRequested(int argc, const char* const* argv, const CommandLineValues& values) {
    if (argc < 2)
        return true;
    const char* first = argv[1];
    if (first[0] == '?' || (first[0] != '\0' && first[1] == '?'))
        return true;
    return values.fileName.empty();
}

void printUsage(Diagnostics& diag, const char* programName) {
    diag.print("\nnorvakload V1.00\n");
    diag.print("\nCommand usage is:\n\n");
    diag.print(
        "  %s -i {-n ZEP_DB {-u DB_Userid {-p DB_Password}}} {-s MessageSet} -f <parmfile> {-r} {-v} {-t} {-d}\n\n",
        programName);
    diag.print("The database, DB Userid and Password are optional.  They can\n");
    diag.print("also be specified in the parameters file.  If they are\n");
    diag.print("specified on the command line, they will override any values\n");
    diag.print("found in the parameters file.  The -r (report only) switch\n");
    diag.print("will produce the report but not change the repository database.\n");
    diag.print("The -v (verbose), -t (trace) and -d (show table names) parameters\n");
    diag.print("are primarily for debugging purposes.\n");
    diag.out.flush();
}

void applyCommandLineValues(Diagnostics& diag, RunOptions& options, const CommandLineValues& values) {
    for (const ApplyRule& rule : applyRules) {
        const std::string& value = values.*rule.value;
        if (value.empty())
            continue;
        // A connection string is longer than any data source name.
        bool connection = rule.value == &CommandLineValues::databaseName && isConnectionString(value);
        if (value.size() > (connection ? longestConnectionString : rule.longest))
            diag.error("%s", rule.tooLongMessage);
        else
            options.*rule.setting = value;
    }
}

} // namespace norvak
