#pragma once

#include <span>

namespace norvak {

// One repository table: its name and its column list, in a form both the
// embedded SQLite database and PostgreSQL accept.
struct TableDefinition {
    const char* name;
    const char* columns;
};

// Every table the tools read, write or empty, with the keys that keep a
// repository sound.
std::span<const TableDefinition> repositoryTables();

} // namespace norvak
