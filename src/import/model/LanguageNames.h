#pragma once

#include <cstddef>
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

// The COBOL name row of an item: its label's COBOL name followed by the
// item's id, within 30 characters (the name gives way to the id's digits).
std::string cobolNameValue(std::string_view label, long long componentId);
// The C name row of an item: its label followed by the row's own id, within
// `width` bytes (the label gives way to the id's digits), as a C name.
std::string cNameValue(std::string_view label, long long attrId, std::size_t width);

// The COBOL copy book name of a message: the first eight letters and digits
// of its upper-cased name, and ".CPY".
std::string copyBookName(std::string_view messageName);

} // namespace norvak
