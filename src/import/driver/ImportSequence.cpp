// The steps of an import in their order, the same for every repository it writes into.
#include "import/driver/ImportSequence.h"

#include "dbsession/DbSession.h"
#include "import/driver/ImportDriver.h"
#include "import/driver/ImportRun.h"
#include "import/driver/TableListings.h"
#include "import/model/ConsistencyChecks.h"
#include "import/reader/TagWalker.h"
#include "import/repository/ItemEmission.h"
#include "import/repository/Reconciliation.h"
#include "import/repository/RepositoryDiscovery.h"
#include "import/repository/WireFormatTabs.h"

namespace norvak {

void reconcileWithMessageSet(ImportRun& run, DbSession& db) {
    Diagnostics& diag = run.diagnostics();
    const RunOptions& options = run.options();
    DefinitionModel& model = run.model();
    RepositoryState& state = run.state();
    createZEPtabs(diag, options, model, state, db);
    findExistingTypes(diag, options, model, state, db);
    findExistingElements(diag, options, model, state, db);
    findExistingValues(diag, options, model, state, db);
    findExistingMessages(diag, options, model, state, db);
    checkReusedTypeMembers(diag, model, state);
    checkReusedElementValues(diag, options, model, state, db);
}

int checkDefinitions(ImportRun& run) {
    Diagnostics& diag = run.diagnostics();
    DefinitionModel& model = run.model();
    resolveReferences(diag, model, run.state());
    if (run.showTablesSw)
        showTables(diag, model);
    if (diag.errSw) {
        diag.print("Errors detected during processing of input file\n");
        diag.print("Program exiting\n");
        return exitReferenceErrors;
    }
    checkDupIdents(diag, model);
    if (diag.errSw) {
        diag.print("Duplicate identifiers found\n");
        diag.print("Program exiting\n");
        return exitDuplicateIdentifiers;
    }
    checkRecursion(diag, model);
    if (diag.errSw) {
        diag.print("Recursions found in definitions\n");
        diag.print("ZEP does not allow recursions\n");
        diag.print("Program exiting\n");
        return exitRecursion;
    }
    return exitSuccess;
}

int importDefinitionsText(ImportRun& run, ImportTarget& target, char* text) {
    parseXMLfile(run.diagnostics(), run.options(), run.model(), run.state(), text);
    if (run.errSw)
        return target.definitionErrors(run);

    int rc = target.open(run);
    if (rc != exitSuccess)
        return rc;
    DbSession& db = target.session();
    rc = getZEPInfo(run.diagnostics(), run.options(), run.model(), run.state(), db);
    if (rc != 0 || run.errSw)
        return target.discoveryFailed(run, rc);
    if (run.showTablesSw)
        showTables(run.diagnostics(), run.model());

    run.showPhase("reconciling with the message set");
    reconcileWithMessageSet(run, db);
    rc = target.reconciled(run);
    if (rc != exitSuccess)
        return rc;
    run.showPhase("checking");
    rc = checkDefinitions(run);
    if (rc != exitSuccess)
        return target.checksFailed(run, rc);

    createZEPitems(run.diagnostics(), run.options(), run.model(), run.state(), db);
    return target.finish(run);
}

} // namespace norvak
