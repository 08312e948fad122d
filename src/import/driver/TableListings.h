#pragma once

namespace norvak {

struct ImportRun;

// Prints the type, element, attribute, type member, value and value member
// tables in fixed columns, then an empty line.
void showTables(ImportRun& run);

void listTypes(ImportRun& run);
void listElements(ImportRun& run);
void listAttributes(ImportRun& run);
void listTypeMembers(ImportRun& run);
void listValues(ImportRun& run);
void listValueMembers(ImportRun& run);

} // namespace norvak
