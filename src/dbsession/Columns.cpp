// SQL texts (quoting, printf-style statements) and the calls on a raw statement handle: column reads, execute, prepare.
#include "dbsession/Columns.h"
#include "dbsession/HandleCalls.h"

#include <cstdarg>
#include <cstring>
#include <vector>

namespace norvak {

SQLRETURN getText(SQLHSTMT statement, SQLUSMALLINT column, char* buffer, SQLLEN size, SQLLEN bufferLength) {
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, buffer, bufferLength, &indicator);
    if (indicator == SQL_NULL_DATA)
        buffer[0] = '\0';
    buffer[size - 1] = '\0';
    return rc;
}

std::string quotedText(const std::string& text) {
    std::string quoted;
    quoted.reserve(text.size());
    for (char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted;
}

std::string formatText(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::vector<char> text(static_cast<std::size_t>(needed > 0 ? needed : 0) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    return std::string(text.data(), static_cast<std::size_t>(needed > 0 ? needed : 0));
}

SQLRETURN execDirect(SQLHSTMT statement, const std::string& text) {
    return SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS);
}

SQLRETURN prepare(SQLHSTMT statement, const std::string& text) {
    return SQLPrepare(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS);
}

} // namespace norvak
