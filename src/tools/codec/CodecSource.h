#pragma once

#include "import/driver/ScratchImport.h"
#include "layout/RecordLayout.h"
#include "support/Output.h"
#include "tools/ToolCommandLine.h"

#include <optional>

namespace norvak {

// The message set read and the layout of the message the command line names.
struct CodecSource {
    std::optional<ModelledSet> set;
    RecordLayout layout;
};

// Reads the set (-f: a definitions file with no database; -n/-s: a stored
// set) and lays out the message -m in the CWF tab --tab (the first without
// it). codecDone, or the exit code after saying why.
int readCodecSource(Output& report, const ToolOptions& values, CodecSource& source);

} // namespace norvak
