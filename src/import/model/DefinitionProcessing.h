#pragma once

#include "import/model/DefinitionRecord.h"

#include <cstdint>
#include <span>

namespace norvak {

struct ImportRun;

// Turn one tag's definition record into entries of the item tables. The
// enclosing type or element is 0 at top level.

// The element's id, or 0 for an element given by reference or rejected.
int processElementDef(ImportRun& run, const DefinitionRecord& record, int currTypeId);
// The id of the type defined in place, or 0 when the tag defines none.
int processTypeDef(ImportRun& run, const DefinitionRecord& record, int currTypeId);
void processValueDef(ImportRun& run, const DefinitionRecord& record, int currElemId);
void processMessageDef(ImportRun& run, const DefinitionRecord& record, int currTypeId);

// A record field checked by the rejection rules, with the label its message shows.
struct CheckedField {
    std::int32_t DefinitionRecord::*field;
    const char* label;
    bool isText; // a name index, shown as its text; otherwise shown as a number
};

// Each reports every field of the list whose value is above 0, in list order.
using CheckedFields = std::span<const CheckedField>;
void reportNotValidForType(ImportRun& run, const DefinitionRecord& record, CheckedFields fields, const char* typeWord);
void reportNotValidForCompound(ImportRun& run, const DefinitionRecord& record, CheckedFields fields);
void reportOnlyInType(ImportRun& run, const DefinitionRecord& record, CheckedFields fields, const char* elementIdent);
void reportNotValidOnTypeRef(ImportRun& run, const DefinitionRecord& record, CheckedFields fields,
                             const char* refIdent);

} // namespace norvak
