// The keyword vocabularies of the definitions file and their codes.
#include "import/reader/Keywords.h"

#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "support/StringUtilities.h"

#include <cstring>
#include <span>

namespace norvak {

namespace {

struct Keyword {
    const char* text;
    int code;
};

template <std::size_t N> bool lookup(const Keyword (&keywords)[N], const char* value, int& code) {
    for (const Keyword& keyword : keywords) {
        if (std::strcmp(keyword.text, value) == 0) {
            code = keyword.code;
            return true;
        }
    }
    return false;
}

// An upper-cased working copy of a value of at most `limit` characters;
// `fits` is false for a longer value.
template <std::size_t Size> struct UpperCopy {
    char text[Size + 1] = {};
    bool fits = false;
    explicit UpperCopy(const char* value) {
        std::size_t length = std::strlen(value);
        if (length > Size)
            return;
        std::memcpy(text, value, length);
        upperCase(text);
        fits = true;
    }
};

const Keyword logicalTypes[] = {
    {"STR", logicalString},      {"STRING", logicalString},   {"", logicalString},       {"INT", logicalInteger},
    {"INTEGER", logicalInteger}, {"FLOAT", logicalFloat},     {"BIN", logicalBinary},    {"BINARY", logicalBinary},
    {"BOOL", logicalBoolean},    {"BOOLEAN", logicalBoolean}, {"DATE", logicalDateTime}, {"DATETIME", logicalDateTime},
    {"DEC", logicalDecimal},     {"DECIMAL", logicalDecimal},
};

const Keyword compositions[] = {
    {"EMPTY", compositionEmpty},
    {"CHOICE", compositionChoice},
    {"SIMPLE", compositionSimpleUnordered},
    {"SIMPLE_UNORD", compositionSimpleUnordered},
    {"SIMPLE_UNORDERED", compositionSimpleUnordered},
    {"UNORD", compositionUnordered},
    {"UNORDER", compositionUnordered},
    {"UNORDERED", compositionUnordered},
    {"ORD", compositionOrdered},
    {"ORDER", compositionOrdered},
    {"ORDERED", compositionOrdered},
    {"", compositionOrdered},
    {"SEQ", compositionSequence},
    {"SEQUENCE", compositionSequence},
    {"MSG", compositionMessage},
    {"MESSAGE", compositionMessage},
};

const Keyword typeContents[] = {
    {"CLOSED", contentClosed}, {"", contentClosed}, {"DEFINED", contentDefined}, {"OPEN", contentOpen}};

struct Separation {
    const char* keywords[4];
    int code;
    const char* canonicalText;
};

const Separation separations[] = {
    {{"1", "TAGDELIM", "TAGGED DELIMITED", nullptr}, 1, "Tagged Delimited"},
    {{"2", "TAGFIX", "TAGGED FIXED LENGTH", nullptr}, 2, "Tagged Fixed Length"},
    {{"3", "ALLDELIM", "ALL ELEMENTS DELIMITED", nullptr}, 3, "All Elements Delimited"},
    {{"4", "VARDELIM", "VARIABLE LENGTH ELEMENTS DELIMITED", nullptr}, 4, "Variable Length Elements Delimited"},
    {{"5", "FIXLEN", "FIXEDLEN", "FIXED LENGTH"}, 5, "Fixed Length"},
    {{"6", "FIXAL3", "FIXEDAL3", "FIXED LENGTH AL3"}, 6, "Fixed Length AL3"},
};

const Keyword roles[] = {
    {"MIN_INCL", 1},   {"MIN_INCLUSIVE", 1}, {"MAX_INCL", 2},   {"MAX_INCLUSIVE", 2}, {"MIN_LEN", 3},
    {"MIN_LENGTH", 3}, {"MAX_LEN", 4},       {"MAX_LENGTH", 4}, {"ENUM", 5},          {"ENUMERATION", 5},
    {"DEF", 6},        {"DEFAULT", 6},       {"NULL", 7},       {"ALLOWNULL", 7},     {"SCALE", 8},
    {"DATETEMPL", 9},  {"DATETEMPLATE", 9},
};

// The numeric form of composition and content: a value beginning with a digit
// from 1 to `highest` gives its leading number when that is in range.
int numericCode(const char* value, int highest) {
    if (value[0] < '1' || value[0] > '0' + highest)
        return 0;
    int number = leadingNumberOrZero(value);
    return number >= 1 && number <= highest ? number : 0;
}

} // namespace

int parseLogicalType(const char* value) {
    UpperCopy<255> copy(value);
    if (!copy.fits)
        return 0;
    int code = 0;
    if (lookup(logicalTypes, copy.text, code))
        return code;
    if (value[0] >= '0' && value[0] <= '9') {
        int number = leadingNumberOrZero(value);
        for (const Keyword& keyword : logicalTypes) {
            if (keyword.code == number)
                return number;
        }
    }
    return 0;
}

int parsePhysicalType(const char* value) {
    int code = 0;
    return codeOfWord(physicalTypeWords, value, code) ? code : 0;
}

int parseLengthUnits(const char* value) {
    int code = -1;
    return codeOfWord(lengthUnitWords, value, code) ? code : -1;
}

int parseByteAlignment(const char* value, bool& valid) {
    int code = 0;
    valid = codeOfWord(byteAlignmentWords, value, code);
    return valid ? code : 0;
}

int parseSignOrientation(const char* value) {
    int code = 0;
    return codeOfWord(signOrientationWords, value, code) ? code : 0;
}

int parseNullKey(const char* value) {
    int code = -1;
    return codeOfWord(nullKeyWords, value, code) ? code : -1;
}

namespace {

std::vector<std::string_view> wordsOf(std::span<const KeywordCode> keywords) {
    std::vector<std::string_view> words;
    for (const KeywordCode& keyword : keywords) {
        std::string_view text = keyword.text;
        if (!text.empty() && text.find_first_not_of("0123456789") != std::string_view::npos)
            words.push_back(text);
    }
    return words;
}

} // namespace

std::vector<std::string_view> vocabularyWords(Vocabulary vocabulary) {
    switch (vocabulary) {
    case Vocabulary::physicalType:
        return wordsOf(physicalTypeWords);
    case Vocabulary::lengthUnits:
        return wordsOf(lengthUnitWords);
    case Vocabulary::signOrientation:
        return wordsOf(signOrientationWords);
    case Vocabulary::nullKey:
        return wordsOf(nullKeyWords);
    case Vocabulary::render:
        return wordsOf(renderWords);
    case Vocabulary::justification:
        return {"Right Justify", "Left Justify", "Not Applicable", "Right", "Left", "None"};
    }
    return {};
}

const char* nullKeyText(int code) {
    const char* word = wordOfCode(nullKeyWords, code);
    return word != nullptr ? word : "";
}

int parseRender(const char* value) {
    UpperCopy<31> copy(value);
    int code = -1;
    if (copy.fits && codeOfWord(renderWords, copy.text, code))
        return code;
    return -1;
}

bool parseJustification(char* value, Justification& result) {
    upperCase(value);
    if (std::strcmp(value, "R") == 0 || std::strcmp(value, "RIGHT") == 0 || std::strcmp(value, "RIGHT JUSTIFY") == 0)
        result = {"R", "Right Justify"};
    else if (std::strcmp(value, "L") == 0 || std::strcmp(value, "LEFT") == 0 || std::strcmp(value, "LEFT JUSTIFY") == 0)
        result = {"L", "Left Justify"};
    else if (std::strcmp(value, "N") == 0 || std::strcmp(value, "NONE") == 0 ||
             std::strcmp(value, "NOT APPLICABLE") == 0)
        result = {"N", "Not Applicable"};
    else
        return false;
    return true;
}

bool isValidPadChar(const char* value) {
    if (std::strcmp(value, "SPACE") == 0 || std::strcmp(value, "NUL") == 0 || std::strcmp(value, "'0'") == 0)
        return true;
    std::size_t length = std::strlen(value);
    if (length >= 3 && (value[0] == '"' || value[0] == '\'') && value[2] == value[0])
        return true;
    return value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
}

int parseComposition(const char* value) {
    UpperCopy<255> copy(value);
    int code = 0;
    if (copy.fits && lookup(compositions, copy.text, code))
        return code;
    return numericCode(value, 7);
}

int parseTypeContent(const char* value) {
    UpperCopy<255> copy(value);
    int code = 0;
    if (copy.fits && lookup(typeContents, copy.text, code))
        return code;
    return numericCode(value, 3);
}

int parseDataElemSep(const char* value, const char*& canonicalText, bool& recognized) {
    recognized = true;
    if (value[0] == '\0')
        return 0;
    UpperCopy<511> copy(value);
    if (copy.fits) {
        for (const Separation& separation : separations) {
            for (const char* keyword : separation.keywords) {
                if (keyword != nullptr && std::strcmp(keyword, copy.text) == 0) {
                    canonicalText = separation.canonicalText;
                    return separation.code;
                }
            }
        }
    }
    recognized = false;
    return 0;
}

std::int16_t parseRole(const char* value) {
    UpperCopy<255> copy(value);
    int code = 0;
    if (copy.fits && lookup(roles, copy.text, code))
        return static_cast<std::int16_t>(code);
    return 0;
}

int parseOccurrence(const char* value) {
    if (std::strcmp(value, "unbounded") == 0 || std::strcmp(value, "*") == 0)
        return -2;
    return leadingNumberOrZero(value);
}

} // namespace norvak
