#pragma once

#include <cstdint>

namespace norvak {

// What the attributes of one Element, Type, Value or Message tag say.
// Name index fields hold texts of the name table (0 = not given); code fields
// that start at -1 keep it when their attribute was not given, because 0 is
// one of their values.
struct DefinitionRecord {
    std::int32_t ref = 0;
    std::int32_t name = 0;
    std::int32_t ident = 0;
    std::int32_t typeCode = 0;
    std::int32_t typeName = 0;
    std::int32_t baseType = 0;
    std::int32_t composition = 0;
    std::int32_t length = 0;
    std::int32_t lengthRef = 0;
    std::int32_t lengthUnits = -1;
    std::int32_t byteAlignment = 0;
    std::int32_t xmlName = 0;
    std::int32_t xmlFormat = 0;
    std::int32_t xmlRender = -1;
    std::int32_t xmlIdAttrName = 0;
    std::int32_t xmlIdAttrValue = 0;
    std::int32_t xmlIdValueAttrName = 0;
    std::int32_t xmlMemberEncode = 0;
    std::int32_t precision = 0;
    std::int32_t padChar = -1;
    std::int32_t repeatCount = 0;
    std::int32_t repeatRef = 0;
    std::int32_t delimiter = 0;
    std::int32_t groupInd = 0;
    std::int32_t groupTerm = 0;
    std::int32_t tagDataSep = 0;
    std::int32_t tag = 0;
    std::int32_t tagLen = 0;
    std::int32_t minOccurs = -1;
    std::int32_t maxOccurs = -1; // -2 = unbounded
    std::int32_t tdsFormat = 0;
    std::int32_t typeContent = 0;
    std::int32_t dataElemSepText = 0;
    std::int32_t dataElemSep = 0;
    std::int32_t repeatElemDelim = 0;
    std::int32_t tdsNullKey = -1;
    std::int32_t tdsNullValue = 0;
    std::int32_t cwfNullKey = -1;
    std::int32_t cwfNullValue = 0;
    std::int32_t valueText = 0;
    std::int32_t justification = -1;
    std::int32_t justificationText = 0;
    std::int32_t decimalPoint = 0;
    std::int32_t signedCode = -1;
    std::int32_t signOrientation = 0;
    std::int32_t negativeSign = 0;
    std::int32_t positiveSign = 0;
    std::int32_t interpretValue = 0;
    std::int32_t messageKey = 0;
    std::int32_t physicalType = 0;
    std::int16_t role = 0;
};

} // namespace norvak
