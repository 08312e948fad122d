#pragma once

#include "support/ConnectionText.h"
#include "support/Diagnostics.h"
#include "support/Output.h"

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <string>
#include <vector>

namespace norvak {

class Backend;
class InsertBatches;
struct DiagnosticRecord;

// Which utility a session serves; they differ in the connection attribute,
// the report lines and which handle the report reads.
enum class SessionVariant {
    import,  // autocommit off; reports by handle kind; flushes every line
    listing, // read-only access; reports by handle kind
    removal, // the driver's default (autocommit on); reports always read the statement handle
    setup,   // the driver's default (autocommit on); reports and lines as the import's
    snapshot, // read-only, autocommit off, repeatable read: every query of the run sees the same
              // committed state; reports by handle kind
};

// The psqlODBC settings of an import's connection: rollback of the whole
// transaction on an error (no savepoint around each statement) and no
// server-side prepare.
inline constexpr const char* psqlImportSettings = "Protocol=7.4-1;UseServerSidePrepare=0";

// The connection string of an import through psqlODBC: the data source, the
// user and password the run gives, and psqlImportSettings.
std::string importConnectionString(const std::string& dataSource, const std::string& user,
                                   const std::string& password);

// Owns an ODBC handle of one kind and frees it when dropped.
class OdbcHandle {
  public:
    explicit OdbcHandle(SQLSMALLINT type) : type_(type) {}
    ~OdbcHandle() { reset(); }
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    SQLHANDLE get() const { return handle_; }
    SQLHANDLE* out() { return &handle_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
    // Frees the handle (the result is not examined) and forgets it.
    void reset();

  private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// The database session of a utility: its environment, connection and main
// statement handle, the connect routine and the database error report.
class DbSession {
  public:
    // Reports through the run's diagnostics and sets their error switch.
    DbSession(Diagnostics& diagnostics, SessionVariant variant);
    ~DbSession();
    DbSession(const DbSession&) = delete;
    DbSession& operator=(const DbSession&) = delete;

    // Sets up the handles and connects to a data source named by `dataSource`,
    // or through it when it is a connection string (see ConnectionText.h),
    // which the lines show with its password masked; 0 when connected, -1 when the
    // handles cannot be set up (import), otherwise the connect's return code.
    int connectToZEP(const std::string& dataSource, const std::string& user, const std::string& password);
    // Connects, with autocommit off, through a full connection string
    // ("DRIVER={SQLite3};Database=:memory:"), saying nothing unless it fails;
    // true when connected.
    bool connectWithString(const std::string& connectionString);

    // Reports a non-zero return code of an ODBC call with the SQLSTATE of the
    // handle's first diagnostic record, and sets the error switch.
    void reportSqlError(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation,
                        const char* routine);
    void reportEnvError(SQLRETURN rc, const char* operation, const char* routine);
    void reportDbcError(SQLRETURN rc, const char* operation, const char* routine);
    void reportStmtError(SQLRETURN rc, const char* operation, const char* routine);
    // After the line that reports a failure: the driver's message of every
    // diagnostic record read (see Statement::diagnostics), then the next
    // step when the failure is a known one (see DiagnosticRecords.h).
    void explainFailure(const std::vector<DiagnosticRecord>& records);
    // The data source of the last connect.
    const std::string& dataSource() const { return dataSource_; }

    // Allocates the session's main statement handle, replacing the one it
    // had; a failure is reported under "SQLAllocHandle" in `routine` (by the
    // removal tool through the statement handle, by the others through the
    // connection). Returns the allocation's result.
    SQLRETURN allocateStatement(const char* routine);

    // Frees the statement handle, disconnects and frees the connection and
    // the environment. The import reports a failing disconnect under the
    // operation "SQLDisconnect" in `routine`; the tools do not look.
    void close(const char* routine);

    // What differs on the database the session is connected to, asked of
    // the driver once per connection; a failing question is reported under
    // "SQLGetInfo" in `routine` (and asked again next time), and the
    // answer is then a database of no known kind.
    const Backend& backend(const char* routine);

    // Closes the cursor of the main statement handle (its result set is not read further).
    void closeCursor();
    // Rolls back the connection's open transaction at once; the caller
    // reports the result under its own label.
    SQLRETURN rollbackNow();

    // The session's inserts, each statement text prepared once; the rows
    // of an import go in batches.
    InsertBatches& inserts();
    // Sends the rows that wait in batches; false when one failed (reported).
    bool flushInserts();
    // Forgets the rows that wait: the transaction is rolled back.
    void discardInserts();

    bool connected() const { return connected_; }

  private:
    // The handles themselves stay inside the session layer (SessionHandles.h).
    friend struct SessionHandles;
    SQLHENV henv() const { return henv_.get(); }
    SQLHDBC hdbc() const { return hdbc_.get(); }
    SQLHSTMT hstmt() const { return hstmt_.get(); }

    // SQLConnect to a data source by its name, or SQLDriverConnect with a
    // connection string and the run's credentials; `operation` names the call.
    SQLRETURN connectHandle(const std::string& dataSource, const std::string& user, const std::string& password,
                            const char*& operation);
    // Which database the connection reaches, asked of the driver once, without a word.
    void detectBackend();
    // The import's connection through psqlODBC, made again without a
    // savepoint around each statement and without server-side prepares.
    bool reconnectForImport(const std::string& dataSource, const std::string& user, const std::string& password);
    // After a failed connect: when the data source is unknown to the driver
    // manager, one line that says where it looked; otherwise the lines of
    // explainFailure.
    void explainFailedConnect(const std::string& dataSource);
    // The import and set-up sessions flush every line and report in full.
    bool reportsInFull() const { return variant_ == SessionVariant::import || variant_ == SessionVariant::setup; }
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));

    Output& out_;
    int& errSw_;
    SessionVariant variant_;
    OdbcHandle henv_{SQL_HANDLE_ENV};
    OdbcHandle hdbc_{SQL_HANDLE_DBC};
    OdbcHandle hstmt_{SQL_HANDLE_STMT};
    bool connected_ = false;
    std::string dataSource_;
    std::string password_; // only to mask it where a driver's message repeats it
    // Decided once per connection, when it is made (or when first asked, if
    // the driver did not answer then); the batches of inserts follow it.
    const Backend* backend_ = nullptr;
    std::unique_ptr<InsertBatches> inserts_;
};


} // namespace norvak
