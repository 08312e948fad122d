#pragma once

#include "import/model/ImportRun.h"

#include <cstring>

namespace norvak {

struct ImportRun;
struct DefinitionRecord;
struct CwfTabDefinition;
struct TdsTabDefinition;
struct XmlTabDefinition;

// Each takes one attribute of its tag, with the value already unquoted and
// substituted, and stores what it means in the tag's record. Unknown names
// and bad values are reported and set errSw.
void getAttrValueElem(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record);
void getAttrValueType(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record);
void getAttrValueValue(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record);
void getAttrValueMessage(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record);
void getAttrValueCWFTab(ImportRun& run, const char* attrName, char* value, CwfTabDefinition& tab);
void getAttrValueTDSTab(ImportRun& run, const char* attrName, char* value, TdsTabDefinition& tab);
void getAttrValueXMLTab(ImportRun& run, const char* attrName, char* value, XmlTabDefinition& tab);

// Reports a value that is neither empty nor all digits (or does not fit in 32 bits).
void checkNumeric(ImportRun& run, const char* value, const char* label, const char* elementName);

// Shared by the handlers: exact, case-sensitive name comparison.
inline bool attributeIs(const char* attrName, const char* known) {
    return std::strcmp(attrName, known) == 0;
}

// Traces a handler's entry and exit around `store`, which interprets one
// attribute into the target and returns false for a name it does not know.
template <class Target, class Store>
void handleAttribute(ImportRun& run, const char* handlerName, Store store, const char* attrName, char* value,
                     Target& target) {
    run.trace("==> %s attrName %s value %s\n", handlerName, attrName, value);
    bool found = store(run, attrName, value, target);
    if (!found)
        run.error("*****Error - unrecognized attribute %s found\n", attrName);
    run.trace("<== %s attrFound %d\n", handlerName, found ? 1 : 0);
}

} // namespace norvak
