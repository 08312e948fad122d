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

// Whether the text may stand in front of table names as a schema prefix: empty,
// or an identifier that may end with one ".".
bool isSchemaPrefix(std::string_view text);

} // namespace norvak
