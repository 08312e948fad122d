#pragma once

#include "import/model/DefinitionRecord.h"

#include <cstdint>
#include <span>

namespace norvak {

struct Diagnostics;
struct DefinitionModel;
struct RepositoryState;

// Turn one tag's definition record into entries of the item tables. The
// enclosing type or element is 0 at top level.

// The element's id, or 0 for an element given by reference or rejected.
int processElementDef(Diagnostics& diag, DefinitionModel& model, RepositoryState& state, const DefinitionRecord& record,
                      int currTypeId);
// The id of the type defined in place, or 0 when the tag defines none.
int processTypeDef(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currTypeId);
void processValueDef(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currElemId);
void processMessageDef(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currTypeId);

// A record field checked by the rejection rules, with the label its message shows.
struct CheckedField {
    std::int32_t DefinitionRecord::*field;
    const char* label;
    bool isText; // a name index, shown as its text; otherwise shown as a number
};

// Each reports every field of the list whose value is above 0, in list order.
using CheckedFields = std::span<const CheckedField>;
void reportNotValidForType(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                           CheckedFields fields, const char* typeWord);
// True when it reported any.
bool reportNotValidForCompound(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                               CheckedFields fields);
void reportOnlyInType(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                      CheckedFields fields, const char* elementIdent);
void reportNotValidOnTypeRef(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                             CheckedFields fields, const char* refIdent);

} // namespace norvak
