#pragma once

#include <cstddef>

namespace norvak {

// The codes of a repository's rows that every layer names: the first id of
// a message set's items, the width of the text columns and the plugin keys.
// The schema itself is the database session's (dbsession/RepositorySchema.h,
// which includes these); the rows read back (setmodel) name them without it.

// Ids of a message set's items; those below are the built-in simple types.
inline constexpr int firstItemId = 100000;
// Width in bytes of the repository's text columns: identifiers, names,
// attribute values, hints. No text the tools write is longer.
inline constexpr std::size_t repositoryTextWidth = 254;

// Plugin keys of a message set's plugin members (REG_PLUGIN_MEMBER).
enum PluginKey : int {
    pluginC = 1,
    pluginCobol = 2,
    pluginCwfTab = 4,
    pluginUuid = 5,
    pluginXmlTab = 6,
    pluginTdsTab = 7,
};

} // namespace norvak
