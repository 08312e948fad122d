// norvakexport: its command line, the reading of the message set and the writing of the file or canonical rows.
#include "tools/export/MessageSetExport.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/RepositorySchema.h"
#include "dbsession/Transaction.h"
#include "support/OutputFile.h"
#include "support/Progress.h"
#include "support/StringUtilities.h"
#include "tools/ToolCommandLine.h"
#include "tools/common/OptionParser.h"
#include "tools/export/CanonicalRows.h"
#include "tools/export/DefinitionsExport.h"
#include "tools/StoredSetReading.h"
#include "setmodel/StoredMessageSet.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace norvak {

namespace {

void printUsage(Output& out) {
    out.print("%s", norvakexportHelp);
}

} // namespace

const char* const norvakexportHelp =
    "Usage: norvakexport -n ZEP_Database_Name {-u DB_Userid} {-p DB_Password} {-h Schema_name}\n"
    "                    -s MessageSet {-o File} {--canonical} {-q} {--format json}\n"
    "\n"
    "Writes a message set as a definitions file that norvakload reads.\n"
    "\n"
    "Options:\n"
    "  -n, --data-source NAME  ODBC data source of the repository (required)\n"
    "                          or an ODBC connection string: any value holding = (DRIVER=...;Database=...)\n"
    "  -u, --user USER         database user\n"
    "  -p, --password PASSWORD database password (never shown)\n"
    "  -h, --schema SCHEMA     schema of the repository tables (an SQL identifier)\n"
    "  -s, --message-set NAME  the message set to export (required)\n"
    "  -o, --output FILE       write to File (replaced whole, or left as it was when the export fails);\n"
    "                          standard output without -o\n"
    "  --canonical             write the message set's rows in canonical form instead: one sorted line per\n"
    "                          row, ids, dates and uuids replaced by what they stand for, so that two\n"
    "                          message sets holding the same definitions give the same lines\n"
    "  -q, --quiet             on standard error only warnings, errors and the closing line\n"
    "  --format json|text      the run as one JSON document on standard output (then -o File is needed),\n"
    "                          or as lines on standard error (the default)\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Options are taken by their exact names; a value is the next argument (-o File, never -oFile) or\n"
    "follows = in a long form (--output=File). - as File is standard output. Any other argument is a\n"
    "mistake.\n"
    "\n"
    "Exit codes: 0 exported exactly, 1 usage shown, 2 command line mistake, 3 no such message set,\n"
    "4 database error, 5 output not written, 6 exported with omissions (listed on standard error).\n";

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
int runMessageSetExport(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own) {
    Diagnostics diagnostics(report);
    int& errSw = diagnostics.errSw;

    static constexpr OptionSpec options[] = {
        dataSourceSpec, userSpec, passwordSpec, schemaSpec, messageSetSpec,
        outputSpec,
        {.name = "canonical", .flag = &ToolOptions::canonical},
        quietSpec,
    };
    if (toolUsageRequested(argc, argv)) {
        printUsage(report);
        return exportUsage;
    }
    ToolOptions values;
    if (!parseToolOptions(report, argc, argv, options, values))
        errSw = 1;
    takeConnectionDefaults(values.dataSource, values.user, values.password);
    report.setQuiet(values.quiet);
    const bool canonical = values.canonical;
    if (values.outputFile == "-")
        values.outputFile.clear(); // standard output
    if (!errSw && values.dataSource.empty()) {
        report.print("*****Error - no data source: give it with -n\n");
        errSw = 1;
    }
    if (!errSw && values.messageSet.empty()) {
        report.print("*****Error - no message set: give it with -s\n");
        errSw = 1;
    }
    if (!errSw && own != nullptr && values.outputFile.empty()) {
        report.print("*****Error - with --format json the document goes to standard output: give the file with -o\n");
        errSw = 1;
    }
    if (errSw)
        return exportCommandLine;
    if (own != nullptr) {
        (*own)["messageSet"] = values.messageSet;
        (*own)["output"] = values.outputFile;
        (*own)["canonical"] = canonical;
    }

    StoredMessageSet set;
    CanonicalRows canonicalLines; // made as the set is read
    if (canonical)
        set.attributeSink = [&](const StoredAttribute& row, bool ofMember) {
            canonicalLines.addAttribute(set, row, ofMember);
        };
    int exitCode = exportExact;
    switch (readStoredSet(diagnostics, values, set, canonical, "norvakexport")) {
    case StoredSetRead::read:
        break;
    case StoredSetRead::notConnected:
        return exportDatabaseError;
    case StoredSetRead::noMessageSet:
        report.print("*****Error - message set %s not found - nothing was written\n", values.messageSet.c_str());
        report.print("%s\n", missingMessageSetStep(values.dataSource, values.messageSet).c_str());
        exitCode = exportNoMessageSet;
        break;
    case StoredSetRead::databaseError:
    case StoredSetRead::stopped: // no step before the items: not met
        exitCode = exportDatabaseError;
        break;
    }
    if (exitCode == exportDatabaseError)
        report.print("*****Error - reading message set %s failed - nothing was written\n", values.messageSet.c_str());
    if (exitCode != exportExact)
        return exitCode;

    const std::size_t tabs = static_cast<std::size_t>(
        std::count_if(set.pluginMembers.begin(), set.pluginMembers.end(), [](const StoredPluginMember& member) {
            return member.pluginKey == pluginCwfTab || member.pluginKey == pluginTdsTab ||
                   member.pluginKey == pluginXmlTab;
        }));
    const std::string summary =
        formatText("Exported message set %s: %zu types, %zu elements, %zu values, %zu messages, %zu wire formats%s\n",
                   set.name.c_str(), set.types.size(), set.elements.size(), set.values.size(), set.messages.size(),
                   tabs, canonical ? " (canonical rows)" : "");
    if (own != nullptr)
        (*own)["exported"] = {{"types", set.types.size()},   {"elements", set.elements.size()},
                              {"values", set.values.size()}, {"messages", set.messages.size()},
                              {"wireFormats", tabs}};

    // Through the one routine every -o goes through (support/OutputFile.h).
    std::string failure;
    DefinitionsExport exported;
    bool written = false;
    if (canonical) {
        canonicalLines.addTables(set); // the set's tables emptied as their rows are taken
        OutputFile output;
        written = output.open(values.outputFile, failure) && canonicalLines.writeTo(output, failure);
    } else {
        exported = exportDefinitions(set);
        set = StoredMessageSet();
        written = writeOutputFile(values.outputFile, exported.text, failure);
    }
    if (!written) {
        report.print("*****Error - the export could not be written to %s: %s\n",
                     values.outputFile.empty() ? "standard output" : values.outputFile.c_str(), failure.c_str());
        return exportNotWritten;
    }

    for (const auto& [kind, rows] : exported.omissions)
        report.print("*****Warning - not exported: %ld %s\n", rows, kind.c_str());
    if (own != nullptr) {
        nlohmann::ordered_json omissions = nlohmann::ordered_json::array();
        for (const auto& [kind, rows] : exported.omissions)
            omissions.push_back({{"kind", kind}, {"rows", rows}});
        (*own)["omissions"] = std::move(omissions);
    }
    report.printImportant("%s", summary.c_str());
    return exported.omissions.empty() ? exportExact : exportOmissions;
}

} // namespace norvak
