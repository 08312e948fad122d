// The size in bytes of a simple element's occurrence by its physical type, length and code page.
#include "layout/FieldSizes.h"

#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"

#include <array>
#include <string>

namespace norvak {

namespace {

// Fixed sizes of the types that take no length.
constexpr std::int64_t booleanBytes = 4;
constexpr std::int64_t secondsBytes = 4;
constexpr std::int64_t millisecondsBytes = 8;
// The prefix of a length-encoded string holds the number of bytes that follow.
constexpr std::int64_t encoded1Most = 255;
constexpr std::int64_t encoded2Most = 65535;
// The most bytes one character takes under a code page of variable width.
constexpr std::int64_t widestCharacter = 4;

OccurrenceSize fixed(std::int64_t bytes) {
    return {bytes, bytes, bytes, Variability::none, false};
}

OccurrenceSize varying(Variability why, std::int64_t least, std::optional<std::int64_t> most) {
    return {std::nullopt, least, most, why, false};
}

// A type whose size is its length in bytes.
OccurrenceSize ofLength(const SimpleFormat& format, std::int64_t extra) {
    if (!format.length) {
        OccurrenceSize size = fixed(extra);
        size.missingLength = true;
        return size;
    }
    return fixed(*format.length + extra);
}

OccurrenceSize fixedLengthString(const SimpleFormat& format, int bytesPerCharacter) {
    if (format.lengthUnits == unitsBytes || !format.length)
        return ofLength(format, 0);
    if (bytesPerCharacter == 0)
        return varying(Variability::variableWidthChars, *format.length, *format.length * widestCharacter);
    return fixed(*format.length * bytesPerCharacter);
}

// The size when the length is given and fixed.
OccurrenceSize bySize(const SimpleFormat& format, int bytesPerCharacter) {
    const std::int64_t character = bytesPerCharacter == 0 ? 1 : bytesPerCharacter;
    const bool separateSign =
        format.signOrientation == signSeparateLeading || format.signOrientation == signSeparateTrailing;
    switch (format.physicalType) {
    case physicalExtendedDecimal:
        return ofLength(format, separateSign ? character : 0);
    case physicalInteger:
    case physicalFloat:
    case physicalPacked:
    case physicalBinary:
        return ofLength(format, 0);
    case physicalBoolean:
        return fixed(booleanBytes);
    case physicalTimeSeconds:
        return fixed(secondsBytes);
    case physicalTimeMilliseconds:
        return fixed(millisecondsBytes);
    case physicalLengthEncoded1:
        return varying(Variability::lengthEncoded, 1, 1 + encoded1Most);
    case physicalLengthEncoded2:
        return varying(Variability::lengthEncoded, 2, 2 + encoded2Most);
    case physicalNullTerminated:
        return varying(Variability::nullTerminated, character, std::nullopt);
    case physicalFixedLength:
        return fixedLengthString(format, bytesPerCharacter);
    default:
        return ofLength(format, 0);
    }
}

} // namespace

OccurrenceSize occurrenceSize(const SimpleFormat& format, int bytesPerCharacter) {
    if (format.lengthUnits == unitsEndOfBitStream)
        return varying(Variability::endOfBitStream, 0, std::nullopt);
    if (format.lengthReference) {
        // A length given beside the reference bounds it.
        std::optional<std::int64_t> most;
        if (format.length) {
            OccurrenceSize bound = bySize(format, bytesPerCharacter);
            most = bound.maxSize;
        }
        return varying(Variability::lengthReference, 0, most);
    }
    return bySize(format, bytesPerCharacter);
}

int bytesPerCharacterOf(const std::optional<std::string>& ccsid) {
    if (!ccsid)
        return 1;
    const std::string& code = *ccsid;
    static constexpr std::array<const char*, 5> utf16 = {"1200", "1201", "1202", "13488", "17584"};
    static constexpr std::array<const char*, 3> utf32 = {"1232", "1233", "1234"};
    // UTF-8 and the mixed code pages, whose characters take one byte or more.
    static constexpr std::array<const char*, 25> variableWidth = {
        "1208", "930",  "939",  "1390", "1399", "932", "942", "943",  "949",  "950",  "954",  "964",  "970",
        "1381", "1383", "1386", "1388", "5488", "933", "937", "1364", "1371", "5026", "5035", "33722"};
    constexpr int utf16Bytes = 2;
    constexpr int utf32Bytes = 4;
    for (const char* known : utf16)
        if (code == known)
            return utf16Bytes;
    for (const char* known : utf32)
        if (code == known)
            return utf32Bytes;
    for (const char* known : variableWidth)
        if (code == known)
            return 0;
    return 1;
}

const char* physicalTypeWord(int physicalType) {
    const char* word = wordOfCode(physicalTypeWords, physicalType);
    return word == nullptr ? "" : word;
}

const char* signOrientationWord(int signOrientation) {
    if (signOrientation == signNone)
        return "";
    const char* word = wordOfCode(signOrientationWords, signOrientation);
    return word == nullptr ? "" : word;
}

const char* variabilityWord(Variability variability) {
    switch (variability) {
    case Variability::lengthReference:
        return "length reference";
    case Variability::repeatReference:
        return "repeat reference";
    case Variability::nullTerminated:
        return "null terminated";
    case Variability::lengthEncoded:
        return "length encoded";
    case Variability::endOfBitStream:
        return "end of bitstream";
    case Variability::variableWidthChars:
        return "characters of variable width";
    case Variability::alignmentAfterParts:
        return "alignment after a variable part";
    case Variability::variableMembers:
        return "variable members";
    default:
        return "";
    }
}

const char* byteOrderWord(ByteOrder order) {
    return order == ByteOrder::little ? "little" : "big";
}

std::optional<ByteOrder> byteOrderNamed(std::string_view word) {
    if (word == "big")
        return ByteOrder::big;
    if (word == "little")
        return ByteOrder::little;
    return std::nullopt;
}

const char* fieldKindWord(FieldKind kind) {
    switch (kind) {
    case FieldKind::group:
        return "group";
    case FieldKind::choice:
        return "choice";
    case FieldKind::padding:
        return "padding";
    default:
        return "element";
    }
}

} // namespace norvak
