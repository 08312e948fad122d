// The checks of an element's physical-format properties against its logical type.
#include "import/model/PhysicalFormatChecks.h"
#include "import/model/Codes.h"

#include "import/model/DefinitionModel.h"
#include "import/model/RepositoryState.h"
#include "support/Diagnostics.h"

#include <initializer_list>
#include <vector>

namespace norvak {

namespace {

constexpr int unitsEndOfBitStream = 3;

// A valid property that is written as a row, and one that is not.
constexpr int writeRow = 0;
constexpr int noRow = 1;

bool hasCustomWireFormat(const RepositoryState& state) {
    return state.cwfTabs.lastIndex() >= 0;
}

int logicalTypeOf(const DefinitionModel& model, int elemId) {
    return model.elements[elemId].logicalType;
}

// Reports a fault about the element; the property is then not written.
int fault(Diagnostics& diag, const DefinitionModel& model, CheckedFormat<const char*> format, int elemId) {
    diag.errorChecked(format, model.text(model.elements[elemId].ident));
    return noRow;
}

bool isOneOf(int value, std::initializer_list<int> codes) {
    for (int code : codes)
        if (value == code)
            return true;
    return false;
}

bool inRange(int value, int lowest, int highest) {
    return value >= lowest && value <= highest;
}

// The physical types a logical type accepts: none given or its own default
// (no row), and the others it may be written with.
struct PhysicalTypeRule {
    int logicalType;
    int defaultType;
    std::vector<int> accepted;
    CheckedFormat<const char*> message;
};

const PhysicalTypeRule physicalTypeRules[] = {
    {logicalString,
     physicalFixedLength,
     {physicalLengthEncoded1, physicalLengthEncoded2, physicalNullTerminated},
     "*****Error - invalid physical type for string element %s\n"},
    {logicalInteger,
     physicalInteger,
     {physicalExtendedDecimal, physicalFloat, physicalPacked},
     "*****Error - invalid physical type for integer element %s\n"},
    {logicalFloat,
     physicalFloat,
     {physicalInteger, physicalExtendedDecimal, physicalPacked},
     "*****Error - invalid physical type for float element %s\n"},
    {logicalBinary, physicalBinary, {}, "*****Error - invalid physical type for binary element %s\n"},
    {logicalBoolean, physicalBoolean, {}, "*****Error - invalid physical type for boolean element %s\n"},
    {logicalDateTime,
     physicalTimeSeconds,
     {physicalTimeMilliseconds},
     "*****Error - invalid physical type for date time element %s\n"},
    {logicalDecimal,
     physicalExtendedDecimal,
     {physicalInteger, physicalPacked},
     "*****Error - invalid physical type for decimal element %s\n"},
};

// The length stage of checkLength, for a message set with a custom wire
// format. `stop` is set when a missing length leaves nothing more to check.
// NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
int checkLengthForType(Diagnostics& diag, const DefinitionModel& model, int physicalType, int length, bool refGiven,
                       int lengthUnits, int elemId, bool& stop) {
    bool lengthGiven = length > 0;
    bool endOfBitStream = lengthUnits == unitsEndOfBitStream;
    switch (logicalTypeOf(model, elemId)) {
    case logicalString:
        if (physicalType == physicalNone || physicalType == physicalFixedLength) {
            if (lengthGiven || refGiven || endOfBitStream)
                return writeRow;
            stop = true;
            return fault(diag, model, "*****Error - fixed length string element requires length or length ref %s\n",
                         elemId);
        }
        if (lengthGiven || refGiven)
            return fault(diag, model,
                         "*****Error - length or length ref invalid for non-fixed length string element %s\n", elemId);
        return writeRow;
    case logicalInteger:
        if (physicalType == physicalNone || physicalType == physicalInteger) {
            if (length == 0 || length == defaultLength(logicalInteger, physicalType))
                return noRow;
            if (length == 1 || length == 2)
                return writeRow;
            return fault(diag, model, "*****Error - Length for integer must be 1, 2 or 4 - element %s\n", elemId);
        }
        if (physicalType == physicalExtendedDecimal) {
            if (inRange(length, 1, 11) || endOfBitStream)
                return writeRow;
            return fault(
                diag, model,
                "*****Error - length for integer element %s rendered as extended decimal must be from 1 to 11\n",
                elemId);
        }
        if (inRange(length, 1, 6))
            return writeRow;
        return fault(diag, model, "*****Error - length for integer element %s rendered as packed must be from 1 to 6\n",
                     elemId);
    case logicalFloat:
        if (physicalType == physicalNone || physicalType == physicalFloat) {
            if (length == 0 || length == defaultLength(logicalFloat, physicalType))
                return noRow;
            if (length == 8)
                return writeRow;
            return fault(diag, model, "*****Error - Length for float element %s must be 4 or 8\n", elemId);
        }
        if (physicalType == physicalInteger) {
            if (length == 0 || length == defaultLength(logicalFloat, physicalType))
                return noRow;
            if (length == 1 || length == 2)
                return writeRow;
            return fault(diag, model,
                         "*****Error - Length for float element %s rendered as integer must be 1, 2 or 4\n", elemId);
        }
        if (physicalType == physicalPacked) {
            if (inRange(length, 1, 10))
                return writeRow;
            return fault(diag, model,
                         "*****Error - length for float element %s rendered as packed must be from 1 to 10\n", elemId);
        }
        if (inRange(length, 1, 256) || endOfBitStream)
            return writeRow;
        return fault(diag, model,
                     "*****Error - length for float element %s rendered as extended decimal must be from 1 to 256\n",
                     elemId);
    case logicalBinary:
        if (lengthGiven || refGiven)
            return writeRow;
        stop = true;
        return fault(diag, model, "*****Error - length or length ref required for binary element %s\n", elemId);
    case logicalBoolean:
        if (lengthGiven)
            return fault(diag, model, "*****Error - length or length ref not allowed for boolean element %s\n", elemId);
        return writeRow;
    case logicalDateTime:
        if (lengthGiven)
            return fault(diag, model, "*****Error - length or length ref not allowed for datetime element %s\n",
                         elemId);
        return writeRow;
    case logicalDecimal:
        if (physicalType == physicalNone || physicalType == physicalExtendedDecimal) {
            // The length may come at run time from the referenced element.
            if (inRange(length, 1, 256) || endOfBitStream || (!lengthGiven && refGiven))
                return writeRow;
            return fault(diag, model, "*****Error - length for decimal element %s must be from 1 to 256\n", elemId);
        }
        if (physicalType == physicalInteger) {
            if (length == 3 || length > 4)
                return fault(diag, model,
                             "*****Error - length for decimal element %s rendered as integer must be from 1, 2 or 4\n",
                             elemId);
            return writeRow;
        }
        if (inRange(length, 1, 10))
            return writeRow;
        return fault(diag, model,
                     "*****Error - length for decimal element %s rendered as packed must be from 1 to 10\n", elemId);
    default:
        return writeRow;
    }
}

// Justification and padding character follow one rule; only the wording differs.
struct FillMessages {
    CheckedFormat<const char*> notForType;
    CheckedFormat<const char*> onlyExtendedDecimal;
    CheckedFormat<const char*> onlyFixedLength;
};

int checkFillProperty(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                      int elemId, const FillMessages& messages) {
    int logicalType = logicalTypeOf(model, elemId);
    if (isOneOf(logicalType, {logicalBoolean, logicalBinary, logicalDateTime}))
        return fault(diag, model, messages.notForType, elemId);
    if (!hasCustomWireFormat(state))
        return writeRow;
    if (isOneOf(logicalType, {logicalFloat, logicalInteger, logicalDecimal}))
        return physicalType == physicalExtendedDecimal ? writeRow
                                                       : fault(diag, model, messages.onlyExtendedDecimal, elemId);
    if (logicalType == logicalString &&
        isOneOf(physicalType, {physicalLengthEncoded1, physicalLengthEncoded2, physicalNullTerminated}))
        return fault(diag, model, messages.onlyFixedLength, elemId);
    return writeRow;
}

} // namespace

int checkPhysicalType(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                      int elemId) {
    if (!hasCustomWireFormat(state))
        return writeRow;
    int logicalType = logicalTypeOf(model, elemId);
    for (const PhysicalTypeRule& rule : physicalTypeRules) {
        if (rule.logicalType != logicalType)
            continue;
        if (physicalType == physicalNone || physicalType == rule.defaultType)
            return noRow;
        for (int accepted : rule.accepted)
            if (physicalType == accepted)
                return writeRow;
        return fault(diag, model, rule.message, elemId);
    }
    return writeRow;
}

int checkLength(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                int length, int lengthRef, int lengthUnits, int elemId) {
    bool refGiven = lengthRef > 0;
    int result = writeRow;
    if (hasCustomWireFormat(state)) {
        bool stop = false;
        result = checkLengthForType(diag, model, physicalType, length, refGiven, lengthUnits, elemId, stop);
        if (stop)
            return result;
    }
    if (refGiven &&
        isOneOf(logicalTypeOf(model, elemId), {logicalInteger, logicalFloat, logicalBoolean, logicalDateTime}))
        result = fault(diag, model, "*****Error - length reference for element %s does not allow length references\n",
                       elemId);
    return result;
}

int checkLengthUnits(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                     int lengthUnits, int elemId) {
    if (!hasCustomWireFormat(state))
        return writeRow;
    bool characterUnits = lengthUnits == 1 || lengthUnits == 2;
    switch (logicalTypeOf(model, elemId)) {
    case logicalString:
        if (isOneOf(physicalType, {physicalLengthEncoded1, physicalLengthEncoded2, physicalNullTerminated}))
            return fault(diag, model, "*****Error - length units allowed only for fixed length string element %s\n",
                         elemId);
        return writeRow;
    case logicalInteger:
        if (characterUnits)
            return fault(diag, model,
                         "*****Error - length units must be bytes or end of bitstream for integer element %s\n",
                         elemId);
        if (isOneOf(physicalType, {physicalInteger, physicalFloat, physicalPacked}))
            return fault(diag, model,
                         "*****Error - length units not consistent with physical type for integer element %s\n",
                         elemId);
        return writeRow;
    case logicalFloat:
        if (characterUnits)
            return fault(diag, model,
                         "*****Error - length units must be bytes or end of bitstream for float element %s\n", elemId);
        if (isOneOf(physicalType, {physicalInteger, physicalFloat, physicalPacked}))
            return fault(diag, model,
                         "*****Error - length units not consistent with physical type for float element %s\n", elemId);
        return writeRow;
    case logicalBoolean:
        return fault(diag, model, "*****Error - length units not allowed for boolean element %s\n", elemId);
    case logicalDateTime:
        if (lengthUnits >= 1)
            return fault(diag, model, "*****Error - length units not allowed for date/time element %s\n", elemId);
        return writeRow;
    case logicalDecimal:
        if (characterUnits)
            return fault(diag, model,
                         "*****Error - length units must be bytes or end of bitstream for decimal element %s\n",
                         elemId);
        if (isOneOf(physicalType, {physicalInteger, physicalPacked}))
            return fault(diag, model,
                         "*****Error - length units not consistent with physical type for decimal element %s\n",
                         elemId);
        return writeRow;
    default:
        return writeRow;
    }
}

int checkSignOrientation(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state,
                         int physicalType, int signOrientation, int elemId) {
    (void)signOrientation; // any orientation is judged alike
    if (!hasCustomWireFormat(state))
        return writeRow;
    bool zonedOrDefault = physicalType == physicalNone || physicalType == physicalExtendedDecimal;
    switch (logicalTypeOf(model, elemId)) {
    case logicalString:
    case logicalFloat:
    case logicalBinary:
    case logicalBoolean:
    case logicalDateTime:
        return fault(diag, model, "*****Error - sign orientation not allowed for element %s of this type\n", elemId);
    case logicalInteger:
        return zonedOrDefault
                   ? writeRow
                   : fault(diag, model,
                           "*****Error - sign orientation not allowed for integer element %s of this physical type\n",
                           elemId);
    case logicalDecimal:
        return zonedOrDefault
                   ? writeRow
                   : fault(diag, model,
                           "*****Error - sign orientation not allowed for decimal element %s of this physical type\n",
                           elemId);
    default:
        return writeRow;
    }
}

int checkVirtualDecimalPoint(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state,
                             int physicalType, int elemId) {
    switch (logicalTypeOf(model, elemId)) {
    case logicalString:
    case logicalInteger:
    case logicalBinary:
    case logicalBoolean:
    case logicalDateTime:
        return fault(diag, model, "*****Error - virtual decimal point not allowed for element %s of this type\n",
                     elemId);
    case logicalFloat:
        if (hasCustomWireFormat(state) && (physicalType == physicalNone || physicalType == physicalFloat))
            return fault(diag, model,
                         "*****Error - virtual decimal point not allowed for float element %s of physical type float\n",
                         elemId);
        return writeRow;
    default:
        return writeRow;
    }
}

int checkJustification(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                       int elemId) {
    static const FillMessages messages{
        "*****Error - string justification not allowed for element %s of this type\n",
        "*****Error - string justification only allowed for element %s of physical type extended decimal\n",
        "*****Error - string justification only allowed for string element %s of physical type fixed length\n"};
    return checkFillProperty(diag, model, state, physicalType, elemId, messages);
}

int checkPaddingChar(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                     int elemId) {
    static const FillMessages messages{
        "*****Error - padding character not allowed for element %s of this type\n",
        "*****Error - padding character only allowed for element %s of physical type extended decimal\n",
        "*****Error - padding character only allowed for string element %s of physical type fixed length\n"};
    return checkFillProperty(diag, model, state, physicalType, elemId, messages);
}

int checkFormatString(Diagnostics& diag, const DefinitionModel& model, int elemId) {
    if (logicalTypeOf(model, elemId) == logicalDateTime)
        return writeRow;
    return fault(diag, model, "*****Error - format string not allowed for element %s of this type\n", elemId);
}

int checkLengthReference(Diagnostics& diag, const DefinitionModel& model, int memberId, int referenceIdent) {
    for (int m = model.typeMembers[memberId].prev; m != 0; m = model.typeMembers[m].prev) {
        const TypeMemberEntry& member = model.typeMembers[m];
        if (!(member.itemType & memberElement))
            continue;
        const ElementEntry& element = model.elements[member.elemId];
        if (element.ident != referenceIdent)
            continue;
        if (element.logicalType != logicalInteger)
            diag.error("*****Error - length or repeat reference element (%s) must be an integer\n",
                       model.text(referenceIdent));
        return 0;
    }
    diag.error("*****Error - length or repeat reference element (%s) not found in type\n", model.text(referenceIdent));
    return 0;
}

int defaultPhysicalType(int logicalType) {
    for (const PhysicalTypeRule& rule : physicalTypeRules)
        if (rule.logicalType == logicalType)
            return rule.defaultType;
    return physicalNone;
}

int defaultLength(int logicalType, int physicalType) {
    constexpr int fourBytes = 4;
    if (logicalType == logicalInteger)
        return isOneOf(physicalType, {physicalNone, physicalInteger}) ? fourBytes : 0;
    if (logicalType == logicalFloat)
        return isOneOf(physicalType, {physicalNone, physicalFloat, physicalInteger}) ? fourBytes : 0;
    return 0;
}

EffectiveFormat effectiveFormat(const TypeMemberEntry& member, const ElementEntry& element) {
    EffectiveFormat format{element.physicalType,       element.length,         element.lengthUnits,
                           element.signedCode,         element.decimalPoint,   element.byteAlignment,
                           element.justification,      element.padChar,        element.repeatElemDelim,
                           element.xmlRender,          element.xmlIdAttrName,  element.xmlIdAttrValue,
                           element.xmlIdValueAttrName, element.xmlMemberEncode};
    if (member.ident == 0)
        return format;
    auto take = [](int& effective, int own, bool given) {
        if (given)
            effective = own;
    };
    take(format.physicalType, member.physicalType, member.physicalType >= 1);
    take(format.length, member.length, member.length >= 1);
    take(format.decimalPoint, member.decimalPoint, member.decimalPoint >= 1);
    take(format.byteAlignment, member.byteAlignment, member.byteAlignment >= 1);
    take(format.xmlIdAttrName, member.xmlIdAttrName, member.xmlIdAttrName >= 1);
    take(format.xmlIdAttrValue, member.xmlIdAttrValue, member.xmlIdAttrValue >= 1);
    take(format.xmlIdValueAttrName, member.xmlIdValueAttrName, member.xmlIdValueAttrName >= 1);
    take(format.lengthUnits, member.lengthUnits, member.lengthUnits >= 0);
    take(format.signedCode, member.signedCode, member.signedCode >= 0);
    take(format.xmlRender, member.xmlRender, member.xmlRender >= 0);
    take(format.justification, member.justification, member.justification > 0);
    take(format.padChar, member.padChar, member.padChar > 0);
    take(format.xmlMemberEncode, member.xmlMemberEncode, member.xmlMemberEncode > 0);
    take(format.repeatElemDelim, member.repeatElemDelim, member.repeatElemDelim > 0);
    return format;
}

} // namespace norvak
