#pragma once

#include "dbsession/DiagnosticRecords.h"
#include "dbsession/RepositorySchema.h"

#include <optional>
#include <string>
#include <vector>

namespace norvak {

// The database behind a session, where its SQL differs.
enum class DatabaseKind { sqlite, postgres, other };

// What differs between the databases a repository can be kept in: one
// object per database, which a session decides once per connection
// (DbSession::backend): the index statements and the lock waits. (The
// batches of inserts and the tuning of the import's connection follow the
// driver, which the session asks when it connects for an import.)
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
};

// The backend of a database by the name its driver gives (SQL_DBMS_NAME).
const Backend& backendOfDatabase(const std::string& databaseName);
const Backend& backendOf(DatabaseKind kind);

} // namespace norvak
