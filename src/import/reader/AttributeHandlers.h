#pragma once

#include "support/Diagnostics.h"

#include <cstring>
#include <span>
#include <string_view>

namespace norvak {

struct DefinitionModel;
struct DefinitionRecord;
struct CwfTabDefinition;
struct TdsTabDefinition;
struct XmlTabDefinition;

// Each takes one attribute of its tag, with the value already unquoted and
// substituted, and stores what it means in the tag's record. Unknown names
// and bad values are reported and set errSw.
void getAttrValueElem(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                      DefinitionRecord& record);
void getAttrValueType(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                      DefinitionRecord& record);
void getAttrValueValue(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                       DefinitionRecord& record);
void getAttrValueMessage(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                         DefinitionRecord& record);
void getAttrValueCWFTab(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                        CwfTabDefinition& tab);
void getAttrValueTDSTab(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                        TdsTabDefinition& tab);
void getAttrValueXMLTab(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                        XmlTabDefinition& tab);

// Reports a value that is neither empty nor all digits (or does not fit in 32 bits).
void checkNumeric(Diagnostics& diag, const char* value, const char* label, const char* elementName);

// Shared by the handlers: exact, case-sensitive name comparison.
inline bool attributeIs(const char* attrName, const char* known) {
    return std::strcmp(attrName, known) == 0;
}

// Traces a handler's entry and exit around `store`, which interprets one
// attribute into the target and returns false for a name it does not know.
// An unknown name is followed by a hint at the closest of `knownNames`.
template <class Target, class Store>
void handleAttribute(Diagnostics& diag, DefinitionModel& model, const char* handlerName, Store store,
                     std::span<const std::string_view> knownNames, const char* attrName, char* value,
                     Target& target) {
    diag.trace("==> %s attrName %s value %s\n", handlerName, attrName, value);
    bool found = store(diag, model, attrName, value, target);
    if (!found) {
        diag.error("*****Error - unrecognized attribute %s found\n", attrName);
        diag.hint(attrName, knownNames);
    }
    diag.trace("<== %s attrFound %d\n", handlerName, found ? 1 : 0);
}

} // namespace norvak
