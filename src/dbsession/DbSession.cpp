// The database session: connecting through ODBC, the statement handle and the error report.
#include "dbsession/DbSession.h"

#include "dbsession/Backend.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/InsertBatches.h"
#include "dbsession/RepositoryLock.h"
#include "support/PasswordMask.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace norvak {

void OdbcHandle::reset() {
    if (handle_ != SQL_NULL_HANDLE)
        SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
}

DbSession::DbSession(Diagnostics& diagnostics, SessionVariant variant)
    : out_(diagnostics.out), errSw_(diagnostics.errSw), variant_(variant) {}

DbSession::~DbSession() {
    inserts_.reset();
    hstmt_.reset();
    if (connected_)
        SQLDisconnect(hdbc_.get());
}

void DbSession::print(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    out_.vprint(format, args);
    va_end(args);
    if (reportsInFull())
        out_.flush();
}

namespace {

// The password of a connection: the one the run gives, else the one its
// connection string holds (masked wherever a line would repeat it).
std::string effectivePassword(const std::string& dataSource, const std::string& password) {
    if (!password.empty() || !isConnectionString(dataSource))
        return password;
    for (const ConnectionKeyword& keyword : connectionKeywords(dataSource))
        if (isPasswordKeyword(keyword.key))
            return keyword.value;
    return {};
}

} // namespace

SQLRETURN DbSession::connectHandle(const std::string& dataSource, const std::string& user,
                                   const std::string& password, const char*& operation) {
    if (!isConnectionString(dataSource)) {
        operation = "SQLConnect";
        return SQLConnect(hdbc_.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(dataSource.c_str())), SQL_NTS,
                          reinterpret_cast<SQLCHAR*>(const_cast<char*>(user.c_str())), SQL_NTS,
                          reinterpret_cast<SQLCHAR*>(const_cast<char*>(password.c_str())), SQL_NTS);
    }
    // A connection string: the driver, or the data source it names, with the
    // settings it gives; never a prompt.
    operation = "SQLDriverConnect";
    std::string text = withCredentials(dataSource, user, password);
    SQLCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    return SQLDriverConnect(hdbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                            static_cast<SQLSMALLINT>(text.size()), completed, sizeof completed, &completedLength,
                            SQL_DRIVER_NOPROMPT);
}

// NOLINTNEXTLINE(readability-function-size)
int DbSession::connectToZEP(const std::string& dataSource, const std::string& user, const std::string& password) {
    const char* routine = "connectToZEP";
    // The removal tool reports everything through the statement handle.
    auto reportHandleCall = [&](SQLRETURN rc, const char* operation) {
        if (variant_ == SessionVariant::removal)
            reportStmtError(rc, operation, routine);
        else
            reportEnvError(rc, operation, routine);
    };
    auto reportConnectionCall = [&](SQLRETURN rc, const char* operation) {
        if (variant_ == SessionVariant::removal)
            reportStmtError(rc, operation, routine);
        else
            reportDbcError(rc, operation, routine);
    };

    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, henv_.out());
    reportHandleCall(rc, "SQLAllocHandle");
    rc = SQLSetEnvAttr(henv_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), SQL_IS_INTEGER);
    reportHandleCall(rc, "SQLSetEnvAttr");
    rc = SQLAllocHandle(SQL_HANDLE_DBC, henv_.get(), hdbc_.out());
    reportHandleCall(rc, "SQLAllocHandle2");

    if (variant_ == SessionVariant::import) {
        if (errSw_) {
            print("Error allocating handles - unable to access ZEP database\n");
            return -1;
        }
        rc = SQLSetConnectAttr(hdbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                               SQL_IS_INTEGER);
        reportConnectionCall(rc, "SQLSetConnectAttr(autocommit_off)");
    } else if (variant_ == SessionVariant::listing || variant_ == SessionVariant::snapshot) {
        rc = SQLSetConnectAttr(hdbc_.get(), SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY),
                               SQL_IS_INTEGER);
        reportConnectionCall(rc, "SQLSetConnectAttr");
    }
    if (variant_ == SessionVariant::snapshot) {
        rc = SQLSetConnectAttr(hdbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                               SQL_IS_INTEGER);
        reportConnectionCall(rc, "SQLSetConnectAttr(autocommit_off)");
    }

    dataSource_ = dataSource;
    password_ = effectivePassword(dataSource, password);
    const std::string shown = shownDataSource(dataSource);
    print("Connecting to database %s using %s pw %s\n", shown.c_str(), user.c_str(), maskedPassword(password_));
    // A run that only reads would otherwise wait inside the SQLite driver,
    // without a word, for a run that writes a database not in WAL mode.
    if (variant_ == SessionVariant::listing || variant_ == SessionVariant::snapshot)
        waitForWriterBeforeReading(out_, dataSource);
    const char* operation = nullptr;
    rc = connectHandle(dataSource, user, password, operation);
    reportConnectionCall(rc, operation);
    if (rc == SQL_SUCCESS) {
        connected_ = true;
        detectBackend();
        if (variant_ == SessionVariant::import && !reconnectForImport(dataSource, user, password)) {
            print("Database connection to %s failed\n", shown.c_str());
            explainFailure(diagnosticRecords(SQL_HANDLE_DBC, hdbc_.get()));
            errSw_ = 1;
            return SQL_ERROR;
        }
        if (variant_ == SessionVariant::snapshot) {
            // One snapshot for all the queries of the run. A SQLite
            // transaction sees one state of the database whatever is asked,
            // so the answer to the request is not examined.
            SQLSetConnectAttr(hdbc_.get(), SQL_ATTR_TXN_ISOLATION,
                              reinterpret_cast<SQLPOINTER>(SQL_TXN_REPEATABLE_READ), SQL_IS_INTEGER);
        }
        print(variant_ == SessionVariant::listing || variant_ == SessionVariant::snapshot ? "Connected to database %s\n"
                                                                                          : "Connection successful %s\n",
              shown.c_str());
        return 0;
    }
    if (rc == SQL_SUCCESS_WITH_INFO) {
        // Connected after all; the session is closed again when it ends.
        connected_ = true;
    }
    print("Database connection to %s failed\n", shown.c_str());
    explainFailedConnect(dataSource);
    errSw_ = 1;
    return rc;
}

bool DbSession::connectWithString(const std::string& connectionString) {
    const char* routine = "connectWithString";
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, henv_.out());
    reportEnvError(rc, "SQLAllocHandle", routine);
    if (rc == SQL_SUCCESS) {
        rc = SQLSetEnvAttr(henv_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                           SQL_IS_INTEGER);
        reportEnvError(rc, "SQLSetEnvAttr", routine);
    }
    if (rc == SQL_SUCCESS) {
        rc = SQLAllocHandle(SQL_HANDLE_DBC, henv_.get(), hdbc_.out());
        reportEnvError(rc, "SQLAllocHandle2", routine);
    }
    if (rc != SQL_SUCCESS)
        return false;
    std::string text = connectionString;
    rc = SQLDriverConnect(hdbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                          static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    reportDbcError(rc, "SQLDriverConnect", routine);
    if (!SQL_SUCCEEDED(rc))
        return false;
    connected_ = true;
    detectBackend();
    rc = SQLSetConnectAttr(hdbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                           SQL_IS_INTEGER);
    reportDbcError(rc, "SQLSetConnectAttr(autocommit_off)", routine);
    return rc == SQL_SUCCESS;
}

std::string importConnectionString(const std::string& dataSource, const std::string& user,
                                   const std::string& password) {
    if (isConnectionString(dataSource)) {
        // The string's own keywords stand, the run's credentials replacing its own.
        std::string text = withCredentials(dataSource, user, password);
        if (!text.empty() && text.back() != ';')
            text += ';';
        return text + std::string(psqlImportSettings);
    }
    std::string text = "DSN=" + odbcConnectionValue(dataSource);
    // The data source's own user and password stand unless the run gives them.
    if (!user.empty())
        text += ";UID=" + odbcConnectionValue(user);
    if (!password.empty())
        text += ";PWD=" + odbcConnectionValue(password);
    return text + ";" + std::string(psqlImportSettings);
}

bool DbSession::reconnectForImport(const std::string& dataSource, const std::string& user,
                                   const std::string& password) {
    // The database's backend says whether its driver tunes the import's
    // connection with keywords of its own (see Backend::tunedImportConnection).
    SQLCHAR driver[64] = {};
    SQLSMALLINT length = 0;
    if (backend_ == nullptr || !SQL_SUCCEEDED(SQLGetInfo(hdbc_.get(), SQL_DRIVER_NAME, driver, sizeof driver, &length)))
        return true;
    std::optional<std::string> tuned =
        backend_->tunedImportConnection(reinterpret_cast<const char*>(driver), dataSource, user, password);
    if (!tuned)
        return true;
    SQLDisconnect(hdbc_.get());
    std::string text = *tuned;
    SQLCHAR completed[1024];
    SQLSMALLINT completedLength = 0;
    SQLRETURN rc = SQLDriverConnect(hdbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                    static_cast<SQLSMALLINT>(text.size()), completed, sizeof completed,
                                    &completedLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        // Not taken: the connection as the data source has it, as before.
        const char* operation = nullptr;
        rc = connectHandle(dataSource, user, password, operation);
        reportDbcError(rc, operation, "connectToZEP");
    }
    connected_ = SQL_SUCCEEDED(rc);
    if (connected_) {
        rc = SQLSetConnectAttr(hdbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                               SQL_IS_INTEGER);
        reportDbcError(rc, "SQLSetConnectAttr(autocommit_off)", "connectToZEP");
    }
    return connected_ && rc == SQL_SUCCESS;
}

void DbSession::explainFailedConnect(const std::string& dataSource) {
    if (dataSource.empty())
        return; // a run without a data source has said so already
    std::vector<DiagnosticRecord> records = diagnosticRecords(SQL_HANDLE_DBC, hdbc_.get());
    if (records.empty() || records.front().state != "IM002") {
        explainFailure(diagnosticRecords(SQL_HANDLE_DBC, hdbc_.get()));
        return;
    }
    // The driver manager knows no data source of that name: where it looked.
    const char* odbcIni = std::getenv("ODBCINI");
    if (isConnectionString(dataSource)) {
        print("  data source %s names neither a driver of odbcinst.ini with Driver= (such as {SQLite3} or "
              "{PostgreSQL ANSI}) nor with DSN= a data source of the file ODBCINI names (%s), ~/.odbc.ini or "
              "/etc/odbc.ini (the driver manager said: %s)\n",
              commandLineDataSource(dataSource).c_str(), odbcIni != nullptr ? odbcIni : "not set",
              records.front().text.c_str());
        return;
    }
    print("  data source %s is not defined where unixODBC looks for it: the file ODBCINI names (%s), "
          "~/.odbc.ini, /etc/odbc.ini; for the embedded repository, run norvakinit without -n first, then use "
          "-n norvak (the driver manager said: %s)\n",
          dataSource.c_str(), odbcIni != nullptr ? odbcIni : "not set", records.front().text.c_str());
}

void DbSession::explainFailure(const std::vector<DiagnosticRecord>& records) {
    FailurePlace place{dataSource_, password_, sqliteDatabaseFile(dataSource_)};
    for (const std::string& line : failureExplanation(records, place))
        print("%s\n", line.c_str());
}

void DbSession::reportSqlError(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* operation,
                               const char* routine) {
    if (rc == SQL_SUCCESS)
        return;
    SQLRETURN diag = SQL_SUCCESS;
    const std::vector<DiagnosticRecord> records = diagnosticRecords(handleType, handle, &diag);
    if (diag != SQL_SUCCESS) {
        if (reportsInFull())
            print("***** Unable to retrieve SQLSTATE diagrc %d for %s in routine %s\n", diag, operation, routine);
        else
            print("***** Unable to retrieve SQLSTATE\n");
    }
    const char* sqlState = records.empty() ? "" : records.front().state.c_str();
    if (reportsInFull())
        print("*****Database error %d during %s in routine %s SQLSTATE %s\n", rc, operation, routine, sqlState);
    else
        print("*****Database error %d during %s in routine %s SQLSTATUS %s\n", rc, operation, routine, sqlState);
    errSw_ = 1;
    out_.setQuiet(false); // from the first error on, the run's whole end is shown
}

void DbSession::reportEnvError(SQLRETURN rc, const char* operation, const char* routine) {
    reportSqlError(rc, SQL_HANDLE_ENV, henv_.get(), operation, routine);
}

void DbSession::reportDbcError(SQLRETURN rc, const char* operation, const char* routine) {
    reportSqlError(rc, SQL_HANDLE_DBC, hdbc_.get(), operation, routine);
}

void DbSession::reportStmtError(SQLRETURN rc, const char* operation, const char* routine) {
    reportSqlError(rc, SQL_HANDLE_STMT, hstmt_.get(), operation, routine);
}

SQLRETURN DbSession::allocateStatement(const char* routine) {
    hstmt_.reset();
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, hdbc_.get(), hstmt_.out());
    if (variant_ == SessionVariant::removal)
        reportStmtError(rc, "SQLAllocHandle", routine);
    else
        reportDbcError(rc, "SQLAllocHandle", routine);
    return rc;
}

void DbSession::detectBackend() {
    char name[128] = {};
    SQLSMALLINT length = 0;
    // Unanswered, the question is asked again, and reported, when the backend is needed.
    if (SQL_SUCCEEDED(SQLGetInfo(hdbc_.get(), SQL_DBMS_NAME, name, sizeof name, &length)))
        backend_ = &backendOfDatabase(name);
}

const Backend& DbSession::backend(const char* routine) {
    if (backend_ != nullptr)
        return *backend_;
    char name[128] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetInfo(hdbc_.get(), SQL_DBMS_NAME, name, sizeof name, &length);
    if (!SQL_SUCCEEDED(rc)) {
        reportDbcError(rc, "SQLGetInfo", routine);
        return backendOf(DatabaseKind::other);
    }
    backend_ = &backendOfDatabase(name);
    return *backend_;
}

void DbSession::closeCursor() {
    SQLFreeStmt(hstmt_.get(), SQL_CLOSE);
}

SQLRETURN DbSession::rollbackNow() {
    discardInserts();
    return SQLEndTran(SQL_HANDLE_DBC, hdbc_.get(), SQL_ROLLBACK);
}

InsertBatches& DbSession::inserts() {
    if (!inserts_) {
        const InsertBatching batching = backend_ != nullptr ? backend_->insertBatching() : InsertBatching{};
        inserts_ = std::make_unique<InsertBatches>(*this, batching.rowsPerBatch, batching.columnArrays);
    }
    return *inserts_;
}

bool DbSession::flushInserts() {
    return !inserts_ || inserts_->flush();
}

void DbSession::discardInserts() {
    if (inserts_)
        inserts_->discard();
}

void DbSession::close(const char* routine) {
    inserts_.reset();
    hstmt_.reset();
    if (connected_) {
        SQLRETURN rc = SQLDisconnect(hdbc_.get());
        connected_ = false;
        backend_ = nullptr;
        if (reportsInFull())
            reportDbcError(rc, "SQLDisconnect", routine);
    }
    hdbc_.reset();
    henv_.reset();
}

} // namespace norvak
