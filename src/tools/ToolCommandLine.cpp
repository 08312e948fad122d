// The command-line values the tools share: data source, credentials, schema and message set.
#include "tools/ToolCommandLine.h"

#include "support/ConnectionText.h"
#include "support/SqlNames.h"
#include "support/StringUtilities.h"

#include <cstring>

namespace norvak {

namespace {

bool isQuietArgument(const char* argument) {
    return std::strcmp(argument, "-q") == 0 || std::strcmp(argument, "-Q") == 0 ||
           std::strcmp(argument, "--quiet") == 0;
}

const ToolOption* optionOfLetter(std::span<const ToolOption> options, char letter) {
    if (letter >= 'A' && letter <= 'Z')
        letter = static_cast<char>(letter - 'A' + 'a');
    const ToolOption* option = nullptr;
    for (const ToolOption& candidate : options) {
        if (candidate.letter == letter)
            option = &candidate;
    }
    return option;
}

} // namespace

void walkToolCommandLine(Output& out, int& errSw, int argc, const char* const* argv,
                         std::span<const ToolOption> options, ToolOptions& values, bool takesLockTimeout,
                         bool takesQuiet) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-')
            continue;
        if (takesQuiet && isQuietArgument(argument)) {
            values.quiet = true;
            continue;
        }
        if (takesLockTimeout) {
            std::string text;
            LockTimeoutArgument taken = takeLockTimeoutArgument(argc, argv, i, values.lockTimeoutSeconds, text);
            if (taken == LockTimeoutArgument::invalid) {
                out.print(lockTimeoutErrorLine, text.c_str());
                out.flush();
                errSw = 1;
            }
            if (taken != LockTimeoutArgument::none)
                continue;
        }
        const ToolOption* option = optionOfLetter(options, argument[1]);
        if (option == nullptr) {
            out.print("*****Error - unrecognized command line parameter %s\n", argument);
            out.flush();
            errSw = 1;
            continue;
        }
        if (std::strlen(argument) > 2) {
            values.*option->value = argument + 2;
        } else if (i + 1 < argc) {
            values.*option->value = argv[++i];
        } else {
            out.print("%s", option->missingMessage);
            out.flush();
            errSw = 1;
        }
    }
    takeConnectionDefaults(values.dataSource, values.user, values.password);
    settleSchemaPrefix(out, errSw, values);
}

void settleSchemaPrefix(Output& out, int& errSw, ToolOptions& values) {
    std::string& schema = values.schemaPrefix;
    if (!schema.empty() && !isSchemaPrefix(schema)) {
        // The schema is pasted into every statement: only a plain name is
        // taken, and not one of the database system's own schemas.
        out.print("*****Error - schema name %s in -h parameter %s\n", schema.c_str(), schemaRefusal(schema));
        out.flush();
        errSw = 1;
        values.schemaRefused = true;
        schema.clear();
        return;
    }
    if (!schema.empty() && schema.back() != '.')
        schema += '.';
}

int connectTool(Output& out, DbSession& db, const ToolOptions& values) {
    int rc = db.connectToZEP(values.dataSource, values.user, values.password);
    if (rc != 0) {
        out.print("Unable to connect to ZEP database %s - exiting program\n", shownDataSource(values.dataSource).c_str());
        out.flush();
    }
    return rc;
}

bool toolQuietRequested(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-q") == 0 || std::strcmp(argv[i], "--quiet") == 0)
            return true;
    }
    return false;
}

bool walkedQuietRequested(int argc, const char* const* argv, std::span<const ToolOption> options) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-')
            continue;
        if (isQuietArgument(argument))
            return true;
        if (optionOfLetter(options, argument[1]) != nullptr && argument[2] == '\0')
            ++i; // the option's value
    }
    return false;
}

bool toolUsageRequested(int argc, const char* const* argv) {
    if (argc < 2)
        return true;
    const char* first = argv[1];
    return first[0] == '?' || (first[0] != '\0' && first[1] == '?');
}

} // namespace norvak
