// The attribute handler of the Element tag: its properties per wire format and its occurrences.
#include "import/model/AttributeRows.h"
#include "import/model/DefinitionModel.h"
#include "import/model/DefinitionRecord.h"
#include "import/reader/AttributeHandlers.h"
#include "import/reader/Keywords.h"
#include "support/StringUtilities.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace norvak {

namespace {

bool is(const char* value, const char* known) {
    return std::strcmp(value, known) == 0;
}

// minOccurs and maxOccurs of an Element: a value that is not all digits is
// reported (under the minOccurs name for both) and gives its leading number.
int elementOccurrence(Diagnostics& diag, const char* value) {
    if (!isNumericValue(value))
        diag.error("*****Error - Invalid value for minOccurs parameter %s\n", value);
    return leadingNumberOrZero(value);
}

void storeSignOrientation(Diagnostics& diag, DefinitionModel& model, const char* value, DefinitionRecord& record) {
    if (is(value, "Leading") || is(value, "Trailing")) {
        record.signOrientation = insertName(diag, model, value);
    } else if (!is(value, "None")) {
        diag.error("*****Error - invalid value (%s) for sign orientation\n", value);
        diag.hint(value, std::vector<std::string_view>{"Leading", "Trailing", "None"});
    }
}

void storeInterpretValue(Diagnostics& diag, DefinitionModel& model, const char* value, const char* elementName,
                         DefinitionRecord& record) {
    if (is(value, "EDIFACT Service String") || is(value, "X12 Service String") || is(value, "Message Key"))
        record.interpretValue = insertName(diag, model, value);
    else if (!is(value, "None"))
        diag.error("*****Error - invalid interpret element value %s for element %s\n", value, elementName);
}

void storeJustification(Diagnostics& diag, DefinitionModel& model, char* value, DefinitionRecord& record) {
    Justification justification{};
    if (!parseJustification(value, justification)) {
        diag.error("*****Error - invalid value (%s) for justification\n", value);
        diag.hint(value, vocabularyWords(Vocabulary::justification));
        return;
    }
    record.justification = insertName(diag, model, justification.letter);
    record.justificationText = insertName(diag, model, justification.text);
}

// Handles one Element attribute; false when the name is unknown.
// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
bool storeElementAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                           DefinitionRecord& record) {
    // Messages name the element by the identifier read so far.
    const std::string elementName = model.text(record.ident);

    if (is(attrName, "name")) {
        record.name = insertName(diag, model, value);
    } else if (is(attrName, "ident")) {
        record.ident = insertName(diag, model, value);
    } else if (is(attrName, "ref")) {
        record.ref = insertName(diag, model, value);
    } else if (is(attrName, "type")) {
        record.typeCode = parseLogicalType(value);
        if (record.typeCode == 0)
            record.typeName = insertName(diag, model, value);
    } else if (is(attrName, "minOccurs")) {
        record.minOccurs = elementOccurrence(diag, value);
    } else if (is(attrName, "maxOccurs")) {
        record.maxOccurs = is(value, "unbounded") || is(value, "*") ? -2 : elementOccurrence(diag, value);
    } else if (is(attrName, rows::cwfMemberRepeatCount.keyword)) {
        std::optional<std::int32_t> count = leadingNumber(value);
        if (value[0] >= '0' && value[0] <= '9' && count)
            record.repeatCount = *count;
        else
            record.repeatRef = insertName(diag, model, value);
    } else if (is(attrName, rows::tdsElementTag.keyword)) {
        record.tag = insertName(diag, model, value);
    } else if (is(attrName, rows::tdsElementPrecision.keyword)) {
        checkNumeric(diag, value, "precision", elementName.c_str());
        record.precision = leadingNumberOrZero(value);
    } else if (is(attrName, rows::tdsElementDecimalPoint.keyword)) {
        checkNumeric(diag, value[0] == '-' ? value + 1 : value, "decimalPoint", elementName.c_str());
        record.decimalPoint = insertName(diag, model, value);
    } else if (is(attrName, rows::tdsElementJustification.keyword)) {
        storeJustification(diag, model, value, record);
    } else if (is(attrName, rows::tdsElementSignOrientation.keyword)) {
        storeSignOrientation(diag, model, value, record);
    } else if (is(attrName, rows::cwfMemberSigned.keyword)) {
        record.signedCode = parseSignOrientation(value);
        if (record.signedCode == 0 && !is(value, "None")) {
            diag.error("*****Error - invalid value (%s) for CWF signed value\n", value);
            diag.hint(value, vocabularyWords(Vocabulary::signOrientation));
        }
    } else if (is(attrName, rows::tdsElementPositiveSign.keyword)) {
        record.positiveSign = insertName(diag, model, value);
    } else if (is(attrName, rows::tdsElementNegativeSign.keyword)) {
        record.negativeSign = insertName(diag, model, value);
    } else if (is(attrName, rows::tdsElementFormat.keyword)) {
        record.tdsFormat = insertName(diag, model, value);
    } else if (is(attrName, rows::cwfMemberPhysicalType.keyword)) {
        record.physicalType = parsePhysicalType(value);
        if (record.physicalType == 0) {
            diag.error("*****Error - unrecognized physical type %s for element %s\n", value, elementName.c_str());
            diag.hint(value, vocabularyWords(Vocabulary::physicalType));
        }
    } else if (is(attrName, rows::tdsElementLength.keyword)) {
        checkNumeric(diag, value, "length", elementName.c_str());
        record.length = insertName(diag, model, value);
    } else if (is(attrName, rows::cwfMemberLengthReference.keyword)) {
        record.lengthRef = insertName(diag, model, value);
    } else if (is(attrName, rows::cwfMemberLengthUnits.keyword)) {
        record.lengthUnits = parseLengthUnits(value);
        if (record.lengthUnits == -1) {
            diag.error("*****Error - invalid length unit specification %s for element %s\n", value,
                       elementName.c_str());
            diag.hint(value, vocabularyWords(Vocabulary::lengthUnits));
        }
    } else if (is(attrName, rows::cwfMemberByteAlignment.keyword)) {
        bool valid = false;
        record.byteAlignment = parseByteAlignment(value, valid);
        if (!valid)
            diag.error("*****Error - Invalid value (%s) for byte alignment for element %s\n", value,
                       elementName.c_str());
    } else if (is(attrName, rows::tdsElementPaddingCharacter.keyword)) {
        if (!isValidPadChar(value))
            diag.error("***** Error - invalid padding character %s for element %s\n", value, elementName.c_str());
        record.padChar = insertName(diag, model, value);
    } else if (is(attrName, rows::tdsElementInterpretValue.keyword)) {
        storeInterpretValue(diag, model, value, elementName.c_str(), record);
    } else if (is(attrName, rows::tdsMemberRepeatDelimiter.keyword)) {
        record.repeatElemDelim = insertName(diag, model, value);
    } else if (is(attrName, rows::tdsElementNullEncoding.keyword)) {
        int code = parseNullKey(value);
        if (code == -1) {
            diag.error("*****Error - invalid value (%s) for nullKeyPad attribute\n", value);
            diag.hint(value, vocabularyWords(Vocabulary::nullKey));
        }
        record.tdsNullKey = insertName(diag, model, nullKeyText(code));
    } else if (is(attrName, rows::tdsElementNullValue.keyword)) {
        record.tdsNullValue = insertName(diag, model, value);
    } else if (is(attrName, "CWFNullKey")) {
        record.cwfNullKey = parseNullKey(value);
        if (record.cwfNullKey == -1) {
            diag.error("*****Error - invalid value (%s) for nullKeyPad attribute\n", value);
            diag.hint(value, vocabularyWords(Vocabulary::nullKey));
        }
    } else if (is(attrName, "CWFNullValue")) {
        record.cwfNullValue = insertName(diag, model, value);
    } else if (is(attrName, rows::xmlElementName.keyword)) {
        record.xmlName = insertName(diag, model, value);
    } else if (is(attrName, rows::xmlElementFormat.keyword)) {
        record.xmlFormat = insertName(diag, model, value);
    } else if (is(attrName, rows::xmlMemberRender.keyword)) {
        record.xmlRender = parseRender(value);
        if (record.xmlRender == -1) {
            diag.error("unrecognized XML render value '%s' for element %s\n", value,
                       model.text(record.ident != 0 ? record.ident : record.ref));
            diag.hint(value, vocabularyWords(Vocabulary::render));
        }
    } else if (is(attrName, rows::xmlMemberIdAttributeName.keyword)) {
        record.xmlIdAttrName = insertName(diag, model, value);
        record.xmlIdValueAttrName = record.xmlIdAttrName;
    } else if (is(attrName, rows::xmlMemberIdAttributeValue.keyword)) {
        record.xmlIdAttrValue = insertName(diag, model, value);
    } else if (is(attrName, rows::xmlMemberEncoding.keyword)) {
        record.xmlMemberEncode = insertName(diag, model, value);
    } else {
        return false;
    }
    return true;
}

// Every attribute an Element takes, for the hint after an unknown one.
constexpr std::string_view elementAttributeNames[] = {
    "name",
    "ident",
    "ref",
    "type",
    "minOccurs",
    "maxOccurs",
    rows::cwfMemberRepeatCount.keyword,
    rows::tdsElementTag.keyword,
    rows::tdsElementPrecision.keyword,
    rows::tdsElementDecimalPoint.keyword,
    rows::tdsElementJustification.keyword,
    rows::tdsElementSignOrientation.keyword,
    rows::cwfMemberSigned.keyword,
    rows::tdsElementPositiveSign.keyword,
    rows::tdsElementNegativeSign.keyword,
    rows::tdsElementFormat.keyword,
    rows::cwfMemberPhysicalType.keyword,
    rows::tdsElementLength.keyword,
    rows::cwfMemberLengthReference.keyword,
    rows::cwfMemberLengthUnits.keyword,
    rows::cwfMemberByteAlignment.keyword,
    rows::tdsElementPaddingCharacter.keyword,
    rows::tdsElementInterpretValue.keyword,
    rows::tdsMemberRepeatDelimiter.keyword,
    rows::tdsElementNullEncoding.keyword,
    rows::tdsElementNullValue.keyword,
    "CWFNullKey",
    "CWFNullValue",
    rows::xmlElementName.keyword,
    rows::xmlElementFormat.keyword,
    rows::xmlMemberRender.keyword,
    rows::xmlMemberIdAttributeName.keyword,
    rows::xmlMemberIdAttributeValue.keyword,
    rows::xmlMemberEncoding.keyword,
};

} // namespace

void checkNumeric(Diagnostics& diag, const char* value, const char* label, const char* elementName) {
    if (value[0] != '\0' && !isNumericValue(value))
        diag.error("*****Error - %s is not numeric for element %s\n", label, elementName);
}

void getAttrValueElem(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                      DefinitionRecord& record) {
    handleAttribute(diag, model, "getAttrValueElem", storeElementAttribute, elementAttributeNames, attrName, value,
                    record);
}

} // namespace norvak
