#pragma once

#include "setmodel/StoredMessageSet.h"

#include <string>
#include <utility>
#include <vector>

namespace norvak {

// A message set written back as a definitions file that norvakload reads:
// the tabs, then types (with their members), elements (with their value
// uses), values and messages, one tag per line, in the order of their
// repository ids. Identifiers are written as stored (with the affixes they
// were stored with), so the file needs no affixes of its own.
struct DefinitionsExport {
    std::string text;
    // What the rows hold that the file cannot say, by kind, each with its
    // number of rows (or items); empty when the file is exact.
    std::vector<std::pair<std::string, long>> omissions;
    // The language bindings the message set has ("C", "COBOL"), in their
    // order, for the message set the file is imported into.
    std::vector<std::string> languageBindings;
};

DefinitionsExport exportDefinitions(const StoredMessageSet& set);

// The keyword the file uses for a code of a vocabulary; nullptr for a code
// that has none. Each reads back as the code it stands for.
const char* physicalTypeKeyword(int code);
const char* lengthUnitsKeyword(int code);
const char* signedKeyword(int code);
const char* renderKeyword(int code);
const char* compositionKeyword(int code);
const char* typeContentKeyword(int code);
const char* roleKeyword(int code);

// A text as an attribute value between double quotes: "&", "<", ">" and
// '"' as references, control characters as character references.
std::string quotedAttributeValue(const std::string& text);

} // namespace norvak
