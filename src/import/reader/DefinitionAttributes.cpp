// The attribute handlers of the Type, Value and Message tags.
#include "import/model/AttributeRows.h"
#include "import/model/DefinitionModel.h"
#include "import/model/DefinitionRecord.h"
#include "import/reader/AttributeHandlers.h"
#include "import/reader/Keywords.h"

namespace norvak {

namespace {

// The three attributes every definition tag has; false when the name is another.
bool storeNaming(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                 DefinitionRecord& record) {
    if (attributeIs(attrName, "name"))
        record.name = insertName(diag, model, value);
    else if (attributeIs(attrName, "ident"))
        record.ident = insertName(diag, model, value);
    else if (attributeIs(attrName, "ref"))
        record.ref = insertName(diag, model, value);
    else
        return false;
    return true;
}

bool storeTypeAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                        DefinitionRecord& record) {
    if (storeNaming(diag, model, attrName, value, record))
        return true;
    if (attributeIs(attrName, "minOccurs")) {
        record.minOccurs = parseOccurrence(value);
    } else if (attributeIs(attrName, "maxOccurs")) {
        record.maxOccurs = parseOccurrence(value);
    } else if (attributeIs(attrName, "composition")) {
        record.composition = parseComposition(value);
    } else if (attributeIs(attrName, "typeContent")) {
        record.typeContent = parseTypeContent(value);
    } else if (attributeIs(attrName, "baseType")) {
        record.baseType = parseLogicalType(value);
    } else if (attributeIs(attrName, rows::tdsTypeSeparation.keyword)) {
        const char* canonicalText = nullptr;
        bool recognized = false;
        record.dataElemSep = parseDataElemSep(value, canonicalText, recognized);
        if (!recognized)
            diag.error("Data Element Separation (%s) not recognized for element %s\n", value, model.text(record.ident));
        else if (canonicalText != nullptr)
            record.dataElemSepText = insertName(diag, model, canonicalText);
    } else if (attributeIs(attrName, rows::tdsTypeDelimiter.keyword)) {
        record.delimiter = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTypeGroupIndicator.keyword)) {
        record.groupInd = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTypeGroupTerminator.keyword)) {
        record.groupTerm = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTypeTagDataSeparator.keyword)) {
        record.tagDataSep = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTypeTagLength.keyword)) {
        record.tagLen = insertName(diag, model, value);
    } else {
        return false;
    }
    return true;
}

bool storeValueAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                         DefinitionRecord& record) {
    if (storeNaming(diag, model, attrName, value, record))
        return true;
    if (attributeIs(attrName, "type"))
        record.typeCode = parseLogicalType(value);
    else if (attributeIs(attrName, "role"))
        record.role = parseRole(value);
    else if (attributeIs(attrName, "value"))
        record.valueText = insertName(diag, model, value);
    else
        return false;
    return true;
}

bool storeMessageAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                           DefinitionRecord& record) {
    if (storeNaming(diag, model, attrName, value, record))
        return true;
    if (attributeIs(attrName, "type"))
        record.typeName = insertName(diag, model, value);
    else if (attributeIs(attrName, "messageKey"))
        record.messageKey = insertName(diag, model, value);
    else if (attributeIs(attrName, "minOccurs"))
        record.minOccurs = parseOccurrence(value);
    else if (attributeIs(attrName, "maxOccurs"))
        record.maxOccurs = parseOccurrence(value);
    else
        return false;
    return true;
}

// Every attribute of each definition tag, for the hint after an unknown one.
constexpr std::string_view typeAttributeNames[] = {
    "name",
    "ident",
    "ref",
    "minOccurs",
    "maxOccurs",
    "composition",
    "typeContent",
    "baseType",
    rows::tdsTypeSeparation.keyword,
    rows::tdsTypeDelimiter.keyword,
    rows::tdsTypeGroupIndicator.keyword,
    rows::tdsTypeGroupTerminator.keyword,
    rows::tdsTypeTagDataSeparator.keyword,
    rows::tdsTypeTagLength.keyword,
};
constexpr std::string_view valueAttributeNames[] = {"name", "ident", "ref", "type", "role", "value"};
constexpr std::string_view messageAttributeNames[] = {"name",       "ident",     "ref",      "type",
                                                      "messageKey", "minOccurs", "maxOccurs"};

} // namespace

void getAttrValueType(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                      DefinitionRecord& record) {
    handleAttribute(diag, model, "getAttrValueType", storeTypeAttribute, typeAttributeNames, attrName, value, record);
}

void getAttrValueValue(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                       DefinitionRecord& record) {
    handleAttribute(diag, model, "getAttrValueValue", storeValueAttribute, valueAttributeNames, attrName, value, record);
}

void getAttrValueMessage(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                         DefinitionRecord& record) {
    handleAttribute(diag, model, "getAttrValueMessage", storeMessageAttribute, messageAttributeNames, attrName, value, record);
}

} // namespace norvak
