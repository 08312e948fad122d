// norvakapply's run: its command line, the read of the stored set, the plan, the gates and the outcome.
#include "tools/apply/DefinitionsApply.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/MessageSetNames.h"
#include "dbsession/OdbcTypes.h"
#include "dbsession/RepositoryLock.h"
#include "dbsession/Transaction.h"
#include "import/driver/ImportDriver.h"
#include "import/driver/ScratchImport.h"
#include "import/reader/TextPreparation.h"
#include "import/repository/MessageSetReading.h"
#include "import/repository/SetComparison.h"
#include "support/Clock.h"
#include "support/ConnectionText.h"
#include "support/Diagnostics.h"
#include "support/OutputFile.h"
#include "support/StringUtilities.h"
#include "setmodel/MessageSetModel.h"
#include "tools/StoredSetReading.h"
#include "tools/ToolCommandLine.h"
#include "tools/apply/ApplyPlan.h"
#include "tools/apply/ChangeWriting.h"
#include "tools/apply/SetSynchronisation.h"
#include "tools/common/ModelledSetSource.h"
#include "tools/common/OptionParser.h"
#include "tools/diff/DefinitionsDiff.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <unordered_set>
#include <utility>

namespace norvak {

const char* const norvakapplyHelp =
    "Usage: norvakapply -n ZEP_Database_Name {-u DB_Userid} {-p DB_Password} {-h Schema_name}\n"
    "                   -s MessageSet -f File {--dry-run} {--allow-breaking} {--allow-removals}\n"
    "                   {--lock-timeout SECONDS} {-q} {--format json}\n"
    "\n"
    "Makes a stored message set match the definitions of File. The file is compared with the set as\n"
    "norvakdiff compares them; the plan shows the same lines and verdicts, then what is done with\n"
    "each difference (insert, update, delete, keep) and the counts. Two gates are decided before\n"
    "anything is written: a change that breaks a wire format of the set is refused unless\n"
    "--allow-breaking is given (nothing is written, the lines at fault are named), and items only the\n"
    "set holds (another file's, perhaps) are kept unless --allow-removals is given.\n"
    "\n"
    "A real run locks the set and writes the plan in one transaction: items on both sides keep their ids\n"
    "and uuids, new ones take ids from NEXT_ID; the set is read back and compared with the file before\n"
    "the commit, and any difference left rolls everything back. With --allow-removals the set's tabs the\n"
    "file does not define are removals too.\n"
    "\n"
    "Options:\n"
    "  -n, --data-source NAME  ODBC data source of the repository\n"
    "                          or an ODBC connection string: any value holding = (DRIVER=...;Database=...)\n"
    "  -u, --user USER         database user\n"
    "  -p, --password PASSWORD database password (never shown)\n"
    "  -h, --schema SCHEMA     schema of the repository tables (an SQL identifier)\n"
    "  -s, --message-set NAME  the message set to change (required)\n"
    "  -f, --file FILE         the definitions file (required); - is standard input\n"
    "  --dry-run               the plan and the gates' outcome only: nothing is written, the exit code\n"
    "                          is the one the run would end with\n"
    "  --allow-breaking        apply changes that break a wire format of the set\n"
    "  --allow-removals        delete the items (and tabs) only the set holds, with their members and\n"
    "                          attributes\n"
    "  --lock-timeout SECONDS  wait at most this long for another run changing the message set (0..86400,\n"
    "                          default 600)\n"
    "  --format json|text      the plan, the gates and the outcome with the run's errors and warnings as\n"
    "                          one JSON document on standard output; or as lines (the default)\n"
    "  -q, --quiet             on standard error only warnings, errors and the closing line\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Options are taken by their exact names; a value is the next argument (-f File, never -fFile) or\n"
    "follows = in a long form (--file=File). Any other argument is a mistake.\n"
    "\n"
    "Exit codes: 0 applied or nothing to do, 1 refused by the breaking gate, 2 applied with items only\n"
    "the set holds kept, 3 usage shown, 4 command line mistake, 5 the file could not be read, 6 the\n"
    "file has errors the import would refuse, 7 no such message set, 8 the message set stayed locked,\n"
    "9 database error (nothing written), 10 output not written.\n";

namespace {

// One run: its report, its command line and its JSON members.
struct ApplyRun {
    Output& report;
    Diagnostics& diagnostics;
    ToolOptions values;
    nlohmann::ordered_json* own;
};

bool readCommandLine(Output& report, int argc, const char* const* argv, ToolOptions& values) {
    static constexpr OptionSpec options[] = {
        dataSourceSpec, userSpec, passwordSpec, schemaSpec, messageSetSpec,
        definitionsFileSpec,
        {.name = "dry-run", .flag = &ToolOptions::dryRun},
        {.name = "allow-breaking", .flag = &ToolOptions::allowBreaking},
        {.name = "allow-removals", .flag = &ToolOptions::allowRemovals},
        lockTimeoutSpec, quietSpec,
    };
    bool read = parseToolOptions(report, argc, argv, options, values);
    report.setQuiet(values.quiet);
    takeConnectionDefaults(values.dataSource, values.user, values.password);
    if (read && values.inputFile.empty()) {
        report.print("*****Error - no definitions file: give it with -f\n");
        read = false;
    }
    if (read && values.dataSource.empty()) {
        report.print("*****Error - no data source: give it with -n\n");
        read = false;
    }
    if (read && values.messageSet.empty()) {
        report.print("*****Error - no message set: give it with -s\n");
        read = false;
    }
    return read;
}

// What a message set of the file starts from: the stored set's plugin
// members and tab settings, as an import into the set finds them; with
// removals allowed, its language bindings alone, so that the tabs only the
// set has are removals like its other items.
StoredMessageSet startOfTheFilesSet(const StoredMessageSet& stored, bool allowRemovals) {
    StoredMessageSet start;
    start.key = stored.key;
    start.name = stored.name;
    for (const StoredPluginMember& member : stored.pluginMembers) {
        if (!allowRemovals || wireFormatOf(member.pluginKey) == WireFormat::none)
            start.pluginMembers.push_back(member);
    }
    if (!allowRemovals) {
        for (const StoredAttribute& row : stored.attributes) {
            if (row.ownerId == 0)
                start.attributes.push_back(row);
        }
    }
    return start;
}

// The file imported into a message set of its own that starts from the
// stored set's plugin members, with every row (those every import makes
// again too); reports and sets `exitCode` when it cannot be.
std::optional<StoredMessageSet> importedRows(ApplyRun& run, const StoredMessageSet& stored, int& exitCode) {
    const std::string& fileName = run.values.inputFile;
    std::optional<std::string> text = readDefinitionsText(run.report, fileName, " - nothing was written");
    if (!text) {
        exitCode = applyUnreadableFile;
        return std::nullopt;
    }
    StoredMessageSet start = startOfTheFilesSet(stored, run.values.allowRemovals);
    ScratchImport scratch = importIntoScratch(std::move(*text), fileName, run.values.messageSet, &start, true);
    if (scratch.imported)
        return std::move(scratch.rows);
    run.report.print("%s", scratch.report.c_str());
    if (scratch.exitCode == exitConnectRefused) {
        run.report.print("*****Error - the definitions of %s could not be imported into a repository held in memory "
                         "(is the embedded database's ODBC driver installed?) - nothing was written\n",
                         fileName.c_str());
        exitCode = applyDatabaseError;
    } else {
        run.report.print("*****Error - %s has errors the import would refuse it for (exit code %d) - nothing was "
                         "written\n",
                         fileName.c_str(), scratch.exitCode);
        exitCode = applyDefinitionErrors;
    }
    return std::nullopt;
}

// The gates' lines: the breaking changes at fault, or the items kept.
void reportGates(ApplyRun& run, const ApplyPlan& plan) {
    if (plan.breakingRefused) {
        std::size_t count = plan.breakingAtFault.size();
        run.report.print("*****Error - %zu breaking change%s refused: give --allow-breaking to apply %s - nothing "
                         "was written\n",
                         count, count == 1 ? "" : "s", count == 1 ? "it" : "them");
        for (std::size_t i : plan.breakingAtFault) {
            const SetDifference& d = plan.comparison.differences[i];
            run.report.print("*****Error - breaking: %s  %s\n", differenceText(d).c_str(),
                             verdictText(d, plan.comparison.formats).c_str());
        }
        return;
    }
    if (plan.removalsKept > 0) {
        std::size_t count = plan.removalsKept;
        run.report.print("*****Warning - %zu item%s only message set %s holds %s kept: not in the file (give "
                         "--allow-removals to delete %s)\n",
                         count, count == 1 ? "" : "s", run.values.messageSet.c_str(), count == 1 ? "is" : "are",
                         count == 1 ? "it" : "them");
    }
}

// The stored set compared with the file's rows (the rows every import
// makes again left out): the plan written and the gates decided. The exit
// code the run ends with unless writing fails; `plan` holds the plan.
int decide(ApplyRun& run, const StoredMessageSet& stored, const StoredMessageSet& fileRows,
           std::optional<ApplyPlan>& plan) {
    plan = planApply(compareMessageSets(stored, fileRows, true), run.values.allowBreaking, run.values.allowRemovals);
    std::string failure;
    if (run.own != nullptr) {
        run.own->update(planJson(*plan));
    } else if (!writeStandardOutput(planText(*plan), failure)) {
        run.report.print("*****Error - the plan could not be written to standard output: %s - nothing was written\n",
                         failure.c_str());
        return applyNotWritten;
    }
    reportGates(run, *plan);
    if (plan->breakingRefused)
        return applyBreakingRefused;
    return plan->removalsKept > 0 ? applyRemovalsKept : applyDone;
}

// The closing line of a run that writes nothing.
void reportUnwritten(ApplyRun& run, const ApplyPlan& plan) {
    const ToolOptions& v = run.values;
    std::string where = "message set " + v.messageSet + " of " + shownDataSource(v.dataSource);
    if (plan.breakingRefused)
        run.report.printImportant("Refused: %s is unchanged\n", where.c_str());
    else if (v.dryRun)
        run.report.printImportant("Dry run: %zu change%s planned for %s - nothing was written\n", plan.changes,
                                  plan.changes == 1 ? "" : "s", where.c_str());
    else
        run.report.printImportant("Nothing to apply: %s matches %s\n", where.c_str(), v.inputFile.c_str());
}

// A dry run: the set read in one read-only transaction, as norvakdiff reads
// it, the file imported from its configuration before its items are read.
int dryRun(ApplyRun& run) {
    StoredMessageSet stored;
    std::optional<StoredMessageSet> fileRows;
    int exitCode = applyDone;
    auto importFile = [&](const StoredMessageSet& configuration) {
        fileRows = importedRows(run, configuration, exitCode);
        return fileRows.has_value();
    };
    switch (readStoredSet(run.diagnostics, run.values, stored, false, "norvakapply", importFile)) {
    case StoredSetRead::read:
        break;
    case StoredSetRead::stopped:
        return exitCode;
    case StoredSetRead::notConnected:
        return applyDatabaseError;
    case StoredSetRead::noMessageSet:
        run.report.print("*****Error - message set %s not found - nothing was written\n", run.values.messageSet.c_str());
        run.report.print("%s\n", missingMessageSetStep(run.values.dataSource, run.values.messageSet).c_str());
        return applyNoMessageSet;
    case StoredSetRead::databaseError:
        run.report.print("*****Error - reading message set %s failed - nothing was written\n",
                         run.values.messageSet.c_str());
        return applyDatabaseError;
    }
    std::optional<ApplyPlan> plan;
    exitCode = decide(run, stored, *fileRows, plan);
    if (plan && exitCode != applyNotWritten)
        reportUnwritten(run, *plan);
    return exitCode;
}

// Inside the locked transaction: the set's configuration read, the file
// imported from it, then every row of the set read (the two sides are not
// held at once while the file is imported). The exit code of a failure,
// or applyDone.
int readLockedSides(ApplyRun& run, DbSession& db, StoredMessageSet& stored,
                    std::optional<StoredMessageSet>& fileRows) {
    const ToolOptions& v = run.values;
    std::optional<std::int16_t> key = findMessageSet(run.diagnostics, db, v.schemaPrefix, v.messageSet);
    if (run.diagnostics.errSw == 0 && !key) {
        run.report.print("*****Error - message set %s not found - nothing was written\n", v.messageSet.c_str());
        run.report.print("%s\n", missingMessageSetStep(v.dataSource, v.messageSet).c_str());
        return applyNoMessageSet;
    }
    stored.name = v.messageSet;
    if (run.diagnostics.errSw == 0) {
        stored.key = *key;
        StoredMessageSet configuration;
        configuration.key = stored.key;
        configuration.name = stored.name;
        if (readMessageSetConfiguration(run.diagnostics, db, v.schemaPrefix, configuration)) {
            int exitCode = applyDone;
            fileRows = importedRows(run, configuration, exitCode);
            if (!fileRows)
                return exitCode;
            if (readMessageSet(run.diagnostics, db, v.schemaPrefix, stored, true))
                return applyDone;
        }
    }
    run.report.print("*****Error - reading message set %s failed - nothing was written\n", v.messageSet.c_str());
    return applyDatabaseError;
}

// The differences left once the changes are written: the set read again in
// the transaction and compared with the file; every one must be a removal
// the plan keeps. False, with the first difference left named, otherwise.
bool verifyWritten(ApplyRun& run, DbSession& db, const ApplyPlan& plan, const StoredMessageSet& fileRows,
                   std::int16_t key) {
    const ToolOptions& v = run.values;
    StoredMessageSet written;
    written.key = key;
    written.name = v.messageSet;
    if (!readMessageSet(run.diagnostics, db, v.schemaPrefix, written, false)) {
        run.report.print("*****Error - reading message set %s back failed - nothing was written\n", v.messageSet.c_str());
        return false;
    }
    std::unordered_set<std::string> kept;
    for (std::size_t i = 0; i < plan.actions.size(); ++i) {
        if (plan.actions[i] == PlannedAction::keep)
            kept.insert(differenceText(plan.comparison.differences[i]));
    }
    for (const SetDifference& d : compareMessageSets(written, fileRows, true).differences) {
        if (kept.count(differenceText(d)) == 0) {
            run.report.print("*****Error - message set %s would still differ from %s after the changes: %s - nothing "
                             "was written\n",
                             v.messageSet.c_str(), v.inputFile.c_str(), differenceText(d).c_str());
            return false;
        }
    }
    return true;
}

// The changes of the plan, written inside the locked transaction and read
// back; the transaction is committed when the set then matches the file.
// The stored rows are let go once the changes are made of them, and the
// changes once they are written, before the set is read back.
int writePlan(ApplyRun& run, DbSession& db, Transaction& transaction, StoredMessageSet stored,
              const StoredMessageSet& fileRows, const ApplyPlan& plan) {
    const ToolOptions& v = run.values;
    const std::int16_t key = stored.key;
    std::optional<std::int32_t> nextId = readNextId(db, v.schemaPrefix, key);
    if (!nextId) {
        run.report.print("*****Error - reading NEXT_ID of message set %s failed - nothing was written\n",
                         v.messageSet.c_str());
        return applyDatabaseError;
    }
    SetChanges changes = synchronisedRows(stored, fileRows, *nextId, v.allowRemovals);
    stored = StoredMessageSet();
    const std::string date = currentDateTime();
    const RowStamp stamp{v.schemaPrefix, key, date};
    if (!writeSetChanges(db, run.diagnostics.errSw, stamp, changes)) {
        db.discardInserts();
        run.report.print("*****Error - writing the changes to message set %s failed - nothing was written\n",
                         v.messageSet.c_str());
        return applyDatabaseError;
    }
    const std::size_t inserted = changes.inserted();
    const std::size_t updated = changes.updated();
    const std::size_t deleted = changes.deleted();
    changes = SetChanges();
    if (!verifyWritten(run, db, plan, fileRows, key))
        return applyDatabaseError;
    SQLRETURN rc = transaction.commit();
    db.reportDbcError(rc, "SQLEndTran(Commit)", "main");
    if (rc != SQL_SUCCESS) {
        run.report.print("*****Error - the changes to message set %s could not be committed - nothing was written\n",
                         v.messageSet.c_str());
        return applyDatabaseError;
    }
    if (run.own != nullptr) {
        (*run.own)["applied"] = true;
        (*run.own)["written"] = {{"inserted", inserted}, {"updated", updated}, {"deleted", deleted}};
    }
    run.report.printImportant("Applied: %zu change%s to message set %s of %s (%zu rows inserted, %zu updated, %zu "
                              "deleted)\n",
                              plan.changes, plan.changes == 1 ? "" : "s", v.messageSet.c_str(),
                              shownDataSource(v.dataSource).c_str(), inserted, updated, deleted);
    return applyDone;
}

// A real run on a connected session: the set's lock taken first, the set
// read, the plan decided and written, all in one transaction.
int lockedRun(ApplyRun& run, RepositoryLock& lock, DbSession& db) {
    const ToolOptions& v = run.values;
    Transaction transaction(db);
    SQLRETURN rc = transaction.begin();
    db.reportDbcError(rc, "SQLSetConnectAttr(autocommit_off)", "main");
    if (rc != SQL_SUCCESS)
        return applyDatabaseError;
    LockResult locked = lock.take(
        run.report, db,
        messageSetLock(v.schemaPrefix, messageSetCondition(v.messageSet), v.messageSet, v.lockTimeoutSeconds, "main"));
    if (locked == LockResult::timedOut)
        return applyLocked;
    if (locked == LockResult::failed) {
        run.report.print("*****Error - the lock of message set %s could not be taken - nothing was written\n",
                         v.messageSet.c_str());
        return applyDatabaseError;
    }
    StoredMessageSet stored;
    std::optional<StoredMessageSet> fileRows;
    if (int failed = readLockedSides(run, db, stored, fileRows); failed != applyDone)
        return failed;
    std::optional<ApplyPlan> plan;
    int exitCode = decide(run, stored, *fileRows, plan);
    if (!plan || exitCode == applyNotWritten || exitCode == applyBreakingRefused || plan->changes == 0) {
        if (plan && exitCode != applyNotWritten)
            reportUnwritten(run, *plan);
        db.reportDbcError(transaction.rollback(), "SQLEndTran(RollBack)", "main");
        return exitCode;
    }
    int written = writePlan(run, db, transaction, std::move(stored), *fileRows, *plan);
    if (written != applyDone)
        db.reportDbcError(transaction.rollback(), "SQLEndTran(RollBack)", "main");
    return written == applyDone ? exitCode : written;
}

// A real run: on SQLite the lock file is taken before connecting, as every
// run that changes a set takes it.
int realRun(ApplyRun& run) {
    const ToolOptions& v = run.values;
    RepositoryLock lock;
    if (lock.takeBeforeConnecting(run.report, v.dataSource, messageSetLockName(v.messageSet),
                                  v.lockTimeoutSeconds) == LockResult::timedOut)
        return applyLocked;
    DbSession db(run.diagnostics, SessionVariant::removal);
    if (connectTool(run.report, db, v) != 0)
        return applyDatabaseError;
    int exitCode = lockedRun(run, lock, db);
    db.close("main");
    return exitCode;
}

} // namespace

int runDefinitionsApply(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own) {
    Diagnostics diagnostics(report);
    if (toolUsageRequested(argc, argv)) {
        report.print("%s", norvakapplyHelp);
        return applyUsage;
    }
    ApplyRun run{report, diagnostics, {}, own};
    if (!readCommandLine(report, argc, argv, run.values))
        return applyCommandLine;
    if (own != nullptr)
        *own = {{"messageSet", run.values.messageSet}, {"dryRun", run.values.dryRun}, {"applied", false}};
    return run.values.dryRun ? dryRun(run) : realRun(run);
}

} // namespace norvak
