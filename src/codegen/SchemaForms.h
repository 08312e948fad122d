#pragma once

#include "setmodel/MessageSetModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvak {

// What the schemas take of a use of an element: its occurrences in the
// logical message, the facets its value uses give, and the number it holds
// on the wire of a CWF tab (the digits of a decimal, the range of an
// integer), shared by the JSON Schema and the XML Schema.

// The roles of value uses that the schemas read.
enum ValueRole : int {
    roleMinInclusive = 1,
    roleMaxInclusive = 2,
    roleMinLength = 3,
    roleMaxLength = 4,
    roleEnumerationValue = 5,
    roleDefault = 6,
};

// A member's occurrences: `most` nothing when unbounded. Without a stored
// value a member occurs once.
struct Occurrences {
    std::int64_t least = 1;
    std::optional<std::int64_t> most = 1;
};
Occurrences occurrencesOf(const StoredTypeMember& row);

// The facets an element's value uses give, texts as stored.
struct ValueFacets {
    std::optional<std::string> minInclusive;
    std::optional<std::string> maxInclusive;
    std::optional<std::int64_t> minLength;
    std::optional<std::int64_t> maxLength;
    std::optional<std::string> defaultValue;
    std::vector<std::string> enumeration;
};
ValueFacets valueFacetsOf(const ModelElement& element);

// The CWF properties of a member's use of its element that decide what
// number or text it holds; `present` false without a CWF tab.
struct CwfForm {
    bool present = false;
    int physicalType = 0;
    std::optional<std::int64_t> length;
    int lengthUnits = 0;
    int signOrientation = 0;
    std::int64_t decimalPoint = 0;
    int bytesPerCharacter = 1;
};
CwfForm cwfFormOf(const MessageSetModel& model, const ModelMember& member, const ModelPlugin* tab);

// How a member's use in a CWF tab repeats: a fixed count (1 when it does not
// repeat), or a count another field holds (then 0 items may be there).
struct CwfRepeat {
    std::int64_t count = 1;
    bool byReference = false;
};
CwfRepeat cwfRepeatOf(const MessageSetModel& model, const ModelMember& member, const ModelPlugin* tab);

// The digits a decimal holds in that form: all of them and those after
// the point; nothing when the form does not bound them (no CWF tab, a
// string on the wire) or `outside` is set (a decimal point outside the
// digits, a binary integer that holds no whole number of digits).
struct DecimalDigits {
    std::int64_t total = 0;
    std::int64_t fraction = 0;
    bool outside = false;
};
std::optional<DecimalDigits> decimalDigitsOf(const CwfForm& form);

// The least and most whole numbers the form holds; nothing when it does
// not bound them, or `tooWide` when they are beyond 64 bits.
struct IntegerRange {
    std::int64_t least = 0;
    std::uint64_t most = 0;
    bool tooWide = false;
};
std::optional<IntegerRange> integerRangeOf(const CwfForm& form);

// The most characters of a fixed-length text in that form; nothing when
// the form does not bound it.
std::optional<std::int64_t> mostCharactersOf(const CwfForm& form);

// Whether a text is an integer (an optional sign and digits), or a decimal
// (digits with at most one point among them).
bool isIntegerText(const std::string& text);
bool isDecimalText(const std::string& text);

} // namespace norvak
