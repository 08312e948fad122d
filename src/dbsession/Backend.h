#pragma once

#include "dbsession/DiagnosticRecords.h"
#include "dbsession/RepositorySchema.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace norvak {

// The database behind a session, where its SQL differs.
enum class DatabaseKind { sqlite, postgres, other };

// How the rows an import gives in batches are sent: up to `rowsPerBatch`
// rows in one statement of many VALUES rows, or, with `columnArrays`, one
// array per column that the server reads instead of parsing a row each.
struct InsertBatching {
    std::size_t rowsPerBatch = 200;
    bool columnArrays = false;
};

// What differs between the databases a repository can be kept in: one
// object per database, which a session decides once per connection
// (DbSession::backend): the index statements, the lock waits, the batches
// of inserts and the tuning of the import's connection.
class Backend {
  public:
    virtual ~Backend() = default;
    virtual DatabaseKind kind() const = 0;

    // The statement that creates a look-up index when it is missing: where
    // the schema name goes differs (SQLite qualifies the index, a server the
    // table).
    virtual std::string createIndexStatement(const std::string& schemaPrefix, const IndexDefinition& index) const;
    // Whether creating an index waits for every run that writes its table
    // (then the catalog is asked first, and the wait bounded).
    virtual bool indexCreationWaitsForWriters() const { return true; }

    // The statement that bounds how long the next lock statement waits, or
    // none when the database has no such setting.
    virtual std::optional<std::string> lockTimeoutStatement(int milliseconds) const;
    // Whether a failed lock statement failed only because another run
    // holds the lock.
    virtual bool lockWasBusy(const std::vector<DiagnosticRecord>& records) const;
    // Whether a failed statement failed because its table is missing (of a
    // database of no known kind: as either known database says it).
    virtual bool reportsMissingTable(const std::vector<DiagnosticRecord>& records) const;

    // Rows per batch: the SQLite driver compiles a statement again at each
    // execution, so one statement of many rows is compiled once for all of
    // them; through a server each statement is a round trip.
    virtual InsertBatching insertBatching() const { return {}; }
    // The connection string an import connects with again, through the
    // driver named `driverName` (SQL_DRIVER_NAME), to tune the connection
    // with the driver's own keywords; nothing when the connection stands as
    // it is.
    virtual std::optional<std::string> tunedImportConnection(const std::string& driverName,
                                                             const std::string& dataSource, const std::string& user,
                                                             const std::string& password) const;
};

// The backend of a database by the name its driver gives (SQL_DBMS_NAME).
const Backend& backendOfDatabase(const std::string& databaseName);
const Backend& backendOf(DatabaseKind kind);

} // namespace norvak
