#pragma once

#include "import/repository/StoredMessageSet.h"

#include <string>
#include <vector>

namespace norvak {

// The rows of a message set in a form that two message sets holding the
// same definitions share, whatever ids, dates and uuids their rows got: one
// line per row, sorted, every id replaced by what it identifies (an item by
// its kind and identifier, a member by its type and position, a plugin
// member by its kind and name), dates left out, uuids and the ids inside
// language names replaced by placeholders. Rows of the tables no definition
// describes are counted.
std::vector<std::string> canonicalRows(const StoredMessageSet& set);

} // namespace norvak
