#pragma once

#include "dbsession/DbSession.h"
#include "dbsession/HeldRows.h"
#include "setmodel/StoredMessageSet.h"
#include "support/Diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace norvak {

// The key of the message set named `name` (compared as every program
// compares it: see dbsession/MessageSetNames.h); nothing when there is none,
// or when the name matches several sets (said on the diagnostics' writer).
// A failing query sets the error switch.
std::optional<std::int16_t> findMessageSet(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix,
                                           const std::string& name);

// Reads every row of the message set, each table in the order of its ids
// and in pages of rows (one query per page, the next starting after the last
// id of the one before), so that a driver that holds a whole result in
// memory (the SQLite driver inside a transaction, psqlODBC by default) holds
// one page at a time;
// without `keepRemade`, the attribute rows every import makes again are
// left out when they hold what the import makes. `progress` is called after each table with its name. False when
// a query failed (reported through the session).
bool readMessageSet(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix, StoredMessageSet& set,
                    bool keepRemade = true,
                    const std::function<void(const char* table, std::size_t rows)>& progress = {});

// What an import into the message set `set.key` starts from: its plugin
// members and its tabs' settings (the attribute rows that belong to no
// item), read into `set`. False when a query failed.
bool readMessageSetConfiguration(Diagnostics& diag, DbSession& db, const std::string& schemaPrefix,
                                 StoredMessageSet& set);

// The same reading of a set in a repository without a schema of its own,
// with the rows of `held` (rows the session kept in memory instead of
// writing them: see InsertBatches::holdRows, which must be suspended) as if
// they had been written: each after the rows its table holds. Each
// statement's rows are freed once read. `needsDatabase` when that cannot be
// (a table that is not read, ids repeated, or not after those of the rows
// the table holds), before any is read: the rows must be written and the
// set read from the database.
enum class HeldRowsRead { read, failed, needsDatabase };
HeldRowsRead readMessageSetWithHeldRows(Diagnostics& diag, DbSession& db, StoredMessageSet& set, bool keepRemade,
                                        const std::vector<HeldStatement>& held);

} // namespace norvak
