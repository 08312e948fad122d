#pragma once

#include <string>

namespace norvak {

class DbSession;
class Output;

// The database behind a session, where its SQL differs.
enum class DatabaseKind { sqlite, postgres, other };

// Asks the driver which database the session is connected to; `other` when
// it cannot tell (the failure is reported under "SQLGetInfo" in `routine`).
DatabaseKind databaseKind(DbSession& db, const char* routine);

// The longest a run waits for another run's lock unless told otherwise.
inline constexpr int defaultLockTimeoutSeconds = 600;

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
// long as its data source allows, so runs first take an exclusive lock on
// the file "<database>.norvak-lock" beside the database, waited for here;
// the statement then takes the database's write lock. A killed run's locks
// go with its process and its connection.
class RepositoryLock {
  public:
    RepositoryLock() = default;
    ~RepositoryLock();
    RepositoryLock(const RepositoryLock&) = delete;
    RepositoryLock& operator=(const RepositoryLock&) = delete;

    LockResult take(Output& out, DbSession& db, const LockRequest& request);

  private:
    int lockFile_ = -1;
};

// A lock timeout given on a command line ("--lock-timeout SECONDS" or
// "--lock-timeout=SECONDS"): a whole number from 0 to 86400. Looks at
// argv[i]; `none` when it is no such option, otherwise `i` is moved past
// its value and `invalid` means a missing or bad value (in `text`).
enum class LockTimeoutArgument { none, taken, invalid };
LockTimeoutArgument takeLockTimeoutArgument(int argc, const char* const* argv, int& i, int& seconds,
                                            std::string& text);
inline constexpr const char* lockTimeoutErrorLine =
    "*****Error - --lock-timeout takes a whole number of seconds from 0 to 86400, not %s\n";

} // namespace norvak
