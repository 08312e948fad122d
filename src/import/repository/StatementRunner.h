#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace norvak {

struct ImportRun;
class DbSession;

// Width in bytes of the repository's text columns: identifiers, names,
// attribute values, hints. No text the import writes is longer.
constexpr std::size_t repositoryTextWidth = 254;

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

  private:
    enum class Kind { integer, smallInteger, text };
    InsertParameter(Kind kind, std::int32_t number, std::string text, bool isNull);

    Kind kind_;
    SQLINTEGER integer_ = 0;
    SQLSMALLINT smallInteger_ = 0;
    std::string text_;
    SQLLEN indicator_ = 0;
};

// Runs one insert on the run's statement handle: SQLPrepare, one
// SQLBindParameter per marker ("SQLBindParameter1" ...), SQLExecute unless the
// run is report-only, SQLFreeStmt with SQL_CLOSE; each step's return code is
// reported under its label and the writer's routine name. Returns the code of
// the SQLFreeStmt step, which decides the writers' progress lines.
SQLRETURN runInsert(ImportRun& run, DbSession& db, const std::string& statement,
                    std::vector<InsertParameter> parameters, const char* routine);

} // namespace norvak
