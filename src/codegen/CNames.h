#pragma once

#include <string>
#include <string_view>

namespace norvak {

// A valid C identifier made of a name: letters, digits and underscores,
// every other byte an underscore (a hyphen, a blank, each byte of a letter
// outside ASCII); "f_" before a name that is empty or starts with a digit
// or an underscore (the implementation's names); "_" after a keyword of C
// or a macro the header's own includes may define (NULL, offsetof, INT8_MAX,
// UINT64_C, ...) and after the prefix of the guard macros.
std::string cIdentifier(std::string_view name);

// The text of a C comment: "*/" cannot end it early, control characters are
// blanks.
std::string cCommentText(std::string_view text);

// A C string literal of a text: quotes, backslashes, question marks (no
// trigraph) and control characters escaped, the bytes of other characters as they are.
std::string cStringLiteral(std::string_view text);

} // namespace norvak
