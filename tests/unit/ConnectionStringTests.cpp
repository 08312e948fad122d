// Tests of connection strings: their keywords, credentials and shown form.
#include "dbsession/Backend.h"
#include "dbsession/DbSession.h"
#include "dbsession/RepositoryLock.h"

#include <gtest/gtest.h>

// Connection strings: the keywords read from one, the credentials of -u and
// -p put into one, the form the lines show, and the connection string of an
// import through psqlODBC (the data source or the string given, the run's
// user and password, and the driver's settings for an import).

namespace norvak {
namespace {

TEST(ImportConnectionString, NamesTheDataSourceAndOnlyTheCredentialsTheRunGives) {
    EXPECT_EQ(importConnectionString("orders_pg", "", ""), "DSN=orders_pg;Protocol=7.4-1;UseServerSidePrepare=0");
    EXPECT_EQ(importConnectionString("orders_pg", "alice", "secret"),
              "DSN=orders_pg;UID=alice;PWD=secret;Protocol=7.4-1;UseServerSidePrepare=0");
}

// What the database's backend decides for an import: only psqlODBC takes
// the tuning keywords (another driver would refuse or ignore them), and only
// a server takes its batches as column arrays.
TEST(ImportConnectionString, OnlyAServerReachedThroughPsqlodbcIsConnectedAgainTuned) {
    const Backend& postgres = backendOf(DatabaseKind::postgres);
    EXPECT_EQ(postgres.tunedImportConnection("psqlodbcw.so", "orders_pg", "alice", "secret"),
              importConnectionString("orders_pg", "alice", "secret"));
    EXPECT_EQ(postgres.tunedImportConnection("libodbcpsql.so", "orders_pg", "", ""), std::nullopt);
    EXPECT_EQ(backendOf(DatabaseKind::sqlite).tunedImportConnection("psqlodbcw.so", "orders", "", ""), std::nullopt);
    EXPECT_EQ(backendOf(DatabaseKind::other).tunedImportConnection("psqlodbcw.so", "orders", "", ""), std::nullopt);

    EXPECT_TRUE(backendOfDatabase("PostgreSQL").insertBatching().columnArrays);
    EXPECT_FALSE(backendOfDatabase("SQLite").insertBatching().columnArrays);
    EXPECT_GT(backendOfDatabase("SQLite").insertBatching().rowsPerBatch, 1U);
}

TEST(ImportConnectionString, ValuesThatWouldEndTheirKeywordAreBraced) {
    EXPECT_EQ(odbcConnectionValue("plain"), "plain");
    EXPECT_EQ(odbcConnectionValue("a;Protocol=7.4-2"), "{a;Protocol=7.4-2}");
    EXPECT_EQ(odbcConnectionValue("x}y{"), "{x}}y{}");
    EXPECT_EQ(odbcConnectionValue(" lead"), "{ lead}");
    EXPECT_EQ(importConnectionString("pg", "bob", "p;w}d"),
              "DSN=pg;UID=bob;PWD={p;w}}d};Protocol=7.4-1;UseServerSidePrepare=0");
}

TEST(ImportConnectionString, AGivenStringKeepsItsKeywordsAndTakesTheRunsCredentials) {
    EXPECT_EQ(importConnectionString("Driver={PostgreSQL ANSI};Server=db;Database=zep", "", ""),
              "Driver={PostgreSQL ANSI};Server=db;Database=zep;Protocol=7.4-1;UseServerSidePrepare=0");
    EXPECT_EQ(importConnectionString("Driver={PostgreSQL ANSI};UID=old;PWD=old;Database=zep;", "alice", "secret"),
              "Driver={PostgreSQL ANSI};Database=zep;UID=alice;PWD=secret;Protocol=7.4-1;UseServerSidePrepare=0");
}

TEST(ConnectionText, ADataSourceNameHoldsNoEqualSign) {
    EXPECT_FALSE(isConnectionString("norvak"));
    EXPECT_FALSE(isConnectionString("orders pg"));
    EXPECT_TRUE(isConnectionString("DSN=norvak"));
    EXPECT_TRUE(isConnectionString("DRIVER={SQLite3};Database=repo.db"));
}

TEST(ConnectionText, KeywordsAreReadAsTheDriverReadsThem) {
    std::string text = " Driver = {SQLite3} ;Database={/data/a;b}}c.db};broken;PWD= x y ;";
    std::vector<ConnectionKeyword> keywords = connectionKeywords(text);
    ASSERT_EQ(keywords.size(), 3u);
    EXPECT_EQ(keywords[0].key, "Driver");
    EXPECT_EQ(keywords[0].value, "SQLite3");
    EXPECT_EQ(keywords[1].value, "/data/a;b}c.db");
    EXPECT_EQ(keywords[2].value, "x y");
    EXPECT_EQ(connectionValue(text, "database"), "/data/a;b}c.db");
    EXPECT_EQ(connectionValue(text, "DSN"), "");
    EXPECT_EQ(connectionValue("DSN=a;DSN=b", "dsn"), "a"); // the first one counts
}

TEST(ConnectionText, EveryPasswordOfAStringIsMaskedAndNothingElse) {
    EXPECT_EQ(shownDataSource("norvak"), "norvak");
    EXPECT_EQ(shownDataSource("Driver={PostgreSQL ANSI};UID=pwd;PWD=s3cret;Database=zep"),
              "Driver={PostgreSQL ANSI};UID=pwd;PWD=********;Database=zep");
    EXPECT_EQ(shownDataSource("password={a;b}};c};pwd=x"), "password=********;pwd=********");
    EXPECT_EQ(shownDataSource("DSN=zep;PWD="), "DSN=zep;PWD=");
    EXPECT_EQ(commandLineDataSource("norvak"), "norvak");
    EXPECT_EQ(commandLineDataSource("Database=it's.db;Password=x"), "'Database=it'\\''s.db;Password=********'");
}

TEST(ConnectionText, TheCredentialsGivenReplaceTheStringsOwn) {
    EXPECT_EQ(withCredentials("DSN=zep", "", ""), "DSN=zep");
    EXPECT_EQ(withCredentials("DSN=zep", "bob", ""), "DSN=zep;UID=bob;");
    EXPECT_EQ(withCredentials("Username=old;DSN=zep;Password={a;b};", "", "new;pw"), "Username=old;DSN=zep;PWD={new;pw};");
    EXPECT_EQ(withCredentials("UID=old;User=x;DSN=zep", "bob", "pw"), "DSN=zep;UID=bob;PWD=pw;");
}

// The database file a SQLite connection string names, whose lock file the
// runs take before connecting: a path, or the file of a "file:" URI as SQLite
// reads it; none for a database in memory or on another host.
TEST(SqliteDatabaseFile, IsThePathOfAFileUriAsSqliteReadsIt) {
    auto fileOf = [](const std::string& database) {
        return sqliteDatabaseFile("DRIVER={SQLite3};Database=" + database);
    };
    EXPECT_EQ(fileOf("/srv/repo.db"), "/srv/repo.db");
    EXPECT_EQ(fileOf("file:/srv/repo.db"), "/srv/repo.db");
    EXPECT_EQ(fileOf("file:repo.db"), "repo.db");
    EXPECT_EQ(fileOf("file:///srv/repo.db?cache=private"), "/srv/repo.db");
    EXPECT_EQ(fileOf("file://localhost/srv/my%20repo.db#part"), "/srv/my repo.db");
    EXPECT_EQ(fileOf("file://elsewhere/srv/repo.db"), "");
    EXPECT_EQ(fileOf(":memory:"), "");
    EXPECT_EQ(fileOf("file::memory:"), "");
    EXPECT_EQ(fileOf("file:repo.db?mode=memory&cache=shared"), "");
    EXPECT_EQ(fileOf("file:repo.db?mode=rw"), "repo.db");
    EXPECT_EQ(sqliteDatabaseFile("DRIVER={PostgreSQL ANSI};Database=file:/srv/repo.db"), "");
}

} // namespace
} // namespace norvak
