// The byte codecs of the numeric physical types: binary integers, packed and zoned decimals, floats, times.
#include "codec/NumericCodecs.h"

#include "codec/CodecError.h"
#include "layout/FieldSizes.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace norvak {

namespace {

constexpr unsigned bitsPerByte = 8;
constexpr unsigned char lowNibble = 0x0F;

std::string hexByte(unsigned char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// The bytes of an unsigned value in the order asked, `length` of them.
void appendOrdered(std::uint64_t value, std::size_t length, ByteOrder order, std::string& out) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t at = order == ByteOrder::big ? length - 1 - i : i;
        bytes[at] = static_cast<char>(value & 0xFF);
        value >>= bitsPerByte;
    }
    out += bytes;
}

std::uint64_t unsignedOf(std::string_view bytes, ByteOrder order) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t at = order == ByteOrder::big ? i : bytes.size() - 1 - i;
        value = (value << bitsPerByte) | static_cast<unsigned char>(bytes[at]);
    }
    return value;
}

} // namespace

std::uint64_t readUnsigned(std::string_view bytes, ByteOrder order) {
    return unsignedOf(bytes, order);
}

void writeUnsigned(std::uint64_t value, std::size_t length, ByteOrder order, std::string& out) {
    appendOrdered(value, length, order, out);
}

std::int64_t readBinary(std::string_view bytes, ByteOrder order) {
    const std::uint64_t value = unsignedOf(bytes, order);
    const unsigned bits = static_cast<unsigned>(bytes.size()) * bitsPerByte;
    if (bits >= 64)
        return static_cast<std::int64_t>(value);
    const std::uint64_t sign = std::uint64_t{1} << (bits - 1);
    return static_cast<std::int64_t>((value ^ sign) - sign);
}

void writeBinary(std::int64_t value, std::size_t length, ByteOrder order, std::string& out) {
    const unsigned bits = static_cast<unsigned>(length) * bitsPerByte;
    if (bits < 64) {
        const std::int64_t half = std::int64_t{1} << (bits - 1);
        if (value < -half || value >= half)
            throw CodecFailure(0, std::to_string(value) + " does not fit in a binary integer of " +
                                      std::to_string(length) + " bytes");
    }
    appendOrdered(static_cast<std::uint64_t>(value), length, order, out);
}

ExactNumber unpackDecimal(std::string_view bytes, int scale) {
    ExactNumber number;
    number.scale = scale;
    if (bytes.empty())
        throw CodecFailure(0, "a packed decimal of no bytes");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const unsigned high = byte >> 4U;
        const unsigned low = byte & lowNibble;
        const bool last = i + 1 == bytes.size();
        if (high > 9 || (!last && low > 9))
            throw CodecFailure(static_cast<std::int64_t>(i),
                               "a packed digit out of range (byte " + hexByte(byte) + ")");
        number.digits += static_cast<char>('0' + high);
        if (!last) {
            number.digits += static_cast<char>('0' + low);
            continue;
        }
        if (low <= 9)
            throw CodecFailure(static_cast<std::int64_t>(i),
                               "no sign in the last half byte of a packed decimal (byte " + hexByte(byte) + ")");
        number.negative = low == 0xB || low == 0xD;
    }
    return number;
}

void packDecimal(const ExactNumber& number, std::size_t length, std::string& out) {
    const std::optional<std::string> digits = digitsIn(number, 2 * length - 1);
    if (!digits)
        throw CodecFailure(0, decimalText(number) + " has more digits than a packed decimal of " +
                                  std::to_string(length) + " bytes holds");
    const bool negative = number.negative && !significant(number.digits).empty();
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        const auto high = static_cast<unsigned>((*digits)[2 * i] - '0');
        const unsigned low =
            i + 1 == length ? (negative ? 0xDU : 0xCU) : static_cast<unsigned>((*digits)[2 * i + 1] - '0');
        bytes[i] = static_cast<char>((high << 4U) | low);
    }
    out += bytes;
}

namespace {

bool isSeparate(int orientation) {
    return orientation == signSeparateLeading || orientation == signSeparateTrailing;
}

bool isLeading(int orientation) {
    return orientation == signIncludedLeading || orientation == signSeparateLeading;
}

// The digit of a zoned byte without a sign; -1 when it is none.
int plainDigit(unsigned char byte, bool ebcdic) {
    const unsigned zero = ebcdic ? 0xF0U : 0x30U;
    return byte >= zero && byte <= zero + 9 ? static_cast<int>(byte - zero) : -1;
}

// The digit and sign of a byte that carries an included sign; false when
// it is no such byte. ASCII: the digit, or the digit plus 0x40 for a
// negative one; also the overpunch letters ({, A-I positive; }, J-R negative).
bool signedDigit(unsigned char byte, bool ebcdic, int& digit, bool& negative) {
    if (ebcdic) {
        const unsigned zone = byte >> 4U;
        digit = static_cast<int>(byte & lowNibble);
        negative = zone == 0xD || zone == 0xB;
        return digit <= 9 && (zone == 0xC || zone == 0xF || zone == 0xA || zone == 0xE || negative);
    }
    struct Range {
        unsigned char first;
        unsigned char last;
        int firstDigit;
        bool negative;
    };
    static constexpr Range ranges[] = {
        {'0', '9', 0, false}, {0x70, 0x79, 0, true}, {'{', '{', 0, false},
        {'}', '}', 0, true},  {'A', 'I', 1, false},  {'J', 'R', 1, true},
    };
    for (const Range& range : ranges) {
        if (byte >= range.first && byte <= range.last) {
            digit = range.firstDigit + (byte - range.first);
            negative = range.negative;
            return true;
        }
    }
    return false;
}

unsigned char signedByte(int digit, bool negative, bool ebcdic) {
    if (ebcdic)
        return static_cast<unsigned char>((negative ? 0xD0U : 0xC0U) | static_cast<unsigned>(digit));
    return static_cast<unsigned char>((negative ? 0x70U : 0x30U) + static_cast<unsigned>(digit));
}

} // namespace

ExactNumber unzoneDecimal(std::string_view bytes, int signOrientation, int scale, const TextCodec& text) {
    ExactNumber number;
    number.scale = scale;
    const bool ebcdic = text.page().ebcdic;
    std::size_t first = 0;
    std::size_t end = bytes.size();
    if (isSeparate(signOrientation)) {
        const std::size_t at = isLeading(signOrientation) ? first++ : --end;
        const std::string sign(1, bytes[at]);
        if (sign != text.plus() && sign != text.minus())
            throw CodecFailure(static_cast<std::int64_t>(at),
                               "no sign character (byte " + hexByte(static_cast<unsigned char>(bytes[at])) + ")");
        number.negative = sign == text.minus();
    }
    const bool included = signOrientation == signIncludedLeading || signOrientation == signIncludedTrailing;
    const std::size_t signAt = isLeading(signOrientation) ? first : end - 1;
    for (std::size_t i = first; i < end; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        int digit = plainDigit(byte, ebcdic);
        bool valid = digit >= 0;
        if (included && i == signAt)
            valid = signedDigit(byte, ebcdic, digit, number.negative);
        if (!valid)
            throw CodecFailure(static_cast<std::int64_t>(i), "a zoned byte that is no digit (" + hexByte(byte) + ")");
        number.digits += static_cast<char>('0' + digit);
    }
    return number;
}

void zoneDecimal(const ExactNumber& number, std::size_t length, int signOrientation, const TextCodec& text,
                 std::string& out) {
    const bool separate = isSeparate(signOrientation);
    const bool negative = number.negative && !significant(number.digits).empty();
    if (negative && signOrientation == signNone)
        throw CodecFailure(0, decimalText(number) + " is negative; the field holds no sign");
    const std::size_t width = length - (separate ? 1 : 0);
    const std::optional<std::string> digits = digitsIn(number, width);
    if (!digits)
        throw CodecFailure(0, decimalText(number) + " has more digits than the zoned field's " + std::to_string(width));
    const bool ebcdic = text.page().ebcdic;
    std::string bytes;
    for (char digit : *digits)
        bytes += static_cast<char>((ebcdic ? 0xF0 : 0x30) + (digit - '0'));
    if (signOrientation == signIncludedLeading || signOrientation == signIncludedTrailing) {
        char& at = isLeading(signOrientation) ? bytes.front() : bytes.back();
        at = static_cast<char>(signedByte(at & lowNibble, negative, ebcdic));
    } else if (separate) {
        const std::string& sign = negative ? text.minus() : text.plus();
        bytes = isLeading(signOrientation) ? sign + bytes : bytes + sign;
    }
    out += bytes;
}

double readFloat(std::string_view bytes, ByteOrder order) {
    const std::uint64_t bits = unsignedOf(bytes, order);
    double value = 0;
    if (bytes.size() == 4)
        value = static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    else
        value = std::bit_cast<double>(bits);
    if (!std::isfinite(value))
        throw CodecFailure(0, "a float that is not a number or infinite, which JSON does not hold");
    return value;
}

void writeFloat(double value, std::size_t length, ByteOrder order, std::string& out) {
    if (length == 4) {
        const auto single = static_cast<float>(value);
        if (!std::isfinite(single))
            throw CodecFailure(0, "the number is beyond a float of 4 bytes");
        appendOrdered(std::bit_cast<std::uint32_t>(single), length, order, out);
        return;
    }
    appendOrdered(std::bit_cast<std::uint64_t>(value), length, order, out);
}

} // namespace norvak
