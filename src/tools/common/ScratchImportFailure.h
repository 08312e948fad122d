#pragma once

#include "import/driver/ScratchImport.h"
#include "support/Output.h"

#include <string>

namespace norvak {

// After a definitions file did not get through the import into a
// repository held in memory: what the import said, then why in one line,
// ending with "nothing was <what>" ("compared", "generated"). True when the
// repository held in memory could not be reached (a database failure, not
// the file's).
bool reportScratchImportFailure(Output& report, const std::string& fileName, const ScratchImport& outcome,
                                const char* nothingWas);

} // namespace norvak
