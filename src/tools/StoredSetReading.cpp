// A stored message set read whole in one read-only transaction, with the command line's values.
#include "tools/StoredSetReading.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "import/repository/MessageSetReading.h"
#include "dbsession/Transaction.h"
#include "support/Progress.h"

#include <cstdio>
#include <utility>

namespace norvak {

StoredSetRead readStoredSet(Diagnostics& diagnostics, const ToolOptions& values, StoredMessageSet& set,
                            bool keepRemade, const char* program, const ConfigurationStep& beforeItems) {
    Output& report = diagnostics.out;
    DbSession db(diagnostics, SessionVariant::snapshot);
    if (connectTool(report, db, values) != 0)
        return StoredSetRead::notConnected;

    set.name = values.messageSet;
    StoredSetRead outcome = StoredSetRead::read;
    {
        Transaction snapshot(db);
        std::optional<std::int16_t> key = findMessageSet(diagnostics, db, values.schemaPrefix, values.messageSet);
        if (diagnostics.errSw) {
            outcome = StoredSetRead::databaseError;
        } else if (!key) {
            outcome = StoredSetRead::noMessageSet;
        } else {
            set.key = *key;
            if (beforeItems) {
                StoredMessageSet configuration;
                configuration.key = set.key;
                configuration.name = set.name;
                if (!readMessageSetConfiguration(diagnostics, db, values.schemaPrefix, configuration))
                    outcome = StoredSetRead::databaseError;
                else if (!beforeItems(configuration))
                    outcome = StoredSetRead::stopped;
            }
        }
        if (outcome == StoredSetRead::read && key) {
            Progress progress(stderr, program);
            report.setProgress(&progress);
            if (!readMessageSet(diagnostics, db, values.schemaPrefix, set, keepRemade,
                                [&](const char* table, std::size_t rows) {
                                    progress.phase(formatText("read %s, %zu rows", table, rows).c_str());
                                }))
                outcome = StoredSetRead::databaseError;
            report.setProgress(nullptr);
        }
        snapshot.rollback(); // nothing was changed; the driver needs the transaction ended to disconnect
    }
    db.close("main");
    return outcome;
}

StoredSetRead readStoredModel(Diagnostics& diagnostics, const ToolOptions& values,
                              std::optional<ModelledSet>& modelled, bool keepRemade, const char* program) {
    StoredMessageSet set;
    StoredSetRead outcome = readStoredSet(diagnostics, values, set, keepRemade, program);
    if (outcome == StoredSetRead::read)
        modelled.emplace(std::move(set));
    return outcome;
}

} // namespace norvak
