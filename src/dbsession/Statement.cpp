// The steps of every query and insert on one statement handle, each reported under its label.
#include "dbsession/Statement.h"
#include "dbsession/HandleCalls.h"
#include "dbsession/SessionHandles.h"

#include "dbsession/Columns.h"
#include "dbsession/InsertBatches.h"

#include <algorithm>

namespace norvak {

Statement::Statement(DbSession& db, const char* routine) : db_(db), routine_(routine), handle_(SessionHandles::mainStatement(db)) {}

Statement::Statement(DbSession& db, const char* routine, const char* allocateLabel) : db_(db), routine_(routine) {
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, SessionHandles::connection(db), owned_.out());
    db.reportDbcError(rc, allocateLabel, routine);
    handle_ = owned_.get();
}

void Statement::report(SQLRETURN rc, const char* label) {
    db_.reportSqlError(rc, SQL_HANDLE_STMT, handle_, label, routine_);
}

SQLRETURN Statement::execute(const std::string& sql, const char* label) {
    db_.flushInserts();
    SQLRETURN rc = execDirect(handle_, sql);
    report(rc, label);
    return rc;
}

SQLRETURN Statement::executeUnreported(const std::string& sql) {
    db_.flushInserts();
    return execDirect(handle_, sql);
}

std::vector<DiagnosticRecord> Statement::diagnostics() const {
    return diagnosticRecords(SQL_HANDLE_STMT, handle_);
}

void Statement::explainFailure() {
    db_.explainFailure(diagnostics());
}

SQLRETURN Statement::prepare(const std::string& sql, const char* label) {
    db_.flushInserts();
    SQLRETURN rc = norvak::prepare(handle_, sql);
    report(rc, label);
    return rc;
}

SQLRETURN Statement::executePrepared(const char* label) {
    SQLRETURN rc = SQLExecute(handle_);
    report(rc, label);
    return rc;
}

SQLRETURN Statement::fetch(const char* label, bool reportEndOfData) {
    SQLRETURN rc = SQLFetch(handle_);
    if (rc != SQL_NO_DATA || reportEndOfData)
        report(rc, label);
    return rc;
}

SQLLEN Statement::rowCount() {
    SQLLEN rows = -1;
    if (SQLRowCount(handle_, &rows) != SQL_SUCCESS)
        rows = -1;
    return rows;
}

SQLRETURN Statement::fetchNext(const char* label) {
    SQLRETURN rc = SQLFetch(handle_);
    if (rc == SQL_NO_DATA && SQLMoreResults(handle_) == SQL_SUCCESS)
        rc = SQLFetch(handle_);
    if (rc != SQL_NO_DATA)
        report(rc, label);
    return rc;
}

SQLRETURN Statement::text(SQLUSMALLINT column, char* buffer, SQLLEN size, SQLLEN bufferLength, const char* label) {
    SQLRETURN rc = getText(handle_, column, buffer, size, bufferLength);
    report(rc, label);
    return rc;
}

SQLRETURN Statement::text(SQLUSMALLINT column, std::string& value, const char* label) {
    char buffer[256];
    SQLRETURN rc = text(column, buffer, sizeof buffer, 255, label);
    value = buffer;
    return rc;
}

SQLRETURN Statement::wholeText(SQLUSMALLINT column, std::optional<std::string>& value, const char* label) {
    value.reset();
    std::string text;
    char buffer[1024];
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(handle_, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(rc)) {
            report(rc, label);
            return rc;
        }
        if (indicator == SQL_NULL_DATA)
            return SQL_SUCCESS;
        // A part that did not fit fills the buffer but for its terminating NUL.
        bool partial = rc == SQL_SUCCESS_WITH_INFO &&
                       (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer));
        text.append(buffer, partial ? sizeof buffer - 1 : static_cast<std::size_t>(indicator));
        if (!partial)
            break;
    }
    value = std::move(text);
    return SQL_SUCCESS;
}

SQLRETURN Statement::close(const char* label) {
    SQLRETURN rc = SQLFreeStmt(handle_, SQL_CLOSE);
    report(rc, label);
    return rc;
}

InsertParameter::InsertParameter(Kind kind, std::int32_t number, std::string text, bool isNull)
    : kind_(kind), text_(std::move(text)) {
    switch (kind_) {
    case Kind::integer:
        integer_ = number;
        indicator_ = sizeof(SQLINTEGER);
        break;
    case Kind::smallInteger:
        smallInteger_ = static_cast<SQLSMALLINT>(number);
        indicator_ = sizeof(SQLSMALLINT);
        break;
    case Kind::text:
        indicator_ = SQL_NTS;
        break;
    }
    if (isNull)
        indicator_ = SQL_NULL_DATA;
}

SQLRETURN InsertParameter::bind(SQLHSTMT statement, SQLUSMALLINT number) {
    switch (kind_) {
    case Kind::integer:
        return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &integer_, 0,
                                &indicator_);
    case Kind::smallInteger:
        return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_SSHORT, SQL_SMALLINT, 0, 0, &smallInteger_, 0,
                                &indicator_);
    case Kind::text:
        break;
    }
    // A text longer than its column is given whole, for the database to refuse.
    SQLULEN columnSize = std::max<SQLULEN>(repositoryTextWidth, text_.size());
    return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, columnSize, 0,
                            const_cast<char*>(text_.c_str()), 0, &indicator_);
}

const char* InsertParameter::arrayType() const {
    switch (kind_) {
    case Kind::integer:
        return "int4[]";
    case Kind::smallInteger:
        return "int2[]";
    case Kind::text:
        break;
    }
    return "varchar[]";
}

void InsertParameter::appendArrayElement(std::string& array) const {
    if (indicator_ == SQL_NULL_DATA) {
        array += "NULL";
        return;
    }
    switch (kind_) {
    case Kind::integer:
        array += std::to_string(integer_);
        return;
    case Kind::smallInteger:
        array += std::to_string(smallInteger_);
        return;
    case Kind::text:
        break;
    }
    // In double quotes, each double quote and backslash after a backslash.
    array += '"';
    for (char c : text_) {
        if (c == '"' || c == '\\')
            array += '\\';
        array += c;
    }
    array += '"';
}

SQLRETURN runInsert(DbSession& db, const std::string& statement, std::vector<InsertParameter> parameters,
                    const char* routine, InsertMode mode) {
    return db.inserts().insert(statement, std::move(parameters), routine, mode);
}

} // namespace norvak
