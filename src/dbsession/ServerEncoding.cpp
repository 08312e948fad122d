// Which texts a PostgreSQL repository takes in its client and server encodings.
#include "dbsession/ServerEncoding.h"
#include "dbsession/HandleCalls.h"
#include "dbsession/SessionHandles.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/RepositoryLock.h"
#include "dbsession/Statement.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace norvak {

namespace {

constexpr std::size_t textsPerTry = 1000;

enum class Outcome { taken, refused, failed };

class TextTrial {
  public:
    TextTrial(DbSession& db, ServerEncodingCheck& check) : db_(db), check_(check) {}

    bool readEncodings() {
        return show("server_encoding", check_.serverEncoding) && show("client_encoding", check_.clientEncoding);
    }

    // Tries texts[from, to): the refused ones go to check_.refused; false when a try failed otherwise.
    bool tryTexts(const std::vector<std::string>& texts, std::size_t from, std::size_t to) {
        Outcome outcome = tryAll(texts, from, to);
        if (outcome == Outcome::taken)
            return true;
        if (outcome == Outcome::failed)
            return false;
        if (to - from == 1) {
            check_.refused.push_back(texts[from]);
            return true;
        }
        std::size_t middle = from + (to - from) / 2;
        return tryTexts(texts, from, middle) && tryTexts(texts, middle, to);
    }

  private:
    bool show(const char* setting, std::string& value) {
        OdbcHandle statement{SQL_HANDLE_STMT};
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, SessionHandles::connection(db_), statement.out())))
            return fail(formatText("no statement handle for SHOW %s", setting));
        SQLRETURN rc = execDirect(statement.get(), formatText("SHOW %s", setting));
        if (SQL_SUCCEEDED(rc))
            rc = SQLFetch(statement.get());
        char text[128] = {};
        if (SQL_SUCCEEDED(rc))
            rc = getText(statement.get(), 1, text, sizeof text, sizeof text);
        if (!SQL_SUCCEEDED(rc))
            return fail(formatText("SHOW %s failed: %s", setting, diagnostic(statement.get()).c_str()));
        value = text;
        return true;
    }

    Outcome tryAll(const std::vector<std::string>& texts, std::size_t from, std::size_t to) {
        OdbcHandle statement{SQL_HANDLE_STMT};
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, SessionHandles::connection(db_), statement.out()))) {
            fail("no statement handle");
            return Outcome::failed;
        }
        // As an import's batch of rows gives a text column: one array literal.
        std::string array = "{";
        for (std::size_t i = from; i < to; ++i) {
            if (i > from)
                array += ',';
            InsertParameter::text(texts[i]).appendArrayElement(array);
        }
        array += '}';
        SQLLEN indicator = SQL_NTS;
        SQLRETURN rc = SQLBindParameter(statement.get(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, array.size(),
                                        0, array.data(), 0, &indicator);
        if (SQL_SUCCEEDED(rc))
            rc = execDirect(statement.get(), "SELECT COUNT(*) FROM unnest(?::varchar[])");
        if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA)
            return Outcome::taken;
        std::string why = diagnostic(statement.get());
        std::string state = why.substr(0, why.find(' '));
        statement.reset();
        // The refused statement spoilt the transaction: nothing of it to keep.
        SQLEndTran(SQL_HANDLE_DBC, SessionHandles::connection(db_), SQL_ROLLBACK);
        // Class 22, data exception: invalid byte sequence (22021), no
        // equivalent in the server's encoding (22P05).
        if (state.rfind("22", 0) == 0)
            return Outcome::refused;
        fail("the server answered: " + why);
        return Outcome::failed;
    }

    // "SQLSTATE message" of the statement's first diagnostic record.
    static std::string diagnostic(SQLHSTMT statement) { return firstDiagnostic(SQL_HANDLE_STMT, statement); }

    bool fail(const std::string& why) {
        if (check_.failure.empty())
            check_.failure = why;
        return false;
    }

    DbSession& db_;
    ServerEncodingCheck& check_;
};

bool hasHighBytes(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) > 127; });
}

} // namespace

ServerEncodingCheck checkTextsWithServer(DbSession& db, const std::vector<std::string>& texts) {
    ServerEncodingCheck check;
    if (databaseKind(db, "checkTextsWithServer") != DatabaseKind::postgres)
        return check;
    TextTrial trial(db, check);
    if (!trial.readEncodings())
        return check;
    // Each text once, in the order given.
    std::vector<std::string> tried;
    std::set<std::string> seen;
    for (const std::string& text : texts) {
        if (hasHighBytes(text) && seen.insert(text).second)
            tried.push_back(text);
    }
    for (std::size_t from = 0; from < tried.size(); from += textsPerTry) {
        if (!trial.tryTexts(tried, from, std::min(tried.size(), from + textsPerTry)))
            return check;
    }
    check.checked = true;
    return check;
}

} // namespace norvak
