#pragma once

#include "layout/RecordLayout.h"
#include "setmodel/MessageSetModel.h"
#include "support/Output.h"
#include "tools/ToolCommandLine.h"

#include <nlohmann/json_fwd.hpp>

#include <vector>

namespace norvak {

// The C headers of the layouts into the document (`own`), or as text to -o
// or standard output; each field written as its nearest C equivalent said
// on `report` as a warning. genDone, genApproximated when there was one, or
// genNotWritten after saying why.
int writeCHeaders(Output& report, const ToolOptions& values, const MessageSetModel& model,
                  const std::vector<RecordLayout>& layouts, nlohmann::ordered_json* own);

} // namespace norvak
