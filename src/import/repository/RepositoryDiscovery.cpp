// Finding the message set, its next free ids, its tabs and language bindings.
#include "import/repository/RepositoryDiscovery.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/MessageSetNames.h"
#include "dbsession/RepositorySchema.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "import/model/DefinitionModel.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "support/ConnectionText.h"
#include "support/Diagnostics.h"
#include "support/PasswordMask.h"

#include <optional>

namespace norvak {

namespace {

constexpr const char* discoveryRoutine = "getZEPInfo";

// The series of discovery queries on the run's statement handle. Each step
// ends by closing its cursor; a failure there or any error ends the series.
class Discovery {
  public:
    Discovery(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
              DbSession& db)
        : diag_(diag), options_(options), model_(model), state_(state), db_(db) {}

    SQLRETURN lastCode() const { return rc_; }

    bool allocateStatement() {
        rc_ = db_.allocateStatement(discoveryRoutine);
        stmt_.emplace(db_, discoveryRoutine);
        return rc_ == SQL_SUCCESS;
    }

    void readRepository() {
        rc_ = execute(repositoryRowQuery(options_.schemaPrefix), "SQLExecDirect");
        if (rc_ != SQL_SUCCESS) {
            diag_.print("Unable to execute SELECT statement - rc=%d\n", rc_);
            stmt_->explainFailure();
            return;
        }
        rc_ = fetch("SQLFetch", false);
        if (rc_ == SQL_SUCCESS) {
            SQLUINTEGER repositoryId = 0;
            SQLSMALLINT nextProjectKey = 0;
            char createDate[32];
            stmt_->number(1, SQL_C_ULONG, repositoryId, "SQLGetData1");
            stmt_->number(2, SQL_C_SSHORT, nextProjectKey, "SQLGetData2");
            stmt_->text(3, createDate, sizeof createDate, sizeof createDate, "SQLGetData3");
        } else if (rc_ == SQL_NO_DATA) {
            diag_.print("No data available for fetch - rc=%d\n", rc_);
        } else {
            diag_.print("Unable to fetch row - rc=%d\n", rc_);
        }
    }

    void findMessageSet() {
        diag_.print("Searching for MessageSet %s in %sPROJECT table in ZEP\n", options_.messageSetName.c_str(),
                    options_.schemaPrefix.c_str());
        MessageSetLookup lookup = lookUpMessageSet(
            *stmt_, options_.schemaPrefix, options_.messageSetName,
            {"SQLExecDirect2", "SQLFetch2", false, "SQLFetch2", "SQLGetData4", "SQLGetData5", "SQLGetData4a"},
            diag_.errSw);
        executed_ = lookup.executed == SQL_SUCCESS;
        rc_ = executed_ ? lookup.firstFetch : lookup.executed;
        if (!executed_)
            return;
        if (lookup.ambiguous()) {
            // Names that differ only in trailing blanks: none of them is taken.
            diag_.errSw = 1;
            diag_.print("\n%s", ambiguousMessageSetLine(options_.messageSetName, lookup.matches).c_str());
            return;
        }
        if (rc_ == SQL_SUCCESS) {
            state_.projectKey = lookup.matches.front().key;
            state_.nextElementId = lookup.matches.front().nextId;
            return;
        }
        diag_.errSw = 1;
        if (rc_ == SQL_NO_DATA) {
            diag_.print("\n*****Error - Could not locate message set %s - rc=%d\n", options_.messageSetName.c_str(),
                        rc_);
            diag_.print("Please make sure the message set has been defined\n");
            diag_.print("%s\n", missingMessageSetStep(db_.dataSource(), options_.messageSetName).c_str());
        } else {
            diag_.print("Unable to fetch row - rc=%d\n", rc_);
        }
    }

    // A query of one MAX value into `value`; a NULL (no rows) leaves it as it is.
    template <class Number>
    bool readMaximum(const std::string& sql, const char* executeLabel, const char* fetchLabel, const char* getLabel,
                     SQLSMALLINT cType, Number& value) {
        rc_ = execute(sql, executeLabel);
        if (rc_ != SQL_SUCCESS)
            return false;
        rc_ = fetch(fetchLabel, true);
        if (rc_ != SQL_SUCCESS)
            return false;
        stmt_->number(1, cType, value, getLabel);
        return true;
    }

    void readNextAttrId() {
        if (options_.verboseSw)
            diag_.print("Getting next attribute id from M_ATTRIBUTE table in ZEP\n");
        std::string sql = largestAttributeIdQuery(options_.schemaPrefix, state_.projectKey);
        if (readMaximum(sql, "SQLExecDirect3", "SQLFetch3", "SQLGetData6", SQL_C_ULONG, state_.nextAttrId))
            ++state_.nextAttrId;
        else if (rc_ == SQL_NO_DATA)
            diag_.print("No data available for fetch of nextAttrId from message set %d - rc=%d\n", state_.projectKey,
                        rc_);
        else if (executed_)
            diag_.print("Unable to fetch row from M_ATTRIBUTE table - rc=%d\n", rc_);
    }

    void readNextMbrAttr() {
        if (options_.verboseSw)
            diag_.print("Getting next attribute id from M_MEMBER_ATTRIBUTE table in ZEP\n");
        std::string sql = largestMemberAttributeIdQuery(options_.schemaPrefix, state_.projectKey);
        if (readMaximum(sql, "SQLExecDirect4", "SQLFetch4", "SQLGetData7", SQL_C_ULONG, state_.nextMbrAttr)) {
            ++state_.nextMbrAttr;
        } else if (rc_ == SQL_NO_DATA) {
            diag_.print("No previous member_attribute available for fetch of nextMbrAttr from message set %d - rc=%d\n",
                        state_.projectKey, rc_);
            diag_.print("nextMbrAttr set to 1\n");
            state_.nextMbrAttr = 1;
        } else if (executed_) {
            diag_.print("Unable to fetch row from M_MEMBER_ATTRIBUTE - rc=%d\n", rc_);
        }
    }

    void readPluginMembers() {
        if (options_.verboseSw)
            diag_.print("Getting plugin entries from REG_PLUGIN_MEMBER table in ZEP\n");
        rc_ = execute(pluginMembersQuery(options_.schemaPrefix, state_.projectKey), "SQLExecDirect5");
        if (rc_ != SQL_SUCCESS)
            return;
        rc_ = stmt_->forEachRow("SQLFetch5", false, "SQLFetch6", diag_.errSw, [&] {
            SQLINTEGER memberId = 0;
            SQLSMALLINT pluginKey = 0;
            char regName[256];
            stmt_->number(1, SQL_C_LONG, memberId, "SQLGetData8");
            stmt_->number(2, SQL_C_SHORT, pluginKey, "SQLGetData9");
            if (stmt_->text(3, regName, sizeof regName, 255, "SQLGetData10") == SQL_SUCCESS)
                recordPluginMember(memberId, pluginKey, regName);
        });
    }

    void readNextMemberId() {
        if (options_.verboseSw)
            diag_.print("Getting next member id from REG_PLUGIN_MEMBER table in ZEP\n");
        std::string sql = largestPluginMemberIdQuery(options_.schemaPrefix, state_.projectKey);
        if (readMaximum(sql, "SQLExecDirect6", "SQLFetch7", "SQLGetData11", SQL_C_SLONG, state_.nextMemberId))
            return;
        if (rc_ == SQL_NO_DATA)
            diag_.print("No data available for fetch of nextMemberId from message set %d - rc=%d\n", state_.projectKey,
                        rc_);
        else if (executed_)
            diag_.print("Unable to fetch row from REG_PLUGIN_MEMBER table - rc=%d\n", rc_);
    }

    void readNextMemberSeqNum() {
        if (options_.verboseSw)
            diag_.print("Getting next member sequence number from REG_PLUGIN_MEMBER table in ZEP\n");
        std::string sql = largestPluginSequenceQuery(options_.schemaPrefix, state_.projectKey);
        if (readMaximum(sql, "SQLExecDirect7", "SQLFetch8", "SQLGetData12", SQL_C_SHORT, state_.nextMemberSeqNum))
            return;
        if (rc_ == SQL_NO_DATA)
            diag_.print("No data available for fetch of nextMemberSeqNum from message set %d - rc=%d\n",
                        state_.projectKey, rc_);
        else if (executed_)
            diag_.print("Unable to fetch sequence number from REG_PLUGIN_MEMBER table - rc=%d\n", rc_);
    }

    // Closes the step's cursor; false when the series ends here.
    bool closeCursor(const char* label) {
        rc_ = stmt_->close(label);
        return rc_ == SQL_SUCCESS && !diag_.errSw;
    }

  private:
    SQLRETURN execute(const std::string& sql, const char* label) {
        SQLRETURN rc = stmt_->execute(sql, label);
        executed_ = rc == SQL_SUCCESS;
        return rc;
    }

    SQLRETURN fetch(const char* label, bool reportEndOfData) { return stmt_->fetch(label, reportEndOfData); }

    void recordPluginMember(SQLINTEGER memberId, SQLSMALLINT pluginKey, const char* regName) {
        switch (pluginKey) {
        case pluginC:
            state_.cMemberId = memberId;
            break;
        case pluginCobol:
            state_.cobolMemberId = memberId;
            break;
        case pluginUuid:
            state_.webDavMemberId = memberId;
            break;
        case pluginCwfTab:
            state_.cwfTabs.add(memberId, insertName(diag_, model_, regName));
            break;
        case pluginXmlTab:
            state_.xmlTabs.add(memberId, insertName(diag_, model_, regName));
            break;
        case pluginTdsTab:
            state_.tdsTabs.add(memberId, insertName(diag_, model_, regName));
            break;
        default:
            break;
        }
    }

    Diagnostics& diag_;
    const RunOptions& options_;
    DefinitionModel& model_;
    RepositoryState& state_;
    DbSession& db_;
    std::optional<Statement> stmt_; // on the statement handle the run keeps
    SQLRETURN rc_ = SQL_SUCCESS;
    bool executed_ = false;
};

// The steps in their order, each with the label of its cursor's close.
struct DiscoveryStep {
    void (Discovery::*query)();
    const char* closeLabel;
};

const DiscoveryStep discoverySteps[] = {
    {&Discovery::readRepository, "SQLFreeStmt"},        {&Discovery::findMessageSet, "SQLFreeStmt2"},
    {&Discovery::readNextAttrId, "SQLFreeStmt3"},       {&Discovery::readNextMbrAttr, "SQLFreeStmt4"},
    {&Discovery::readPluginMembers, "SQLFreeStmt5"},    {&Discovery::readNextMemberId, "SQLFreeStmt6"},
    {&Discovery::readNextMemberSeqNum, "SQLFreeStmt7"},
};

} // namespace

int getZEPInfo(Diagnostics& diag, const RunOptions& options, DefinitionModel& model, RepositoryState& state,
               DbSession& db) {
    diag.trace("==> getZEPInfo database name %s user %s password %s\n", shownDataSource(options.databaseName).c_str(),
               options.dbUserId.c_str(), maskedPassword(options.dbPassword));
    Discovery discovery(diag, options, model, state, db);
    if (options.verboseSw)
        diag.print("Gathering information about ZEP data repository from REPOSITORY table\n");
    if (discovery.allocateStatement()) {
        for (const DiscoveryStep& step : discoverySteps) {
            (discovery.*step.query)();
            if (!discovery.closeCursor(step.closeLabel))
                break;
        }
    }
    if (options.verboseSw)
        diag.print("ZEP info gathered for MessageSet %s id %d NextElementID %d nextAttrId %d nextMbrAttr %d "
                   "nextMemberId %d nextMemberSeqNum %d\n",
                   options.messageSetName.c_str(), state.projectKey, static_cast<int>(state.nextElementId),
                   static_cast<int>(state.nextAttrId), static_cast<int>(state.nextMbrAttr), state.nextMemberId,
                   state.nextMemberSeqNum);
    diag.trace("<== getZEPInfo returned %d errSw %d\n", discovery.lastCode(), diag.errSw);
    return discovery.lastCode();
}

void updateNextElementId(Diagnostics& diag, const RunOptions& options, const RepositoryState& state, DbSession& db) {
    Statement update(db, "updateNextElementId");
    update.prepare(updateNextIdStatement(options.schemaPrefix, static_cast<int>(state.nextElementId), state.projectKey),
                   "SQLPrepare");
    if (!options.reportOnlySw)
        update.executePrepared("SQLExecute");
    update.close("SQLFreeStmt");
    diag.print("updated NEXT_ID entry in PROJECT table to %d\n", static_cast<int>(state.nextElementId));
}

} // namespace norvak
