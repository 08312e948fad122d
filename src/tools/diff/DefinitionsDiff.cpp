#include "tools/diff/DefinitionsDiff.h"

#include "import/driver/ImportDriver.h"
#include "import/driver/ScratchImport.h"
#include "import/reader/TextPreparation.h"
#include "import/repository/SetComparison.h"
#include "support/Diagnostics.h"
#include "support/OutputFile.h"
#include "support/ProgramInfo.h"
#include "support/StringUtilities.h"
#include "tools/StoredSetReading.h"
#include "tools/ToolCommandLine.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace norvak {

namespace {

// Longest text before the verdicts that the other lines are padded to.
constexpr std::size_t widestAlignedText = 64;

struct Counts {
    std::size_t breaking = 0;
    std::size_t compatible = 0;
    std::size_t applied = 0;
    std::size_t kept = 0;
    std::size_t refused = 0;
};

Counts countOf(const SetComparison& comparison) {
    Counts counts;
    for (const SetDifference& d : comparison.differences) {
        ++(d.breaking ? counts.breaking : counts.compatible);
        counts.applied += d.appliedByImport ? 1 : 0;
        counts.kept += d.keptByImport ? 1 : 0;
        counts.refused += d.refusedByImport ? 1 : 0;
    }
    return counts;
}

// A value as it reads on a line: in quotes when it is empty or holds blanks,
// quotes or control characters.
std::string shownValue(const std::string& value, bool present) {
    if (!present)
        return "(none)";
    bool plain = !value.empty() && std::none_of(value.begin(), value.end(), [](char c) {
        return c == ' ' || c == '"' || c == '\\' || static_cast<unsigned char>(c) < 32;
    });
    return plain ? value : displayQuoted(value);
}

std::string describe(const SetDifference& d) {
    std::string kind = d.kind;
    kind.resize(std::max<std::size_t>(kind.size(), 7), ' ');
    std::string text = std::string(1, d.change) + " " + kind + " " + d.identifier;
    if (!d.field.empty())
        text += "  " + d.field + " " + shownValue(d.oldValue, d.oldPresent) + " -> " +
                shownValue(d.newValue, d.newPresent);
    if (!d.note.empty())
        text += "  " + d.note;
    return text;
}

std::string summaryLine(const SetComparison& comparison) {
    Counts counts = countOf(comparison);
    std::size_t total = comparison.differences.size();
    char line[256];
    if (counts.refused > 0)
        std::snprintf(line, sizeof line,
                      "%zu difference%s: %zu breaking, %zu compatible; norvakload would refuse the file over %zu of "
                      "them\n",
                      total, total == 1 ? "" : "s", counts.breaking, counts.compatible, counts.refused);
    else
        std::snprintf(line, sizeof line,
                      "%zu difference%s: %zu breaking, %zu compatible; norvakload would apply %zu of them and keep "
                      "%zu as stored\n",
                      total, total == 1 ? "" : "s", counts.breaking, counts.compatible, counts.applied, counts.kept);
    return line;
}

// The characters of a UTF-8 text, for columns that line up on a terminal.
std::size_t characters(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string textReport(const SetComparison& comparison) {
    std::vector<std::string> texts;
    std::size_t width = 0;
    for (const SetDifference& d : comparison.differences) {
        texts.push_back(describe(d));
        if (characters(texts.back()) <= widestAlignedText)
            width = std::max(width, characters(texts.back()));
    }
    std::string report;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string line = texts[i];
        line.append(width - std::min(width, characters(line)), ' ');
        report += line + "  " + verdictText(comparison.differences[i], comparison.formats) + "\n";
    }
    return report + summaryLine(comparison);
}

std::string jsonReport(const SetComparison& comparison, int exitCode) {
    using Json = nlohmann::ordered_json;
    Json differences = Json::array();
    for (const SetDifference& d : comparison.differences) {
        Json verdicts = Json::object();
        for (const FormatVerdict& v : d.verdicts)
            verdicts[v.format] = v.breaking ? "breaking" : "compatible";
        Json entry = {
            {"change", d.change == '+' ? "added" : d.change == '-' ? "removed" : "changed"},
            {"kind", d.kind},
            {"identifier", d.identifier},
            {"field", d.field.empty() ? Json() : Json(d.field)},
            {"old", d.field.empty() || !d.oldPresent ? Json() : Json(d.oldValue)},
            {"new", d.field.empty() || !d.newPresent ? Json() : Json(d.newValue)},
            {"note", d.note.empty() ? Json() : Json(d.note)},
            {"verdicts", verdicts},
            {"breaking", d.breaking},
            {"appliedByImport", d.appliedByImport},
            {"keptByImport", d.keptByImport},
            {"refusedByImport", d.refusedByImport},
        };
        differences.push_back(std::move(entry));
    }
    Counts counts = countOf(comparison);
    Json document = {
        {"formats", comparison.formats},
        {"differences", differences},
        {"summary",
         {{"differences", comparison.differences.size()},
          {"breaking", counts.breaking},
          {"compatible", counts.compatible},
          {"appliedByImport", counts.applied},
          {"keptByImport", counts.kept},
          {"refusedByImport", counts.refused},
          {"importRefused", counts.refused > 0}}},
        {"exitCode", exitCode},
    };
    // Texts of the repository that are not UTF-8 are shown with a
    // replacement character rather than stopping the report.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

// A definitions file imported into a message set of its own; reports and
// sets `exitCode` when it cannot be.
std::optional<StoredMessageSet> importedRows(Output& report, const std::string& fileName, const std::string& setName,
                                             const StoredMessageSet* configuration, int& exitCode) {
    Output reading;
    reading.setQuiet(true);
    Diagnostics readingDiagnostics(reading);
    std::optional<std::string> text = readFileData(readingDiagnostics, fileName);
    if (!text) {
        report.print("%s", reading.text().c_str());
        report.print("*****Error - unable to read definitions file %s\n", fileName.c_str());
        exitCode = diffUnreadableFile;
        return std::nullopt;
    }
    ScratchImport scratch = importIntoScratch(*text, fileName, setName, configuration);
    if (!scratch.imported) {
        report.print("%s", scratch.report.c_str());
        if (scratch.exitCode == exitConnectRefused) {
            report.print("*****Error - the definitions of %s could not be imported into a repository held in "
                         "memory (is the embedded database's ODBC driver installed?)\n",
                         fileName.c_str());
            exitCode = diffDatabaseError;
        } else {
            report.print("*****Error - %s has errors the import would refuse it for (exit code %d) - nothing was "
                         "compared\n",
                         fileName.c_str(), scratch.exitCode);
            exitCode = diffDefinitionErrors;
        }
        return std::nullopt;
    }
    return std::move(scratch.rows);
}

} // namespace

const char* const norvakdiffHelp =
    "Usage: norvakdiff -n ZEP_Database_Name {-u DB_Userid} {-p DB_Password} {-h Schema_name}\n"
    "                  -s MessageSet -f File {--format json}\n"
    "       norvakdiff --against Old_File -f New_File {--format json}\n"
    "\n"
    "Shows what the definitions of File would change in a stored message set (or, with --against,\n"
    "what New_File changes against Old_File, with no database), and whether each change breaks a\n"
    "wire format of the set. The file is imported the way norvakload does it, into a repository\n"
    "held in memory, and its rows are compared with the stored set's (or with those Old_File makes\n"
    "the same way); the repository itself is only read.\n"
    "\n"
    "One line per difference (+ added, - removed, ~ changed): messages, types with their members,\n"
    "elements, values, wire-format tabs; then a line with the counts and how many of them norvakload\n"
    "would apply (items the set does not hold) and keep as stored (items it holds), or over how many\n"
    "it would refuse the file.\n"
    "\n"
    "Options:\n"
    "  -n ZEP_Database_Name    ODBC data source of the repository\n"
    "  -u DB_Userid            database user\n"
    "  -p DB_Password          database password (never shown)\n"
    "  -h Schema_name          schema of the repository tables (an SQL identifier)\n"
    "  -s MessageSet           the message set to compare with\n"
    "  -f File                 the definitions file (required)\n"
    "  --against Old_File      compare with another definitions file instead of a message set\n"
    "  --format json|text      the differences as one JSON document, or as lines (the default)\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Exit codes: 0 no difference, 1 only compatible differences, 2 at least one breaking difference,\n"
    "3 usage shown, 4 command line mistake, 5 a file could not be read, 6 a file has errors the\n"
    "import would refuse, 7 no such message set, 8 database error, 9 output not written.\n";

int runDefinitionsDiff(Output& report, int argc, const char* const* argv) {
    Diagnostics diagnostics(report);
    int& errSw = diagnostics.errSw;

    std::vector<const char*> arguments(argv, argv + argc);
    std::string format;
    if (!takeFormatOption(arguments, format)) {
        report.print("*****Error - unknown output format %s (use json or text)\n", format.c_str());
        return diffCommandLine;
    }
    std::optional<std::string> against;
    for (std::size_t i = 1; i < arguments.size();) {
        const char* argument = arguments[i];
        std::size_t taken = 0;
        if (std::strcmp(argument, "--against") == 0) {
            // An option after it is not its value ("--against -f new.xml").
            bool valued = i + 1 < arguments.size() && arguments[i + 1][0] != '-';
            taken = valued ? 2 : 1;
            against = valued ? arguments[i + 1] : "";
        } else if (std::strncmp(argument, "--against=", 10) == 0) {
            taken = 1;
            against = argument + 10;
        }
        if (taken == 0) {
            ++i;
            continue;
        }
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.begin() + static_cast<std::ptrdiff_t>(i + taken));
    }
    if (toolUsageRequested(argc, argv)) {
        report.print("%s", norvakdiffHelp);
        return diffUsage;
    }
    static constexpr ToolOption options[] = {
        dataSourceOption,
        userOption,
        passwordOption,
        schemaOption,
        messageSetOption,
        {'f', &ToolOptions::inputFile, "*****Error - definitions file missing from -f parameter\n"},
    };
    ToolOptions values;
    walkToolCommandLine(report, errSw, static_cast<int>(arguments.size()), arguments.data(), options, values);
    if (!errSw && against && against->empty()) {
        report.print("*****Error - old definitions file missing from --against parameter\n");
        errSw = 1;
    }
    if (!errSw && values.inputFile.empty()) {
        report.print("*****Error - no definitions file: give it with -f\n");
        errSw = 1;
    }
    if (!errSw && !against && values.dataSource.empty()) {
        report.print("*****Error - no data source: give it with -n (or compare with a file: --against OLD_FILE)\n");
        errSw = 1;
    }
    if (!errSw && !against && values.messageSet.empty()) {
        report.print("*****Error - no message set: give it with -s\n");
        errSw = 1;
    }
    if (!errSw && against && (!values.dataSource.empty() || !values.messageSet.empty())) {
        report.print("*****Error - --against compares two files: -n and -s are not taken with it\n");
        errSw = 1;
    }
    if (errSw)
        return diffCommandLine;

    int exitCode = diffNone;
    std::optional<StoredMessageSet> oldSide;
    if (against) {
        oldSide = importedRows(report, *against, "", nullptr, exitCode);
    } else {
        oldSide.emplace();
        switch (readStoredSet(diagnostics, values, *oldSide, false, "norvakdiff")) {
        case StoredSetRead::read:
            break;
        case StoredSetRead::notConnected:
            return diffDatabaseError;
        case StoredSetRead::noMessageSet:
            report.print("*****Error - message set %s not found - nothing was compared\n", values.messageSet.c_str());
            return diffNoMessageSet;
        case StoredSetRead::databaseError:
            report.print("*****Error - reading message set %s failed - nothing was compared\n",
                         values.messageSet.c_str());
            return diffDatabaseError;
        }
    }
    if (!oldSide)
        return exitCode;
    std::optional<StoredMessageSet> newSide =
        importedRows(report, values.inputFile, against ? std::string() : values.messageSet, &*oldSide, exitCode);
    if (!newSide)
        return exitCode;

    SetComparison comparison = compareMessageSets(*oldSide, *newSide);
    Counts counts = countOf(comparison);
    exitCode = counts.breaking > 0 ? diffBreaking : comparison.differences.empty() ? diffNone : diffCompatible;
    std::string text = format == "json" ? jsonReport(comparison, exitCode) : textReport(comparison);
    std::string failure;
    if (!writeStandardOutput(text, failure)) {
        report.print("*****Error - the differences could not be written to standard output: %s\n", failure.c_str());
        return diffNotWritten;
    }
    if (against)
        report.print("Compared %s with %s\n", values.inputFile.c_str(), against->c_str());
    else
        report.print("Compared %s with message set %s of %s\n", values.inputFile.c_str(), values.messageSet.c_str(),
                     values.dataSource.c_str());
    return exitCode;
}

} // namespace norvak
