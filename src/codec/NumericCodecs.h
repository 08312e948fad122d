#pragma once

#include "codec/CodePages.h"
#include "codec/ExactNumber.h"
#include "layout/RecordLayout.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace norvak {

// Binary numbers (integers, floats, booleans, times, length prefixes) are
// read and written in a record's ByteOrder (layout/RecordLayout.h):
// big-endian as the generated copybook's COMP fields, or little-endian.

// The byte codecs of the numeric physical types. A fault throws
// CodecFailure with the offset of the byte from the field's first one.

// An unsigned integer of 1 to 8 bytes (a length prefix), and back.
std::uint64_t readUnsigned(std::string_view bytes, ByteOrder order);
void writeUnsigned(std::uint64_t value, std::size_t length, ByteOrder order, std::string& out);

// A two's complement integer of 1 to 8 bytes.
std::int64_t readBinary(std::string_view bytes, ByteOrder order);
// Throws when the value does not fit in `length` bytes.
void writeBinary(std::int64_t value, std::size_t length, ByteOrder order, std::string& out);

// Packed decimal: two digits a byte, the last half byte the sign (C, A, E,
// F positive; D, B negative). Written with C or D.
ExactNumber unpackDecimal(std::string_view bytes, int scale);
void packDecimal(const ExactNumber& number, std::size_t length, std::string& out);

// Zoned decimal in the code page's digits, its sign by the sign orientation
// (signNone, included or separate, leading or trailing). An included sign
// is written as the zone D (negative), C (positive) or F (no sign) under
// EBCDIC, and as the digit plus 0x40 (negative) or the plain digit under an
// ASCII code page.
ExactNumber unzoneDecimal(std::string_view bytes, int signOrientation, int scale, const TextCodec& text);
void zoneDecimal(const ExactNumber& number, std::size_t length, int signOrientation, const TextCodec& text,
                 std::string& out);

// IEEE 754 binary floats of 4 and 8 bytes. Not a number and the infinities
// are refused: JSON holds neither.
double readFloat(std::string_view bytes, ByteOrder order);
void writeFloat(double value, std::size_t length, ByteOrder order, std::string& out);

// Seconds (or milliseconds) since 1970-01-01T00:00:00Z as the text of a UTC
// date and time ("2026-12-09T10:30:00Z", "...00.250Z"), and back.
std::string timeText(std::int64_t count, bool milliseconds);
std::int64_t timeCount(std::string_view text, bool milliseconds);

} // namespace norvak
