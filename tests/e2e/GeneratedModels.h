#pragma once

#include <string>

namespace norvak::test {

// A definitions file that norvakload accepts, of about `elements` elements in
// groups of 24 (one type each), using every tag and attribute the format has:
// three kinds of tabs (two CWF tabs), affixes, elements of every logical type
// with their physical, TDS and XML properties, elements of complex types,
// length and repeat references, per-use settings on elements used by
// reference, nested types and messages as members, values used and unused,
// shared and reused, and texts with quotes, references, control characters
// and non-ASCII letters. Groups of one file differ by their index only.
std::string generatedModel(int elements);

} // namespace norvak::test
