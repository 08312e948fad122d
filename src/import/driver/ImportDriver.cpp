// norvakload's run: the command line, the definitions file and the import into the repository the run names.
#include "import/driver/ImportDriver.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/MessageSetNames.h"
#include "dbsession/RepositoryLock.h"
#include "dbsession/Transaction.h"
#include "import/driver/CommandLine.h"
#include "import/driver/ImportRun.h"
#include "import/driver/ImportSequence.h"
#include "import/driver/JsonReport.h"
#include "import/driver/ScratchImport.h"
#include "import/driver/TableListings.h"
#include "import/reader/TextPreparation.h"
#include "import/repository/RepositoryDiscovery.h"
#include "support/Clock.h"
#include "support/ConnectionText.h"
#include "support/PasswordMask.h"
#include "support/Progress.h"

#include <cstring>
#include <new>
#include <optional>
#include <string>

namespace norvak {

namespace {

// Rolls back whatever the run has done in the repository and closes the
// connection, for the exits taken after the connection is open.
void abandonTransaction(DbSession& db, Transaction& transaction) {
    db.reportDbcError(transaction.rollback(), "SQLEndTran(RollBack)", "main");
    db.close("main");
}

// The lock of the message set the run imports into.
LockRequest messageSetLockOf(const RunOptions& options, int timeoutSeconds) {
    std::string where = messageSetCondition(options.messageSetName);
    return messageSetLock(options.schemaPrefix, where, options.messageSetName, timeoutSeconds, "getZEPInfo");
}

// Takes the message set's lock before anything of it is read, so that runs
// that change the same message set run one after the other. False when
// another run kept it for the whole timeout.
bool lockMessageSet(Diagnostics& diag, DbSession& db, RepositoryLock& lock, const LockRequest& request) {
    return lock.take(diag.out, db, request) != LockResult::timedOut;
}

// Whether the run names the message set it imports into, with -s or with
// messageSet on the ZEPImport tag; when not (or the name is blanks only, which
// names none), says so. Without it the import would go to whichever set has
// an empty name.
bool namesMessageSet(Diagnostics& diag, const RunOptions& options) {
    if (!comparedMessageSetName(options.messageSetName).empty())
        return true;
    diag.error("*****Error - no message set: give it with -s or with messageSet on the ZEPImport tag\n");
    return false;
}

void printRollbackLines(Diagnostics& diag) {
    diag.print("***** Errors were detected updating the ZEP database\n");
    diag.print("***** Database changes have been rolled back\n");
}

// Prints the counts of the rows added and reused.
void printSummary(Diagnostics& diag, const RunOptions& options, const RepositoryState& state) {
    diag.out.setQuiet(false); // the closing summary, quiet or not
    const RunCounters& c = state.counters;
    diag.print("\nitems added to tables in repository database %s\n", shownDataSource(options.databaseName).c_str());
    diag.print("M_MESSAGE        - %d\n", c.messagesAdded);
    diag.print("M_ELEMENT        - %d\n", c.elementsAdded);
    diag.print("M_VALUE          - %d\n", c.valuesAdded);
    diag.print("VALUE_MEMBER     - %d\n", c.valueMembersAdded);
    diag.print("M_TYPE           - %d\n", c.typesAdded);
    diag.print("TYPE_MEMBER      - %d\n", c.typeMembersAdded);
    diag.print("M_ATTRIBUTE      - %d\n", c.attributesAdded);
    diag.print("MEMBER_ATTRIBUTE - %d\n", c.memberAttributesAdded);
    diag.print("\ntypes reused from existing entries in MessageSet    - %d\n", c.typesReused);
    diag.print("elements reused from existing entries in MessageSet - %d\n", c.elementsReused);
    diag.print("values reused from existing entries in MessageSet   - %d\n", c.valuesReused);
    diag.print("messages reused from existing entries in MessageSet - %d\n", c.messagesReused);
    diag.print("\ntags found   - %d\n", c.tagsFound);
    diag.print("tags created - %d\n", c.tagsCreated);
}

// Commits when the run is clean and not report-only, otherwise rolls back
// and says why. A commit that fails is rolled back too.
void endTransaction(Diagnostics& diag, const RunOptions& options, DbSession& db, Transaction& transaction) {
    if (!diag.errSw && !options.reportOnlySw) {
        db.reportDbcError(transaction.commit(), "SQLEndTran(Commit)", "main");
        if (!diag.errSw)
            return;
    }
    db.reportDbcError(transaction.rollback(), "SQLEndTran(RollBack)", "main");
    if (diag.errSw) {
        printRollbackLines(diag);
    } else {
        diag.print("***** Report only switch was selected\n");
        diag.print("***** Database has not been changed\n");
    }
}

// The repository the run names (-n, or ZEP_DB on the ZEPImport tag): the
// command line applied over the file's options, the locks taken, the
// transaction committed when the run is clean, and the summary.
class NamedRepository : public ImportTarget {
  public:
    NamedRepository(DbSession& db, RepositoryLock& lock, const CommandLineValues& values,
                    const std::string& definitionsText)
        : db_(db), lock_(lock), values_(values), definitionsText_(definitionsText) {}

    int definitionErrors(ImportRun& run) override {
        run.print("errors were found in the input definitions file\n");
        run.print("utility is ending\n");
        return exitDefinitionErrors;
    }

    int open(ImportRun& run) override {
        applyCommandLineValues(run.diagnostics(), run.options(), values_);
        // Nothing to connect to: said before the connection is tried (and fails).
        if (run.databaseName.empty())
            run.print("*****Error - no data source named: give it with -n or with ZEP_DB on the ZEPImport tag\n");

        // On SQLite the run waits for another run's lock before it connects, as
        // the driver reads the database as it connects: a run that changes the
        // message set for the lock file, a report-only run only for a writer of
        // a database not in WAL journal mode.
        LockRequest lockRequest = messageSetLockOf(run.options(), values_.lockTimeoutSeconds);
        if (!run.reportOnlySw && lock_.takeBeforeConnecting(run.out, run.databaseName, lockRequest.what,
                                                            lockRequest.timeoutSeconds) == LockResult::timedOut)
            return exitLockTimeout;
        if (run.reportOnlySw)
            waitForWriterBeforeReading(run.out, run.databaseName);
        run.showPhase("connecting");
        int rc = db_.connectToZEP(run.databaseName, run.dbUserId, run.dbPassword);
        if (rc != 0)
            return rc;
        transaction_.emplace(db_);
        // Before anything of the repository is read or locked.
        if (!namesMessageSet(run.diagnostics(), run.options())) {
            abandon();
            run.print("utility is ending\n");
            return exitDefinitionErrors;
        }
        run.print("Accessing ZEP database %s using %s password %s\n", shownDataSource(run.databaseName).c_str(),
                  run.dbUserId.c_str(), maskedPassword(run.dbPassword));
        // A report-only run changes nothing and waits for no one.
        if (!run.reportOnlySw && !lockMessageSet(run.diagnostics(), db_, lock_, lockRequest)) {
            abandon();
            return exitLockTimeout;
        }
        return exitSuccess;
    }

    DbSession& session() override { return db_; }

    int discoveryFailed(ImportRun& run, int rc) override {
        run.print("Errors accessing ZEP database - RC = %d\n", rc);
        abandon();
        return rc != 0 ? rc : exitMessageSetMissing;
    }

    int reconciled(ImportRun& run) override {
        if (!run.errSw)
            warnOfKeptDefinitions(run.diagnostics(), run.options(), run.state(), db_, definitionsText_);
        return exitSuccess;
    }

    int checksFailed(ImportRun&, int rc) override {
        abandon();
        return rc;
    }

    // The next free id written back, the end of the transaction and the summary.
    int finish(ImportRun& run) override {
        Diagnostics& diag = run.diagnostics();
        const RunOptions& options = run.options();
        // The rows that still wait in batches, before the run decides how it ends.
        db_.flushInserts();
        if (!diag.errSw)
            updateNextElementId(diag, options, run.state(), db_);
        if (options.showTablesSw)
            showTables(diag, run.model());
        endTransaction(diag, options, db_, *transaction_);
        db_.close("main");
        printSummary(diag, options, run.state());
        diag.trace("releasing storage areas\n");
        if (diag.errSw)
            return exitImportFailed;
        diag.print("\nImport was successful - please restart the norvakhub\n");
        return exitSuccess;
    }

  private:
    void abandon() { abandonTransaction(db_, *transaction_); }

    DbSession& db_;
    RepositoryLock& lock_;
    const CommandLineValues& values_;
    const std::string& definitionsText_;
    std::optional<Transaction> transaction_;
};

// A run without -f that names a file anyway, as in "norvakload orders.xml":
// the argument is reported, with the fix.
static void suggestFileOption(Diagnostics& diag, int argc, const char* const* argv, const CommandLineValues& values) {
    if (!values.fileName.empty())
        return;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        bool isValue = i > 1 && argv[i - 1][0] == '-' && argv[i - 1][1] != '\0' && argv[i - 1][2] == '\0' &&
                       std::strchr("nupsNUPS", argv[i - 1][1]) != nullptr;
        if (argument[0] == '-' || argument[0] == '?' || isValue)
            continue;
        diag.print("*****Error - unrecognized command line parameter %s\n", argument);
        diag.print("  a definitions file is given with -f: %s -f %s\n", argc > 0 ? argv[0] : "norvakload", argument);
        return;
    }
}

// The import of a definitions file, from the banner on, into the repository
// the run names. The options are complete once the command line has been
// applied over those of the definitions file; every step after that only
// reads them.
int importDefinitions(ImportRun& run, DbSession& db, RepositoryLock& lock, int argc, const char* const* argv) {
    run.out.setQuiet(quietRequested(argc, argv));
    run.print("Norvak V2.1 - ZEP bulk data import utility V1.00 (Dec 14 2001)\n");
    if (!run.allocateTables()) {
        run.print("Error allocating storage for element, value, type or names table\n");
        return exitStorage;
    }
    run.executionDateTime = currentDateTime();
    run.print("Execution date and time %s\n", run.executionDateTime.c_str());

    const char* programName = argc > 0 ? argv[0] : "norvakload";
    CommandLineValues values;
    walkCommandLine(run.diagnostics(), run.options(), argc, argv, values);
    if (usageRequested(argc, argv, values)) {
        run.out.setQuiet(false);
        printUsage(run.diagnostics(), programName);
        suggestFileOption(run.diagnostics(), argc, argv, values);
        return exitUsage;
    }

    run.print("Processing input file %s\n", values.fileName.c_str());
    std::optional<std::string> text = readFileData(run.diagnostics(), values.fileName);
    if (!text) {
        run.out.setQuiet(false);
        run.print("Unable to read input defintions file %s\n", values.fileName.c_str());
        printUsage(run.diagnostics(), programName);
        return exitUnreadableFile;
    }
    run.showPhase("reading the definitions");
    run.sourceName = values.fileName;
    // Kept as read, for the comparison with what the message set holds.
    const std::string definitionsText = *text;
    NamedRepository repository(db, lock, values, definitionsText);
    return importDefinitionsText(run, repository, text->data());
}

// A run that cannot go on (no memory, or any other failure that ends it
// early): nothing of it stays in the repository.
int endAfterFailure(Diagnostics& diag, DbSession& db, const std::string& line, int exitCode) {
    diag.print("%s", line.c_str());
    if (db.connected()) {
        db.reportDbcError(db.rollbackNow(), "SQLEndTran(RollBack)", "main");
        printRollbackLines(diag);
        db.close("main");
    }
    return exitCode;
}

} // namespace

int runImport(Output& out, int argc, const char* const* argv, ImportOutcome* outcome) {
    ImportRun run(out);
    // The phase and count of a long import, when standard error is a terminal.
    Progress progress(stderr, "norvakload");
    struct ShownProgress {
        Output& out;
        ~ShownProgress() { out.setProgress(nullptr); }
    } shownProgress{out};
    if (progress.shown()) {
        run.progress = &progress;
        out.setProgress(&progress);
    }
    // Let go only after the session has ended the transaction, whatever ends the run.
    RepositoryLock lock;
    DbSession db(run.diagnostics(), SessionVariant::import);
    const char* storageLine = "Error allocating storage for element, value, type or names table\n";
    struct KeptOutcome {
        ImportRun& run;
        ImportOutcome* outcome;
        ~KeptOutcome() {
            if (outcome != nullptr)
                *outcome = {run.messageSetName, run.reportOnlySw != 0, run.counters};
        }
    } keptOutcome{run, outcome};
    try {
        return importDefinitions(run, db, lock, argc, argv);
    } catch (const TableStorageError&) {
        return endAfterFailure(run.diagnostics(), db, storageLine, exitStorage);
    } catch (const std::bad_alloc&) {
        return endAfterFailure(run.diagnostics(), db, storageLine, exitStorage);
    } catch (const std::exception& failure) {
        return endAfterFailure(run.diagnostics(), db,
                               formatText("*****Error - the run ended early: %s\n", failure.what()), exitImportFailed);
    }
}

} // namespace norvak
