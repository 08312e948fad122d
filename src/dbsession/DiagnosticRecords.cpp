// The diagnostic records of ODBC handles, and the lines that explain a failed connection or statement.
#include "dbsession/DiagnosticRecords.h"

#include "support/ConnectionText.h"
#include "support/PasswordMask.h"

#include <algorithm>
#include <vector>

namespace norvak {

namespace {

// Reads record `number`; the result of the read (SQL_NO_DATA when there is none).
SQLRETURN readRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number, DiagnosticRecord& record) {
    SQLCHAR state[8] = {};
    std::vector<SQLCHAR> message(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, number, state, &record.native, message.data(),
                                 static_cast<SQLSMALLINT>(message.size()), &length);
    if (!SQL_SUCCEEDED(rc))
        return rc;
    if (length >= static_cast<SQLSMALLINT>(message.size())) {
        // Longer than the buffer: read again whole.
        message.resize(static_cast<std::size_t>(length) + 1);
        rc = SQLGetDiagRec(handleType, handle, number, state, &record.native, message.data(),
                           static_cast<SQLSMALLINT>(message.size()), &length);
        if (!SQL_SUCCEEDED(rc))
            return rc;
    }
    record.state = reinterpret_cast<const char*>(state);
    record.text = reinterpret_cast<const char*>(message.data());
    // One line: the server's messages may hold line ends and tabs.
    std::replace_if(
        record.text.begin(), record.text.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    while (!record.text.empty() && record.text.back() == ' ')
        record.text.pop_back();
    return rc;
}

// SQLite's result code of a database file it cannot open.
constexpr SQLINTEGER sqliteCantOpen = 14;

// What is taken from a record's text into the next step.
enum class Detail {
    none,
    libraryName,  // the name in lib '...'
    databaseName, // the name in database "..."
    databaseFile, // the SQLite database file of the data source
};

// A failure recognised by its SQLSTATE or by words of the driver's message,
// and the next step shown for it. In a step, {source} stands for the data
// source as a command line takes it, {detail} for what the record names, and
// {entry} and {entry of source} for where its settings are written: the data
// source's entry in an odbc.ini file, or the connection string given.
struct KnownFailure {
    std::vector<std::string> states;
    std::vector<std::string> words;
    Detail detail;
    std::string step;
    SQLINTEGER sqliteCode = 0; // or the SQLite result code of a record of the SQLite driver
};

const std::vector<KnownFailure>& knownFailures() {
    static const std::vector<KnownFailure> failures = {
        {{},
         {"Can't open lib"},
         Detail::libraryName,
         "  the driver library {detail} that data source {source} names is missing: install the driver's package, "
         "or correct Driver= in {entry}"},
        {{"28P01", "28000"},
         {"password authentication failed", "no password supplied", "authentication failed", "role \""},
         Detail::none,
         "  the server refused the user or its password: give them with -u and -p, or as UID= and PWD= in "
         "{entry of source}"},
        {{"3D000"},
         {"does not exist"},
         Detail::databaseName,
         "  the database {detail} does not exist on the server of data source {source}: create it with createdb "
         "{detail}, then the repository in it with norvakinit -n {source}"},
        {{},
         {"Connection refused", "could not connect to server", "could not translate host name", "No route to host",
          "timeout expired"},
         Detail::none,
         "  no database server answers where data source {source} points: start the server, or correct "
         "Servername= and Port= in {entry}"},
        {{},
         {"unable to open database file"},
         Detail::databaseFile,
         "  the SQLite database file {detail} of data source {source} cannot be opened: make sure its folder "
         "exists and may be written, or correct Database= in {entry}; then create the repository "
         "with norvakinit -n {source}",
         sqliteCantOpen},
        {{"42P01"},
         {"no such table"},
         Detail::none,
         "  the repository tables are missing in data source {source}: create them with norvakinit -n {source}"},
    };
    return failures;
}

const std::string missingSetStep = "  create it with norvakinit -n {source} -s {set}";
const std::string unknownDataSourcePrefix = "  data source ";
const std::string driverPrefix = "  the driver said: ";

// The text between `open` and the next `close` after it, or "".
std::string enclosed(const std::string& text, const std::string& open, char close) {
    std::size_t begin = text.find(open);
    if (begin == std::string::npos)
        return {};
    begin += open.size();
    std::size_t end = text.find(close, begin);
    return end == std::string::npos ? std::string() : text.substr(begin, end - begin);
}

std::string detailOf(const DiagnosticRecord& record, Detail detail, const FailurePlace& place) {
    switch (detail) {
    case Detail::libraryName:
        return enclosed(record.text, "lib '", '\'');
    case Detail::databaseFile:
        return place.databaseFile.empty() ? "(Database= of the entry)" : place.databaseFile;
    case Detail::databaseName:
        return enclosed(record.text, "database \"", '"');
    case Detail::none:
        break;
    }
    return {};
}

bool matches(const KnownFailure& failure, const DiagnosticRecord& record) {
    bool byState = std::find(failure.states.begin(), failure.states.end(), record.state) != failure.states.end();
    bool byWords = std::any_of(failure.words.begin(), failure.words.end(),
                               [&](const std::string& words) { return record.text.find(words) != std::string::npos; });
    bool byCode = failure.sqliteCode != 0 && record.native == failure.sqliteCode &&
                  record.text.find("[SQLite]") != std::string::npos;
    return byState || byWords || byCode;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty())
        return;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The step of the first known failure among the records, or "".
std::string nextStep(const std::vector<DiagnosticRecord>& records, const FailurePlace& place) {
    for (const KnownFailure& failure : knownFailures())
        for (const DiagnosticRecord& record : records) {
            if (!matches(failure, record))
                continue;
            std::string detail = detailOf(record, failure.detail, place);
            if (failure.detail != Detail::none && detail.empty())
                continue; // not the failure it looked like
            std::string step = failure.step;
            bool given = isConnectionString(place.dataSource);
            replaceAll(step, "{entry of source}",
                       given ? "the connection string" : "the entry of data source " + place.dataSource);
            replaceAll(step, "{entry}", given ? "the connection string" : "the data source's entry");
            replaceAll(step, "{detail}", detail);
            replaceAll(step, "{source}", commandLineDataSource(place.dataSource));
            return step;
        }
    return {};
}

// The fixed start of a line made from `step`.
std::string_view stepPrefix(const std::string& step) {
    return std::string_view(step).substr(0, step.find('{'));
}

} // namespace

std::vector<DiagnosticRecord> diagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle, SQLRETURN* firstRead) {
    std::vector<DiagnosticRecord> records;
    SQLRETURN rc = SQL_INVALID_HANDLE;
    if (handle != SQL_NULL_HANDLE) {
        DiagnosticRecord record;
        rc = readRecord(handleType, handle, 1, record);
        for (SQLSMALLINT number = 2; SQL_SUCCEEDED(rc) && number <= 100; ++number) {
            records.push_back(record);
            if (!SQL_SUCCEEDED(readRecord(handleType, handle, number, record)))
                break;
        }
    }
    if (firstRead != nullptr)
        *firstRead = rc;
    return records;
}

std::string firstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<DiagnosticRecord> records = diagnosticRecords(handleType, handle);
    if (records.empty())
        return "no diagnostic";
    return records.front().state + " " + records.front().text;
}

std::vector<std::string> failureExplanation(const std::vector<DiagnosticRecord>& records, const FailurePlace& place) {
    std::vector<std::string> lines;
    for (const DiagnosticRecord& record : records) {
        std::string text = record.text;
        replaceAll(text, place.password, maskedPassword(place.password));
        lines.push_back(driverPrefix + "[" + record.state + "] " + text);
    }
    if (std::string step = nextStep(records, place); !step.empty())
        lines.push_back(step);
    return lines;
}

std::string missingMessageSetStep(const std::string& dataSource, const std::string& messageSet) {
    std::string step = missingSetStep;
    replaceAll(step, "{source}", commandLineDataSource(dataSource));
    replaceAll(step, "{set}", messageSet);
    return step;
}

bool isDriverLine(std::string_view line) {
    return line.substr(0, driverPrefix.size()) == driverPrefix;
}

std::string_view driverSaid(std::string_view line) {
    return isDriverLine(line) ? line.substr(driverPrefix.size()) : std::string_view();
}

bool isNextStepLine(std::string_view line) {
    auto startsWith = [&](std::string_view prefix) { return line.substr(0, prefix.size()) == prefix; };
    return startsWith(stepPrefix(missingSetStep)) || startsWith(unknownDataSourcePrefix) ||
           std::any_of(knownFailures().begin(), knownFailures().end(),
                       [&](const KnownFailure& failure) { return startsWith(stepPrefix(failure.step)); });
}

} // namespace norvak
