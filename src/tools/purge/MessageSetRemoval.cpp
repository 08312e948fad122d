// norvakpurge's run: one message set removed by its name or key.
#include "tools/purge/MessageSetRemoval.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/MessageSetNames.h"
#include "dbsession/RepositorySchema.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "dbsession/RepositoryLock.h"
#include "dbsession/Transaction.h"
#include "support/Output.h"
#include "tools/ToolCommandLine.h"

#include <nlohmann/json.hpp>

#include "dbsession/OdbcTypes.h"

#include <array>

namespace norvak {

namespace {

const char* const banner = "Norvak V2.1 - Message Set removal utility V1.0 (Dec 13 2001)\n";

// The largest key a message set can have (PROJECT_KEY is a 16-bit column),
// and the smallest number that -s takes as a key rather than as a name.
constexpr long largestKey = largestProjectKey;
constexpr long smallestKey = firstProjectKey;

// Room for a NAME column as read by the lookup.
constexpr SQLLEN nameBufferSize = 512;
constexpr SQLLEN nameBufferLength = 511;

void printUsage(Output& out, const char* programName) {
    out.print("\nnorvakpurge V1.00\n");
    out.print("\nCommand usage is:\n\n");
    out.print("  %s -s MessageSetName -n ZEP_Database_Name -u DB_Userid -p DB_Password {-h Schema_name}\n\n",
              programName);
    out.print("MessageSetName is a message set's name, or its key when it is a number from\n");
    out.print("100 to 32767. --lock-timeout SECONDS bounds the wait for another run that is\n");
    out.print("changing the message set (600 seconds unless given).\n\n");
}

} // namespace

const char* const norvakpurgeHelp =
    "Usage: norvakpurge -s MessageSetName -n ZEP_Database_Name {-u DB_Userid} {-p DB_Password} {-h Schema_name}\n"
    "                   {--lock-timeout SECONDS} {-q} {--format json}\n"
    "\n"
    "Removes one message set and everything it holds, in one transaction.\n"
    "\n"
    "Options:\n"
    "  -s MessageSetName       the message set: its name, or its key when the value is digits alone\n"
    "                          from 100 to 32767 (required)\n"
    "  -n ZEP_Database_Name    ODBC data source of the repository (required)\n"
    "                          or an ODBC connection string: any value holding = (DRIVER=...;Database=...)\n"
    "  -u DB_Userid            database user\n"
    "  -p DB_Password          database password (never shown)\n"
    "  -h Schema_name          schema of the repository tables (an SQL identifier)\n"
    "  --lock-timeout SECONDS  wait at most this long for another run changing the message set (0..86400,\n"
    "                          default 600)\n"
    "  -q, --quiet             no banner and no step lines: warnings, errors and the closing line only\n"
    "  --format json|text      the run as one JSON document on standard output, or as lines (the default)\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "A mistake on the command line (an unknown option, a missing value, a bad lock timeout) ends the\n"
    "run before it connects: nothing is removed.\n"
    "\n"
    "Exit codes: 0 removed (also by a key no message set has: its rows in the other tables go), 1 usage\n"
    "shown, 2 no message set of that name, key out of range or a command-line mistake (nothing deleted),\n"
    "3 a table could not be emptied (all rolled back), 4 the message set stayed locked, otherwise the\n"
    "failing connect's code.\n";

MessageSetSelector selectMessageSet(const std::string& value) {
    MessageSetSelector selector;
    // "103 Orders" or "100 OR 1=1" is a name: a key is digits and nothing else.
    bool digitsOnly = !value.empty();
    for (char c : value)
        digitsOnly = digitsOnly && c >= '0' && c <= '9';
    if (!digitsOnly)
        return selector;
    long number = 0;
    for (char c : value) {
        number = number * 10 + (c - '0');
        if (number > largestKey) {
            selector.kind = MessageSetSelector::keyTooLarge;
            return selector;
        }
    }
    if (number >= smallestKey) {
        selector.kind = MessageSetSelector::byKey;
        selector.key = static_cast<SQLSMALLINT>(number);
    }
    return selector;
}

void lookupProjectName(MessageSetRemoval& removal) {
    const char* routine = "lookupProjectName";
    Output& out = removal.out;
    out.print("Looking for message set %s in %sPROJECT table\n", removal.messageSetName.c_str(),
              removal.schemaPrefix.c_str());
    SQLRETURN rc = removal.db.allocateStatement(routine);
    if (rc != SQL_SUCCESS)
        return;
    Statement lookUp(removal.db, routine);
    if (lookUp.execute(messageSetByKeyQuery(removal.schemaPrefix, static_cast<int>(removal.projectKey)),
                       "SQLExecDirect") == SQL_SUCCESS) {
        rc = lookUp.fetch("SQLFetch");
        if (rc == SQL_SUCCESS) {
            std::array<char, nameBufferSize> name{};
            lookUp.text(1, name.data(), nameBufferSize, nameBufferLength, "SQLGetData1");
            lookUp.number(2, SQL_C_ULONG, removal.nextId, "SQLGetData2");
            removal.messageSetName = name.data();
            removal.found = true;
            out.print("Message set %s found in PROJECT table Project key %d nextElementId %d\n", name.data(),
                      static_cast<int>(removal.projectKey), static_cast<int>(removal.nextId));
        } else if (rc == SQL_NO_DATA) {
            out.print("Messageset %s not found in PROJECT table\n", removal.messageSetName.c_str());
        } else {
            out.print("Error fetching row - rc=%d\n", rc);
        }
    }
    lookUp.close("SQLFreeStmt");
}

int getZEPInfo(MessageSetRemoval& removal) {
    const char* routine = "getZEPInfo";
    Output& out = removal.out;
    out.print("Looking for message set %s in %sPROJECT table\n", removal.messageSetName.c_str(),
              removal.schemaPrefix.c_str());
    SQLRETURN rc = removal.db.allocateStatement(routine);
    if (rc != SQL_SUCCESS)
        return rc;
    Statement lookUp(removal.db, routine);
    // A message set that is not there is reported as error 100 as well.
    MessageSetLookup lookup = lookUpMessageSet(
        lookUp, removal.schemaPrefix, removal.messageSetName,
        {"SQLExecDirect", "SQLFetch", true, "SQLFetch", "SQLGetData1", "SQLGetData2", "SQLGetData3"}, removal.errSw);
    if (lookup.executed == SQL_SUCCESS) {
        rc = lookup.firstFetch;
        if (lookup.ambiguous()) {
            // Names that differ only in trailing blanks: none of them is removed.
            out.print("%s", ambiguousMessageSetLine(removal.messageSetName, lookup.matches).c_str());
        } else if (rc == SQL_SUCCESS) {
            removal.nextId = lookup.matches.front().nextId;
            // Only a key that was actually read names a message set to remove.
            if (lookup.matches.front().keyRead) {
                removal.projectKey = lookup.matches.front().key;
                removal.found = true;
            }
        } else if (rc == SQL_NO_DATA) {
            out.printError("Messageset %s not found in PROJECT table\n", removal.messageSetName.c_str());
            out.print("%s\n", missingMessageSetStep(removal.db.dataSource(), removal.messageSetName).c_str());
        } else {
            out.print("Error fetching row - rc=%d\n", rc);
        }
    } else {
        // Why: the driver's messages, and the next step of a repository never set up.
        lookUp.explainFailure();
    }
    return lookUp.close("SQLFreeStmt");
}

bool deleteTableInfo(MessageSetRemoval& removal, const char* table, const char* keyColumn) {
    const char* routine = "deleteTableInfo";
    Output& out = removal.out;
    DbSession& db = removal.db;
    out.print("Deleting entries from table %s\n", table);
    std::string statementText = deleteMessageSetRowsStatement(removal.schemaPrefix, table, keyColumn,
                                                                 static_cast<int>(removal.projectKey));

    Statement deletion(db, routine);
    bool done = true;
    SQLRETURN rc = deletion.executeUnreported(statementText);
    if (rc == SQL_SUCCESS) {
        // Some drivers answer a DELETE that matched nothing with success
        // rather than SQL_NO_DATA; the row count tells them apart.
        if (deletion.rowCount() == 0)
            rc = SQL_NO_DATA;
    }
    if (rc == SQL_SUCCESS) {
        out.print("Entries deleted for table %s\n", table);
    } else if (rc == SQL_NO_DATA) {
        out.print("No entries found in table %s\n", table);
    } else {
        out.print("SQL error encountered trying to delete from table %s\n", table);
        deletion.report(rc, "SQLExecDirect");
        done = false;
    }
    deletion.close("SQLFreeStmt");
    return done;
}

namespace {

// Takes the message set's lock before anything of it is read: the first
// statement of the removal's transaction, so that an import or another
// removal of the same message set runs before or after it, never amid it.
LockResult lockMessageSet(MessageSetRemoval& removal, RepositoryLock& lock, const MessageSetSelector& selector,
                          int timeoutSeconds) {
    std::string where = selector.kind == MessageSetSelector::byKey
                            ? formatText("PROJECT_KEY = %d", static_cast<int>(selector.key))
                            : messageSetCondition(removal.messageSetName);
    return lock.take(removal.out, removal.db,
                     messageSetLock(removal.schemaPrefix, where, removal.messageSetName, timeoutSeconds, "main"));
}

// Empties every table of the message set; false when any DELETE failed.
bool deleteMessageSet(MessageSetRemoval& removal) {
    removal.out.print("Deleting table information for message set id %d name %s\n",
                      static_cast<int>(removal.projectKey), removal.messageSetName.c_str());
    bool allDeleted = true;
    for (const MessageSetTable& entry : messageSetTables) {
        if (!deleteTableInfo(removal, entry.table, entry.keyColumn))
            allDeleted = false;
    }
    removal.out.printImportant("Finished deleting entries for message set\n");
    return allDeleted;
}

// The removal on an open session, as one transaction; the exit code.
int removeMessageSet(MessageSetRemoval& removal, RepositoryLock& lock, const ToolOptions& values) {
    Output& out = removal.out;
    DbSession& db = removal.db;
    MessageSetSelector selector = selectMessageSet(values.messageSet);
    if (selector.kind == MessageSetSelector::keyTooLarge) {
        out.print("*****Error - message set key %s is larger than %ld - no message set removed\n",
                  values.messageSet.c_str(), largestKey);
        removal.errSw = 1;
        return removalNotRemoved;
    }

    // Every DELETE belongs to one transaction: a removal that fails or is
    // killed half-way leaves the message set whole.
    Transaction transaction(db);
    SQLRETURN rc = transaction.begin();
    db.reportDbcError(rc, "SQLSetConnectAttr(autocommit_off)", "main");
    if (rc != SQL_SUCCESS)
        return removalDeleteFailed;
    if (lockMessageSet(removal, lock, selector, values.lockTimeoutSeconds) == LockResult::timedOut)
        return removalLocked;

    if (selector.kind == MessageSetSelector::byKey) {
        // The rows carrying the key are removed even when PROJECT has no row for it.
        removal.projectKey = selector.key;
        lookupProjectName(removal);
    } else {
        int lookupRc = getZEPInfo(removal);
        if (lookupRc != 0)
            return lookupRc;
        if (!removal.found)
            return removalNotRemoved;
    }

    bool removed = deleteMessageSet(removal);
    if (removed) {
        SQLRETURN commitRc = transaction.commit();
        db.reportDbcError(commitRc, "SQLEndTran(Commit)", "main");
        removed = commitRc == SQL_SUCCESS;
    }
    if (removed)
        return removalSuccess;
    db.reportDbcError(transaction.rollback(), "SQLEndTran(RollBack)", "main");
    out.print("*****Errors were detected - every deletion has been rolled back, message set %s is unchanged\n",
              removal.messageSetName.c_str());
    return removalDeleteFailed;
}

} // namespace

int runMessageSetRemoval(Output& out, int argc, const char* const* argv, nlohmann::ordered_json* own) {
    Diagnostics diagnostics(out);
    int& errSw = diagnostics.errSw;
    // Its own line for a missing message set.
    static constexpr ToolOption removedSetOption{'s', &ToolOptions::messageSet,
                                                 "*****message set name missing from -s parameter\n"};
    static constexpr ToolOption options[] = {dataSourceOption, userOption, passwordOption, schemaOption,
                                             removedSetOption};
    out.setQuiet(walkedQuietRequested(argc, argv, options));
    out.print("%s", banner);

    ToolOptions values;
    walkToolCommandLine(out, errSw, argc, argv, options, values, /*takesLockTimeout*/ true, /*takesQuiet*/ true);
    if (own != nullptr) // as they stand should the run end before the end
        *own = {{"messageSet", values.messageSet}, {"key", nullptr}, {"removed", false}};

    if (toolUsageRequested(argc, argv) || values.messageSet.empty()) {
        out.setQuiet(false); // the usage is shown whole
        printUsage(out, argc > 0 ? argv[0] : "norvakpurge");
        out.flush();
        return removalUsage;
    }
    // A removal goes ahead only on a command line read without a mistake.
    if (errSw) {
        out.print("Errors in the command line - message set %s was not removed\n", values.messageSet.c_str());
        out.flush();
        return removalNotRemoved;
    }

    // On SQLite the lock file is taken before connecting: the driver reads
    // the database as it connects, and would wait there for another run.
    RepositoryLock lock;
    if (lock.takeBeforeConnecting(out, values.dataSource, messageSetLockName(values.messageSet),
                                  values.lockTimeoutSeconds) == LockResult::timedOut)
        return removalLocked;
    DbSession db(diagnostics, SessionVariant::removal);
    if (int connectRc = connectTool(out, db, values); connectRc != 0)
        return connectRc;

    MessageSetRemoval removal{out, db, errSw, values.schemaPrefix, values.messageSet};
    int exitCode = removeMessageSet(removal, lock, values);
    if (own != nullptr) {
        (*own)["messageSet"] = removal.messageSetName;
        if (removal.found || exitCode == removalSuccess)
            (*own)["key"] = removal.projectKey;
        (*own)["removed"] = exitCode == removalSuccess;
    }
    db.close("main");
    out.flush();
    return exitCode;
}

} // namespace norvak
