#pragma once

#include "setmodel/MessageSetModel.h"
#include "setmodel/StoredMessageSet.h"
#include "support/Diagnostics.h"
#include "tools/ToolCommandLine.h"

#include <optional>

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

// The same read, the rows then made into their model, which `modelled`
// holds when the set was read.
StoredSetRead readStoredModel(Diagnostics& diagnostics, const ToolOptions& values,
                              std::optional<ModelledSet>& modelled, bool keepRemade, const char* program);

} // namespace norvak
