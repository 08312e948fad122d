// The C and COBOL names made from an identifier.
#include "import/model/LanguageNames.h"

#include "support/Utf8Text.h"

#include <cstddef>
#include <utility>

namespace norvak {

namespace {

// Characters of a COBOL name taken from the identifier.
constexpr std::size_t cobolNameLength = 24;
// Characters of a COBOL name row, the id included.
constexpr std::size_t cobolNameRowLength = 30;
// Letters and digits of a copy book name before its ".CPY".
constexpr std::size_t copyBookStemLength = 8;

} // namespace

void makeCName(std::string& name) {
    for (char& c : name) {
        if (c == '-')
            c = '_';
        else if (c == ':')
            c = 'C';
        else if (c == '.')
            c = 'P';
    }
}

void makeCobolName(std::string& name) {
    std::string cobolName;
    for (std::size_t at = 0; at < name.size() && cobolName.size() < cobolNameLength;) {
        char c = name[at];
        std::size_t length = utf8CharacterLength(name, at);
        at += length;
        if (static_cast<unsigned char>(c) >= 0x80) {
            // A character outside ASCII, all its bytes, is one letter.
            cobolName += 'C';
            continue;
        }
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c == '_')
            c = '-';
        else if (c == ':')
            c = 'C';
        else if (c == '.')
            c = 'P';
        cobolName += c;
    }
    if (!cobolName.empty() && !(cobolName[0] >= 'A' && cobolName[0] <= 'Z'))
        cobolName[0] = 'C';
    name = std::move(cobolName);
}

std::string cobolNameValue(std::string_view label, long long componentId) {
    std::string id = std::to_string(componentId);
    std::string name(label);
    makeCobolName(name);
    cutAtCharacterBoundary(name, id.size() < cobolNameRowLength ? cobolNameRowLength - id.size() : 0);
    return name + id;
}

std::string cNameValue(std::string_view label, long long attrId, std::size_t width) {
    std::string id = std::to_string(attrId);
    std::string name(label);
    cutAtCharacterBoundary(name, id.size() < width ? width - id.size() : 0);
    name += id;
    makeCName(name);
    return name;
}

std::string copyBookName(std::string_view messageName) {
    std::string name;
    for (char c : messageName) {
        if (name.size() == copyBookStemLength)
            break;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            name += c;
    }
    return name + ".CPY";
}

} // namespace norvak
