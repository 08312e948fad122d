#pragma once

#include "layout/RecordLayout.h"

#include <cstdint>
#include <optional>

namespace norvak {

// The length units of a CWF member (the codes of lengthUnitWords).
enum LengthUnits : int { unitsBytes = 0, unitsCharacters = 1, unitsCharacterUnits = 2, unitsEndOfBitStream = 3 };

// The sign orientations of a CWF member (the codes of signOrientationWords).
enum SignOrientation : int {
    signNone = 0,
    signIncludedLeading = 1,
    signIncludedTrailing = 2,
    signSeparateLeading = 3,
    signSeparateTrailing = 4,
};

// What decides the size of one occurrence of a simple element.
struct SimpleFormat {
    int physicalType = 0;
    std::optional<std::int64_t> length; // the Length row, in its units
    int lengthUnits = unitsBytes;
    int signOrientation = signNone;
    bool lengthReference = false;
};

// The size of one occurrence: `length` when it is fixed, else the bounds and
// why it varies. `missingLength` is set when the type needs a length the
// member does not have (the size then counts it as 0).
struct OccurrenceSize {
    std::optional<std::int64_t> length;
    std::int64_t minSize = 0;
    std::optional<std::int64_t> maxSize;
    Variability variability = Variability::none;
    bool missingLength = false;
};

OccurrenceSize occurrenceSize(const SimpleFormat& format, int bytesPerCharacter);

} // namespace norvak
