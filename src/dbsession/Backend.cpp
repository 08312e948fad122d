// What differs between SQLite and PostgreSQL (and any other database): index statements, lock waits, batches.
#include "dbsession/Backend.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"

namespace norvak {

namespace {

// PostgreSQL's lock_not_available, and SQLite's SQLITE_BUSY.
constexpr const char* postgresLockNotAvailable = "55P03";
constexpr int sqliteBusy = 5;
// How each says that a statement names a table that is not there.
constexpr const char* postgresUndefinedTable = "42P01";
constexpr const char* sqliteNoSuchTable = "no such table";

bool firstRecordIsState(const std::vector<DiagnosticRecord>& records, const char* state) {
    return !records.empty() && records.front().state == state;
}

bool firstRecordSays(const std::vector<DiagnosticRecord>& records, const char* text) {
    return !records.empty() && records.front().text.find(text) != std::string::npos;
}

class SqliteBackend : public Backend {
  public:
    DatabaseKind kind() const override { return DatabaseKind::sqlite; }
    std::string createIndexStatement(const std::string& schemaPrefix, const IndexDefinition& index) const override {
        return formatText("CREATE INDEX IF NOT EXISTS %s%s ON %s %s", schemaPrefix.c_str(), index.name, index.table,
                          index.columns);
    }
    bool indexCreationWaitsForWriters() const override { return false; }
    bool reportsMissingTable(const std::vector<DiagnosticRecord>& records) const override {
        return firstRecordSays(records, sqliteNoSuchTable);
    }
    bool lockWasBusy(const std::vector<DiagnosticRecord>& records) const override {
        return !records.empty() &&
               (records.front().native == sqliteBusy || records.front().text.find("locked") != std::string::npos);
    }
};

class PostgresBackend : public Backend {
  public:
    DatabaseKind kind() const override { return DatabaseKind::postgres; }
    std::optional<std::string> lockTimeoutStatement(int milliseconds) const override {
        return formatText("SET lock_timeout = %d", milliseconds);
    }
    bool lockWasBusy(const std::vector<DiagnosticRecord>& records) const override {
        return firstRecordIsState(records, postgresLockNotAvailable);
    }
    bool reportsMissingTable(const std::vector<DiagnosticRecord>& records) const override {
        return firstRecordIsState(records, postgresUndefinedTable);
    }
    InsertBatching insertBatching() const override { return {200, true}; }
    // An import rolls back as a whole: psqlODBC's savepoint around every
    // statement (its default whatever the server) and a server-side prepare
    // of every statement buy nothing and cost round trips. They are turned
    // off for the import's connection, whatever the data source says.
    std::optional<std::string> tunedImportConnection(const std::string& driverName, const std::string& dataSource,
                                                     const std::string& user,
                                                     const std::string& password) const override {
        if (driverName.rfind("psqlodbc", 0) != 0)
            return std::nullopt;
        return importConnectionString(dataSource, user, password);
    }
};

class OtherBackend : public Backend {
  public:
    DatabaseKind kind() const override { return DatabaseKind::other; }
};

} // namespace

std::string Backend::createIndexStatement(const std::string& schemaPrefix, const IndexDefinition& index) const {
    return formatText("CREATE INDEX IF NOT EXISTS %s ON %s%s %s", index.name, schemaPrefix.c_str(), index.table,
                      index.columns);
}

std::optional<std::string> Backend::lockTimeoutStatement(int) const {
    return std::nullopt;
}

bool Backend::lockWasBusy(const std::vector<DiagnosticRecord>&) const {
    return false;
}

bool Backend::reportsMissingTable(const std::vector<DiagnosticRecord>& records) const {
    return firstRecordIsState(records, postgresUndefinedTable) || firstRecordSays(records, sqliteNoSuchTable);
}

std::optional<std::string> Backend::tunedImportConnection(const std::string&, const std::string&, const std::string&,
                                                          const std::string&) const {
    return std::nullopt;
}

const Backend& backendOf(DatabaseKind kind) {
    static const SqliteBackend sqlite;
    static const PostgresBackend postgres;
    static const OtherBackend other;
    switch (kind) {
    case DatabaseKind::sqlite:
        return sqlite;
    case DatabaseKind::postgres:
        return postgres;
    case DatabaseKind::other:
        break;
    }
    return other;
}

const Backend& backendOfDatabase(const std::string& databaseName) {
    if (databaseName.find("SQLite") != std::string::npos)
        return backendOf(DatabaseKind::sqlite);
    if (databaseName.find("PostgreSQL") != std::string::npos)
        return backendOf(DatabaseKind::postgres);
    return backendOf(DatabaseKind::other);
}

} // namespace norvak
