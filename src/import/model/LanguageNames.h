#pragma once

#include <string>
#include <string_view>

namespace norvak {

// The C name of an identifier: "-" becomes "_", ":" becomes "C", "." becomes "P".
void makeCName(std::string& name);

// The COBOL name of an identifier, ASCII only: its first 24 characters,
// upper-cased, "_" becomes "-", ":" becomes "C", "." becomes "P", each
// character outside ASCII (a whole UTF-8 sequence, or a byte that starts
// none) becomes "C", and a first character that is not a letter A to Z
// becomes "C".
void makeCobolName(std::string& name);

// The COBOL copy book name of a message: the first eight letters and digits
// of its upper-cased name, and ".CPY".
std::string copyBookName(std::string_view messageName);

} // namespace norvak
