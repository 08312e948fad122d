// norvakdiff's run: a definitions file compared with a message set or another file.
#include "tools/common/ScratchImportFailure.h"
#include "tools/diff/DefinitionsDiff.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/JsonEnvelope.h"
#include "dbsession/ServerEncoding.h"
#include "dbsession/Transaction.h"
#include "import/driver/ImportDriver.h"
#include "import/driver/ScratchImport.h"
#include "import/reader/TextPreparation.h"
#include "import/repository/SetComparison.h"
#include "support/ConnectionText.h"
#include "support/Diagnostics.h"
#include "support/JsonText.h"
#include "support/OutputFile.h"
#include "support/ProgramInfo.h"
#include "support/StringUtilities.h"
#include "support/Utf8Text.h"
#include "tools/StoredSetReading.h"
#include "tools/ToolCommandLine.h"
#include "tools/common/ModelledSetSource.h"
#include "tools/common/OptionParser.h"

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

} // namespace

std::string differenceText(const SetDifference& d) {
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

namespace {

// `refusedTexts`: texts of the file the repository's encoding does not take,
// which make the import fail as well.
std::string summaryLine(const SetComparison& comparison, std::size_t refusedTexts) {
    Counts counts = countOf(comparison);
    std::size_t total = comparison.differences.size();
    char line[320];
    std::string overTexts = refusedTexts == 0 ? std::string()
                                              : formatText("%zu text%s not valid in the repository's encoding",
                                                           refusedTexts, refusedTexts == 1 ? "" : "s");
    if (counts.refused > 0 && refusedTexts > 0)
        std::snprintf(line, sizeof line,
                      "%zu difference%s: %zu breaking, %zu compatible; norvakload would refuse the file over %zu of "
                      "them and over %s\n",
                      total, total == 1 ? "" : "s", counts.breaking, counts.compatible, counts.refused,
                      overTexts.c_str());
    else if (refusedTexts > 0)
        std::snprintf(line, sizeof line,
                      "%zu difference%s: %zu breaking, %zu compatible; norvakload would refuse the file over %s\n",
                      total, total == 1 ? "" : "s", counts.breaking, counts.compatible, overTexts.c_str());
    else if (counts.refused > 0)
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

} // namespace

std::string differenceLines(const SetComparison& comparison) {
    std::vector<std::string> texts;
    std::size_t width = 0;
    for (const SetDifference& d : comparison.differences) {
        texts.push_back(differenceText(d));
        if (characters(texts.back()) <= widestAlignedText)
            width = std::max(width, characters(texts.back()));
    }
    std::string report;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string line = texts[i];
        line.append(width - std::min(width, characters(line)), ' ');
        report += line + "  " + verdictText(comparison.differences[i], comparison.formats) + "\n";
    }
    return report;
}

namespace {

std::string textReport(const SetComparison& comparison, std::size_t refusedTexts) {
    return differenceLines(comparison) + summaryLine(comparison, refusedTexts);
}

// A definitions file imported into a message set of its own; reports and
// sets `exitCode` when it cannot be.
std::optional<StoredMessageSet> importedRows(Output& report, const std::string& fileName, const std::string& setName,
                                             const StoredMessageSet* configuration, int& exitCode) {
    std::optional<std::string> text = readDefinitionsText(report, fileName, "");
    if (!text) {
        exitCode = diffUnreadableFile;
        return std::nullopt;
    }
    ScratchImport scratch = importIntoScratch(std::move(*text), fileName, setName, configuration);
    if (!scratch.imported) {
        exitCode = reportScratchImportFailure(report, fileName, scratch, "compared") ? diffDatabaseError
                                                                                     : diffDefinitionErrors;
        return std::nullopt;
    }
    return std::move(scratch.rows);
}

// A text for a warning line: as displayQuoted() writes it, and every byte
// that is no part of a well-formed UTF-8 character as \xNN too, so that
// the bytes the database refuses can be read.
std::string shownBytes(const std::string& text) {
    std::string shown = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        std::size_t length = utf8CharacterLength(text, at);
        if (c == '"' || c == '\\') {
            shown += '\\';
            shown += static_cast<char>(c);
        } else if (c < 32 || (length == 1 && c >= 0x80)) {
            shown += formatText("\\x%02X", static_cast<unsigned>(c));
        } else {
            shown.append(text, at, length);
        }
        at += length;
    }
    return shown + '"';
}

// The warning line of a check of the file's texts on the repository; the
// number of texts it refuses.
std::size_t warnOfRefusedTexts(Output& report, const std::string& file, const ServerEncodingCheck& check) {
    if (!check.failure.empty()) {
        report.print("*****Warning - the texts of %s could not be checked against the repository's encoding (%s)\n",
                     file.c_str(), check.failure.c_str());
        return 0;
    }
    const std::size_t count = check.refused.size();
    if (count == 0)
        return 0;
    constexpr std::size_t shown = 3;
    std::string examples;
    for (std::size_t i = 0; i < count && i < shown; ++i)
        examples += (i > 0 ? ", " : "") + shownBytes(check.refused[i]);
    if (count > shown)
        examples += formatText(" and %zu more", count - shown);
    report.print("*****Warning - %zu text%s of %s %s not valid in the repository's encoding (server %s, client %s) "
                 "and would be refused by the database, so norvakload would refuse the file: %s\n",
                 count, count == 1 ? "" : "s", file.c_str(), count == 1 ? "is" : "are", check.serverEncoding.c_str(),
                 check.clientEncoding.c_str(), examples.c_str());
    return count;
}

// On a PostgreSQL repository, the texts the import of the file would write
// that the server would refuse (bytes not valid in its encoding, or with no
// equivalent in it): said in a warning line, and counted. Texts of ASCII
// alone, and any other database, need no look.
std::size_t textsTheRepositoryRefuses(Output& report, const ToolOptions& values, const StoredMessageSet& stored,
                                      const StoredMessageSet& rows) {
    std::vector<std::string> texts = textsTheImportWrites(stored, rows);
    if (std::all_of(texts.begin(), texts.end(), [](const std::string& text) {
            return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 128; });
        }))
        return 0;
    // A connection as the import's (psqlODBC with its settings), whose lines are not shown.
    Output quiet;
    Diagnostics diagnostics(quiet);
    DbSession db(diagnostics, SessionVariant::import);
    ServerEncodingCheck check;
    if (db.connectToZEP(values.dataSource, values.user, values.password) != 0) {
        check.failure = "the connection failed";
    } else {
        Transaction nothingWritten(db);
        check = checkTextsWithServer(db, texts);
        nothingWritten.rollback();
    }
    db.close("main");
    return warnOfRefusedTexts(report, values.inputFile, check);
}

} // namespace

nlohmann::ordered_json diffOwnMembers(const SetComparison& comparison, std::size_t refusedTexts) {
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
    return {
        {"formats", comparison.formats},
        {"differences", differences},
        {"summary",
         {{"differences", comparison.differences.size()},
          {"breaking", counts.breaking},
          {"compatible", counts.compatible},
          {"appliedByImport", counts.applied},
          {"keptByImport", counts.kept},
          {"refusedByImport", counts.refused},
          {"importRefused", counts.refused > 0 || refusedTexts > 0}}},
    };
}

std::string diffReportJson(const SetComparison& comparison, int exitCode, std::size_t refusedTexts) {
    // Texts that are not UTF-8 (of the repository or of a file) are written
    // as every program writes them, never stopping the report.
    Output noReport;
    return jsonDocument("norvakdiff", exitCode, noReport, diffOwnMembers(comparison, refusedTexts));
}

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
    "  -n, --data-source NAME  ODBC data source of the repository\n"
    "                          or an ODBC connection string: any value holding = (DRIVER=...;Database=...)\n"
    "  -u, --user USER         database user\n"
    "  -p, --password PASSWORD database password (never shown)\n"
    "  -h, --schema SCHEMA     schema of the repository tables (an SQL identifier)\n"
    "  -s, --message-set NAME  the message set to compare with\n"
    "  -f, --file FILE         the definitions file (required)\n"
    "  --against Old_File      compare with another definitions file instead of a message set\n"
    "  --format json|text      the differences with the run's errors and warnings as one JSON document on\n"
    "                          standard output, whatever the outcome; or as lines (the default)\n"
    "  -q, --quiet             on standard error only warnings, errors and the closing line\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Options are taken by their exact names; a value is the next argument (-f File, never -fFile) or\n"
    "follows = in a long form (--file=File). - as a File is standard input (for one of the two files).\n"
    "Any other argument is a mistake.\n"
    "\n"
    "Exit codes: 0 no difference, 1 only compatible differences, 2 at least one breaking difference,\n"
    "3 usage shown, 4 command line mistake, 5 a file could not be read, 6 a file has errors the\n"
    "import would refuse, 7 no such message set, 8 database error, 9 output not written.\n";

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
int runDefinitionsDiff(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own) {
    Diagnostics diagnostics(report);
    int& errSw = diagnostics.errSw;

    if (toolUsageRequested(argc, argv)) {
        report.print("%s", norvakdiffHelp);
        return diffUsage;
    }
    static constexpr OptionSpec options[] = {
        dataSourceSpec, userSpec, passwordSpec, schemaSpec, messageSetSpec,
        definitionsFileSpec,
        {.name = "against",
         .value = &ToolOptions::againstFile,
         .missingMessage = "*****Error - old definitions file missing from --against parameter\n",
         .emptyIsMissing = true},
        quietSpec,
    };
    ToolOptions values;
    if (!parseToolOptions(report, argc, argv, options, values))
        errSw = 1;
    report.setQuiet(values.quiet);
    std::optional<std::string> against;
    if (!values.againstFile.empty())
        against = values.againstFile;
    // Two files are compared with no database: the environment's data source is not one of them.
    if (!against)
        takeConnectionDefaults(values.dataSource, values.user, values.password);
    if (!errSw && against && *against == "-" && values.inputFile == "-") {
        report.print("*****Error - standard input holds one file: give -f or --against another file\n");
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
    std::optional<StoredMessageSet> newSide;
    if (against) {
        oldSide = importedRows(report, *against, "", nullptr, exitCode);
    } else {
        oldSide.emplace();
        // The file is imported into memory from the set's configuration
        // before the set's items are read: the two are not held at once
        // while it is.
        auto importFile = [&](const StoredMessageSet& configuration) {
            newSide = importedRows(report, values.inputFile, values.messageSet, &configuration, exitCode);
            return newSide.has_value();
        };
        switch (readStoredSet(diagnostics, values, *oldSide, false, "norvakdiff", importFile)) {
        case StoredSetRead::read:
            break;
        case StoredSetRead::stopped:
            return exitCode;
        case StoredSetRead::notConnected:
            return diffDatabaseError;
        case StoredSetRead::noMessageSet:
            report.print("*****Error - message set %s not found - nothing was compared\n", values.messageSet.c_str());
            report.print("%s\n", missingMessageSetStep(values.dataSource, values.messageSet).c_str());
            return diffNoMessageSet;
        case StoredSetRead::databaseError:
            report.print("*****Error - reading message set %s failed - nothing was compared\n",
                         values.messageSet.c_str());
            return diffDatabaseError;
        }
    }
    if (!oldSide)
        return exitCode;
    if (against)
        newSide = importedRows(report, values.inputFile, std::string(), &*oldSide, exitCode);
    if (!newSide)
        return exitCode;

    SetComparison comparison = compareMessageSets(*oldSide, *newSide);
    Counts counts = countOf(comparison);
    exitCode = counts.breaking > 0 ? diffBreaking : comparison.differences.empty() ? diffNone : diffCompatible;
    std::size_t refusedTexts = against ? 0 : textsTheRepositoryRefuses(report, values, *oldSide, *newSide);
    std::string failure;
    if (own != nullptr) {
        *own = diffOwnMembers(comparison, refusedTexts); // the document is written at the end of the run
    } else if (!writeStandardOutput(textReport(comparison, refusedTexts), failure)) {
        report.print("*****Error - the differences could not be written to standard output: %s\n", failure.c_str());
        return diffNotWritten;
    }
    if (against)
        report.printImportant("Compared %s with %s\n", values.inputFile.c_str(), against->c_str());
    else
        report.printImportant("Compared %s with message set %s of %s\n", values.inputFile.c_str(), values.messageSet.c_str(),
                     shownDataSource(values.dataSource).c_str());
    return exitCode;
}

} // namespace norvak
