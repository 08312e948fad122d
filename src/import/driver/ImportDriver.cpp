#include "import/driver/ImportDriver.h"

#include "dbsession/DbSession.h"
#include "import/driver/CommandLine.h"
#include "import/driver/TableListings.h"
#include "import/model/ImportRun.h"
#include "import/reader/TagWalker.h"
#include "import/reader/TextPreparation.h"
#include "import/repository/RepositoryDiscovery.h"

#include <ctime>
#include <optional>
#include <string>

namespace norvak {

namespace {

std::string currentDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d-%H.%M.%S", &local);
    return text;
}

// Rolls back whatever the run has done in the repository and closes the
// connection, for the exits taken after the connection is open.
void abandonTransaction(DbSession& db) {
    db.reportDbcError(SQLEndTran(SQL_HANDLE_DBC, db.hdbc(), SQL_ROLLBACK), "SQLEndTran(RollBack)", "main");
    db.close("main");
}

int importDefinitions(ImportRun& run, int argc, const char* const* argv) {
    run.print("Norvak V2.1 - ZEP bulk data import utility V1.00 (Dec 14 2001)\n");
    if (!run.allocateTables()) {
        run.print("Error allocating storage for element, value, type or names table\n");
        return exitStorage;
    }
    run.executionDateTime = currentDateTime();
    run.print("Execution date and time %s\n", run.executionDateTime.c_str());

    const char* programName = argc > 0 ? argv[0] : "norvakload";
    CommandLineValues values;
    walkCommandLine(run, argc, argv, values);
    if (usageRequested(argc, argv, values)) {
        printUsage(run, programName);
        return exitUsage;
    }

    run.print("Processing input file %s\n", values.fileName.c_str());
    std::optional<std::string> text = readFileData(run, values.fileName);
    if (!text) {
        run.print("Unable to read input defintions file %s\n", values.fileName.c_str());
        printUsage(run, programName);
        return exitUnreadableFile;
    }
    parseXMLfile(run, text->data());
    if (run.errSw) {
        run.print("errors were found in the input definitions file\n");
        run.print("utility is ending\n");
        return exitDefinitionErrors;
    }

    applyCommandLineValues(run, values);

    DbSession db(run.out, run.errSw, SessionVariant::import);
    int rc = db.connectToZEP(run.databaseName, run.dbUserId, run.dbPassword);
    if (rc != 0)
        return rc;
    run.print("Accessing ZEP database %s using %s password %s\n", run.databaseName.c_str(), run.dbUserId.c_str(),
              hiddenPassword(run.dbPassword));
    rc = getZEPInfo(run, db, run.databaseName, run.dbUserId, run.dbPassword);
    if (rc != 0 || run.errSw) {
        run.print("Errors accessing ZEP database - RC = %d\n", rc);
        abandonTransaction(db);
        return rc != 0 ? rc : exitMessageSetMissing;
    }
    if (run.showTablesSw)
        showTables(run);

    run.print("Repository information gathered; the import steps that follow are not available yet, the "
              "repository was not changed\n");
    abandonTransaction(db);
    return exitSuccess;
}

} // namespace

int runImport(Output& out, int argc, const char* const* argv) {
    ImportRun run(out);
    try {
        return importDefinitions(run, argc, argv);
    } catch (const TableStorageError&) {
        run.print("Error allocating storage for element, value, type or names table\n");
        return exitStorage;
    }
}

} // namespace norvak
