// norvakinit's run: the repository's tables, the user's embedded repository and new message sets.
#include "tools/init/RepositorySetup.h"

#include "dbsession/Backend.h"
#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/MessageSetNames.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "dbsession/RepositoryLock.h"
#include "dbsession/UserDataSource.h"
#include "dbsession/Transaction.h"
#include "support/Clock.h"
#include "support/ConnectionText.h"
#include "support/StringUtilities.h"
#include "tools/ToolCommandLine.h"
#include "tools/common/OptionParser.h"
#include "dbsession/RepositorySchema.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace norvak {

namespace {

constexpr std::size_t longestMessageSetName = 127;

// Plugin members of a new message set.
struct PluginMember {
    int pluginKey;
    const char* regName;
};
constexpr PluginMember uuidMember{pluginUuid, "WebDav"};
constexpr PluginMember cBinding{pluginC, "C Language"};
constexpr PluginMember cobolBinding{pluginCobol, "COBOL Language"};

void printUsage(Output& out, const char* programName) {
    out.print("\nnorvakinit V1.00\n");
    out.print("\nCommand usage is:\n\n");
    out.print("  %s {-n ZEP_Database_Name} {-u DB_Userid} {-p DB_Password} {-h Schema_name} {-s MessageSetName {-l "
              "C,COBOL}}\n\n",
              programName);
    out.print("Creates the repository tables that are missing and the repository row.\n");
    out.print("Without -n, in the user's embedded repository, the data source norvak\n");
    out.print("(registered in the user's odbc.ini unless it is defined already).\n");
    out.print("With -s it also creates a message set of that name, with the language\n");
    out.print("bindings named by -l (C, COBOL or both, separated by a comma).\n");
    out.print("A message set name of digits only is refused (norvakpurge takes it for a key).\n");
    out.print("--lock-timeout SECONDS bounds the wait for another set-up (600 seconds unless given).\n");
    out.flush();
}

// Adds a binding unless the list has it: one named twice ("C,C", "c,C") is
// registered once.
void addBinding(std::vector<PluginMember>& bindings, const PluginMember& binding) {
    if (std::none_of(bindings.begin(), bindings.end(),
                     [&](const PluginMember& known) { return known.pluginKey == binding.pluginKey; }))
        bindings.push_back(binding);
}

// The language bindings asked for by -l, each once; false (after reporting)
// for an unknown one.
bool parseLanguages(Output& out, const std::string& list, std::vector<PluginMember>& bindings) {
    bool valid = true;
    std::size_t start = 0;
    while (start <= list.size() && !list.empty()) {
        std::size_t comma = list.find(',', start);
        std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        for (char& c : name)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        if (name == "C") {
            addBinding(bindings, cBinding);
        } else if (name == "COBOL") {
            addBinding(bindings, cobolBinding);
        } else {
            out.print("*****Error - unknown language binding %s in -l parameter (use C, COBOL or C,COBOL)\n",
                      name.c_str());
            valid = false;
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return valid;
}

// A name that begins or ends with blanks, or is made of blanks only, could
// not be told from another (names are compared without trailing blanks, and
// a file that names no message set would reach one of blanks only): false
// after reporting.
bool nameCanBeToldApart(Output& out, const std::string& name) {
    if (!hasOuterBlanks(name))
        return true;
    if (name.find_first_not_of(" \t\n\r\f\v") == std::string::npos)
        out.print("*****Error - message set name %s is made of blanks only\n", displayQuoted(name).c_str());
    else
        out.print("*****Error - message set name %s begins or ends with blanks - the programs could not tell it from "
                  "the name without them\n",
                  displayQuoted(name).c_str());
    return false;
}

enum class TableState { present, missing, unknown };

// One set-up run on an open session.
class RepositorySetup {
  public:
    RepositorySetup(Output& out, DbSession& db, int& errSw, const ToolOptions& options)
        : out_(out), db_(db), errSw_(errSw), options_(options), date_(currentDateTime()) {}

    bool allocateStatement() {
        return db_.allocateStatement("main") == SQL_SUCCESS;
    }

    // Creates each table that is missing; false when one cannot be created.
    bool createMissingTables() {
        int created = 0;
        int present = 0;
        for (const TableDefinition& table : repositoryTables()) {
            std::string name = options_.schemaPrefix + table.name;
            TableState state = tableState(name);
            if (state == TableState::unknown)
                return false;
            if (state == TableState::present) {
                ++present;
                continue;
            }
            // Another set-up may create the table at the same moment: then it is there after all.
            std::string create = createTableStatement(name, table.columns);
            if (!executeQuietly(create)) {
                if (tableState(name) == TableState::present) {
                    ++present;
                    continue;
                }
                if (!execute(create, "createTables"))
                    return false;
            }
            out_.print("Created table %s\n", name.c_str());
            ++created;
        }
        out_.print("Repository tables: %d created, %d already present\n", created, present);
        return true;
    }

    // Creates the look-up indexes that are missing. Where the schema name
    // goes differs: SQLite qualifies the index, PostgreSQL the table. On
    // SQLite the run holds the repository's lock file already; on
    // PostgreSQL see createOnServer. `timedOut` once reported.
    LockResult createMissingIndexes() {
        const Backend& backend = db_.backend("createIndexes");
        if (errSw_)
            return LockResult::failed;
        auto giveUpAt = std::chrono::steady_clock::now() + std::chrono::seconds(options_.lockTimeoutSeconds);
        for (const IndexDefinition& index : repositoryIndexes()) {
            std::string sql = backend.createIndexStatement(options_.schemaPrefix, index);
            LockResult created =
                backend.indexCreationWaitsForWriters() ? createOnServer(index.name, sql, giveUpAt) : LockResult::failed;
            if (created == LockResult::timedOut || errSw_)
                return errSw_ ? LockResult::failed : created;
            if (created == LockResult::locked)
                continue;
            // Another set-up creating the same index at the same moment may
            // make the first try fail; the second finds it there.
            if (!executeQuietly(sql) && !execute(sql, "createIndexes"))
                return LockResult::failed;
        }
        return LockResult::locked;
    }

    // Creating an index on PostgreSQL waits for every run that writes the
    // table, so the catalog is asked first: `locked` when the index is there
    // or has been created, waited for as the repository's lock for the time
    // left of the lock timeout; `failed` (with the error switch set when the
    // catalog could not be read) leaves the creation, and its report, to the
    // caller.
    LockResult createOnServer(const char* name, const std::string& sql,
                              std::chrono::steady_clock::time_point giveUpAt) {
        bool present = false;
        std::string select =
            serverTableExistsQuery(options_.schemaPrefix, name);
        if (!queryRow(select, "createIndexes", present, [](Statement&) {}) || present)
            return LockResult::locked;
        // Whole seconds, rounded up: the timeout as given while little of it has gone.
        auto left = std::chrono::ceil<std::chrono::seconds>(giveUpAt - std::chrono::steady_clock::now());
        RepositoryLock lock;
        return lock.take(out_, db_,
                         LockRequest{sql, sql, "the repository", static_cast<int>(std::max<long long>(0, left.count())),
                                     "createIndexes"});
    }

    // From here on everything is one transaction.
    bool beginTransaction(Transaction& transaction) {
        SQLRETURN rc = transaction.begin();
        db_.reportDbcError(rc, "SQLSetConnectAttr(autocommit_off)", "main");
        return rc == SQL_SUCCESS;
    }

    // Reads the repository row of level 518, creating it when missing.
    bool ensureRepositoryRow() {
        std::string select =
            repositoryKeysQuery(options_.schemaPrefix);
        bool found = false;
        if (!queryRow(select, "ensureRepositoryRow", found, [&](Statement& row) {
                row.number(1, SQL_C_SLONG, repositoryId_, "SQLGetData1");
                row.number(2, SQL_C_SSHORT, nextProjectKey_, "SQLGetData2");
            }))
            return false;
        if (found)
            return true;
        repositoryId_ = 1;
        nextProjectKey_ = firstProjectKey;
        if (!execute(insertRepositoryRowStatement(options_.schemaPrefix, repositoryId_, nextProjectKey_, date_),
                     "ensureRepositoryRow"))
            return false;
        out_.print("Created the repository row (level %d)\n", repositoryLevel);
        return true;
    }

    // The message sets the name matches (by the rule every program finds a set by).
    bool findMessageSet(const std::string& name, std::vector<MessageSetMatch>& matches) {
        Statement query(db_, "createMessageSet");
        MessageSetLookup lookup = lookUpMessageSet(
            query, options_.schemaPrefix, name,
            {"SQLExecDirect", "SQLFetch", false, "SQLFetch", "SQLGetData1", "SQLGetData2", "SQLGetData3"}, errSw_);
        matches = std::move(lookup.matches);
        query.close("SQLFreeStmt");
        return !errSw_;
    }

    // The first key from the repository's next key on that no message set has; 0 when none is left.
    bool freeProjectKey(int& key) {
        for (key = nextProjectKey_ < firstProjectKey ? firstProjectKey : nextProjectKey_; key <= largestProjectKey; ++key) {
            bool taken = false;
            std::string select = messageSetKeyTakenQuery(options_.schemaPrefix, key);
            if (!queryRow(select, "createMessageSet", taken, [](Statement&) {}))
                return false;
            if (!taken)
                return true;
        }
        key = 0;
        return true;
    }

    bool createMessageSet(const std::string& name, int key, const std::vector<PluginMember>& bindings) {
        const char* routine = "createMessageSet";
        const std::string& schema = options_.schemaPrefix;
        bool written =
            execute(insertMessageSetStatement(schema, key, repositoryId_, firstItemId, "'" + quotedText(name) + "'",
                                              date_),
                    routine) &&
            // The last key leaves the next key where it is (a 16-bit column),
            // and the next set-up finds no key left.
            execute(updateNextProjectKeyStatement(schema, std::min(key + 1, largestProjectKey)), routine);
        if (!written)
            return false;
        out_.print("Created message set %s with key %d, next id %d\n", name.c_str(), key, firstItemId);

        std::vector<PluginMember> members{uuidMember};
        members.insert(members.end(), bindings.begin(), bindings.end());
        int memberId = 0;
        for (const PluginMember& member : members) {
            ++memberId;
            if (!execute(insertPluginMemberStatement(schema, key, memberId, member.pluginKey, memberId, member.regName,
                                                     date_),
                         routine))
                return false;
            out_.print("Registered plugin member %d: %s\n", memberId, member.regName);
        }
        return true;
    }

    bool endTransaction(Transaction& transaction, bool commit) {
        SQLRETURN rc = commit ? transaction.commit() : transaction.rollback();
        db_.reportDbcError(rc, commit ? "SQLEndTran(Commit)" : "SQLEndTran(RollBack)", "main");
        return rc == SQL_SUCCESS;
    }

    // The first statement of the transaction: set-ups that create message
    // sets or the repository row run one after the other.
    LockResult lockRepository(RepositoryLock& lock) {
        const std::string& schema = options_.schemaPrefix;
        LockRequest request{repositoryWriteLockStatement(schema), repositoryTableLockStatement(schema),
                            "the repository", options_.lockTimeoutSeconds, "main"};
        return lock.take(out_, db_, request);
    }

  private:
    void report(SQLRETURN rc, const char* operation, const char* routine) {
        db_.reportStmtError(rc, operation, routine);
    }

    // Whether the table is there: a probe that fails only when it is
    // missing. A probe that fails for another reason (no permission, a lost
    // connection) is reported, and is no proof that the table is missing.
    TableState tableState(const std::string& name) {
        Statement probe(db_, "createTables");
        SQLRETURN rc = probe.executeUnreported(tableProbeStatement(name));
        TableState state = TableState::present;
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
            state = db_.backend("createTables").reportsMissingTable(probe.diagnostics()) ? TableState::missing
                                                                                         : TableState::unknown;
            if (state == TableState::unknown)
                report(rc, "SQLExecDirect", "createTables");
        }
        db_.closeCursor();
        return state;
    }

    // Runs a statement whose failure the caller handles itself.
    bool executeQuietly(const std::string& sql) {
        SQLRETURN rc = Statement(db_, "createTables").executeUnreported(sql);
        db_.closeCursor();
        return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
    }

    bool execute(const std::string& sql, const char* routine) {
        Statement statement(db_, routine);
        SQLRETURN rc = statement.executeUnreported(sql);
        if (rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA)
            rc = SQL_SUCCESS;
        statement.report(rc, "SQLExecDirect");
        statement.close("SQLFreeStmt");
        return rc == SQL_SUCCESS && !errSw_;
    }

    // Runs a query and reads its first row, if any, with `read`.
    template <class Read> bool queryRow(const std::string& sql, const char* routine, bool& found, Read read) {
        Statement query(db_, routine);
        found = query.execute(sql, "SQLExecDirect") == SQL_SUCCESS && query.fetch("SQLFetch") == SQL_SUCCESS;
        if (found)
            read(query);
        query.close("SQLFreeStmt");
        return !errSw_;
    }

    Output& out_;
    DbSession& db_;
    int& errSw_;
    const ToolOptions& options_;
    std::string date_;
    SQLINTEGER repositoryId_ = 1;
    SQLSMALLINT nextProjectKey_ = firstProjectKey;
};

// The message set part, inside the transaction; the exit code of the run.
int setUpMessageSet(Output& out, RepositorySetup& setup, const ToolOptions& options,
                    const std::vector<PluginMember>& bindings, int& createdKey) {
    if (!setup.ensureRepositoryRow())
        return setupDatabaseError;
    if (options.messageSet.empty())
        return setupDone;
    std::vector<MessageSetMatch> existing;
    if (!setup.findMessageSet(options.messageSet, existing))
        return setupDatabaseError;
    if (existing.size() > 1) {
        out.print("%s", ambiguousMessageSetLine(options.messageSet, existing).c_str());
        return setupRefused;
    }
    if (!existing.empty()) {
        out.print("*****Error - message set %s already exists with key %d - nothing was changed\n",
                  options.messageSet.c_str(), static_cast<int>(existing.front().key));
        return setupRefused;
    }
    int key = 0;
    if (!setup.freeProjectKey(key))
        return setupDatabaseError;
    if (key == 0) {
        out.print("*****Error - no message set key is left in the repository (keys end at 32767)\n");
        return setupRefused;
    }
    if (!setup.createMessageSet(options.messageSet, key, bindings))
        return setupDatabaseError;
    createdKey = key;
    return setupDone;
}

// The data source of a set-up without -n: the user's embedded repository,
// registered as the data source norvak unless one of that name exists; one
// line says which.
int useUserDataSource(Output& out, ToolOptions& values) {
    UserDataSource source = ensureUserDataSource();
    switch (source.outcome) {
    case UserDataSource::Outcome::existing:
        out.printImportant("Using the data source %s, which is defined already, as it is: use -n %s\n",
                           userDataSourceName, userDataSourceName);
        break;
    case UserDataSource::Outcome::created:
        out.printImportant("Created the repository %s and the data source %s in %s: use -n %s\n",
                           source.repositoryFile.c_str(), userDataSourceName, source.odbcIni.c_str(),
                           userDataSourceName);
        break;
    case UserDataSource::Outcome::registered:
        out.printImportant("Registered the repository %s as the data source %s in %s: use -n %s\n",
                           source.repositoryFile.c_str(), userDataSourceName, source.odbcIni.c_str(),
                           userDataSourceName);
        break;
    case UserDataSource::Outcome::failed:
        out.print("*****Error - the embedded repository cannot be set up: %s - nothing was changed\n",
                  source.problem.c_str());
        out.flush();
        return setupNoUserDataSource;
    }
    values.dataSource = userDataSourceName;
    return setupDone;
}

} // namespace

const char* const norvakinitHelp =
    "Usage: norvakinit {-n ZEP_Database_Name} {-u DB_Userid} {-p DB_Password} {-h Schema_name}\n"
    "                  {-s MessageSetName {-l C,COBOL}} {--lock-timeout SECONDS} {-q} {--format json}\n"
    "\n"
    "Creates the repository tables that are missing and the repository row; with -s, a message set.\n"
    "Without -n (and NORVAK_DSN), in the user's embedded repository: $XDG_DATA_HOME/norvak/repository.db\n"
    "(~/.local/share/norvak/repository.db), registered as the data source norvak in the user's odbc.ini\n"
    "($ODBCINI, else ~/.odbc.ini) unless a data source norvak is defined already, which is then used as it is.\n"
    "\n"
    "Options:\n"
    "  -n, --data-source NAME  ODBC data source of the repository, or a connection string holding =\n"
    "                          ('DRIVER={SQLite3};Database=repo.db'); default: the data source norvak\n"
    "  -u, --user USER         database user\n"
    "  -p, --password PASSWORD database password (never shown)\n"
    "  -h, --schema SCHEMA     schema of the repository tables (an SQL identifier)\n"
    "  -s, --message-set NAME  create this message set (not digits alone, no blank at either end)\n"
    "  -l, --languages C,COBOL its language bindings: C, COBOL or both\n"
    "  --lock-timeout SECONDS  wait at most this long for another set-up (0..86400, default 600)\n"
    "  -q, --quiet             only warnings, errors and the closing line (after an error, everything)\n"
    "  --format json|text      the run as one JSON document on standard output, or as lines (the default)\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Options are taken by their exact names; a value is the next argument (-s Name, never -sName) or\n"
    "follows = in a long form (--message-set=Name). Any other argument is a mistake.\n"
    "\n"
    "Exit codes: 0 done, 1 usage shown, 2 command line errors, the name is taken or no key is left\n"
    "(nothing changed), 3 a database error (rolled back), 4 the repository stayed locked, 5 without -n:\n"
    "the embedded repository's folder or data source could not be made, otherwise the failing connect's code.\n";

// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
int runRepositorySetup(Output& out, int argc, const char* const* argv, nlohmann::ordered_json* own) {
    out.setQuiet(toolQuietRequested(argc, argv));
    out.print("Norvak V2.1 - ZEP repository set-up utility V1.00\n");
    const char* programName = argc > 0 ? argv[0] : "norvakinit";
    static constexpr OptionSpec options[] = {
        dataSourceSpec, userSpec, passwordSpec, schemaSpec, messageSetSpec,
        {.name = "languages",
         .value = &ToolOptions::languages,
         .missingMessage = "*****Error - language bindings missing from -l parameter\n",
         .letter = 'l'},
        lockTimeoutSpec,
        quietSpec,
    };
    Diagnostics diagnostics(out);
    int& errSw = diagnostics.errSw;
    ToolOptions values;
    if (!parseToolOptions(out, argc, argv, options, values))
        errSw = 1;
    takeConnectionDefaults(values.dataSource, values.user, values.password);
    if (own != nullptr) // as they stand should the run end before the end
        *own = {{"dataSource", shownDataSource(values.dataSource)}, {"ready", false}, {"messageSet", nullptr}};
    // Without -n (nor NORVAK_DSN) the set-up is of the user's embedded
    // repository; only "?" asks for the usage.
    if (argc > 1 && toolUsageRequested(argc, argv)) {
        out.setQuiet(false); // the usage is shown whole
        printUsage(out, programName);
        return setupUsage;
    }
    std::vector<PluginMember> bindings;
    if (!parseLanguages(out, values.languages, bindings))
        errSw = 1;
    if (!values.languages.empty() && values.messageSet.empty()) {
        out.print("*****Error - the -l parameter needs a message set (-s)\n");
        errSw = 1;
    }
    if (!values.messageSet.empty() &&
        values.messageSet.find_first_not_of("0123456789") == std::string::npos) {
        out.print("*****Error - message set name %s is made of digits only - norvakpurge would take it for a key\n",
                  values.messageSet.c_str());
        errSw = 1;
    }
    if (!nameCanBeToldApart(out, values.messageSet))
        errSw = 1;
    if (values.messageSet.size() > longestMessageSetName) {
        out.print("*****Error - message set name is too long\n");
        errSw = 1;
    }
    if (errSw) {
        out.print("Errors in the command line - the repository was not changed\n");
        out.flush();
        return setupRefused;
    }

    if (values.dataSource.empty()) {
        if (int rc = useUserDataSource(out, values); rc != setupDone)
            return rc;
    }

    // On SQLite the lock file is taken before connecting: the driver reads
    // the database as it connects, and would wait there for another run.
    RepositoryLock lock;
    if (lock.takeBeforeConnecting(out, values.dataSource, "the repository", values.lockTimeoutSeconds) ==
        LockResult::timedOut) {
        out.flush();
        return setupLocked;
    }
    DbSession db(diagnostics, SessionVariant::setup);
    if (int rc = connectTool(out, db, values); rc != 0)
        return rc;
    RepositorySetup setup(out, db, errSw, values);
    int result = setupDatabaseError;
    int createdKey = 0;
    LockResult indexes = LockResult::failed;
    if (setup.allocateStatement() && setup.createMissingTables())
        indexes = setup.createMissingIndexes();
    if (indexes == LockResult::timedOut)
        result = setupLocked;
    if (indexes == LockResult::locked) {
        Transaction transaction(db);
        if (setup.beginTransaction(transaction)) {
            LockResult locked = setup.lockRepository(lock);
            result =
                locked == LockResult::timedOut ? setupLocked : setUpMessageSet(out, setup, values, bindings, createdKey);
            bool committed = result == setupDone && setup.endTransaction(transaction, true);
            if (!committed) {
                setup.endTransaction(transaction, false);
                if (result == setupDone)
                    result = setupDatabaseError;
            }
        }
    }
    if (own != nullptr) {
        (*own)["dataSource"] = shownDataSource(values.dataSource); // norvak, when set up without -n
        (*own)["ready"] = result == setupDone;
        if (result == setupDone && createdKey != 0)
            (*own)["messageSet"] = {{"name", values.messageSet}, {"key", createdKey}};
    }
    if (result == setupDone)
        out.printImportant("Repository %s is ready\n", shownDataSource(values.dataSource).c_str());
    else if (result == setupDatabaseError)
        out.print("*****Errors were detected - the message set changes have been rolled back\n");
    db.close("main");
    out.flush();
    return result;
}

} // namespace norvak
