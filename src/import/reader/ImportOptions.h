#pragma once

namespace norvak {

struct ImportRun;

// Takes one attribute of the ZEPImport element: connection settings, schema
// prefix, message set, identifier affixes and table capacities.
void getAttrValueZEPImport(ImportRun& run, const char* attrName, const char* value);

} // namespace norvak
