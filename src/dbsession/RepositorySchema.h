#pragma once

#include "support/RepositoryCodes.h"

#include <cstddef>
#include <span>

namespace norvak {

// The repository row the tools read and write: its level.
inline constexpr int repositoryLevel = 518;
// Message set keys: PROJECT_KEY is a 16-bit column; keys below 100 would be
// taken for names by the removal tool.
inline constexpr int firstProjectKey = 100;
inline constexpr int largestProjectKey = 32767;
// A table that holds rows of a message set, with the column carrying its key.
struct MessageSetTable {
    const char* table;
    const char* keyColumn;
};

// The tables the removal tool empties, in order; PROJECT itself comes last.
inline constexpr MessageSetTable messageSetTables[] = {
    {"CATEGORY_MEMBER", "PROJECT"},
    {"M_ATTRIBUTE", "PROJECT"},
    {"M_CATEGORY", "PROJECT"},
    {"M_CONST_DEF", "PROJECT"},
    {"M_CONTEXT_TAG", "PROJECT"},
    {"M_ELEMENT", "PROJECT"},
    {"M_MEMBER_ATTRIBUTE", "PROJECT"},
    {"M_MESSAGE", "PROJECT"},
    {"M_TRANSACTION", "PROJECT"},
    {"M_TYPE", "PROJECT"},
    {"M_VALUE", "PROJECT"},
    {"MSG_CONTEXTTAG_MBR", "PROJECT"},
    {"PROJECT_DEP_MEMBER", "PROJECT_KEY"},
    {"REG_PLUGIN_MEMBER", "PROJECT_KEY"},
    {"TRANSACTION_MEMBER", "PROJECT"},
    {"TYPE_MEMBER", "PROJECT"},
    {"USER_MEMBER", "PROJECT_KEY"},
    {"VALUE_MEMBER", "PROJECT"},
    {"PROJECT", "PROJECT_KEY"},
};

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
