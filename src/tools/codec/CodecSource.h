#pragma once

#include "import/driver/ScratchImport.h"
#include "layout/RecordLayout.h"
#include "support/Output.h"
#include "tools/ToolCommandLine.h"

#include <optional>

namespace norvak {

// The message set the command line names: a definitions file (-f), read
// with no database, or a stored set (-n, -s). Nothing, with `exitCode` set,
// after saying why it could not be read.
std::optional<ModelledSet> readCodecSet(Output& report, const ToolOptions& values, int& exitCode);

// The layout of the message -m in the CWF tab --tab (the first without it).
// codecDone, or codecNotFound after saying why.
int layoutOfMessage(Output& report, const MessageSetModel& model, const ToolOptions& values, RecordLayout& layout);

} // namespace norvak
