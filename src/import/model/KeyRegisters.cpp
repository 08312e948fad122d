// The registers of keys met so far, which find a duplicate key.
#include "import/model/KeyRegisters.h"

#include "import/model/DefinitionModel.h"
#include "support/Diagnostics.h"

namespace norvak {

namespace {

void registerIn(Diagnostics& diag, KeyRegister& keys, std::string_view key,
                CheckedFormat<const char*> duplicateMessage) {
    if (!keys.registerKey(key))
        diag.errorChecked(duplicateMessage, std::string(key).c_str());
}

} // namespace

void registerElementKey(Diagnostics& diag, DefinitionModel& model, std::string_view key) {
    registerIn(diag, model.keys.elementKeys, key, "***** Error - Duplicate element name or key value detected (%s)\n");
}

void registerTypeKey(Diagnostics& diag, DefinitionModel& model, std::string_view key) {
    registerIn(diag, model.keys.typeKeys, key, "***** ERROR - Duplicate type name or key value detected (%s)\n");
}

void registerValueKey(Diagnostics& diag, DefinitionModel& model, std::string_view key) {
    registerIn(diag, model.keys.valueKeys, key, "***** ERROR - Duplicate value name or key value detected (%s)\n");
}

void registerMemberAttrKey(Diagnostics& diag, DefinitionModel& model, std::string_view key) {
    registerIn(diag, model.keys.memberAttrKeys, key, "Duplicate member attribute key value detected (%s)\n");
}

void registerAttrKey(Diagnostics& diag, DefinitionModel& model, std::string_view key) {
    registerIn(diag, model.keys.attrKeys, key, "Duplicate attribute key value detected (%s)\n");
}

} // namespace norvak
