#pragma once

namespace norvak {

// The codes of the definitions model that reach the repository, named once
// for the keyword vocabularies, the checks, the writers and the tests. The
// logical types are with the item tables (LogicalType).

// Physical types of the custom wire format.
enum PhysicalType : int {
    physicalNone = 0,
    physicalInteger = 1,
    physicalExtendedDecimal = 2,
    physicalFloat = 3,
    physicalPacked = 4,
    physicalLengthEncoded1 = 5,
    physicalLengthEncoded2 = 6,
    physicalNullTerminated = 7,
    physicalFixedLength = 8,
    physicalBoolean = 9,
    physicalBinary = 10,
    physicalTimeSeconds = 11,
    physicalTimeMilliseconds = 12,
};

// Type compositions.
enum Composition : int {
    compositionEmpty = 1,
    compositionChoice = 2,
    compositionSimpleUnordered = 3,
    compositionUnordered = 4,
    compositionOrdered = 5,
    compositionSequence = 6,
    compositionMessage = 7,
};

// Type contents.
enum TypeContent : int { contentClosed = 1, contentDefined = 2, contentOpen = 3 };

// Keys of the attribute rows. The TDS keys (attribute entries flagged TDS)
// and the XML keys (flagged XML) overlap and are told apart by the flag.
enum AttributeKey : int {
    keyCopyBookName = 5,
    keyUuid = 10,
    keyTdsGroupIndicator = 21,
    keyTdsGroupTerminator = 22,
    keyTdsTagDataSeparator = 23,
    keyTdsTagLength = 24,
    keyTdsDataElementSeparation = 25,
    keyTdsDelimiter = 26,
    keyTdsTag = 27,
    keyTdsLength = 28,
    keyTdsJustification = 29,
    keyTdsPaddingCharacter = 30,
    keyTdsInterpretValue = 31,
    keyTdsVirtualDecimalPoint = 32,
    keyTdsPrecision = 33,
    keyTdsFormat = 34,
    keyTdsSignOrientation = 35,
    keyTdsPositiveSign = 36,
    keyTdsNegativeSign = 37,
    keyTdsEncodingNull = 38,
    keyTdsEncodingNullValue = 39,
    keyXmlName = 30,
    keyXmlFormat = 31,
    keyXmlEncoding = 32,
};

} // namespace norvak
