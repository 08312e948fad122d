// The COBOL PICTURE and USAGE of a simple element of a record layout, by its physical type.
#include "codegen/CobolPictures.h"

#include "import/model/Codes.h"
#include "layout/FieldSizes.h"
#include "support/StringUtilities.h"

#include <cstdint>
#include <optional>

namespace norvak {

namespace {

// Binary items of COMP usage: the digits that make a field of 2, 4 and 8 bytes.
constexpr int halfwordDigits = 4;
constexpr int fullwordDigits = 9;
constexpr int doublewordDigits = 18;
constexpr std::int64_t halfword = 2;
constexpr std::int64_t fullword = 4;
constexpr std::int64_t doubleword = 8;

std::string bytesText(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string nines(const char* symbol, std::int64_t count) {
    return count == 0 ? std::string() : std::string(symbol) + "(" + std::to_string(count) + ")";
}

// S9(i)V9(f), or V9(f) alone when every digit is after the point.
std::string digits(bool sign, std::int64_t count, std::int64_t scale) {
    return std::string(sign ? "S" : "") + nines("9", count - scale) + (scale > 0 ? "V" + nines("9", scale) : "");
}

std::int64_t scaleOf(const LayoutField& field) {
    if (!field.decimalPoint)
        return 0;
    return leadingNumber(field.decimalPoint->c_str()).value_or(0);
}

CobolPicture bytesOf(std::int64_t count, std::string why) {
    if (count <= 0)
        return {"", why.empty() ? "it takes no bytes" : why + "; it takes no bytes", false};
    return {"PIC X(" + std::to_string(count) + ")", std::move(why), false};
}

// A binary integer is signed: the wire's two's complement.
CobolPicture binary(const LayoutField& field) {
    const std::int64_t length = field.length.value_or(0);
    const char* s = "PIC S9(";
    if (length == halfword)
        return {s + std::to_string(halfwordDigits) + ") COMP", "", true};
    if (length == fullword)
        return {s + std::to_string(fullwordDigits) + ") COMP", "", true};
    if (length == doubleword)
        return {s + std::to_string(doublewordDigits) + ") COMP", "", true};
    return bytesOf(length, "a binary integer of " + bytesText(length));
}

CobolPicture zoned(const LayoutField& field, int bytesPerCharacter) {
    const bool separate = field.signOrientation == signSeparateLeading || field.signOrientation == signSeparateTrailing;
    const std::int64_t length = field.length.value_or(0);
    const std::int64_t count = length - (separate ? 1 : 0);
    const std::int64_t scale = scaleOf(field);
    if (bytesPerCharacter > 1)
        return bytesOf(length, "zoned digits of more than one byte a character");
    if (count <= 0 || scale < 0 || scale > count)
        return bytesOf(length, "zoned digits with a decimal point outside them");
    std::string clauses = "PIC " + digits(field.signOrientation != signNone, count, scale);
    switch (field.signOrientation) {
    case signIncludedLeading:
        clauses += " SIGN LEADING";
        break;
    case signIncludedTrailing:
        clauses += " SIGN TRAILING";
        break;
    case signSeparateLeading:
        clauses += " SIGN LEADING SEPARATE";
        break;
    case signSeparateTrailing:
        clauses += " SIGN TRAILING SEPARATE";
        break;
    default:
        break;
    }
    return {clauses, "", true};
}

CobolPicture packed(const LayoutField& field) {
    const std::int64_t length = field.length.value_or(0);
    const std::int64_t count = 2 * length - 1;
    const std::int64_t scale = scaleOf(field);
    if (length <= 0 || scale < 0 || scale > count)
        return bytesOf(length, "packed digits with a decimal point outside them");
    return {"PIC " + digits(true, count, scale) + " COMP-3", "", true};
}

CobolPicture floating(const LayoutField& field) {
    const std::int64_t length = field.length.value_or(0);
    if (length == fullword)
        return {"COMP-1", "", true};
    if (length == doubleword)
        return {"COMP-2", "", true};
    return bytesOf(length, "a float of " + bytesText(length));
}

CobolPicture varying(const LayoutField& field, const char* what) {
    const std::int64_t most = field.maxSize.value_or(field.minSize);
    const char* as = field.maxSize ? "its most bytes" : "its least bytes";
    return bytesOf(most, std::string(what) + ", written as " + as);
}

} // namespace

CobolPicture cobolPicture(const LayoutField& field, int bytesPerCharacter) {
    switch (field.physicalType) {
    case physicalExtendedDecimal:
        return zoned(field, bytesPerCharacter);
    case physicalPacked:
        return packed(field);
    case physicalInteger:
    case physicalBoolean:
    case physicalTimeSeconds:
    case physicalTimeMilliseconds:
        return binary(field);
    case physicalFloat:
        return floating(field);
    case physicalLengthEncoded1:
    case physicalLengthEncoded2:
        return varying(field, "a length-encoded string");
    case physicalNullTerminated:
        return varying(field, "a null-terminated string");
    default:
        break;
    }
    if (field.variability == Variability::variableWidthChars)
        return varying(field, "a length in characters of a code page of variable width");
    if (field.variability == Variability::lengthReference)
        return varying(field, "a string whose length an earlier field holds");
    return bytesOf(field.length.value_or(0), "");
}

} // namespace norvak
