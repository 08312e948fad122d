#include "import/model/DefinitionRecord.h"
#include "import/model/ImportRun.h"
#include "import/reader/AttributeHandlers.h"
#include "import/reader/Keywords.h"
#include "support/StringUtilities.h"

#include <cstring>
#include <string>

namespace norvak {

namespace {

bool is(const char* value, const char* known) {
    return std::strcmp(value, known) == 0;
}

// minOccurs and maxOccurs of an Element: a value that is not all digits is
// reported (under the minOccurs name for both) and gives its leading number.
int elementOccurrence(ImportRun& run, const char* value) {
    if (!isNumericValue(value))
        run.error("*****Error - Invalid value for minOccurs parameter %s\n", value);
    return leadingNumberOrZero(value);
}

void storeSignOrientation(ImportRun& run, const char* value, DefinitionRecord& record) {
    if (is(value, "Leading") || is(value, "Trailing"))
        record.signOrientation = insertName(run, run, value);
    else if (!is(value, "None"))
        run.error("*****Error - invalid value (%s) for sign orientation\n", value);
}

void storeInterpretValue(ImportRun& run, const char* value, const char* elementName, DefinitionRecord& record) {
    if (is(value, "EDIFACT Service String") || is(value, "X12 Service String") || is(value, "Message Key"))
        record.interpretValue = insertName(run, run, value);
    else if (!is(value, "None"))
        run.error("*****Error - invalid interpret element value %s for element %s\n", value, elementName);
}

void storeJustification(ImportRun& run, char* value, DefinitionRecord& record) {
    Justification justification{};
    if (!parseJustification(value, justification)) {
        run.error("*****Error - invalid value (%s) for justification\n", value);
        return;
    }
    record.justification = insertName(run, run, justification.letter);
    record.justificationText = insertName(run, run, justification.text);
}

// Handles one Element attribute; false when the name is unknown.
bool storeElementAttribute(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    // Messages name the element by the identifier read so far.
    const std::string elementName = run.text(record.ident);

    if (is(attrName, "name")) {
        record.name = insertName(run, run, value);
    } else if (is(attrName, "ident")) {
        record.ident = insertName(run, run, value);
    } else if (is(attrName, "ref")) {
        record.ref = insertName(run, run, value);
    } else if (is(attrName, "type")) {
        record.typeCode = parseLogicalType(value);
        if (record.typeCode == 0)
            record.typeName = insertName(run, run, value);
    } else if (is(attrName, "minOccurs")) {
        record.minOccurs = elementOccurrence(run, value);
    } else if (is(attrName, "maxOccurs")) {
        record.maxOccurs = is(value, "unbounded") || is(value, "*") ? -2 : elementOccurrence(run, value);
    } else if (is(attrName, "repeat")) {
        std::optional<std::int32_t> count = leadingNumber(value);
        if (value[0] >= '0' && value[0] <= '9' && count)
            record.repeatCount = *count;
        else
            record.repeatRef = insertName(run, run, value);
    } else if (is(attrName, "tag")) {
        record.tag = insertName(run, run, value);
    } else if (is(attrName, "precision")) {
        checkNumeric(run, value, "precision", elementName.c_str());
        record.precision = leadingNumberOrZero(value);
    } else if (is(attrName, "decimalPoint")) {
        checkNumeric(run, value[0] == '-' ? value + 1 : value, "decimalPoint", elementName.c_str());
        record.decimalPoint = insertName(run, run, value);
    } else if (is(attrName, "justification")) {
        storeJustification(run, value, record);
    } else if (is(attrName, "signOrientation")) {
        storeSignOrientation(run, value, record);
    } else if (is(attrName, "signed")) {
        record.signedCode = parseSignOrientation(value);
        if (record.signedCode == 0 && !is(value, "None"))
            run.error("*****Error - invalid value (%s) for CWF signed value\n", value);
    } else if (is(attrName, "positiveSign")) {
        record.positiveSign = insertName(run, run, value);
    } else if (is(attrName, "negativeSign")) {
        record.negativeSign = insertName(run, run, value);
    } else if (is(attrName, "TDSFormat")) {
        record.tdsFormat = insertName(run, run, value);
    } else if (is(attrName, "physicalType")) {
        record.physicalType = parsePhysicalType(value);
        if (record.physicalType == 0)
            run.error("*****Error - unrecognized physical type %s for element %s\n", value, elementName.c_str());
    } else if (is(attrName, "length")) {
        checkNumeric(run, value, "length", elementName.c_str());
        record.length = insertName(run, run, value);
    } else if (is(attrName, "lengthRef")) {
        record.lengthRef = insertName(run, run, value);
    } else if (is(attrName, "lengthUnits")) {
        record.lengthUnits = parseLengthUnits(value);
        if (record.lengthUnits == -1)
            run.error("*****Error - invalid length unit specification %s for element %s\n", value, elementName.c_str());
    } else if (is(attrName, "byteAlignment")) {
        bool valid = false;
        record.byteAlignment = parseByteAlignment(value, valid);
        if (!valid)
            run.error("*****Error - Invalid value (%s) for byte alignment for element %s\n", value,
                      elementName.c_str());
    } else if (is(attrName, "padChar")) {
        if (!isValidPadChar(value))
            run.error("***** Error - invalid padding character %s for element %s\n", value, elementName.c_str());
        record.padChar = insertName(run, run, value);
    } else if (is(attrName, "interpretValue")) {
        storeInterpretValue(run, value, elementName.c_str(), record);
    } else if (is(attrName, "repeatElemDelim")) {
        record.repeatElemDelim = insertName(run, run, value);
    } else if (is(attrName, "TDSNullKey")) {
        int code = parseNullKey(value);
        if (code == -1)
            run.error("*****Error - invalid value (%s) for nullKeyPad attribute\n", value);
        record.tdsNullKey = insertName(run, run, nullKeyText(code));
    } else if (is(attrName, "TDSNullValue")) {
        record.tdsNullValue = insertName(run, run, value);
    } else if (is(attrName, "CWFNullKey")) {
        record.cwfNullKey = parseNullKey(value);
        if (record.cwfNullKey == -1)
            run.error("*****Error - invalid value (%s) for nullKeyPad attribute\n", value);
    } else if (is(attrName, "CWFNullValue")) {
        record.cwfNullValue = insertName(run, run, value);
    } else if (is(attrName, "xmlName")) {
        record.xmlName = insertName(run, run, value);
    } else if (is(attrName, "xmlFormat")) {
        record.xmlFormat = insertName(run, run, value);
    } else if (is(attrName, "xmlRender")) {
        record.xmlRender = parseRender(value);
        if (record.xmlRender == -1)
            run.error("unrecognized XML render value '%s' for element %s\n", value,
                      run.text(record.ident != 0 ? record.ident : record.ref));
    } else if (is(attrName, "xmlIDattrName")) {
        record.xmlIdAttrName = insertName(run, run, value);
        record.xmlIdValueAttrName = record.xmlIdAttrName;
    } else if (is(attrName, "xmlIDattrValue")) {
        record.xmlIdAttrValue = insertName(run, run, value);
    } else if (is(attrName, "xmlMemberEncode")) {
        record.xmlMemberEncode = insertName(run, run, value);
    } else {
        return false;
    }
    return true;
}

} // namespace

void checkNumeric(ImportRun& run, const char* value, const char* label, const char* elementName) {
    if (value[0] != '\0' && !isNumericValue(value))
        run.error("*****Error - %s is not numeric for element %s\n", label, elementName);
}

void getAttrValueElem(ImportRun& run, const char* attrName, char* value, DefinitionRecord& record) {
    handleAttribute(run, "getAttrValueElem", storeElementAttribute, attrName, value, record);
}

} // namespace norvak
