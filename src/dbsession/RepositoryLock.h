#pragma once

#include "dbsession/Backend.h"
#include "support/LockTimeoutOption.h"

#include <string>

namespace norvak {

class DbSession;
class Output;

// Asks the driver which database the session is connected to; `other` when
// it cannot tell (the failure is reported under "SQLGetInfo" in `routine`).
DatabaseKind databaseKind(DbSession& db, const char* routine);


enum class LockResult {
    locked,   // the transaction holds the lock
    timedOut, // another run held it for the whole timeout (reported)
    failed,   // the statement failed for another reason: rolled back, not reported
};

// What a run locks before it reads anything: the first statement of its
// transaction, run on a statement handle of its own. The lines name `what`
// ("message set Orders").
struct LockRequest {
    std::string sqliteStatement;
    std::string postgresStatement; // also used for other databases
    std::string what;
    int timeoutSeconds = defaultLockTimeoutSeconds;
    const char* routine = "";
};

// What the lines of a message set's lock name: "message set NAME".
std::string messageSetLockName(const std::string& name);

// The lock of one message set, named by its PROJECT row (`where`, a condition
// on PROJECT such as "PROJECT_KEY = 100"): an UPDATE of that row that changes
// nothing; the lines name "message set NAME".
LockRequest messageSetLock(const std::string& schemaPrefix, const std::string& where, const std::string& name,
                           int timeoutSeconds, const char* routine);

// The lock of a run that changes the repository, held until the object is
// dropped (after the transaction has ended). take() waits for another run
// that holds it: after two seconds one line says so, and after the timeout
// the run gives up with an error line naming `what`. The session's
// connection must have autocommit off.
//
// On PostgreSQL the statement's row or table lock is the lock, waited for
// under lock_timeout. On SQLite the driver retries a busy statement for as
// long as its data source allows (connecting included: the driver reads the
// database as it connects), so runs first take an exclusive lock on the file
// "<database>.norvak-lock" beside the database, before they connect
// (takeBeforeConnecting) or, when the data source's settings do not name the
// file, right after; the statement then takes the database's write lock.
// With the lock file held, take() puts the database into WAL journal mode,
// which stays with the file, so that runs that only read go on reading the
// last committed state while the run writes. A killed run's locks go with
// its process and its connection.
class RepositoryLock {
  public:
    RepositoryLock() = default;
    ~RepositoryLock();
    RepositoryLock(const RepositoryLock&) = delete;
    RepositoryLock& operator=(const RepositoryLock&) = delete;

    // Before connecting to `dataSource`: on SQLite, the lock file of its
    // database, waited for as take() waits (the lines name `what`). `locked`
    // when held or when there is no such file to take (another database);
    // `timedOut` once reported.
    LockResult takeBeforeConnecting(Output& out, const std::string& dataSource, const std::string& what,
                                    int timeoutSeconds);
    LockResult take(Output& out, DbSession& db, const LockRequest& request);

  private:
    int lockFile_ = -1;
};

// The database file of a data source of the SQLite driver, read from the
// data source's settings without connecting, or from a connection string's
// Driver= and Database= (with the settings of a data source it names with
// DSN= for what it does not say); empty for another driver, for a database
// in memory, or when the settings cannot be read.
std::string sqliteDatabaseFile(const std::string& dataSource);

// Before a run that only reads connects to `dataSource`: on SQLite, when the
// database is not (yet) in WAL journal mode and another run holds its lock
// file, the driver would wait for that run's write lock without a word, so
// the run waits here until the other run ends or the database is in WAL
// mode, at most `timeoutSeconds`, with a line after two seconds; then it
// connects. Elsewhere it does nothing.
void waitForWriterBeforeReading(Output& out, const std::string& dataSource,
                                int timeoutSeconds = defaultLockTimeoutSeconds);


} // namespace norvak
