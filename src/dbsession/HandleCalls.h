#pragma once

// ODBC calls on a raw statement handle, for the session layer's own
// routines (the layers above go through Statement).
#include <sql.h>
#include <sqlext.h>

#include <string>

namespace norvak {

// Reads a numeric column of the current row. A NULL leaves `value` as it
// was: drivers differ in whether they write the buffer for a NULL.
template <class Number> SQLRETURN getNumber(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, Number& value) {
    Number buffer{};
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(statement, column, cType, &buffer, sizeof buffer, &indicator);
    if (SQL_SUCCEEDED(rc) && indicator != SQL_NULL_DATA)
        value = buffer;
    return rc;
}

// Reads a text column into a buffer of `size` bytes, given to the driver as
// `bufferLength`; a NULL gives the empty text.
SQLRETURN getText(SQLHSTMT statement, SQLUSMALLINT column, char* buffer, SQLLEN size, SQLLEN bufferLength);

// SQLExecDirect / SQLPrepare with a text.
SQLRETURN execDirect(SQLHSTMT statement, const std::string& text);
SQLRETURN prepare(SQLHSTMT statement, const std::string& text);

} // namespace norvak
