#pragma once

#include <cstddef>
#include <string>

namespace norvak {

// The longest message set name, in bytes: what norvakinit creates and what
// norvakload takes from -s or from the messageSet of a definitions file.
inline constexpr std::size_t longestMessageSetName = 127;

// The options of a run: its switches and settings, from the command line and
// the ZEPImport element, read-only once the definitions file has been read.
struct RunOptions {
    // Switches, each 0 or 1.
    int reportOnlySw = 0;
    int verboseSw = 0;
    int showTablesSw = 0;
    int quietSw = 0; // only warnings, errors and the closing summary

    // Connection and naming settings, with the sizes of the fields that hold
    // them in the repository's conventions (text length below the size).
    std::string databaseName;                                 // 128
    std::string dbUserId;                                     // 64
    std::string dbPassword;                                   // 64
    std::string messageSetName;                               // 128
    std::string schemaPrefix;                                 // 64
    std::string msgPrefix, msgSuffix, elemPrefix, elemSuffix; // 16 each
    std::string typePrefix, typeSuffix, valuePrefix, valueSuffix;
    std::string executionDateTime; // "%Y-%m-%d-%H.%M.%S"
};

} // namespace norvak
