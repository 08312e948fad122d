#pragma once

#include <string>

namespace norvak {

// The C name of an identifier: "-" becomes "_", ":" becomes "C", "." becomes "P".
void makeCName(std::string& name);

// The COBOL name of an identifier: cut to 24 characters, upper-cased, "_"
// becomes "-", ":" becomes "C", "." becomes "P", and a first character that
// is not a letter A to Z becomes "C".
void makeCobolName(std::string& name);

} // namespace norvak
