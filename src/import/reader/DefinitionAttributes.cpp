#include "import/model/DefinitionRecord.h"
#include "import/model/ImportRun.h"
#include "import/reader/AttributeHandlers.h"
#include "import/reader/Keywords.h"

namespace norvak {

namespace {

// The three attributes every definition tag has; false when the name is another.
bool storeNaming(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    if (attributeIs(attrName, "name"))
        record.name = insertName(run, run, value);
    else if (attributeIs(attrName, "ident"))
        record.ident = insertName(run, run, value);
    else if (attributeIs(attrName, "ref"))
        record.ref = insertName(run, run, value);
    else
        return false;
    return true;
}

bool storeTypeAttribute(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    if (storeNaming(run, attrName, value, record))
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
    } else if (attributeIs(attrName, "dataElemSep")) {
        const char* canonicalText = nullptr;
        bool recognized = false;
        record.dataElemSep = parseDataElemSep(value, canonicalText, recognized);
        if (!recognized)
            run.error("Data Element Separation (%s) not recognized for element %s\n", value, run.text(record.ident));
        else if (canonicalText != nullptr)
            record.dataElemSepText = insertName(run, run, canonicalText);
    } else if (attributeIs(attrName, "delimiter")) {
        record.delimiter = insertName(run, run, value);
    } else if (attributeIs(attrName, "groupInd")) {
        record.groupInd = insertName(run, run, value);
    } else if (attributeIs(attrName, "groupTerm")) {
        record.groupTerm = insertName(run, run, value);
    } else if (attributeIs(attrName, "tagDataSep")) {
        record.tagDataSep = insertName(run, run, value);
    } else if (attributeIs(attrName, "tagLen")) {
        record.tagLen = insertName(run, run, value);
    } else {
        return false;
    }
    return true;
}

bool storeValueAttribute(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    if (storeNaming(run, attrName, value, record))
        return true;
    if (attributeIs(attrName, "type"))
        record.typeCode = parseLogicalType(value);
    else if (attributeIs(attrName, "role"))
        record.role = parseRole(value);
    else if (attributeIs(attrName, "value"))
        record.valueText = insertName(run, run, value);
    else
        return false;
    return true;
}

bool storeMessageAttribute(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    if (storeNaming(run, attrName, value, record))
        return true;
    if (attributeIs(attrName, "type"))
        record.typeName = insertName(run, run, value);
    else if (attributeIs(attrName, "messageKey"))
        record.messageKey = insertName(run, run, value);
    else if (attributeIs(attrName, "minOccurs"))
        record.minOccurs = parseOccurrence(value);
    else if (attributeIs(attrName, "maxOccurs"))
        record.maxOccurs = parseOccurrence(value);
    else
        return false;
    return true;
}

} // namespace

void getAttrValueType(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    handleAttribute(run, "getAttrValueType", storeTypeAttribute, attrName, value, record);
}

void getAttrValueValue(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    handleAttribute(run, "getAttrValueValue", storeValueAttribute, attrName, value, record);
}

void getAttrValueMessage(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    handleAttribute(run, "getAttrValueMessage", storeMessageAttribute, attrName, value, record);
}

} // namespace norvak
