// The processing of an element's definition: its logical type, format properties and member entry.
#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "import/model/DefinitionModel.h"
#include "import/model/DefinitionProcessing.h"
#include "import/model/RepositoryState.h"
#include "support/Diagnostics.h"
#include "support/StringUtilities.h"

#include <string>

namespace norvak {

namespace {

using R = DefinitionRecord;

// Properties a compound element (one without a simple type) may not have; the
// CWF null key is reported on its own after the TDS null value.
const CheckedField compoundFieldsBeforeCwfNullKey[] = {
    {&R::justification, "Justification", true},
    {&R::padChar, "Padding character", true},
    {&R::interpretValue, "Interpret element value", true},
    {&R::decimalPoint, "Decimal point", true},
    {&R::precision, "Precision", false},
    {&R::signOrientation, "Sign Orientation", true},
    {&R::positiveSign, "Positive Sign", true},
    {&R::negativeSign, "Negative Sign", true},
    {&R::tdsFormat, "TDS Format String", true},
    {&R::byteAlignment, "byte alignment", false},
    {&R::length, "length", true},
    {&R::lengthRef, "length reference", true},
    {&R::lengthUnits, "length units", false},
    {&R::physicalType, "physical type", false},
    {&R::tdsNullKey, "Null key (TDS)", true},
    {&R::tdsNullValue, "Null key value (TDS)", true},
};

const CheckedField compoundFieldsAfterCwfNullKey[] = {
    {&R::cwfNullValue, "Null key value (CWF)", true},
    {&R::xmlMemberEncode, "XML member encoding", true},
    {&R::xmlIdAttrName, "XML ID attribute name", true},
    {&R::xmlIdAttrValue, "XML ID attribute value", true},
    {&R::xmlIdValueAttrName, "XML ID value attribute name", true},
    {&R::xmlFormat, "XML format", true},
};

// Fields an element outside any type may not have.
const CheckedField memberOnlyFields[] = {
    {&R::minOccurs, "minOccurs", false}, {&R::maxOccurs, "maxOccurs", false}, {&R::repeatCount, "repeatCount", false},
    {&R::repeatRef, "repeatRef", true},  {&R::lengthRef, "lengthRef", true},
};

// Properties each logical type rules out.
const CheckedField stringFields[] = {
    {&R::decimalPoint, "Decimal point", true}, {&R::precision, "Precision", false},
    {&R::tdsFormat, "Format String", true},    {&R::signOrientation, "Sign Orientation", true},
    {&R::positiveSign, "Positive Sign", true}, {&R::negativeSign, "Negative Sign", true},
    {&R::signedCode, "signed", false},         {&R::xmlMemberEncode, "XML member encoding", true},
};

const CheckedField integerFields[] = {
    {&R::interpretValue, "Interpret element value", true},
    {&R::tdsFormat, "Format String", true},
    {&R::lengthRef, "Length Reference", true},
    {&R::decimalPoint, "Decimal point", true},
    {&R::xmlMemberEncode, "XML member encoding", true},
};

const CheckedField floatFields[] = {
    {&R::interpretValue, "Interpret element value", true},
    {&R::tdsFormat, "Format", true},
    {&R::lengthRef, "Length Reference", true},
    {&R::xmlMemberEncode, "XML member encoding", true},
};

const CheckedField binaryFields[] = {
    {&R::justification, "Justification", true},
    {&R::padChar, "Padding character", true},
    {&R::interpretValue, "Interpret element value", true},
    {&R::decimalPoint, "Decimal point", true},
    {&R::precision, "Precision", false},
    {&R::tdsFormat, "Format", true},
    {&R::signOrientation, "Sign Orientation", true},
    {&R::positiveSign, "Positive Sign", true},
    {&R::negativeSign, "Negative Sign", true},
    {&R::signedCode, "signed", false},
    {&R::tdsNullKey, "Encoding Null (TDS)", true},
    {&R::tdsNullValue, "Encoding Value (TDS)", true},
    {&R::cwfNullValue, "Encoding Value (CWF)", true},
};

const CheckedField booleanFields[] = {
    {&R::lengthRef, "Length reference", true},
    {&R::justification, "Justification", true},
    {&R::padChar, "Padding character", true},
    {&R::interpretValue, "Interpret element value", true},
    {&R::decimalPoint, "Decimal point", true},
    {&R::precision, "Precision", false},
    {&R::tdsFormat, "Format", true},
    {&R::signOrientation, "Sign Orientation", true},
    {&R::positiveSign, "Positive Sign", true},
    {&R::negativeSign, "Negative Sign", true},
    {&R::signedCode, "signed", false},
    {&R::tdsNullKey, "Encoding Null (TDS)", true},
    {&R::tdsNullValue, "Encoding Value (TDS)", true},
    {&R::cwfNullKey, "Encoding Null (CWF)", false},
    {&R::cwfNullValue, "Encoding Value (CWF)", true},
    {&R::xmlMemberEncode, "XML member encoding", true},
};

const CheckedField dateTimeFields[] = {
    {&R::interpretValue, "Interpret element value", true},
    {&R::decimalPoint, "Decimal point", true},
    {&R::precision, "Precision", false},
    {&R::signOrientation, "Sign Orientation", true},
    {&R::positiveSign, "Positive Sign", true},
    {&R::negativeSign, "Negative Sign", true},
    {&R::signedCode, "signed", false},
    {&R::xmlMemberEncode, "XML member encoding", true},
};

const CheckedField decimalFields[] = {
    {&R::interpretValue, "Interpret element value", true},
    {&R::tdsFormat, "Format", true},
    {&R::lengthRef, "Length reference", true},
    {&R::xmlMemberEncode, "XML member encoding", true},
};

void checkCompoundElement(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                          const char* ident) {
    bool reported = reportNotValidForCompound(diag, model, record, compoundFieldsBeforeCwfNullKey);
    if (record.cwfNullKey >= 0) {
        diag.error("CWF null key value not allowed on element %s of compound type\n", ident);
        reported = true;
    }
    reported = reportNotValidForCompound(diag, model, record, compoundFieldsAfterCwfNullKey) || reported;
    // A simple element whose type was mistyped ("strng") reads as a compound one.
    if (reported && record.typeName != 0)
        diag.hint(model.text(record.typeName), logicalTypeKeywords);
}

void copySimpleProperties(const DefinitionRecord& record, ElementEntry& element) {
    element.physicalType = record.physicalType;
    element.signedCode = record.signedCode;
    element.length = record.length;
    element.lengthUnits = record.lengthUnits;
    element.justification = record.justification;
    element.padChar = record.padChar;
    element.decimalPoint = record.decimalPoint;
    element.byteAlignment = record.byteAlignment;
    element.cwfNullKey = record.cwfNullKey;
    element.cwfNullValue = record.cwfNullValue;
    element.xmlRender = record.xmlRender;
    element.xmlIdAttrName = record.xmlIdAttrName;
    element.xmlIdAttrValue = record.xmlIdAttrValue;
    element.xmlIdValueAttrName = record.xmlIdValueAttrName;
    element.xmlMemberEncode = record.xmlMemberEncode;
}

void createSimpleElementAttributes(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record,
                                   int elemId) {
    createAttrEntry(diag, model, record.length, elemId, classElement, rows::tdsElementLength.key, flagTds);
    createAttrEntry(diag, model, record.justificationText, elemId, classElement, rows::tdsElementJustification.key,
                    flagTds);
    createAttrEntry(diag, model, record.padChar, elemId, classElement, rows::tdsElementPaddingCharacter.key, flagTds);
    createAttrEntry(diag, model, record.interpretValue, elemId, classElement, rows::tdsElementInterpretValue.key,
                    flagTds);
    createAttrEntry(diag, model, record.decimalPoint, elemId, classElement, rows::tdsElementDecimalPoint.key, flagTds);
    int precisionText = record.precision > 0 ? insertName(diag, model, std::to_string(record.precision)) : 0;
    createAttrEntry(diag, model, precisionText, elemId, classElement, rows::tdsElementPrecision.key, flagTds);
    createAttrEntry(diag, model, record.tdsFormat, elemId, classElement, rows::tdsElementFormat.key, flagTds);
    createAttrEntry(diag, model, record.signOrientation, elemId, classElement, rows::tdsElementSignOrientation.key,
                    flagTds);
    createAttrEntry(diag, model, record.positiveSign, elemId, classElement, rows::tdsElementPositiveSign.key, flagTds);
    createAttrEntry(diag, model, record.negativeSign, elemId, classElement, rows::tdsElementNegativeSign.key, flagTds);
    createAttrEntry(diag, model, record.tdsNullKey, elemId, classElement, rows::tdsElementNullEncoding.key, flagTds);
    createAttrEntry(diag, model, record.tdsNullValue, elemId, classElement, rows::tdsElementNullValue.key, flagTds);
}

void checkPrecision(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                    const char* ident) {
    if (record.precision <= 0)
        return;
    if (record.decimalPoint > 0)
        diag.print("*****Error - precision (%d) cannot be specified with virtual decimal point (%s) for element %s\n",
                   record.precision, model.text(record.decimalPoint), ident);
    if (record.length <= 0) {
        diag.error("*****Error - precision requires length to be specified\n");
        return;
    }
    int length = leadingNumberOrZero(model.text(record.length));
    if (record.precision >= length)
        diag.error("*****Error - precision (%d) must be less than length (%d)\n", record.precision, length);
}

void checkLogicalType(Diagnostics& diag, const DefinitionModel& model, const DefinitionRecord& record,
                      const char* ident) {
    switch (record.typeCode) {
    case logicalString:
        reportNotValidForType(diag, model, record, stringFields, "string");
        break;
    case logicalInteger:
        reportNotValidForType(diag, model, record, integerFields, "integer");
        break;
    case logicalFloat:
        reportNotValidForType(diag, model, record, floatFields, "float");
        break;
    case logicalBinary:
        reportNotValidForType(diag, model, record, binaryFields, "binary");
        if (record.cwfNullKey >= 0)
            diag.error("CWF null key value not allowed on element %s of type binary\n", ident);
        break;
    case logicalBoolean: {
        int length = leadingNumberOrZero(model.text(record.length));
        if (length > 0)
            diag.error("*****Error - Length (%d) not valid for element type boolean\n", length);
        if (record.cwfNullKey >= 0)
            diag.error("CWF null key value not allowed on element %s of type boolean\n", ident);
        reportNotValidForType(diag, model, record, booleanFields, "boolean");
        break;
    }
    case logicalDateTime:
        reportNotValidForType(diag, model, record, dateTimeFields, "date/time");
        break;
    case logicalDecimal:
        reportNotValidForType(diag, model, record, decimalFields, "decimal");
        break;
    default:
        break;
    }
}

// An element defined in place (no ref); 0 when it cannot be.
int defineElement(Diagnostics& diag, DefinitionModel& model, RepositoryState& state, const DefinitionRecord& record,
                  int currTypeId) {
    if (record.ident <= 0) {
        diag.error("*****Error - required parameter missing on element %s\n", model.text(record.name));
        return 0;
    }
    int elemId = createElementEntry(diag, model, record.ident, record.name > 0 ? record.name : record.ident);
    const std::string ident = model.text(record.ident);
    {
        ElementEntry& element = model.elements[elemId];
        if (record.typeCode > 0 || record.typeName > 0) {
            element.logicalType = record.typeCode;
            element.typeName = record.typeName;
        } else {
            element.logicalType = logicalString;
        }
    }
    model.elements[elemId].repeatElemDelim = record.repeatElemDelim;
    if (record.tag > 0)
        ++state.counters.tagsFound;
    createAttrEntry(diag, model, record.tag, elemId, classElement, rows::tdsElementTag.key, flagTds);
    createAttrEntry(diag, model, record.xmlName, elemId, classElement, rows::xmlElementName.key, flagXml);
    createAttrEntry(diag, model, record.xmlFormat, elemId, classElement, rows::xmlElementFormat.key, flagXml);

    if (record.typeCode == 0) {
        checkCompoundElement(diag, model, record, ident.c_str());
    } else {
        copySimpleProperties(record, model.elements[elemId]);
        createSimpleElementAttributes(diag, model, record, elemId);
        checkPrecision(diag, model, record, ident.c_str());
        checkLogicalType(diag, model, record, ident.c_str());
    }

    if (currTypeId != 0) {
        int memberId = createTypeMemberEntry(diag, model, 0, elemId, memberElement, currTypeId);
        TypeMemberEntry& member = model.typeMembers[memberId];
        member.minOcc = record.minOccurs;
        member.maxOcc = record.maxOccurs;
        member.repeatCount = record.repeatCount;
        member.repeatRef = record.repeatRef;
        member.lengthRef = record.lengthRef;
    } else {
        reportOnlyInType(diag, model, record, memberOnlyFields, ident.c_str());
    }
    return elemId;
}

// An element used by reference inside a type: a member carrying the per-use settings.
void useElementByReference(Diagnostics& diag, DefinitionModel& model, const DefinitionRecord& record, int currTypeId) {
    if (record.ident > 0 || record.name > 0) {
        diag.error("*****Error - element cannot have both identifier/name and ref %s\n", model.text(record.ref));
        return;
    }
    if (currTypeId == 0) {
        diag.error("*****Error - element with ref (%s) must be within a type\n", model.text(record.ref));
        return;
    }
    int memberId = createTypeMemberEntry(diag, model, record.ref, 0, memberElement, currTypeId);
    TypeMemberEntry& member = model.typeMembers[memberId];
    member.minOcc = record.minOccurs;
    member.maxOcc = record.maxOccurs;
    member.repeatCount = record.repeatCount;
    member.repeatRef = record.repeatRef;
    member.physicalType = record.physicalType;
    member.length = record.length;
    member.lengthRef = record.lengthRef;
    member.lengthUnits = record.lengthUnits;
    member.signedCode = record.signedCode;
    member.decimalPoint = record.decimalPoint;
    member.byteAlignment = record.byteAlignment;
    member.justification = record.justification;
    member.padChar = record.padChar;
    member.cwfNullKey = record.cwfNullKey;
    member.cwfNullValue = record.cwfNullValue;
    member.xmlName = record.xmlName;
    member.xmlRender = record.xmlRender;
    member.xmlFormat = record.xmlFormat;
    member.xmlIdAttrName = record.xmlIdAttrName;
    member.xmlIdAttrValue = record.xmlIdAttrValue;
    member.xmlIdValueAttrName = record.xmlIdValueAttrName;
    member.xmlMemberEncode = record.xmlMemberEncode;
    member.repeatElemDelim = record.repeatElemDelim;
    member.justificationText = record.justificationText;
}

} // namespace

int processElementDef(Diagnostics& diag, DefinitionModel& model, RepositoryState& state, const DefinitionRecord& record,
                      int currTypeId) {
    diag.trace("==> processElementDef\n");
    int elemId = 0;
    if (record.ref == 0)
        elemId = defineElement(diag, model, state, record, currTypeId);
    else
        useElementByReference(diag, model, record, currTypeId);
    diag.trace("<== processElementDef returned elemId %d\n", elemId);
    return elemId;
}

} // namespace norvak
