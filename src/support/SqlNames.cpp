// Schema names checked as SQL identifiers before they go into a statement.
#include "support/SqlNames.h"

#include <string>

namespace norvak {

namespace {

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool isSqlIdentifier(std::string_view text) {
    if (text.empty() || text.size() > longestSqlIdentifier || !isLetter(text.front()))
        return false;
    for (char c : text) {
        if (!isLetter(c) && !isDigit(c) && c != '$')
            return false;
    }
    return true;
}

bool isSystemSchema(std::string_view name) {
    std::string lower(name);
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    // PostgreSQL: pg_catalog, pg_toast, pg_temp (the session's own temporary
    // schema) and pg_temp_N, pg_toast_temp_N; every "pg_" name is its own.
    // SQLite: temp, the temporary database of the connection.
    return lower.rfind("pg_", 0) == 0 || lower == "information_schema" || lower == "temp";
}

SchemaCheck checkSchemaPrefix(std::string_view text) {
    if (text.empty())
        return SchemaCheck::accepted;
    if (text.back() == '.')
        text.remove_suffix(1);
    if (!isSqlIdentifier(text))
        return SchemaCheck::notIdentifier;
    return isSystemSchema(text) ? SchemaCheck::systemSchema : SchemaCheck::accepted;
}

bool isSchemaPrefix(std::string_view text) {
    return checkSchemaPrefix(text) == SchemaCheck::accepted;
}

const char* schemaRefusal(std::string_view text) {
    switch (checkSchemaPrefix(text)) {
    case SchemaCheck::accepted:
        return "";
    case SchemaCheck::notIdentifier:
        return "is not an SQL identifier";
    case SchemaCheck::systemSchema:
        break;
    }
    return "is a system schema of the database (pg_*, information_schema, temp): a repository there would vanish "
           "or mix with the database's own tables";
}

} // namespace norvak
