#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace norvak {

// Keyword vocabularies of the definitions file and their codes. Each parser
// takes an attribute value and gives its code; none of them prints anything.

// Logical type (Element and Value "type", Type "baseType"); any case; 0 when unknown.
int parseLogicalType(const char* value);
// Physical type 1 to 12; exact case; 0 when unknown.
int parsePhysicalType(const char* value);
// Length units 0 to 3; exact case; -1 when unknown.
int parseLengthUnits(const char* value);
// Byte alignment: "1" gives 0, "2", "4", "8", "16" give that number; valid is false otherwise.
int parseByteAlignment(const char* value, bool& valid);
// Sign orientation 1 to 4; 0 for "None" and for anything unknown.
int parseSignOrientation(const char* value);
// Null key 0 to 2; exact case; -1 when unknown.
int parseNullKey(const char* value);
// The canonical text of a null key code ("" for -1).
const char* nullKeyText(int code);
// XML render 0 to 4; any case; -1 when unknown.
int parseRender(const char* value);

struct Justification {
    const char* letter; // "R", "L" or "N"
    const char* text;   // "Right Justify", "Left Justify", "Not Applicable"
};
// Upper-cases the value in place; false when it is no justification.
bool parseJustification(char* value, Justification& result);
// True for an accepted padding character.
bool isValidPadChar(const char* value);

// Type composition 1 to 7; any case; 0 when unknown.
int parseComposition(const char* value);
// Type content 1 to 3; any case; 0 when unknown.
int parseTypeContent(const char* value);
// Data element separation 1 to 6 with its canonical text; any case. The
// empty value gives 0 and no text; recognized is false for anything unknown.
int parseDataElemSep(const char* value, const char*& canonicalText, bool& recognized);
// Value role 1 to 9; any case; 0 when unknown.
std::int16_t parseRole(const char* value);
// Occurrences of Type and Message: "unbounded" or "*" give -2, else the leading number.
int parseOccurrence(const char* value);

// The words of a vocabulary as a definitions file writes them (numbers left
// out), for the hint after a value that is none of them.
enum class Vocabulary { physicalType, lengthUnits, signOrientation, nullKey, render, justification };
std::vector<std::string_view> vocabularyWords(Vocabulary vocabulary);

} // namespace norvak
