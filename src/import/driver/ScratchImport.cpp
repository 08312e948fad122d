// The import of a definitions text into a repository in memory, and the warning of definitions kept as stored.
#include "import/driver/ScratchImport.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/InsertBatches.h"
#include "dbsession/RepositorySchema.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "dbsession/Transaction.h"
#include "import/driver/ImportDriver.h"
#include "import/driver/ImportRun.h"
#include "import/driver/ImportSequence.h"
#include "import/repository/MessageSetReading.h"
#include "import/repository/SetComparison.h"
#include "support/Clock.h"
#include "support/ConnectionText.h"
#include "support/StringUtilities.h"

#include <cstdlib>
#include <optional>
#include <set>
#include <utility>

namespace norvak {

namespace {

constexpr const char* scratchName = "scratch";

// The embedded database's driver, as the driver manager knows it.
std::string scratchConnectionString() {
    const char* driver = std::getenv("NORVAK_SCRATCH_DRIVER");
    std::string name = driver != nullptr && *driver != '\0' ? driver : "SQLite3";
    std::string braced;
    for (char c : name)
        braced += c == '}' ? std::string("}}") : std::string(1, c); // a closing brace inside braces is doubled
    return "DRIVER={" + braced + "};Database=:memory:";
}

// The statements that make an empty repository with one message set.
class ScratchRepository {
  public:
    ScratchRepository(DbSession& db, std::string date) : db_(db), date_(std::move(date)) {}

    bool create(std::int16_t key, const std::string& setName) {
        for (const TableDefinition& table : repositoryTables()) {
            if (!execute(createTableStatement(table.name, table.columns)))
                return false;
        }
        for (const IndexDefinition& index : repositoryIndexes()) {
            if (!execute(createIndexStatement(index.name, index.table, index.columns)))
                return false;
        }
        return execute(insertRepositoryRowStatement(noSchema_, 1, key + 1, date_)) &&
               insert(insertMessageSetStatement(noSchema_, key, 1, firstItemId, "?", date_),
                      {InsertParameter::text(setName)});
    }

    bool pluginMember(std::int16_t key, const StoredPluginMember& member) {
        return insert(copyPluginMemberStatement(noSchema_, key, member.id, member.pluginKey, member.sequence,
                                                member.active, member.layerFinal, member.status, date_),
                      {InsertParameter::text(member.name),
                       member.lockDate ? InsertParameter::text(*member.lockDate) : InsertParameter::nullText()});
    }

    bool tabSetting(std::int16_t key, const StoredAttribute& row) {
        auto text = [](const std::optional<std::string>& value) {
            return value ? InsertParameter::text(*value) : InsertParameter::nullText();
        };
        const CopiedAttribute copied{row.id,        row.ownerId,        row.ownerClass,
                                     row.flags,     row.minLength,      row.maxLength,
                                     row.pluginMemberId, row.key,       row.status};
        return insert(copyAttributeStatement(RowStamp{noSchema_, key, date_}, copied),
                      {InsertParameter::text(std::string(row.name)), InsertParameter::text(std::string(row.type)),
                       InsertParameter::text(std::string(row.group)), text(row.value), text(row.longValue)});
    }

  private:
    bool execute(const std::string& sql) {
        Statement statement(db_, "createScratchRepository", "SQLAllocHandle");
        return statement.usable() && statement.execute(sql, "SQLExecDirect") == SQL_SUCCESS;
    }
    bool insert(const std::string& sql, std::vector<InsertParameter> parameters) {
        return runInsert(db_, sql, std::move(parameters), "createScratchRepository", InsertMode::execute) ==
               SQL_SUCCESS;
    }

    DbSession& db_;
    std::string date_;
    const std::string noSchema_; // the repository held in memory has no schema of its own
};

// The tabs the definitions define, by kind and name.
std::set<std::pair<int, std::string>> definedTabs(const DefinitionModel& model) {
    std::set<std::pair<int, std::string>> tabs;
    for (const CwfTabDefinition& tab : model.cwfTabList)
        tabs.emplace(pluginCwfTab, model.text(tab.name));
    for (const XmlTabDefinition& tab : model.xmlTabList)
        tabs.emplace(pluginXmlTab, model.text(tab.name));
    for (const TdsTabDefinition& tab : model.tdsTabList)
        tabs.emplace(pluginTdsTab, model.text(tab.name));
    return tabs;
}

// Whether the rows of the import must go through the database in memory
// (NORVAK_SCRATCH_WRITES=database): the way to compare the two ways.
bool heldOff() {
    const char* writes = std::getenv("NORVAK_SCRATCH_WRITES");
    return writes != nullptr && std::string(writes) == "database";
}

bool isTab(int pluginKey) {
    return pluginKey == pluginCwfTab || pluginKey == pluginXmlTab || pluginKey == pluginTdsTab;
}

// A repository held in memory, made empty with one message set for the
// import: the rows the import writes there are read back whole.
class MemoryRepository : public ImportTarget {
  public:
    MemoryRepository(ImportRun& run, const std::string& setName, const StoredMessageSet* configuration,
                     StoredMessageSet& rows, bool keepRemade)
        : db_(run.diagnostics(), SessionVariant::import), setName_(setName), configuration_(configuration),
          rows_(rows), keepRemade_(keepRemade) {}

    int definitionErrors(ImportRun&) override { return exitDefinitionErrors; }

    int open(ImportRun& run) override {
        run.databaseName = scratchName;
        run.dbUserId.clear();
        run.dbPassword.clear();
        run.schemaPrefix.clear();
        run.reportOnlySw = 0;
        run.verboseSw = 0;
        run.showTablesSw = 0;
        if (!setName_.empty())
            run.messageSetName = setName_;
        if (run.messageSetName.empty())
            run.messageSetName = scratchName;

        if (!db_.connectWithString(scratchConnectionString()) ||
            db_.allocateStatement("createScratchRepository") != SQL_SUCCESS)
            return exitConnectRefused;
        transaction_.emplace(db_);
        // The rows the import writes are read back from memory, unless a
        // query of the import comes after them (then they are written first).
        if (!heldOff())
            db_.inserts().holdRows();
        key_ = configuration_ != nullptr && configuration_->key != 0 ? configuration_->key
                                                                     : static_cast<std::int16_t>(firstProjectKey);
        return createMessageSet(run) ? exitSuccess : exitImportFailed;
    }

    DbSession& session() override { return db_; }

    int discoveryFailed(ImportRun&, int) override { return exitMessageSetMissing; }

    int reconciled(ImportRun& run) override { return run.errSw ? exitImportFailed : exitSuccess; }

    int checksFailed(ImportRun&, int rc) override { return rc; }

    int finish(ImportRun& run) override {
        if (run.errSw)
            return exitImportFailed;
        rows_.key = key_;
        rows_.name = run.messageSetName;
        if (std::optional<std::vector<HeldStatement>> held = db_.inserts().heldStatements(); held && !held->empty()) {
            db_.inserts().suspendHeldRows(true);
            HeldRowsRead read = readMessageSetWithHeldRows(run.diagnostics(), db_, rows_, keepRemade_, *held);
            db_.inserts().suspendHeldRows(false);
            if (read != HeldRowsRead::needsDatabase) {
                db_.inserts().forgetHeldRows();
                readFromMemory_ = read == HeldRowsRead::read;
                return read == HeldRowsRead::read ? exitSuccess : exitImportFailed;
            }
            // Written as any import writes them, and read back.
        }
        return readMessageSet(run.diagnostics(), db_, "", rows_, keepRemade_) ? exitSuccess : exitImportFailed;
    }

  private:
    // The repository with its message set, which starts with the plugin
    // members of the configuration (the tabs the file defines are made by
    // its import, with its settings), or with those of a new message set.
    bool createMessageSet(ImportRun& run) {
        ScratchRepository repository(db_, run.executionDateTime);
        if (!repository.create(key_, run.messageSetName))
            return false;
        if (configuration_ == nullptr) {
            StoredPluginMember uuids;
            uuids.id = 1;
            uuids.pluginKey = pluginUuid;
            uuids.sequence = 1;
            uuids.active = 1;
            uuids.name = "WebDav";
            uuids.lockDate = "";
            return repository.pluginMember(key_, uuids);
        }
        auto defined = definedTabs(run.model());
        std::set<std::int32_t> copied;
        for (const StoredPluginMember& member : configuration_->pluginMembers) {
            if (isTab(member.pluginKey) && defined.count({member.pluginKey, member.name}) != 0)
                continue;
            if (!repository.pluginMember(key_, member))
                return false;
            copied.insert(member.id);
        }
        for (const StoredAttribute& row : configuration_->attributes) {
            if (row.ownerId == 0 && copied.count(row.pluginMemberId) != 0 && !repository.tabSetting(key_, row))
                return false;
        }
        return true;
    }

    DbSession db_;
    std::optional<Transaction> transaction_;
    const std::string& setName_;
    const StoredMessageSet* configuration_;
    StoredMessageSet& rows_;
    bool keepRemade_;
    std::int16_t key_ = 0;
    bool readFromMemory_ = false;

  public:
    bool readFromMemory() const { return readFromMemory_; }
};

} // namespace

ScratchImport importIntoScratch(std::string definitionsText, const std::string& sourceName, const std::string& setName,
                                const StoredMessageSet* configuration, bool keepRemade) {
    ScratchImport result;
    Output out;
    out.setQuiet(true); // warnings and errors only
    ImportRun run(out);
    if (!run.allocateTables()) {
        result.exitCode = exitStorage;
        result.report = out.text();
        return result;
    }
    run.executionDateTime = currentDateTime();
    run.sourceName = sourceName;
    MemoryRepository repository(run, setName, configuration, result.rows, keepRemade);
    result.exitCode = importDefinitionsText(run, repository, definitionsText.data());
    result.imported = result.exitCode == exitSuccess;
    result.readFromMemory = repository.readFromMemory();
    result.report = out.text();
    return result;
}

std::optional<ModelledSet> importIntoModel(std::string definitionsText, const std::string& sourceName,
                                           const std::string& setName, const StoredMessageSet* configuration,
                                           ScratchImport& outcome) {
    outcome = importIntoScratch(std::move(definitionsText), sourceName, setName, configuration);
    if (!outcome.imported)
        return std::nullopt;
    return ModelledSet(std::move(outcome.rows));
}

void warnOfKeptDefinitions(Diagnostics& diag, const RunOptions& options, const RepositoryState& state,
                           DbSession& db, const std::string& definitionsText) {
    const RunCounters& c = state.counters;
    if (c.typesReused + c.elementsReused + c.valuesReused + c.messagesReused == 0)
        return; // every item of the file is new: the import writes it as the file has it
    StoredMessageSet stored;
    stored.key = state.projectKey;
    stored.name = options.messageSetName;
    if (!readMessageSet(diag, db, options.schemaPrefix, stored, false))
        return;
    ScratchImport scratch = importIntoScratch(definitionsText, diag.sourceName, options.messageSetName, &stored);
    if (!scratch.imported) {
        // A file with errors: the import itself says what is wrong with it.
        if (scratch.exitCode == exitConnectRefused)
            diag.print("*****Warning - the definitions of the file could not be compared with the stored items the "
                       "import keeps (no database in memory: is the SQLite ODBC driver installed?)\n");
        return;
    }
    SetComparison comparison = compareMessageSets(stored, scratch.rows);
    long kept = 0;
    for (const SetDifference& difference : comparison.differences)
        kept += difference.keptByImport ? 1 : 0;
    if (kept == 0)
        return;
    // The schema without the dot the run adds to it.
    std::string schema = options.schemaPrefix;
    if (!schema.empty() && schema.back() == '.')
        schema.pop_back();
    diag.print("*****Warning - %ld definition%s of the file differ%s from the stored items the import keeps as they "
               "are; to see them: norvakdiff -n %s%s%s -s %s -f %s\n",
               kept, kept == 1 ? "" : "s", kept == 1 ? "s" : "", commandLineDataSource(options.databaseName).c_str(),
               schema.empty() ? "" : " -h ", schema.c_str(), options.messageSetName.c_str(), diag.sourceName.c_str());
}

} // namespace norvak
