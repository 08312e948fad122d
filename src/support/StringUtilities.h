#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace norvak {

// A blank is any byte other than NUL whose signed value is at most 32, so
// bytes 128 to 255 count as blanks too.
inline bool isBlank(char c) {
    return c != '\0' && static_cast<signed char>(c) <= 32;
}

// Text positions in a NUL-terminated text; none of these allocates.
char* skipBlanks(char* position);
// The next "-->" at or after the position, or the terminating NUL.
char* findCommentEnd(char* position);
// The next "<" that does not begin "<!--", stepping over comments, or the NUL.
char* findNextTag(char* position);
// The next ">" at or after the position, or the terminating NUL.
char* findTagEnd(char* position);

// Replaces every occurrence of one character by another, in place.
void replaceChar(char* text, char from, char to);
// 1 when every byte is a decimal digit (the empty text included), else 0.
int isNumeric(const char* text);
// Upper-cases the letters a to z in place.
void upperCase(char* text);
int hexDigitValue(char c);
// The value of one or two hexadecimal digits at the position.
int hexByteValue(const char* position);

// The leading decimal number of a text: after leading white space and an
// optional sign, the digits that follow; 0 when there are none. A number that
// does not fit in 32 bits gives no value.
std::optional<std::int32_t> leadingNumber(const char* text);
// The leading number, or 0 when there is none or it does not fit.
std::int32_t leadingNumberOrZero(const char* text);
// True when every byte is a decimal digit and the number fits in 32 bits.
bool isNumericValue(const char* text);

// A text in double quotes for a line of output: quotes and backslashes
// escaped with a backslash, control characters as \xNN.
std::string displayQuoted(std::string_view text);

// The connection values a program takes from its environment when its
// command line gives none: NORVAK_DSN for the data source (-n), NORVAK_USER
// (-u) and NORVAK_PASSWORD (-p), so that a password need not stand on a
// command line. Each empty value is given the variable's, when set.
void takeConnectionDefaults(std::string& dataSource, std::string& user, std::string& password);

} // namespace norvak
