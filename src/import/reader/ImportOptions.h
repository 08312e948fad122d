#pragma once

namespace norvak {

struct Diagnostics;
struct RunOptions;
struct DefinitionModel;

// Takes one attribute of the ZEPImport element: connection settings, schema
// prefix, message set, identifier affixes and table capacities.
void getAttrValueZEPImport(Diagnostics& diag, RunOptions& options, DefinitionModel& model, const char* attrName,
                           const char* value);

} // namespace norvak
