// Exact decimal numbers as digit strings: the text of a number at its scale, a text read at a scale, 64-bit values.
#include "codec/ExactNumber.h"

#include <limits>

namespace norvak {

std::string_view significant(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view() : digits.substr(first);
}

std::string decimalText(const ExactNumber& number) {
    const std::size_t scale = static_cast<std::size_t>(number.scale);
    std::string digits = number.digits;
    if (digits.size() <= scale)
        digits.insert(0, scale + 1 - digits.size(), '0');
    std::string whole(significant(std::string_view(digits).substr(0, digits.size() - scale)));
    if (whole.empty())
        whole = "0";
    std::string text = whole;
    if (scale > 0)
        text += "." + digits.substr(digits.size() - scale);
    const bool zero = significant(number.digits).empty();
    return number.negative && !zero ? "-" + text : text;
}

namespace {

bool allDigits(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

} // namespace

std::optional<ExactNumber> parseDecimal(std::string_view text, int scale, std::string& why) {
    ExactNumber number;
    number.scale = scale;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction)) {
        why = "\"" + std::string(text) + "\" is no decimal number";
        return std::nullopt;
    }
    if (fraction.size() > static_cast<std::size_t>(scale)) {
        why = "the decimal " + std::string(text) + " has more than the " + std::to_string(scale) +
              " digits after the point the field holds";
        return std::nullopt;
    }
    number.digits = std::string(whole) + std::string(fraction);
    number.digits.append(static_cast<std::size_t>(scale) - fraction.size(), '0');
    if (number.digits.empty())
        number.digits = "0";
    return number;
}

ExactNumber exactOf(std::int64_t value) {
    ExactNumber number;
    number.negative = value < 0;
    const std::uint64_t magnitude =
        value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1 : static_cast<std::uint64_t>(value);
    number.digits = std::to_string(magnitude);
    return number;
}

std::optional<std::int64_t> int64Of(const ExactNumber& number) {
    const std::string_view digits = significant(number.digits);
    constexpr std::size_t widest = 19;
    if (digits.size() > widest)
        return std::nullopt;
    std::uint64_t magnitude = 0;
    for (char digit : digits)
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(digit - '0');
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (magnitude > most + (number.negative ? 1 : 0))
        return std::nullopt;
    if (!number.negative)
        return static_cast<std::int64_t>(magnitude);
    return magnitude == most + 1 ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(magnitude);
}

std::optional<std::string> digitsIn(const ExactNumber& number, std::size_t width) {
    const std::string_view digits = significant(number.digits);
    if (digits.size() > width)
        return std::nullopt;
    return std::string(width - digits.size(), '0') + std::string(digits);
}

} // namespace norvak
