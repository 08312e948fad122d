#pragma once

namespace norvak {

struct Diagnostics;
struct DefinitionModel;

// Prints the type, element, attribute, type member, value and value member
// tables in fixed columns, then an empty line.
void showTables(Diagnostics& diag, const DefinitionModel& model);

void listTypes(Diagnostics& diag, const DefinitionModel& model);
void listElements(Diagnostics& diag, const DefinitionModel& model);
void listAttributes(Diagnostics& diag, const DefinitionModel& model);
void listTypeMembers(Diagnostics& diag, const DefinitionModel& model);
void listValues(Diagnostics& diag, const DefinitionModel& model);
void listValueMembers(Diagnostics& diag, const DefinitionModel& model);

} // namespace norvak
