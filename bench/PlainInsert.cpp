// The yardstick of the import benchmark: the rows an import wrote to a message
// set, written again through ODBC with nothing else around them. The rows of
// the message set are read into memory and deleted (committed), then each
// table's rows are inserted again, one SQLExecute per row on a statement
// prepared once per table, all columns given as text, and committed; only
// the inserts and the commit are timed.
//
//   norvak_bench_insert DATA_SOURCE MESSAGE_SET
//
// prints "ROWS SECONDS". A PostgreSQL data source is connected to with the
// settings the import uses for itself.

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Table {
    const char* name;
    const char* projectColumn;
};

const Table tables[] = {
    {"M_TYPE", "PROJECT"},        {"M_ELEMENT", "PROJECT"},          {"M_MESSAGE", "PROJECT"},
    {"M_VALUE", "PROJECT"},       {"TYPE_MEMBER", "PROJECT"},        {"VALUE_MEMBER", "PROJECT"},
    {"M_ATTRIBUTE", "PROJECT"},   {"M_MEMBER_ATTRIBUTE", "PROJECT"}, {"REG_PLUGIN_MEMBER", "PROJECT_KEY"},
};

using Row = std::vector<std::optional<std::string>>;

[[noreturn]] void fail(SQLSMALLINT type, SQLHANDLE handle, const char* what) {
    SQLCHAR state[8] = {};
    SQLCHAR message[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    std::fprintf(stderr, "norvak_bench_insert: %s failed: %s %s\n", what, state, message);
    std::exit(1);
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
    if (!SQL_SUCCEEDED(rc))
        fail(type, handle, what);
}

void run(SQLHDBC dbc, const std::string& sql) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
    SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        fail(SQL_HANDLE_STMT, stmt, sql.c_str());
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

// Every row of a table's message set, every column as text.
std::vector<Row> readRows(SQLHDBC dbc, const std::string& sql, SQLSMALLINT& columns) {
    std::vector<Row> rows;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
    check(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS), SQL_HANDLE_STMT,
          stmt, sql.c_str());
    check(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    while (SQLFetch(stmt) == SQL_SUCCESS) {
        Row row;
        for (SQLUSMALLINT column = 1; column <= columns; ++column) {
            char buffer[1024];
            SQLLEN indicator = 0;
            check(SQLGetData(stmt, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_HANDLE_STMT, stmt,
                  "SQLGetData");
            if (indicator == SQL_NULL_DATA)
                row.emplace_back();
            else
                row.emplace_back(std::string(buffer));
        }
        rows.push_back(std::move(row));
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return rows;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: norvak_bench_insert DATA_SOURCE MESSAGE_SET\n");
        return 2;
    }
    const std::string dataSource = argv[1];
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    check(SQLConnect(dbc, reinterpret_cast<SQLCHAR*>(argv[1]), SQL_NTS, nullptr, 0, nullptr, 0), SQL_HANDLE_DBC, dbc,
          "SQLConnect");
    SQLCHAR driver[64] = {};
    SQLSMALLINT length = 0;
    SQLGetInfo(dbc, SQL_DRIVER_NAME, driver, sizeof driver, &length);
    if (std::strncmp(reinterpret_cast<const char*>(driver), "psqlodbc", 8) == 0) {
        SQLDisconnect(dbc);
        std::string text = norvak::importConnectionString(dataSource, "", "");
        check(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, nullptr, 0, nullptr,
                               SQL_DRIVER_NOPROMPT),
              SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
    }
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_INTEGER);

    SQLSMALLINT projectColumns = 0;
    std::string messageSet = norvak::quotedText(argv[2]);
    std::vector<Row> key = readRows(dbc, "SELECT PROJECT_KEY FROM PROJECT WHERE NAME = '" + messageSet + "'", projectColumns);
    if (key.size() != 1 || !key[0][0]) {
        std::fprintf(stderr, "norvak_bench_insert: no message set %s\n", argv[2]);
        return 1;
    }
    const std::string project = *key[0][0];

    struct Read {
        const Table* table;
        SQLSMALLINT columns = 0;
        std::vector<Row> rows;
    };
    std::vector<Read> read;
    for (const Table& table : tables) {
        Read part{&table, 0, {}};
        std::string where = std::string(" WHERE ") + table.projectColumn + " = " + project;
        part.rows = readRows(dbc, std::string("SELECT * FROM ") + table.name + where, part.columns);
        run(dbc, std::string("DELETE FROM ") + table.name + where);
        read.push_back(std::move(part));
    }
    check(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_HANDLE_DBC, dbc, "commit");

    auto start = std::chrono::steady_clock::now();
    long total = 0;
    for (Read& part : read) {
        if (part.rows.empty())
            continue;
        std::string sql = std::string("INSERT INTO ") + part.table->name + " VALUES (";
        for (SQLSMALLINT column = 0; column < part.columns; ++column)
            sql += column == 0 ? "?" : ", ?";
        sql += ")";
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
        check(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(sql.data()), SQL_NTS), SQL_HANDLE_STMT, stmt, "SQLPrepare");
        std::vector<SQLLEN> indicators(static_cast<std::size_t>(part.columns));
        for (Row& row : part.rows) {
            for (SQLUSMALLINT column = 1; column <= part.columns; ++column) {
                std::optional<std::string>& value = row[column - 1];
                SQLLEN& indicator = indicators[column - 1];
                indicator = value ? SQL_NTS : SQL_NULL_DATA;
                check(SQLBindParameter(stmt, column, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 254, 0,
                                       value ? value->data() : nullptr, 0, &indicator),
                      SQL_HANDLE_STMT, stmt, "SQLBindParameter");
            }
            check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "SQLExecute");
            ++total;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
    check(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_HANDLE_DBC, dbc, "commit");
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%ld %.3f\n", total, seconds.count());
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return 0;
}
