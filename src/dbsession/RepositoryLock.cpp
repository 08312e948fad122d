// The lock that makes runs changing one message set run one after the other.
#include "dbsession/RepositoryLock.h"
#include "dbsession/HandleCalls.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/SessionHandles.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "support/ConnectionText.h"
#include "support/Output.h"

#include <odbcinst.h>
#include <sqlext.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string_view>
#include <thread>

namespace norvak {

namespace {

// After this long without the lock a run says that it waits.
constexpr int quietWaitSeconds = 2;
constexpr auto lockFilePollInterval = std::chrono::milliseconds(50);

enum class Attempt { locked, busy, failed };

void sayWaiting(Output& out, const std::string& what, int seconds) {
    out.print("Another run is changing %s - waiting up to %d seconds for it to finish\n", what.c_str(), seconds);
    out.flush();
}

enum class FileWait { done, timedOut, noLocks };

// Tries `attempt` (a flock call, 0 when it got the lock) until it succeeds:
// after two quiet seconds one line says that the run waits for `what`, and
// after `timeoutSeconds` the run gives up. `noLocks` on a file system without
// locks, or when `done()` says there is nothing to wait for any more.
template <class TryLock, class Done>
FileWait waitForLockFile(Output& out, const std::string& what, int timeoutSeconds, TryLock attempt, Done done) {
    auto start = std::chrono::steady_clock::now();
    auto quietUntil = start + std::chrono::seconds(std::min(timeoutSeconds, quietWaitSeconds));
    auto giveUpAt = start + std::chrono::seconds(timeoutSeconds);
    bool said = false;
    while (attempt() != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return FileWait::noLocks;
        if (done())
            return FileWait::noLocks;
        auto now = std::chrono::steady_clock::now();
        if (now >= giveUpAt)
            return FileWait::timedOut;
        if (!said && now >= quietUntil) {
            sayWaiting(out, what, timeoutSeconds - quietWaitSeconds);
            said = true;
        }
        std::this_thread::sleep_for(lockFilePollInterval);
    }
    return FileWait::done;
}

// The lock file beside a database file, opened (created when `create`); -1
// when it cannot be had.
int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The file a SQLite database name stands for: the name itself, or the path
// of a "file:" URI (file:repo.db, file:/srv/repo.db, file:///srv/repo.db,
// file://localhost/srv/repo.db; its query and fragment taken off, its %HH
// escapes decoded). Empty for a database held in memory, or a URI naming
// another host.
std::string sqliteFileOfName(const std::string& name) {
    if (name.empty() || name == ":memory:")
        return {};
    if (name.rfind("file:", 0) != 0)
        return name;
    std::size_t end = name.find_first_of("?#");
    std::string uri = name.substr(5, end == std::string::npos ? std::string::npos : end - 5);
    std::size_t queryAt = name.find('?');
    if (queryAt != std::string::npos && name.find("mode=memory", queryAt) != std::string::npos)
        return {};
    if (uri.rfind("//", 0) == 0) {
        std::size_t slash = uri.find('/', 2);
        std::string host = uri.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        if (!host.empty() && host != "localhost")
            return {};
        uri = slash == std::string::npos ? std::string() : uri.substr(slash);
    }
    std::string path;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hexDigit(uri[i + 1]) >= 0 && hexDigit(uri[i + 2]) >= 0) {
            path += static_cast<char>(hexDigit(uri[i + 1]) * 16 + hexDigit(uri[i + 2]));
            i += 2;
        } else {
            path += uri[i];
        }
    }
    return path == ":memory:" ? std::string() : path;
}

int openLockFile(const std::string& database, bool create) {
    std::string path = database + ".norvak-lock";
    return create ? open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666) : open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

void printTimedOut(Output& out, const std::string& what, int timeoutSeconds) {
    out.print("*****Error - %s is still being changed by another run after %d seconds - nothing was changed\n",
              what.c_str(), timeoutSeconds);
    out.flush();
}

// One setting of a data source in the driver manager's odbc.ini files.
std::string dataSourceSetting(const char* section, const char* key, const char* file) {
    char value[4096] = {};
    int length = SQLGetPrivateProfileString(section, key, "", value, static_cast<int>(sizeof value), file);
    return length > 0 ? std::string(value) : std::string();
}

bool namesSqlite(std::string text) {
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text.find("sqlite") != std::string::npos;
}

// Whether the header of the database file says WAL journal mode (its read
// and write versions are 2).
bool inWalMode(const std::string& database) {
    std::ifstream file(database, std::ios::binary);
    char header[20] = {};
    if (!file.read(header, sizeof header))
        return false;
    return std::memcmp(header, "SQLite format 3", 16) == 0 && header[18] == 2 && header[19] == 2;
}

class LockTaker {
  public:
    LockTaker(Output& out, DbSession& db, const LockRequest& request, int& lockFile)
        : out_(out), db_(db), request_(request), lockFile_(lockFile), backend_(db.backend(request.routine)) {}

    LockResult take() {
        SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, SessionHandles::connection(db_), statement_.out());
        db_.reportDbcError(rc, "SQLAllocHandle", request_.routine);
        if (rc != SQL_SUCCESS)
            return LockResult::failed;
        Attempt attempt = backend_.kind() == DatabaseKind::sqlite ? takeOnSqlite() : takeOnServer();
        switch (attempt) {
        case Attempt::locked:
            return LockResult::locked;
        case Attempt::busy:
            printTimedOut(out_, request_.what, request_.timeoutSeconds);
            return LockResult::timedOut;
        case Attempt::failed:
            break;
        }
        // The run goes on without the lock and meets the same failure, with
        // its own report, in the statements that follow.
        SQLEndTran(SQL_HANDLE_DBC, SessionHandles::connection(db_), SQL_ROLLBACK);
        return LockResult::failed;
    }

  private:
    // The lock file first (unless taken before connecting), then the
    // database's write lock.
    Attempt takeOnSqlite() {
        if (lockFile_ < 0 && lockFileOfDatabase()) {
            FileWait wait = waitForLockFile(
                out_, request_.what, request_.timeoutSeconds, [this] { return flock(lockFile_, LOCK_EX | LOCK_NB); },
                [] { return false; });
            if (wait == FileWait::timedOut)
                return Attempt::busy;
            // On a file system without locks the write lock alone serialises.
        }
        useWriteAheadLog();
        return runLockStatement(request_.sqliteStatement);
    }

    // Opens "<database>.norvak-lock"; false when there is no such file to be had.
    bool lockFileOfDatabase() {
        char name[4096] = {};
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetInfo(SessionHandles::connection(db_), SQL_DATABASE_NAME, name, sizeof name, &length);
        std::string database = SQL_SUCCEEDED(rc) ? sqliteFileOfName(name) : std::string();
        if (database.empty())
            return false;
        lockFile_ = openLockFile(database, true);
        return lockFile_ >= 0;
    }

    // Runs that only read go on reading the last committed state while this
    // run writes: the database goes into WAL journal mode, which stays with
    // the file. The mode changes outside a transaction only, so autocommit
    // is on for the while (nothing has been done in the transaction yet). A
    // switch that fails (a run that reads a database not yet in that mode, a
    // file system without shared memory) leaves the mode as it was.
    void useWriteAheadLog() {
        SQLULEN autocommit = SQL_AUTOCOMMIT_ON;
        SQLGetConnectAttr(SessionHandles::connection(db_), SQL_ATTR_AUTOCOMMIT, &autocommit, 0, nullptr);
        bool inTransaction = autocommit == SQL_AUTOCOMMIT_OFF;
        if (inTransaction) {
            SQLEndTran(SQL_HANDLE_DBC, SessionHandles::connection(db_), SQL_ROLLBACK);
            SQLSetConnectAttr(SessionHandles::connection(db_), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                              SQL_IS_INTEGER);
        }
        execDirect(statement_.get(), "PRAGMA journal_mode = WAL");
        SQLFreeStmt(statement_.get(), SQL_CLOSE);
        if (inTransaction)
            SQLSetConnectAttr(SessionHandles::connection(db_), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                              SQL_IS_INTEGER);
    }

    // The statement's lock under lock_timeout: two quiet seconds, then the rest.
    Attempt takeOnServer() {
        int timeout = request_.timeoutSeconds;
        int first = std::min(timeout, quietWaitSeconds);
        Attempt attempt = tryWithTimeout(first);
        if (attempt == Attempt::busy && timeout > first) {
            sayWaiting(out_, request_.what, timeout - first);
            // The statement that timed out spoilt the transaction; it held nothing yet.
            SQLEndTran(SQL_HANDLE_DBC, SessionHandles::connection(db_), SQL_ROLLBACK);
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
        std::optional<std::string> sql = backend_.lockTimeoutStatement(milliseconds);
        if (!sql)
            return true;
        SQLRETURN rc = execDirect(statement_.get(), *sql);
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
        std::vector<DiagnosticRecord> records = diagnosticRecords(SQL_HANDLE_STMT, statement_.get());
        SQLFreeStmt(statement_.get(), SQL_CLOSE);
        return backend_.lockWasBusy(records);
    }

    Output& out_;
    DbSession& db_;
    const LockRequest& request_;
    int& lockFile_;
    const Backend& backend_;
    OdbcHandle statement_{SQL_HANDLE_STMT};
};

} // namespace

DatabaseKind databaseKind(DbSession& db, const char* routine) {
    return db.backend(routine).kind();
}

LockRequest messageSetLock(const std::string& schemaPrefix, const std::string& where, const std::string& name,
                           int timeoutSeconds, const char* routine) {
    std::string statement = messageSetLockStatement(schemaPrefix, where);
    return LockRequest{statement, statement, messageSetLockName(name), timeoutSeconds, routine};
}

std::string messageSetLockName(const std::string& name) {
    return "message set " + name;
}

RepositoryLock::~RepositoryLock() {
    if (lockFile_ >= 0)
        close(lockFile_);
}

LockResult RepositoryLock::take(Output& out, DbSession& db, const LockRequest& request) {
    return LockTaker(out, db, request, lockFile_).take();
}

LockResult RepositoryLock::takeBeforeConnecting(Output& out, const std::string& dataSource, const std::string& what,
                                                int timeoutSeconds) {
    std::string database = sqliteDatabaseFile(dataSource);
    if (database.empty() || lockFile_ >= 0)
        return LockResult::locked;
    lockFile_ = openLockFile(database, true);
    if (lockFile_ < 0)
        return LockResult::locked; // taken after connecting, if at all
    FileWait wait = waitForLockFile(
        out, what, timeoutSeconds, [this] { return flock(lockFile_, LOCK_EX | LOCK_NB); }, [] { return false; });
    if (wait != FileWait::timedOut)
        return LockResult::locked;
    printTimedOut(out, what, timeoutSeconds);
    return LockResult::timedOut;
}

std::string sqliteDatabaseFile(const std::string& dataSource) {
    if (dataSource.empty())
        return {};
    // A connection string says what it says; a data source it names with
    // DSN= gives the rest, as the driver manager reads it.
    bool given = isConnectionString(dataSource);
    std::string name = given ? connectionValue(dataSource, "DSN") : dataSource;
    auto setting = [&](const char* key) {
        std::string value = given ? connectionValue(dataSource, key) : std::string();
        if (value.empty() && !name.empty())
            value = dataSourceSetting(name.c_str(), key, "odbc.ini");
        return value;
    };
    std::string driver = setting("Driver");
    // The driver's name ("SQLite3") or the path of its library, in the data
    // source or in the driver's own section of odbcinst.ini.
    if (driver.empty() ||
        (!namesSqlite(driver) && !namesSqlite(dataSourceSetting(driver.c_str(), "Driver", "odbcinst.ini"))))
        return {};
    return sqliteFileOfName(setting("Database"));
}

void waitForWriterBeforeReading(Output& out, const std::string& dataSource, int timeoutSeconds) {
    std::string database = sqliteDatabaseFile(dataSource);
    if (database.empty() || inWalMode(database))
        return;
    int lockFile = openLockFile(database, false);
    if (lockFile < 0)
        return; // no run has ever changed it
    // A shared lock, let go at once: it is had only when no run holds the
    // exclusive one. A writer puts the database into WAL mode soon after it
    // has the lock file, and the run then reads beside it.
    if (waitForLockFile(
            out, "the repository", timeoutSeconds, [lockFile] { return flock(lockFile, LOCK_SH | LOCK_NB); },
            [&database] { return inWalMode(database); }) == FileWait::done)
        flock(lockFile, LOCK_UN);
    close(lockFile);
}


} // namespace norvak
