#pragma once

#include "import/model/ItemTables.h"

namespace norvak {

struct Diagnostics;
struct DefinitionModel;
struct RepositoryState;

// Checks of an element's physical-format properties against its logical type,
// made before its CWF member attributes are written. Each returns 0 when the
// property is valid and worth a row, 1 when it is not to be written (a fault,
// reported with errSw set, or the default of the logical type).
int checkPhysicalType(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                      int elemId);
int checkLength(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                int length, int lengthRef, int lengthUnits, int elemId);
int checkLengthUnits(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                     int lengthUnits, int elemId);
int checkSignOrientation(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state,
                         int physicalType, int signOrientation, int elemId);
int checkVirtualDecimalPoint(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state,
                             int physicalType, int elemId);
int checkJustification(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                       int elemId);
int checkPaddingChar(Diagnostics& diag, const DefinitionModel& model, const RepositoryState& state, int physicalType,
                     int elemId);
int checkFormatString(Diagnostics& diag, const DefinitionModel& model, int elemId);
// A length or repeat reference must name an integer element that precedes
// the member in its type; always 0 (the row is written, a fault rolls back).
int checkLengthReference(Diagnostics& diag, const DefinitionModel& model, int memberId, int referenceIdent);

// What a logical type takes in the custom wire format when its element gives
// nothing, which the import writes no row for (the checks above return 1 for
// it): the physical type, and the length with a physical type (physicalNone
// for the logical type's own); 0 where the logical type has none.
int defaultPhysicalType(int logicalType);
int defaultLength(int logicalType, int physicalType);

// The physical-format and XML properties that count for one use of an
// element: a member given by reference carries its own values where its
// definition gave them; the member of an element defined in place carries
// none, so the element's own values count.
struct EffectiveFormat {
    int physicalType;
    int length;
    int lengthUnits;
    int signedCode;
    int decimalPoint;
    int byteAlignment;
    int justification;
    int padChar;
    int repeatElemDelim;
    int xmlRender;
    int xmlIdAttrName;
    int xmlIdAttrValue;
    int xmlIdValueAttrName;
    int xmlMemberEncode;
};

EffectiveFormat effectiveFormat(const TypeMemberEntry& member, const ElementEntry& element);

} // namespace norvak
