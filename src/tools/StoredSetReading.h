#pragma once

#include "setmodel/StoredMessageSet.h"
#include "support/Diagnostics.h"
#include "tools/ToolCommandLine.h"

namespace norvak {

enum class StoredSetRead { read, notConnected, noMessageSet, databaseError };

// Connects with the command line's values and reads the message set they
// name whole, inside one read-only transaction (a snapshot: an import
// running at the same time is seen whole or not at all), then disconnects.
// Without `keepRemade`, the rows every import makes again are left out. What
// is being read shows on `program`'s terminal progress line. A missing set
// and a failing read are reported on the diagnostics' writer.
StoredSetRead readStoredSet(Diagnostics& diagnostics, const ToolOptions& values, StoredMessageSet& set,
                            bool keepRemade, const char* program);

} // namespace norvak
