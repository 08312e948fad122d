#include "dbsession/RepositoryLock.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "support/Output.h"

#include <sqlext.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

namespace norvak {

namespace {

// After this long without the lock a run says that it waits.
constexpr int quietWaitSeconds = 2;
constexpr int longestLockTimeout = 86400;
constexpr auto lockFilePollInterval = std::chrono::milliseconds(50);

// PostgreSQL's lock_not_available; SQLite's "database is locked" (SQLITE_BUSY).
constexpr const char* postgresLockNotAvailable = "55P03";
constexpr SQLINTEGER sqliteBusy = 5;

enum class Attempt { locked, busy, failed };

class LockTaker {
  public:
    LockTaker(Output& out, DbSession& db, const LockRequest& request, int& lockFile)
        : out_(out), db_(db), request_(request), lockFile_(lockFile), kind_(databaseKind(db, request.routine)) {}

    LockResult take() {
        SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, db_.hdbc(), statement_.out());
        db_.reportDbcError(rc, "SQLAllocHandle", request_.routine);
        if (rc != SQL_SUCCESS)
            return LockResult::failed;
        Attempt attempt = kind_ == DatabaseKind::sqlite ? takeOnSqlite() : takeOnServer();
        switch (attempt) {
        case Attempt::locked:
            return LockResult::locked;
        case Attempt::busy:
            out_.print("*****Error - %s is still being changed by another run after %d seconds - nothing was "
                       "changed\n",
                       request_.what.c_str(), request_.timeoutSeconds);
            out_.flush();
            return LockResult::timedOut;
        case Attempt::failed:
            break;
        }
        // The run goes on without the lock and meets the same failure, with
        // its own report, in the statements that follow.
        SQLEndTran(SQL_HANDLE_DBC, db_.hdbc(), SQL_ROLLBACK);
        return LockResult::failed;
    }

  private:
    void sayWaiting(int seconds) {
        out_.print("Another run is changing %s - waiting up to %d seconds for it to finish\n", request_.what.c_str(),
                   seconds);
        out_.flush();
    }

    // The lock file first, then the database's write lock.
    Attempt takeOnSqlite() {
        if (!lockFileOfDatabase())
            return runLockStatement(request_.sqliteStatement);
        auto start = std::chrono::steady_clock::now();
        auto quietUntil = start + std::chrono::seconds(std::min(request_.timeoutSeconds, quietWaitSeconds));
        auto giveUpAt = start + std::chrono::seconds(request_.timeoutSeconds);
        bool said = false;
        while (flock(lockFile_, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR)
                break; // a file system without locks: the write lock alone serialises
            auto now = std::chrono::steady_clock::now();
            if (now >= giveUpAt)
                return Attempt::busy;
            if (!said && now >= quietUntil) {
                sayWaiting(request_.timeoutSeconds - quietWaitSeconds);
                said = true;
            }
            std::this_thread::sleep_for(lockFilePollInterval);
        }
        return runLockStatement(request_.sqliteStatement);
    }

    // Opens "<database>.norvak-lock"; false when there is no such file to be had.
    bool lockFileOfDatabase() {
        char name[4096] = {};
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetInfo(db_.hdbc(), SQL_DATABASE_NAME, name, sizeof name, &length);
        if (!SQL_SUCCEEDED(rc) || name[0] == '\0' || std::strcmp(name, ":memory:") == 0)
            return false;
        std::string path = std::string(name) + ".norvak-lock";
        lockFile_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        return lockFile_ >= 0;
    }

    // The statement's lock under lock_timeout: two quiet seconds, then the rest.
    Attempt takeOnServer() {
        int timeout = request_.timeoutSeconds;
        int first = std::min(timeout, quietWaitSeconds);
        Attempt attempt = tryWithTimeout(first);
        if (attempt == Attempt::busy && timeout > first) {
            sayWaiting(timeout - first);
            // The statement that timed out spoilt the transaction; it held nothing yet.
            SQLEndTran(SQL_HANDLE_DBC, db_.hdbc(), SQL_ROLLBACK);
            attempt = tryWithTimeout(timeout - first);
        }
        if (attempt == Attempt::locked && !setLockTimeout(0))
            return Attempt::failed;
        return attempt;
    }

    Attempt tryWithTimeout(int seconds) {
        // lock_timeout 0 would wait for ever: no time left means a try without waiting.
        if (!setLockTimeout(seconds > 0 ? seconds * 1000 : 1))
            return Attempt::failed;
        return runLockStatement(request_.postgresStatement);
    }

    bool setLockTimeout(int milliseconds) {
        if (kind_ != DatabaseKind::postgres)
            return true;
        SQLRETURN rc = execDirect(statement_.get(), formatText("SET lock_timeout = %d", milliseconds));
        SQLFreeStmt(statement_.get(), SQL_CLOSE);
        return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
    }

    Attempt runLockStatement(const std::string& sql) {
        SQLRETURN rc = execDirect(statement_.get(), sql);
        // An UPDATE that matches no row is no failure: there is nothing of
        // that message set to change.
        if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) {
            SQLFreeStmt(statement_.get(), SQL_CLOSE);
            return Attempt::locked;
        }
        return lockWasBusy() ? Attempt::busy : Attempt::failed;
    }

    // Whether the statement failed only because another run holds the lock.
    bool lockWasBusy() {
        SQLCHAR state[8] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[512] = {};
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(SQL_HANDLE_STMT, statement_.get(), 1, state, &native, message, sizeof message,
                                     &length);
        SQLFreeStmt(statement_.get(), SQL_CLOSE);
        if (!SQL_SUCCEEDED(rc))
            return false;
        if (kind_ == DatabaseKind::postgres)
            return std::strcmp(reinterpret_cast<const char*>(state), postgresLockNotAvailable) == 0;
        if (kind_ == DatabaseKind::sqlite)
            return native == sqliteBusy || std::strstr(reinterpret_cast<const char*>(message), "locked") != nullptr;
        return false;
    }

    Output& out_;
    DbSession& db_;
    const LockRequest& request_;
    int& lockFile_;
    DatabaseKind kind_;
    OdbcHandle statement_{SQL_HANDLE_STMT};
};

} // namespace

DatabaseKind databaseKind(DbSession& db, const char* routine) {
    char name[128] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetInfo(db.hdbc(), SQL_DBMS_NAME, name, sizeof name, &length);
    if (!SQL_SUCCEEDED(rc)) {
        db.reportDbcError(rc, "SQLGetInfo", routine);
        return DatabaseKind::other;
    }
    if (std::strstr(name, "SQLite") != nullptr)
        return DatabaseKind::sqlite;
    if (std::strstr(name, "PostgreSQL") != nullptr)
        return DatabaseKind::postgres;
    return DatabaseKind::other;
}

LockRequest messageSetLock(const std::string& schemaPrefix, const std::string& where, const std::string& name,
                           int timeoutSeconds, const char* routine) {
    std::string statement =
        formatText("UPDATE %sPROJECT SET NEXT_ID = NEXT_ID WHERE %s", schemaPrefix.c_str(), where.c_str());
    return LockRequest{statement, statement, "message set " + name, timeoutSeconds, routine};
}

RepositoryLock::~RepositoryLock() {
    if (lockFile_ >= 0)
        close(lockFile_);
}

LockResult RepositoryLock::take(Output& out, DbSession& db, const LockRequest& request) {
    return LockTaker(out, db, request, lockFile_).take();
}

LockTimeoutArgument takeLockTimeoutArgument(int argc, const char* const* argv, int& i, int& seconds,
                                            std::string& text) {
    constexpr std::string_view option = "--lock-timeout";
    std::string_view argument = argv[i];
    if (argument.substr(0, option.size()) != option)
        return LockTimeoutArgument::none;
    std::string_view rest = argument.substr(option.size());
    if (rest.empty() && i + 1 < argc)
        text = argv[++i];
    else if (!rest.empty() && rest[0] == '=')
        text = rest.substr(1);
    else if (!rest.empty())
        return LockTimeoutArgument::none;
    else
        text.clear();
    if (text.empty() || text.size() > 5)
        return LockTimeoutArgument::invalid;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return LockTimeoutArgument::invalid;
        value = value * 10 + (c - '0');
    }
    if (value > longestLockTimeout)
        return LockTimeoutArgument::invalid;
    seconds = value;
    return LockTimeoutArgument::taken;
}

} // namespace norvak
