#include "tools/show/MessageSetListing.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "support/Output.h"
#include "tools/ToolCommandLine.h"

#include <sqlext.h>

#include <array>

namespace norvak {

namespace {

const char* const banner = "Norvak - Message Set list utility V1.2 (Dec 13 2001)\n";

// Room for a NAME or IDENTIFIER column: at most 511 characters and the end.
constexpr SQLLEN textColumnSize = 512;

void printUsage(Output& out, const char* programName) {
    out.print("\nnorvakshow V1.2\n");
    out.print("\nCommand usage is:\n\n");
    out.print("  %s -n ZEP_Database_Name -u DB_Userid -p DB_Password {-h Schema_name}\n\n", programName);
}

// Fetches the next row of a listing. At the end of a result set the driver is
// asked for a further one, whose first row is then fetched; the result is 0
// for a row, 100 at the end of all data, anything else an error.
SQLRETURN fetchNextRow(SQLHSTMT statement) {
    SQLRETURN rc = SQLFetch(statement);
    if (rc == SQL_NO_DATA) {
        rc = SQLMoreResults(statement);
        if (rc == SQL_SUCCESS)
            rc = SQLFetch(statement);
    }
    return rc;
}

} // namespace

std::string messageSetCode(std::int32_t repository, std::int16_t id, std::int16_t level) {
    static constexpr char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
    std::uint64_t value = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(repository)) << 32) |
                          (static_cast<std::uint64_t>(static_cast<std::uint16_t>(id)) << 16) |
                          static_cast<std::uint64_t>(static_cast<std::uint16_t>(level));
    std::string code(13, '0');
    for (int position = 12; position >= 1; --position) {
        code[static_cast<std::size_t>(position)] = digits[value & 31u];
        value >>= 5;
    }
    code[0] = static_cast<char>('A' + value); // the four bits left over
    return code;
}

void getAllMessages(Output& out, DbSession& db, int& errSw, SQLSMALLINT projectKey, const std::string& schemaPrefix) {
    const char* routine = "getAllMessages";
    std::string query = formatText("SELECT ID_VALUE, IDENTIFIER FROM %sM_MESSAGE WHERE PROJECT=%d ORDER BY ID_VALUE",
                                   schemaPrefix.c_str(), static_cast<int>(projectKey));

    OdbcHandle statement(SQL_HANDLE_STMT);
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, db.hdbc(), statement.out());
    db.reportDbcError(rc, "SQLAllocHandle", routine);
    if (!statement)
        return;
    SQLHSTMT hstmt = statement.get();

    rc = prepare(hstmt, query);
    db.reportSqlError(rc, SQL_HANDLE_STMT, hstmt, "SQLPrepare", routine);
    rc = SQLExecute(hstmt);
    db.reportSqlError(rc, SQL_HANDLE_STMT, hstmt, "SQLExecute", routine);
    if (rc != SQL_SUCCESS || errSw)
        return;

    rc = SQLFetch(hstmt);
    if (rc != SQL_NO_DATA)
        db.reportSqlError(rc, SQL_HANDLE_STMT, hstmt, "SQLFetch", routine);
    while (rc == SQL_SUCCESS && !errSw) {
        SQLINTEGER idValue = 0;
        std::array<char, textColumnSize> identifier{};
        SQLRETURN getRc = getNumber(hstmt, 1, SQL_C_SLONG, idValue);
        db.reportSqlError(getRc, SQL_HANDLE_STMT, hstmt, "SQLGetData1", routine);
        getRc = getText(hstmt, 2, identifier.data(), textColumnSize, textColumnSize);
        db.reportSqlError(getRc, SQL_HANDLE_STMT, hstmt, "SQLGetData2", routine);
        out.print("   %6.6d %s\n", static_cast<int>(idValue), identifier.data());

        rc = fetchNextRow(hstmt);
        if (rc != SQL_SUCCESS && rc != SQL_NO_DATA)
            db.reportSqlError(rc, SQL_HANDLE_STMT, hstmt, "SQLFetch2", routine);
    }
    // The statement is freed as it goes out of scope.
}

int runMessageSetListing(Output& out, int argc, const char* const* argv) {
    int errSw = 0;
    out.print("%s", banner);

    static constexpr ToolOption options[] = {dataSourceOption, userOption, passwordOption, schemaOption};
    ToolOptions values;
    walkToolCommandLine(out, errSw, argc, argv, options, values);

    if (toolUsageRequested(argc, argv) || values.dataSource.empty()) {
        printUsage(out, argc > 0 ? argv[0] : "norvakshow");
        out.flush();
        return listingUsage;
    }
    if (values.schemaRefused)
        return listingDatabaseError;

    DbSession db(out, errSw, SessionVariant::listing);
    if (int connectRc = connectTool(out, db, values); connectRc != 0)
        return connectRc;

    const char* routine = "main";
    int exitCode = listingSuccess;
    std::string query = formatText("SELECT PROJECT_KEY, PROJECT_REPOSITORY, PROJECT_ID, PROJECT_LEVEL, NEXT_ID, NAME "
                                   "FROM %sPROJECT ORDER BY PROJECT_KEY",
                                   values.schemaPrefix.c_str());

    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, db.hdbc(), db.statement().out());
    db.reportDbcError(rc, "SQLAllocHandle", routine);
    SQLRETURN executeRc = SQL_ERROR;
    if (db.statement()) {
        rc = prepare(db.hstmt(), query);
        db.reportStmtError(rc, "SQLPrepare", routine);
        executeRc = SQLExecute(db.hstmt());
        db.reportStmtError(executeRc, "SQLExecute", routine);
    }

    if (executeRc != SQL_SUCCESS || errSw) {
        out.print("Unable to access PROJECT table in database %s\n", values.dataSource.c_str());
        exitCode = listingDatabaseError;
    } else {
        out.print("\nId    Identifier   NxtElem Name\n   Msg ID Message Name\n\n");
        SQLHSTMT hstmt = db.hstmt();
        rc = SQLFetch(hstmt);
        // An empty PROJECT table is reported too (as error 100), but it is
        // not a failure of the listing.
        db.reportStmtError(rc, "SQLFetch", routine);
        if (rc == SQL_SUCCESS) {
            while (!errSw) {
                SQLSMALLINT projectKey = 0;
                SQLINTEGER repository = 0;
                SQLSMALLINT projectId = 0;
                SQLSMALLINT projectLevel = 0;
                SQLINTEGER nextId = 0;
                std::array<char, textColumnSize> name{};

                db.reportStmtError(getNumber(hstmt, 1, SQL_C_SSHORT, projectKey), "SQLGetData1", routine);
                db.reportStmtError(getNumber(hstmt, 2, SQL_C_SLONG, repository), "SQLGetData2", routine);
                db.reportStmtError(getNumber(hstmt, 3, SQL_C_SSHORT, projectId), "SQLGetData3", routine);
                db.reportStmtError(getNumber(hstmt, 4, SQL_C_SSHORT, projectLevel), "SQLGetData4", routine);
                db.reportStmtError(getNumber(hstmt, 5, SQL_C_SLONG, nextId), "SQLGetData5", routine);
                db.reportStmtError(getText(hstmt, 6, name.data(), textColumnSize, textColumnSize), "SQLGetData6",
                                   routine);

                std::string code = messageSetCode(repository, projectId, projectLevel);
                out.print("%5.5d %s %6.6d %s\n", static_cast<int>(projectKey), code.c_str(), static_cast<int>(nextId),
                          name.data());
                getAllMessages(out, db, errSw, projectKey, values.schemaPrefix);

                rc = fetchNextRow(hstmt);
                if (rc != SQL_SUCCESS && rc != SQL_NO_DATA)
                    db.reportStmtError(rc, "SQLFetch2", routine);
                if (rc != SQL_SUCCESS)
                    break;
            }
            if (errSw)
                exitCode = listingDatabaseError;
        } else if (rc != SQL_NO_DATA) {
            exitCode = listingDatabaseError;
        }
    }

    db.close(routine);
    out.flush();
    return exitCode;
}

} // namespace norvak
