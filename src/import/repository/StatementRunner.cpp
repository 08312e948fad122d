#include "import/repository/StatementRunner.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "import/model/ImportRun.h"

namespace norvak {

namespace {

constexpr SQLULEN textColumnSize = repositoryTextWidth;

} // namespace

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
    return SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, textColumnSize, 0,
                            const_cast<char*>(text_.c_str()), 0, &indicator_);
}

SQLRETURN runInsert(ImportRun& run, DbSession& db, const std::string& statement,
                    std::vector<InsertParameter> parameters, const char* routine) {
    SQLHSTMT hstmt = db.hstmt();
    db.reportStmtError(prepare(hstmt, statement), "SQLPrepare", routine);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        std::string label = "SQLBindParameter" + std::to_string(i + 1);
        db.reportStmtError(parameters[i].bind(hstmt, static_cast<SQLUSMALLINT>(i + 1)), label.c_str(), routine);
    }
    if (!run.reportOnlySw)
        db.reportStmtError(SQLExecute(hstmt), "SQLExecute", routine);
    SQLRETURN freed = SQLFreeStmt(hstmt, SQL_CLOSE);
    db.reportStmtError(freed, "SQLFreeStmt", routine);
    // The parameters go out of scope here: no marker may stay bound to them.
    SQLFreeStmt(hstmt, SQL_RESET_PARAMS);
    return freed;
}

} // namespace norvak
