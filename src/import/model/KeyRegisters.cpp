#include "import/model/KeyRegisters.h"

#include "import/model/ImportRun.h"

namespace norvak {

namespace {

void registerIn(ImportRun& run, KeyRegister& keys, std::string_view key,
                CheckedFormat<const char*> duplicateMessage) {
    if (!keys.registerKey(key))
        run.errorChecked(duplicateMessage, std::string(key).c_str());
}

} // namespace

void registerElementKey(ImportRun& run, std::string_view key) {
    registerIn(run, run.keys.elementKeys, key, "***** Error - Duplicate element name or key value detected (%s)\n");
}

void registerTypeKey(ImportRun& run, std::string_view key) {
    registerIn(run, run.keys.typeKeys, key, "***** ERROR - Duplicate type name or key value detected (%s)\n");
}

void registerValueKey(ImportRun& run, std::string_view key) {
    registerIn(run, run.keys.valueKeys, key, "***** ERROR - Duplicate value name or key value detected (%s)\n");
}

void registerMemberAttrKey(ImportRun& run, std::string_view key) {
    registerIn(run, run.keys.memberAttrKeys, key, "Duplicate member attribute key value detected (%s)\n");
}

void registerAttrKey(ImportRun& run, std::string_view key) {
    registerIn(run, run.keys.attrKeys, key, "Duplicate attribute key value detected (%s)\n");
}

} // namespace norvak
