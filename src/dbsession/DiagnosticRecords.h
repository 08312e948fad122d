#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <vector>

namespace norvak {

// One diagnostic record of an ODBC handle: its SQLSTATE, the native error
// code and the driver's message, line ends folded to blanks.
struct DiagnosticRecord {
    std::string state;
    SQLINTEGER native = 0;
    std::string text;
};

// Every diagnostic record the handle holds, in their order: the one reader
// of a handle's records. With `firstRead`, the result of reading the first
// (SQL_NO_DATA when there is none, SQL_INVALID_HANDLE for no handle).
std::vector<DiagnosticRecord> diagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle,
                                                SQLRETURN* firstRead = nullptr);
// "SQLSTATE text" of the handle's first record, or "no diagnostic".
std::string firstDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle);

// What a failed connection or statement of a repository is about, for the
// lines that follow its report.
struct FailurePlace {
    std::string dataSource;
    std::string password;     // never shown: masked wherever a record repeats it
    std::string databaseFile; // of a SQLite data source, when its settings name one
};

// The lines that explain a failure: "  the driver said: [SQLSTATE] text" for
// each record, then the next step when the failure is a known one.
std::vector<std::string> failureExplanation(const std::vector<DiagnosticRecord>& records, const FailurePlace& place);

// The next step after a message set that the repository does not hold.
std::string missingMessageSetStep(const std::string& dataSource, const std::string& messageSet);
// Whether a report line is one of the lines above (without its line end).
bool isDriverLine(std::string_view line);
bool isNextStepLine(std::string_view line);
// What a driver's line says: "[SQLSTATE] text".
std::string_view driverSaid(std::string_view line);

} // namespace norvak
