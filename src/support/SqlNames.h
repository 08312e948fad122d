#pragma once

#include <cstddef>
#include <string_view>

namespace norvak {

// The longest schema name the tools accept.
inline constexpr std::size_t longestSqlIdentifier = 128;

// Whether the text is a plain SQL identifier: a letter or "_", then letters,
// digits, "_" or "$", at most 128 bytes. Only such a name is ever pasted into
// statement texts as a schema.
bool isSqlIdentifier(std::string_view text);

// Whether a schema name (without its period) names a schema of the database
// system itself, case aside: any name beginning with "pg_" (PostgreSQL's
// pg_catalog, pg_toast, pg_temp and pg_temp_N, the session's temporary
// tables; PostgreSQL lets no one create such a schema), information_schema,
// or temp (SQLite's temporary database, gone with the connection). "main",
// SQLite's name of the database itself, is not one: its tables are the
// database's own.
bool isSystemSchema(std::string_view name);

enum class SchemaCheck { accepted, notIdentifier, systemSchema };

// What a schema prefix is: empty, or an identifier that may end with one "."
// and is not a system schema, is accepted.
SchemaCheck checkSchemaPrefix(std::string_view text);

// Whether the text may stand in front of table names as a schema prefix.
bool isSchemaPrefix(std::string_view text);

// Why a schema prefix is refused, as the end of an error line ("is not an SQL
// identifier", "is a system schema of the database ..."); empty when it is
// accepted.
const char* schemaRefusal(std::string_view text);

} // namespace norvak
