#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvak {

// A number as the wire holds it: a sign and decimal digits, `scale` of them
// after the point. Never a binary float: the digits are kept as they are.
struct ExactNumber {
    bool negative = false;
    std::string digits; // '0' to '9', the most significant first; leading zeros allowed
    int scale = 0;
};

// The number as a decimal text: "-" for a negative one (never for zero),
// the whole digits without leading zeros (at least "0"), then "." and every
// digit of the scale: "-12.30", "0.05", "7".
std::string decimalText(const ExactNumber& number);

// A decimal text ("-12.3", "+5", ".5", "7.") read at a scale: its fraction
// padded with zeros to `scale` digits. Nothing, with the reason, when it is
// no decimal or has more fraction digits than the scale (never rounded).
std::optional<ExactNumber> parseDecimal(std::string_view text, int scale, std::string& why);

// The digits without their leading zeros ("" for zero).
std::string_view significant(std::string_view digits);

// A whole number as an ExactNumber, and back: nothing when the digits are
// beyond 64 bits.
ExactNumber exactOf(std::int64_t value);
std::optional<std::int64_t> int64Of(const ExactNumber& number);

// The digits right-aligned in `width` digits; nothing when they do not fit.
std::optional<std::string> digitsIn(const ExactNumber& number, std::size_t width);

} // namespace norvak
