#pragma once

#include "layout/RecordLayout.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace norvak {

// The record layouts as norvakgen writes them: a table per message (one
// line a field, its members indented under it, then the size of the record
// and the notes), and the same as JSON objects.
std::string layoutText(const std::vector<RecordLayout>& layouts);
nlohmann::ordered_json layoutJson(const RecordLayout& layout);

} // namespace norvak
