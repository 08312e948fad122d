#pragma once

#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/RepositorySchema.h"

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvak {

// The steps every query and insert goes through, on one statement handle.
// Each step reports a return code other than 0 through the session, under
// the caller's label ("SQLFetch2") and routine name, and returns it.
class Statement {
  public:
    // On the session's main statement handle, which stays the session's.
    Statement(DbSession& db, const char* routine);
    // On a statement handle of its own, allocated now (a failure is reported
    // as a connection error under `allocateLabel`) and freed with the object.
    Statement(DbSession& db, const char* routine, const char* allocateLabel);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool usable() const { return handle_ != SQL_NULL_HSTMT; }

    SQLRETURN execute(const std::string& sql, const char* label); // SQLExecDirect
    // SQLExecDirect whose failure the caller reports or explains itself.
    SQLRETURN executeUnreported(const std::string& sql);
    SQLRETURN prepare(const std::string& sql, const char* label);
    SQLRETURN executePrepared(const char* label); // SQLExecute

    // The first row of a result: the end of data (100) is reported only
    // when `reportEndOfData`.
    SQLRETURN fetch(const char* label, bool reportEndOfData = false);
    // The next row. At the end of a result set the driver is asked for a
    // further one, whose first row is then fetched. The end of data (100)
    // is not reported.
    SQLRETURN fetchNext(const char* label);
    // Every row of the result just executed: `row()` for each while the
    // error switch stays clear; the first fetched as fetch(firstLabel,
    // reportEmpty), the others with fetchNext(nextLabel). Returns the last
    // fetch's code (100 after the last row).
    template <class Row>
    SQLRETURN forEachRow(const char* firstLabel, bool reportEmpty, const char* nextLabel, const int& errSw, Row row) {
        SQLRETURN rc = fetch(firstLabel, reportEmpty);
        while (rc == SQL_SUCCESS && !errSw) {
            row();
            rc = fetchNext(nextLabel);
        }
        return rc;
    }

    // Column reads of the current row. A NULL number leaves `value` as it
    // was (drivers differ in whether they write the buffer for a NULL); a
    // NULL text reads as the empty text.
    // With `isNull`, whether the column was NULL.
    template <class Number>
    SQLRETURN number(SQLUSMALLINT column, SQLSMALLINT cType, Number& value, const char* label,
                     bool* isNull = nullptr) {
        Number buffer{};
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(handle_, column, cType, &buffer, sizeof buffer, &indicator);
        if (SQL_SUCCEEDED(rc) && indicator != SQL_NULL_DATA)
            value = buffer;
        if (isNull != nullptr)
            *isNull = indicator == SQL_NULL_DATA;
        report(rc, label);
        return rc;
    }
    // Into a buffer of `size` bytes, given to the driver as `bufferLength`.
    SQLRETURN text(SQLUSMALLINT column, char* buffer, SQLLEN size, SQLLEN bufferLength, const char* label);
    // Up to 255 bytes.
    SQLRETURN text(SQLUSMALLINT column, std::string& value, const char* label);
    // The whole text, however long; nothing for a NULL.
    SQLRETURN wholeText(SQLUSMALLINT column, std::optional<std::string>& value, const char* label);

    // The number of rows the last statement changed, or -1 when the driver does not say.
    SQLLEN rowCount();

    // Closes the cursor (SQLFreeStmt with SQL_CLOSE).
    SQLRETURN close(const char* label);

    void report(SQLRETURN rc, const char* label);
    // Every diagnostic record of the statement's last call.
    std::vector<DiagnosticRecord> diagnostics() const;
    // After the line that reports a failure of the statement: the driver's
    // messages and the next step of a known failure (DbSession::explainFailure).
    void explainFailure();

  private:
    friend struct SessionHandles;

    DbSession& db_;
    const char* routine_;
    OdbcHandle owned_{SQL_HANDLE_STMT};
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

// One input parameter of a prepared insert: a 32-bit or 16-bit integer or a
// text (column size 254), any of them possibly NULL.
class InsertParameter {
  public:
    static InsertParameter integer(std::int32_t value) { return InsertParameter(Kind::integer, value, {}, false); }
    static InsertParameter smallInteger(std::int16_t value) {
        return InsertParameter(Kind::smallInteger, value, {}, false);
    }
    static InsertParameter text(std::string value) { return InsertParameter(Kind::text, 0, std::move(value), false); }
    static InsertParameter nullInteger() { return InsertParameter(Kind::integer, 0, {}, true); }
    static InsertParameter nullText() { return InsertParameter(Kind::text, 0, {}, true); }

    // Binds the parameter as marker `number` of the statement.
    SQLRETURN bind(SQLHSTMT statement, SQLUSMALLINT number);

    // What the parameter holds, for a row kept in memory instead of sent.
    bool isNull() const { return indicator_ == SQL_NULL_DATA; }
    bool isText() const { return kind_ == Kind::text; }
    bool isSmallInteger() const { return kind_ == Kind::smallInteger; }
    std::int32_t number() const { return kind_ == Kind::smallInteger ? smallInteger_ : integer_; }
    const std::string& textValue() const { return text_; }

    // For a PostgreSQL array of the parameter's column: the array's type
    // ("int4[]", "int2[]", "varchar[]") and the parameter as an element of
    // its text form (NULL, a number, or a text in double quotes).
    const char* arrayType() const;
    void appendArrayElement(std::string& array) const;

  private:
    enum class Kind { integer, smallInteger, text };
    InsertParameter(Kind kind, std::int32_t number, std::string text, bool isNull);

    Kind kind_;
    SQLINTEGER integer_ = 0;
    SQLSMALLINT smallInteger_ = 0;
    std::string text_;
    SQLLEN indicator_ = 0;
};

// Whether an insert runs now, runs with the other rows of its statement text
// (at the latest when the session runs another statement or commits: see
// InsertBatches) or, in a report-only run, only goes through the steps
// around it.
enum class InsertMode { execute, batch, reportOnly };

// Runs one insert: SQLPrepare (once per statement text and session, on a
// statement handle of the text's own), one SQLBindParameter per marker
// ("SQLBindParameter1" ...), SQLExecute unless report-only, SQLFreeStmt with
// SQL_CLOSE; each step's return code is reported under its label and the
// writer's routine name. The parameters are unbound again afterwards.
// Returns the code of the SQLFreeStmt step (0 for a row that waits in a
// batch).
SQLRETURN runInsert(DbSession& db, const std::string& statement, std::vector<InsertParameter> parameters,
                    const char* routine, InsertMode mode);

} // namespace norvak
