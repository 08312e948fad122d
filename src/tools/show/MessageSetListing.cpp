// norvakshow's run: the message sets and their messages listed.
#include "tools/show/MessageSetListing.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/DiagnosticRecords.h"
#include "dbsession/MessageSetNames.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "support/ConnectionText.h"
#include "support/JsonText.h"
#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "tools/ToolCommandLine.h"

#include <nlohmann/json.hpp>

#include "dbsession/OdbcTypes.h"

#include <array>
#include <utility>
#include <vector>

namespace norvak {

namespace {

// The labels of norvakshow's look-up of one message set by its name.
const MessageSetLookupLabels listingLookupLabels{"SQLExecDirect", "SQLFetch",    false,        "SQLFetch2",
                                                 "SQLGetData1",   "SQLGetData2", "SQLGetData3"};

const char* const banner = "Norvak - Message Set list utility V1.2 (Dec 13 2001)\n";

// Room for a NAME or IDENTIFIER column: at most 511 characters and the end.
constexpr SQLLEN textColumnSize = 512;

void printUsage(Output& out, const char* programName) {
    out.print("\nnorvakshow V1.2\n");
    out.print("\nCommand usage is:\n\n");
    out.print("  %s -n ZEP_Database_Name -u DB_Userid -p DB_Password {-h Schema_name}\n\n", programName);
}

} // namespace

const char* const norvakshowHelp =
    "Usage: norvakshow -n ZEP_Database_Name {-u DB_Userid} {-p DB_Password} {-h Schema_name} {-s MessageSet}\n"
    "                  {-q} {--format json}\n"
    "\n"
    "Lists every message set of a repository with its messages; with -s, one message set: its messages\n"
    "with their types, and how many types, elements, values and wire formats it holds.\n"
    "\n"
    "Options:\n"
    "  -n ZEP_Database_Name    ODBC data source of the repository (required)\n"
    "                          or an ODBC connection string: any value holding = (DRIVER=...;Database=...)\n"
    "  -u DB_Userid            database user\n"
    "  -p DB_Password          database password (never shown)\n"
    "  -h Schema_name          schema of the repository tables (an SQL identifier)\n"
    "  -s MessageSet           list this message set only\n"
    "  -q, --quiet             no banner and no connection lines: the listing, warnings and errors only\n"
    "  --format json|text      the message sets (key, name, next id, messages with their types) as one JSON\n"
    "                          document with the run's errors and warnings, or as lines (the default)\n"
    "  --help, --version       this text; the program's version\n"
    "\n"
    "Exit codes: 0 listed, 1 usage shown, 2 the listing failed or -s names no message set, otherwise the\n"
    "failing connect's code.\n";

std::string messageSetCode(std::int32_t repository, std::int16_t id, std::int16_t level) {
    static constexpr char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
    std::uint64_t value = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(repository)) << 32) |
                          (static_cast<std::uint64_t>(static_cast<std::uint16_t>(id)) << 16) |
                          static_cast<std::uint64_t>(static_cast<std::uint16_t>(level));
    std::string code(13, '0');
    for (int position = 12; position >= 1; --position) {
        code[static_cast<std::size_t>(position)] = digits[value & 31u];
        value >>= 5;
    }
    code[0] = static_cast<char>('A' + value); // the four bits left over
    return code;
}

void getAllMessages(Output& out, DbSession& db, int& errSw, SQLSMALLINT projectKey, const std::string& schemaPrefix) {
    Statement messages(db, "getAllMessages", "SQLAllocHandle");
    if (!messages.usable())
        return;
    messages.prepare(messageIdentifiersQuery(schemaPrefix, static_cast<int>(projectKey)), "SQLPrepare");
    if (messages.executePrepared("SQLExecute") != SQL_SUCCESS || errSw)
        return;
    messages.forEachRow("SQLFetch", false, "SQLFetch2", errSw, [&] {
        SQLINTEGER idValue = 0;
        std::array<char, textColumnSize> identifier{};
        messages.number(1, SQL_C_SLONG, idValue, "SQLGetData1");
        messages.text(2, identifier.data(), textColumnSize, textColumnSize, "SQLGetData2");
        out.print("   %6.6d %s\n", static_cast<int>(idValue), identifier.data());
    });
}

namespace {

// Each message of a message set with the identifier of its type, in id order.
template <class Row> void forEachMessageWithType(DbSession& db, int& errSw, const char* schema, int key, Row row) {
    Statement messages(db, "forEachMessageWithType", "SQLAllocHandle");
    if (!messages.usable() ||
        messages.execute(messagesWithTypesQuery(schema, key), "SQLExecDirect") != SQL_SUCCESS)
        return;
    messages.forEachRow("SQLFetch", false, "SQLFetch2", errSw, [&] {
        SQLINTEGER id = 0;
        std::array<char, textColumnSize> identifier{};
        std::array<char, textColumnSize> type{};
        messages.number(1, SQL_C_SLONG, id, "SQLGetData1");
        messages.text(2, identifier.data(), textColumnSize, textColumnSize, "SQLGetData2");
        messages.text(3, type.data(), textColumnSize, textColumnSize, "SQLGetData3");
        row(id, identifier.data(), type.data());
    });
}

} // namespace

// NOLINTNEXTLINE(readability-function-size)
int listOneMessageSet(Output& out, DbSession& db, int& errSw, const std::string& name,
                      const std::string& schemaPrefix) {
    const char* schema = schemaPrefix.c_str();
    db.allocateStatement("listOneMessageSet");
    SQLSMALLINT key = 0;
    SQLINTEGER nextId = 0;
    bool found = false;
    {
        Statement set(db, "listOneMessageSet", "SQLAllocHandle");
        if (!set.usable())
            return listingDatabaseError;
        MessageSetLookup lookup = lookUpMessageSet(set, schemaPrefix, name, listingLookupLabels, errSw);
        if (!SQL_SUCCEEDED(lookup.executed))
            set.explainFailure();
        if (lookup.executed != SQL_SUCCESS)
            return listingDatabaseError;
        if (lookup.ambiguous()) {
            out.print("%s", ambiguousMessageSetLine(name, lookup.matches).c_str());
            return listingDatabaseError;
        }
        if (!lookup.matches.empty()) {
            found = true;
            key = lookup.matches.front().key;
            nextId = static_cast<SQLINTEGER>(lookup.matches.front().nextId);
        }
    }
    if (errSw)
        return listingDatabaseError;
    if (!found) {
        out.print("*****Error - message set %s not found\n", name.c_str());
        out.print("%s\n", missingMessageSetStep(db.dataSource(), name).c_str());
        return listingDatabaseError;
    }
    out.print("\nMessage set %s: key %d, next id %d\n   Msg ID Message Name (type)\n\n", name.c_str(),
              static_cast<int>(key), static_cast<int>(nextId));

    forEachMessageWithType(db, errSw, schema, key, [&](SQLINTEGER id, const char* identifier, const char* type) {
        out.print("   %6.6d %s (%s)\n", static_cast<int>(id), identifier, type);
    });
    if (errSw)
        return listingDatabaseError;

    // How many of each: types, elements, values, and the tabs of each kind.
    Statement counts(db, "listOneMessageSet", "SQLAllocHandle");
    std::string sql = messageSetContentCountsQuery(schema, static_cast<int>(key));
    if (!counts.usable() || counts.execute(sql, "SQLExecDirect") != SQL_SUCCESS)
        return listingDatabaseError;
    counts.forEachRow("SQLFetch", true, "SQLFetch2", errSw, [&] {
        static constexpr const char* labels[] = {"SQLGetData1", "SQLGetData2", "SQLGetData3",
                                                 "SQLGetData4", "SQLGetData5", "SQLGetData6"};
        SQLINTEGER n[6] = {};
        for (SQLUSMALLINT column = 1; column <= 6; ++column)
            counts.number(column, SQL_C_SLONG, n[column - 1], labels[column - 1]);
        out.print("\nTypes %d, elements %d, values %d, wire formats %d (CWF %d, TDS %d, XML %d)\n",
                  static_cast<int>(n[0]), static_cast<int>(n[1]), static_cast<int>(n[2]),
                  static_cast<int>(n[3] + n[4] + n[5]), static_cast<int>(n[3]), static_cast<int>(n[4]),
                  static_cast<int>(n[5]));
    });
    return errSw ? listingDatabaseError : listingSuccess;
}

namespace {

// Whether `name` (-s) names one message set at most; when it matches several
// (names that differ only in trailing blanks), says so on `out` and sets errSw.
bool namesOneMessageSet(Output& out, DbSession& db, int& errSw, const std::string& schemaPrefix,
                        const std::string& name) {
    Statement set(db, "listMessageSetsJson", "SQLAllocHandle");
    if (!set.usable())
        return false;
    MessageSetLookup lookup = lookUpMessageSet(set, schemaPrefix, name, listingLookupLabels, errSw);
    if (!SQL_SUCCEEDED(lookup.executed))
        set.explainFailure();
    if (!lookup.ambiguous())
        return lookup.executed == SQL_SUCCESS;
    out.print("%s", ambiguousMessageSetLine(name, lookup.matches).c_str());
    errSw = 1;
    return false;
}

// The message sets (one when `only` names it) with their messages, as JSON
// values; texts as the database gives them (jsonText writes them).
nlohmann::ordered_json listMessageSetsJson(DbSession& db, int& errSw, const std::string& schemaPrefix,
                                   const std::string& only) {
    using json = nlohmann::ordered_json;
    json sets = json::array();
    const char* schema = schemaPrefix.c_str();
    {
        Statement rows(db, "listMessageSetsJson", "SQLAllocHandle");
        std::string where = only.empty() ? std::string() : " WHERE " + messageSetCondition(only);
        if (!rows.usable())
            return sets;
        SQLRETURN rc =
            rows.execute(messageSetListQuery(schema, where), "SQLExecDirect");
        if (!SQL_SUCCEEDED(rc))
            rows.explainFailure();
        if (rc == SQL_SUCCESS)
            rows.forEachRow("SQLFetch", false, "SQLFetch2", errSw, [&] {
                SQLSMALLINT key = 0;
                SQLINTEGER nextId = 0;
                std::array<char, textColumnSize> name{};
                rows.number(1, SQL_C_SSHORT, key, "SQLGetData1");
                rows.number(2, SQL_C_SLONG, nextId, "SQLGetData2");
                rows.text(3, name.data(), textColumnSize, textColumnSize, "SQLGetData3");
                sets.push_back({{"key", key}, {"name", name.data()}, {"nextId", nextId}, {"messages", json::array()}});
            });
    }
    for (json& set : sets) {
        if (errSw)
            break;
        forEachMessageWithType(db, errSw, schema, set["key"].get<int>(),
                               [&](SQLINTEGER id, const char* identifier, const char* type) {
                                   set["messages"].push_back({{"id", id}, {"identifier", identifier}, {"type", type}});
                               });
    }
    return sets;
}

// --format json: the listing as the document's "messageSets"; the report
// lines are collected for the envelope.
int listMessageSetsAsJson(Output& out, int argc, const char* const* argv, nlohmann::ordered_json& own) {
    Diagnostics diagnostics(out);
    ToolOptions values;
    static constexpr ToolOption options[] = {
        dataSourceOption, userOption, passwordOption, schemaOption,
        messageSetOption};
    walkToolCommandLine(out, diagnostics.errSw, argc, argv, options, values, false, true);
    int exitCode = listingSuccess;
    own["messageSets"] = nlohmann::ordered_json::array();
    if (values.dataSource.empty()) {
        out.print("*****Error - no data source: give it with -n\n");
        exitCode = listingUsage;
    } else if (diagnostics.errSw) {
        exitCode = listingDatabaseError;
    } else {
        DbSession db(diagnostics, SessionVariant::listing);
        if (int connectRc = connectTool(out, db, values); connectRc != 0) {
            exitCode = connectRc;
        } else {
            nlohmann::ordered_json sets = nlohmann::ordered_json::array();
            if (values.messageSet.empty() ||
                namesOneMessageSet(out, db, diagnostics.errSw, values.schemaPrefix, values.messageSet))
                sets = listMessageSetsJson(db, diagnostics.errSw, values.schemaPrefix, values.messageSet);
            // A failed query, or -s naming no message set (said as in text).
            if (!diagnostics.errSw && !values.messageSet.empty() && sets.empty()) {
                out.print("*****Error - message set %s not found\n", values.messageSet.c_str());
                out.print("%s\n", missingMessageSetStep(db.dataSource(), values.messageSet).c_str());
            }
            if (diagnostics.errSw || (!values.messageSet.empty() && sets.empty()))
                exitCode = listingDatabaseError;
            own["messageSets"] = std::move(sets);
            db.close("main");
        }
    }
    return exitCode;
}

} // namespace

// NOLINTNEXTLINE(readability-function-size)
int runMessageSetListing(Output& out, int argc, const char* const* argv, nlohmann::ordered_json* own) {
    if (own != nullptr)
        return listMessageSetsAsJson(out, argc, argv, *own);

    Diagnostics diagnostics(out);
    int& errSw = diagnostics.errSw;
    static constexpr ToolOption options[] = {
        dataSourceOption, userOption, passwordOption, schemaOption,
        messageSetOption};
    // Quiet: no banner and no connection lines; the listing is what the run is for.
    out.setQuiet(walkedQuietRequested(argc, argv, options));
    out.print("%s", banner);

    ToolOptions values;
    walkToolCommandLine(out, errSw, argc, argv, options, values, false, true);

    if (toolUsageRequested(argc, argv) || values.dataSource.empty()) {
        out.setQuiet(false); // the usage is shown whole
        printUsage(out, argc > 0 ? argv[0] : "norvakshow");
        out.flush();
        return listingUsage;
    }
    if (values.schemaRefused)
        return listingDatabaseError;

    DbSession db(diagnostics, SessionVariant::listing);
    if (int connectRc = connectTool(out, db, values); connectRc != 0)
        return connectRc;
    out.setQuiet(false);
    if (!values.messageSet.empty()) {
        int exitCode = listOneMessageSet(out, db, errSw, values.messageSet, values.schemaPrefix);
        db.close("main");
        out.flush();
        return exitCode;
    }

    const char* routine = "main";
    int exitCode = listingSuccess;
    std::string query = messageSetRowsQuery(values.schemaPrefix);

    db.allocateStatement(routine);
    Statement sets(db, routine);
    SQLRETURN rc = SQL_SUCCESS;
    SQLRETURN executeRc = SQL_ERROR;
    // Why the first step failed: a refused prepare leaves the execute only
    // a function sequence error.
    std::vector<DiagnosticRecord> why;
    if (sets.usable()) {
        if (!SQL_SUCCEEDED(sets.prepare(query, "SQLPrepare")))
            why = sets.diagnostics();
        executeRc = sets.executePrepared("SQLExecute");
        if (why.empty())
            why = sets.diagnostics();
    }

    if (executeRc != SQL_SUCCESS || errSw) {
        out.printError("Unable to access PROJECT table in database %s\n", shownDataSource(values.dataSource).c_str());
        db.explainFailure(why);
        exitCode = listingDatabaseError;
    } else {
        out.print("\nId    Identifier   NxtElem Name\n   Msg ID Message Name\n\n");
        // An empty PROJECT table is reported too (as error 100), but it is
        // not a failure of the listing.
        bool listed = false;
        rc = sets.forEachRow("SQLFetch", true, "SQLFetch2", errSw, [&] {
            listed = true;
            SQLSMALLINT projectKey = 0;
            SQLINTEGER repository = 0;
            SQLSMALLINT projectId = 0;
            SQLSMALLINT projectLevel = 0;
            SQLINTEGER nextId = 0;
            std::array<char, textColumnSize> name{};

            sets.number(1, SQL_C_SSHORT, projectKey, "SQLGetData1");
            sets.number(2, SQL_C_SLONG, repository, "SQLGetData2");
            sets.number(3, SQL_C_SSHORT, projectId, "SQLGetData3");
            sets.number(4, SQL_C_SSHORT, projectLevel, "SQLGetData4");
            sets.number(5, SQL_C_SLONG, nextId, "SQLGetData5");
            sets.text(6, name.data(), textColumnSize, textColumnSize, "SQLGetData6");

            std::string code = messageSetCode(repository, projectId, projectLevel);
            out.print("%5.5d %s %6.6d %s\n", static_cast<int>(projectKey), code.c_str(), static_cast<int>(nextId),
                      name.data());
            getAllMessages(out, db, errSw, projectKey, values.schemaPrefix);
        });
        if (listed ? errSw != 0 : rc != SQL_NO_DATA)
            exitCode = listingDatabaseError;
        // What a new repository needs next.
        if (!listed && rc == SQL_NO_DATA)
            out.print("The repository holds no message set yet: create one with norvakinit -n %s -s MessageSetName\n",
                      commandLineDataSource(values.dataSource).c_str());
    }

    db.close(routine);
    out.flush();
    return exitCode;
}

} // namespace norvak
