#pragma once

namespace norvak {

struct ImportRun;

// Checks of an element's physical-format properties against its logical type,
// made before its CWF member attributes are written. Each returns 0 when the
// property is valid and worth a row, 1 when it is not to be written (a fault,
// reported with errSw set, or the default of the logical type).
int checkPhysicalType(ImportRun& run, int physicalType, int elemId);
int checkLength(ImportRun& run, int physicalType, int length, int lengthRef, int lengthUnits, int elemId);
int checkLengthUnits(ImportRun& run, int physicalType, int lengthUnits, int elemId);
int checkSignOrientation(ImportRun& run, int physicalType, int signOrientation, int elemId);
int checkVirtualDecimalPoint(ImportRun& run, int physicalType, int elemId);
int checkJustification(ImportRun& run, int physicalType, int elemId);
int checkPaddingChar(ImportRun& run, int physicalType, int elemId);
int checkFormatString(ImportRun& run, int elemId);
// A length or repeat reference must name an integer element that precedes
// the member in its type; always 0 (the row is written, a fault rolls back).
int checkLengthReference(ImportRun& run, int memberId, int referenceIdent);

} // namespace norvak
