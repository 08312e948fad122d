// A fresh repository database for one test, on SQLite or on the test PostgreSQL cluster.
#include "e2e/TestRepository.h"

#include "e2e/RoundTrip.h"

#include <sql.h>
#include <sqlext.h>

#include <atomic>
#include <map>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace norvak::test {
namespace {

std::string environmentValue(const char* name, const std::string& fallback = std::string()) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

std::string postgresHost() {
    return environmentValue("NORVAK_PG_HOST", "127.0.0.1");
}
std::string postgresPort() {
    return environmentValue("NORVAK_PG_PORT");
}
std::string postgresUser() {
    return environmentValue("NORVAK_PG_USER", "norvak");
}
std::string postgresPassword() {
    return environmentValue("NORVAK_PG_PASSWORD", "norvak");
}
const char* const postgresDriver = "PostgreSQL ANSI";

// "SQLSTATE: message" for every diagnostic record of a handle, one per line.
std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string text;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLCHAR state[6] = {};
        SQLCHAR message[2048] = {};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(type, handle, record, state, &nativeError, message, sizeof message, &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        if (!text.empty())
            text += '\n';
        text += reinterpret_cast<const char*>(state);
        text += ": ";
        text += reinterpret_cast<const char*>(message);
    }
    return text.empty() ? std::string("(no diagnostics)") : text;
}

// One connection in autocommit mode, closed with the object.
class Connection {
  public:
    Connection(const std::string& connectionString, const std::string& what, bool autocommit = true) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
            throw std::runtime_error("cannot allocate an ODBC environment handle");
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_)))
            fail("cannot allocate an ODBC connection handle", SQL_HANDLE_ENV, env_);
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        SQLRETURN rc =
            SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
                             SQL_NTS, out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc))
            fail("cannot connect to " + what, SQL_HANDLE_DBC, dbc_);
        connected_ = true;
        rc = SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                               reinterpret_cast<SQLPOINTER>(autocommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
        if (!SQL_SUCCEEDED(rc))
            fail("cannot set autocommit for " + what, SQL_HANDLE_DBC, dbc_);
    }

    ~Connection() { release(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs one statement and returns the rows of its first result set (none
    // for a statement without one).
    Rows run(const std::string& sql) {
        Statement statement(dbc_);
        SQLRETURN rc =
            SQLExecDirect(statement.handle, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            throw std::runtime_error("statement failed: " + sql + "\n" +
                                     diagnostics(SQL_HANDLE_STMT, statement.handle));
        Rows rows;
        SQLSMALLINT columns = 0;
        if (!SQL_SUCCEEDED(SQLNumResultCols(statement.handle, &columns)))
            throw std::runtime_error("cannot count the result columns of: " + sql + "\n" +
                                     diagnostics(SQL_HANDLE_STMT, statement.handle));
        if (columns == 0)
            return rows;
        for (;;) {
            rc = SQLFetch(statement.handle);
            if (rc == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(rc))
                throw std::runtime_error("fetch failed for: " + sql + "\n" +
                                         diagnostics(SQL_HANDLE_STMT, statement.handle));
            Row row;
            for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(columns); ++column)
                row.push_back(text(statement.handle, column, sql));
            rows.push_back(std::move(row));
        }
        return rows;
    }

  private:
    struct Statement {
        SQLHSTMT handle = SQL_NULL_HSTMT;
        explicit Statement(SQLHDBC dbc) {
            if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle)))
                throw std::runtime_error("cannot allocate an ODBC statement handle\n" +
                                         diagnostics(SQL_HANDLE_DBC, dbc));
        }
        ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle); }
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
    };

    // The text of a column of the current row, read in pieces.
    static std::string text(SQLHSTMT statement, SQLUSMALLINT column, const std::string& sql) {
        std::string value;
        char buffer[4096];
        for (;;) {
            SQLLEN indicator = 0;
            SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
            if (rc == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(rc))
                throw std::runtime_error("cannot read column " + std::to_string(column) + " of: " + sql + "\n" +
                                         diagnostics(SQL_HANDLE_STMT, statement));
            if (indicator == SQL_NULL_DATA)
                return nullText;
            bool whole = rc == SQL_SUCCESS;
            std::size_t length = (indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) >= sizeof buffer)
                                     ? sizeof buffer - 1
                                     : static_cast<std::size_t>(indicator);
            value.append(buffer, length);
            if (whole)
                break;
        }
        return value;
    }

    [[noreturn]] void fail(const std::string& message, SQLSMALLINT type, SQLHANDLE handle) {
        std::string text = message + "\n" + diagnostics(type, handle);
        release();
        throw std::runtime_error(text);
    }

    void release() {
        if (connected_) {
            SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            SQLDisconnect(dbc_);
        }
        connected_ = false;
        if (dbc_ != SQL_NULL_HDBC)
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        dbc_ = SQL_NULL_HDBC;
        if (env_ != SQL_NULL_HENV)
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
        env_ = SQL_NULL_HENV;
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

// A connection to the cluster's maintenance database, for creating and
// dropping the test databases.
Connection postgresAdmin() {
    std::string connection = "Driver={" + std::string(postgresDriver) + "};Servername=" + postgresHost() +
                             ";Port=" + postgresPort() + ";Database=postgres;Username=" + postgresUser() +
                             ";Password=" + postgresPassword() + ";";
    return Connection(connection, "PostgreSQL at " + postgresHost() + ":" + postgresPort() + " as " + postgresUser());
}

// A database name no other test process uses at the same time.
std::string uniqueDatabaseName() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    std::ostringstream name;
    name << "norvak_test_" << getpid() << "_" << counter++ << "_" << std::hex << (random() & 0xffffffu);
    return name.str();
}

} // namespace

std::string backendName(Backend backend) {
    switch (backend) {
    case Backend::sqlite:
        return "sqlite";
    case Backend::postgres:
        return "postgres";
    }
    return "unknown";
}

void PrintTo(Backend backend, std::ostream* stream) {
    *stream << backendName(backend);
}

std::string backendParamName(const ::testing::TestParamInfo<Backend>& info) {
    return backendName(info.param);
}

bool available(Backend backend) {
    return backend == Backend::sqlite || !postgresPort().empty();
}

bool required(Backend backend) {
    return backend == Backend::sqlite || environmentValue("NORVAK_REQUIRE_POSTGRES") == "1";
}

TestRepository::TestRepository(Backend backend, const std::string& postgresEncoding) : backend_(backend) {
    if (!available(backend))
        throw std::runtime_error(backendName(backend) + " is not available (NORVAK_PG_PORT is not set)");
    std::string name;
    if (backend == Backend::sqlite) {
        settings_ = {{"Driver", "SQLite3"}, {"Database", folder_.path() + "/repository.db"}};
        database_ = settings_.back().second;
    } else {
        name = uniqueDatabaseName();
        user_ = postgresUser();
        password_ = postgresPassword();
        // What a user writes for a repository on PostgreSQL: server, port,
        // database and credentials (the import sets the driver's own
        // settings for itself).
        settings_ = {{"Driver", postgresDriver}, {"Servername", postgresHost()}, {"Port", postgresPort()},
                     {"Database", name},         {"Username", user_},            {"Password", password_}};
        if (!postgresEncoding.empty())
            settings_.emplace_back("ConnSettings", "SET client_encoding TO '" + postgresEncoding + "'");
    }
    odbcIni_ = folder_.path() + "/odbc.ini";
    std::ofstream file(odbcIni_);
    file << "[" << dataSource_ << "]\n";
    for (const auto& [key, value] : settings_)
        file << key << "=" << value << "\n";
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + odbcIni_);
    if (backend == Backend::postgres) {
        postgresAdmin().run("CREATE DATABASE " + name +
                            (postgresEncoding.empty() ? std::string()
                                                      : " ENCODING '" + postgresEncoding +
                                                            "' TEMPLATE template0 LC_COLLATE 'C' LC_CTYPE 'C'"));
        database_ = name; // from here on the destructor drops it
    }
}

TestRepository::~TestRepository() {
    if (backend_ != Backend::postgres || database_.empty())
        return;
    try {
        postgresAdmin().run("DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
    } catch (const std::exception& error) {
        std::cerr << "warning: test database " << database_ << " was not dropped: " << error.what() << "\n";
    }
}

std::vector<std::string> TestRepository::environment() const {
    return {"ODBCINI=" + odbcIni_};
}

void TestRepository::execute(const std::string& sql) const {
    changedDirectly_ = true;
    query(sql);
}

Rows TestRepository::query(const std::string& sql) const {
    return Connection(connectionString(), "data source " + dataSource_ + " (" + database_ + ")").run(sql);
}

std::string TestRepository::connectionString() const {
    // The driver manager keeps what it read of an odbc.ini for the life of the
    // process, so this process names the driver and the data-source settings
    // in the connection string instead of going through ODBCINI.
    std::string connection;
    for (const auto& [key, value] : settings_)
        connection += key == "Driver" ? key + "={" + value + "};" : key + "=" + value + ";";
    return connection;
}

std::string TestRepository::dataSourceSection(const std::string& name) const {
    std::string section = "[" + name + "]\n";
    for (const auto& [key, value] : settings_)
        section += key + "=" + value + "\n";
    return section;
}

struct HeldLock::Held {
    Connection connection;
    int lockFile = -1;
    Held(const std::string& connectionString, const std::string& what) : connection(connectionString, what, false) {}
    ~Held() {
        if (lockFile >= 0)
            close(lockFile);
    }
};

HeldLock::HeldLock(const TestRepository& repo, const std::string& lockStatement, bool takeLockFile)
    : held_(std::make_unique<Held>(repo.connectionString(), "a lock on " + repo.database())) {
    if (repo.backend() == Backend::sqlite && takeLockFile) {
        held_->lockFile = open((repo.database() + ".norvak-lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (held_->lockFile < 0 || flock(held_->lockFile, LOCK_EX) != 0)
            throw std::runtime_error("cannot lock " + repo.database() + ".norvak-lock");
    }
    held_->connection.run(lockStatement);
}

HeldLock::~HeldLock() = default;

Rows HeldLock::run(const std::string& sql) {
    return held_->connection.run(sql);
}

void RepositoryTest::SetUp() {
    NORVAK_REQUIRE_BACKEND(GetParam());
    repo_.emplace(GetParam());
}

ProgramResult RepositoryTest::run(const std::string& program, const std::vector<std::string>& arguments,
                                  const std::string& input) {
    ProgramResult result = runProgram(program, arguments, input, repo().environment());
    checkRoundTrip(program, arguments, result);
    return result;
}

ProgramResult RepositoryTest::runConnected(const std::string& program, const std::vector<std::string>& arguments) {
    ProgramResult result = startConnected(program, arguments)->finish();
    std::vector<std::string> all{"-n", repo().dataSource(), "-u", repo().user(), "-p", repo().password()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    checkRoundTrip(program, all, result);
    return result;
}

void RepositoryTest::checkRoundTrip(const std::string& program, const std::vector<std::string>& arguments,
                                    const ProgramResult& result) {
    const char* setting = std::getenv("NORVAK_ROUND_TRIP");
    if (program != "norvakload" || result.exitCode != 0 || (setting != nullptr && std::string(setting) == "0"))
        return;
    // The import's connection options, the repository's where it gives none.
    std::map<std::string, std::string> connection{
        {"-n", repo().dataSource()}, {"-u", repo().user()}, {"-p", repo().password()}};
    std::string messageSet;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        bool hasValue = i + 1 < arguments.size();
        if (argument == "-r" || argument == "-R" || argument == "-h" || argument == "-H")
            return; // nothing written, or in a schema of its own
        if (connection.count(argument) && hasValue)
            connection[argument] = arguments[i + 1];
        if (argument == "-s" && hasValue)
            messageSet = arguments[i + 1];
    }
    RepositoryAccess access{{}, repo().environment()};
    for (const auto& [option, value] : connection)
        access.connection.insert(access.connection.end(), {option, value});
    if (messageSet.empty() || !importedSets_.insert(messageSet).second)
        return;
    // Rows a test wrote itself may be ones no definitions file describes:
    // the export then says so, and that is all there is to check here.
    if (repo().changedDirectly() && exportSet(access, messageSet).exitCode == 6)
        return;
    EXPECT_TRUE(roundTrips(access, messageSet, copyBackend(GetParam())));
}

std::unique_ptr<RunningProgram> RepositoryTest::startConnected(const std::string& program,
                                                               const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"-n", repo().dataSource(), "-u", repo().user(), "-p", repo().password()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return std::make_unique<RunningProgram>(program, all, std::string(), repo().environment());
}

void RepositoryTest::createMessageSet(const std::string& name, const std::string& languages) {
    std::vector<std::string> arguments{"-s", name};
    if (!languages.empty())
        arguments.insert(arguments.end(), {"-l", languages});
    ProgramResult init = runConnected("norvakinit", arguments);
    ASSERT_EQ(init.exitCode, 0) << init.output;
}

void OrdersTest::SetUp() {
    RepositoryTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    createMessageSet("Orders");
}

ProgramResult OrdersTest::loadFile(const std::string& file, std::vector<std::string> more) {
    more.insert(more.begin(), {"-f", file, "-s", "Orders"});
    return runConnected("norvakload", more);
}

ProgramResult OrdersTest::load(const std::string& definitions, std::vector<std::string> more) {
    return loadFile(repo().folder().write("defs.xml", definitions), std::move(more));
}

Rows OrdersTest::state() {
    return repo().query("SELECT (SELECT COUNT(*) FROM M_TYPE), (SELECT COUNT(*) FROM M_ELEMENT), "
                        "(SELECT COUNT(*) FROM M_MESSAGE), (SELECT COUNT(*) FROM M_VALUE), "
                        "(SELECT COUNT(*) FROM TYPE_MEMBER), (SELECT COUNT(*) FROM VALUE_MEMBER), "
                        "(SELECT COUNT(*) FROM M_ATTRIBUTE), (SELECT COUNT(*) FROM M_MEMBER_ATTRIBUTE), "
                        "(SELECT COUNT(*) FROM REG_PLUGIN_MEMBER), (SELECT NEXT_ID FROM PROJECT WHERE PROJECT_KEY = "
                        "100)");
}

} // namespace norvak::test
