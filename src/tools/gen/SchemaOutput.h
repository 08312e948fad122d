#pragma once

#include "setmodel/MessageSetModel.h"
#include "support/Output.h"
#include "tools/ToolCommandLine.h"

#include <nlohmann/json_fwd.hpp>

#include <vector>

namespace norvak {

// Whether a target is one of the schemas (json-schema, xsd).
bool isSchemaTarget(const std::string& target);

// The JSON Schema or the XML Schema of the messages into the document
// (`own`), or as text to -o or standard output; what the schema cannot say
// as it is said on `report` as a warning. genDone, genApproximated when
// there was one, genNotFound when there is no message of -m or no tab the
// schema needs, or genNotWritten after saying why.
int writeSchemas(Output& report, const ToolOptions& values, const MessageSetModel& model,
                 const std::vector<const ModelMessage*>& messages, nlohmann::ordered_json* own);

} // namespace norvak
