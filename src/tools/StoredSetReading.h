#pragma once

#include "setmodel/MessageSetModel.h"
#include "setmodel/StoredMessageSet.h"
#include "support/Diagnostics.h"
#include "tools/ToolCommandLine.h"

#include <functional>
#include <optional>

namespace norvak {

enum class StoredSetRead { read, notConnected, noMessageSet, databaseError, stopped };

// A step between the reading of a set's configuration (its plugin members
// and tab settings) and the reading of its items, in the same snapshot;
// false stops the reading.
using ConfigurationStep = std::function<bool(const StoredMessageSet& configuration)>;

// Connects with the command line's values and reads the message set they
// name whole, inside one read-only transaction (a snapshot: an import
// running at the same time is seen whole or not at all), then disconnects.
// Without `keepRemade`, the rows every import makes again are left out. What
// is being read shows on `program`'s terminal progress line. A missing set
// and a failing read are reported on the diagnostics' writer. With
// `beforeItems`, the set's configuration is read first and handed to it
// (what it makes of it need not be held beside the whole set); `stopped`
// when it returns false.
StoredSetRead readStoredSet(Diagnostics& diagnostics, const ToolOptions& values, StoredMessageSet& set,
                            bool keepRemade, const char* program, const ConfigurationStep& beforeItems = {});

// The same read, the rows then made into their model, which `modelled`
// holds when the set was read.
StoredSetRead readStoredModel(Diagnostics& diagnostics, const ToolOptions& values,
                              std::optional<ModelledSet>& modelled, bool keepRemade, const char* program);

} // namespace norvak
