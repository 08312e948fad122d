// The C member of a simple element of a record layout, by its physical type: exact-width types or byte arrays.
#include "codegen/CMembers.h"

#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "layout/FieldSizes.h"
#include "support/StringUtilities.h"

#include <utility>

namespace norvak {

namespace {

constexpr std::int64_t byteSize = 1;
constexpr std::int64_t halfword = 2;
constexpr std::int64_t fullword = 4;
constexpr std::int64_t doubleword = 8;
constexpr int bitsPerByte = 8;

std::string bytesText(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string digitsText(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " digit" : " digits");
}

std::int64_t scaleOf(const LayoutField& field) {
    if (!field.decimalPoint)
        return 0;
    return leadingNumber(field.decimalPoint->c_str()).value_or(0);
}

// "7 digits, 2 after the virtual decimal point".
std::string digitsWithPoint(std::int64_t count, std::int64_t scale) {
    std::string text = digitsText(count);
    if (scale != 0)
        text += ", " + std::to_string(scale) + " after the virtual decimal point";
    return text;
}

CMember bytesOf(const char* arrayType, std::int64_t count, std::string what, std::string why = "") {
    if (count <= 0)
        return {"", arrayType, 0, std::move(what),
                why.empty() ? "it takes no bytes; left out" : why + "; it takes no bytes, left out"};
    return {"", arrayType, count, std::move(what), std::move(why)};
}

std::string endian(ByteOrder order) {
    return std::string(byteOrderWord(order)) + "-endian";
}

// A binary integer is signed: the record's two's complement, in its byte order.
CMember binary(const LayoutField& field, const char* type, ByteOrder order) {
    const std::int64_t length = field.length.value_or(0);
    if (length == byteSize || length == halfword || length == fullword || length == doubleword) {
        const std::string scalar = "int" + std::to_string(length * bitsPerByte) + "_t";
        const std::string orderText = length == byteSize ? "" : ", " + endian(order);
        return {scalar, "unsigned char", length, std::string(type) + ": " + scalar + orderText, ""};
    }
    return bytesOf("unsigned char", length, std::string(type) + ", " + endian(order),
                   "a binary integer of " + bytesText(length));
}

CMember floating(const LayoutField& field, ByteOrder order) {
    const std::int64_t length = field.length.value_or(0);
    if (length == fullword)
        return {"float", "unsigned char", length, "Float: float, " + endian(order) + " IEEE", ""};
    if (length == doubleword)
        return {"double", "unsigned char", length, "Float: double, " + endian(order) + " IEEE", ""};
    return bytesOf("unsigned char", length, "Float, " + endian(order), "a float of " + bytesText(length));
}

CMember zoned(const LayoutField& field) {
    const std::int64_t length = field.length.value_or(0);
    std::string what = "Extended Decimal: zoned, " + bytesText(length);
    if (field.signOrientation != signNone)
        what += std::string(", sign ") + signOrientationWord(field.signOrientation);
    if (const std::int64_t scale = scaleOf(field); scale != 0)
        what += ", " + digitsText(scale) + " after the virtual decimal point";
    return bytesOf("char", length, std::move(what));
}

CMember packed(const LayoutField& field) {
    const std::int64_t length = field.length.value_or(0);
    return bytesOf("unsigned char", length,
                   "Packed Decimal: " + digitsWithPoint(2 * length - 1, scaleOf(field)) + " and a sign nibble");
}

CMember varying(const LayoutField& field, const char* arrayType, const std::string& what, const char* why) {
    const std::int64_t most = field.maxSize.value_or(field.minSize);
    const char* as = field.maxSize ? "its most bytes" : "its least bytes";
    return bytesOf(arrayType, most, what, std::string(why) + ", written as " + as);
}

} // namespace

CMember cMember(const LayoutField& field, ByteOrder order) {
    const char* text = field.logicalType == logicalBinary ? "unsigned char" : "char";
    switch (field.physicalType) {
    case physicalExtendedDecimal:
        return zoned(field);
    case physicalPacked:
        return packed(field);
    case physicalInteger:
        return binary(field, "Integer", order);
    case physicalBoolean:
        return binary(field, "Boolean", order);
    case physicalTimeSeconds:
        return binary(field, "Time Seconds", order);
    case physicalTimeMilliseconds:
        return binary(field, "Time Milliseconds", order);
    case physicalFloat:
        return floating(field, order);
    case physicalLengthEncoded1:
        return varying(field, "unsigned char", "Length Encoded String 1: a 1-byte length, then the text",
                       "a length-encoded string");
    case physicalLengthEncoded2:
        return varying(field, "unsigned char",
                       "Length Encoded String 2: a 2-byte " + endian(order) + " length, then the text",
                       "a length-encoded string");
    case physicalNullTerminated:
        return varying(field, "char", "Null Terminated: the text, then a terminator", "a null-terminated string");
    default:
        break;
    }
    std::string what = physicalTypeWord(field.physicalType);
    if (what.empty())
        what = "bytes";
    const char* array = field.physicalType == physicalBinary ? "unsigned char" : text;
    if (field.variability == Variability::variableWidthChars)
        return varying(field, array, what, "a length in characters of a code page of variable width");
    if (field.variability == Variability::lengthReference)
        return varying(field, array, what + ", its length in " + field.lengthReference,
                       "a string whose length an earlier field holds");
    if (field.variability == Variability::endOfBitStream)
        return varying(field, array, what + ", to the end of the record", "the rest of the record");
    return bytesOf(array, field.length.value_or(0), what);
}

} // namespace norvak
