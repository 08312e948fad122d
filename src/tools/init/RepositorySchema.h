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

// An index that lets the import find a stored item by its identifier or
// value text (compared right-trimmed) without reading the whole table.
struct IndexDefinition {
    const char* name;
    const char* table;
    const char* columns;
};

std::span<const IndexDefinition> repositoryIndexes();

} // namespace norvak
