#pragma once

#include "setmodel/MessageSetModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvak {

// What a field of a record layout is: a simple element, a group of members
// (a type, an element of a complex type, a message), a choice whose
// alternatives share its offset, or the bytes a byte alignment skips.
enum class FieldKind { element, group, choice, padding };

// Why the size of a field is not known before the record is read; none for
// a field of a fixed size.
enum class Variability {
    none,
    lengthReference,     // its length is held by an earlier field
    repeatReference,     // its number of occurrences is held by an earlier field
    nullTerminated,      // a string that ends at a terminator
    lengthEncoded,       // a string that its length precedes
    endOfBitStream,      // it takes the rest of the record
    variableWidthChars,  // a length in characters under a code page of variable width
    alignmentAfterParts, // padding to an alignment after a variable part
    variableMembers,     // a group or choice with a variable member
};

// One field of a record, and its members or alternatives.
//
// `offset` counts bytes from the start of the record, or, when `relativeTo`
// names a field, from the end of that field: the last variable part before
// it, after which no offset is known in advance. `length` is the size of one
// occurrence in bytes (a separate sign included), nothing when it varies;
// `minSize` and `maxSize` bound the whole field with its occurrences
// (`maxSize` nothing when there is no bound).
struct LayoutField {
    FieldKind kind = FieldKind::element;
    std::string name; // the identifier of its element, type or message; "(padding)"
    std::string path; // the names from the message's type down, joined by "."
    int depth = 0;    // 0 for the members of the message's type
    std::int64_t offset = 0;
    std::string relativeTo;
    std::optional<std::int64_t> length;
    std::int64_t minSize = 0;
    std::optional<std::int64_t> maxSize;
    Variability variability = Variability::none;
    int logicalType = 0;  // of a simple element
    int physicalType = 0; // of a simple element
    int signOrientation = 0;
    std::optional<std::string> decimalPoint;
    std::string justification;        // of a string: the stored String Justification, empty for none
    std::string paddingCharacter;     // of a string: the stored Padding Character, empty for none
    int alignment = 0;                // the byte alignment of the field, 0 for none
    int repeat = 1;                   // a fixed repeat count: the field is an array of that many
    bool many = false;                // the member may occur more than once: an array, even of one item
    std::string repeatReference;      // the path of the field that holds the count
    std::string lengthReference;      // the path of the field that holds the length
    std::vector<LayoutField> members; // of a group; the alternatives of a choice
};

// The byte order of the binary integers and floats of a record (and of the
// 2-byte length of a Length Encoded String 2): the set does not store it,
// the program that writes the records decides it. Big-endian unless said.
enum class ByteOrder { big, little };

// The layout of one message in one CWF tab. `bytesPerCharacter` is 1 for a
// single-byte code page, 2 for UTF-16, 0 for a code page of variable width.
struct RecordLayout {
    std::string message;
    std::string tab;
    std::optional<std::string> ccsid;
    int bytesPerCharacter = 1;
    ByteOrder byteOrder = ByteOrder::big;
    std::vector<LayoutField> fields;
    std::int64_t minSize = 0;
    std::optional<std::int64_t> maxSize;
    // What the layout could not tell from the set, one line each (a type the
    // set does not hold, a field without a length, a type within itself).
    std::vector<std::string> notes;
};

// The record layout of `message` in the CWF tab `tab`: every member of its
// type in sequence order, laid out from offset 0.
RecordLayout recordLayout(const MessageSetModel& model, const ModelMessage& message, const ModelPlugin& tab);

// "big" or "little", as the command lines and the JSON documents say it;
// the byte order of such a word, nothing for any other.
const char* byteOrderWord(ByteOrder order);
std::optional<ByteOrder> byteOrderNamed(std::string_view word);

// The bytes of one character under a CCSID: 1 for a single-byte code page,
// 2 for UTF-16, 4 for UTF-32, 0 for one of variable width (UTF-8 and the
// mixed single- and double-byte code pages). No CCSID counts as single-byte.
int bytesPerCharacterOf(const std::optional<std::string>& ccsid);

// The words the layout uses for a physical type ("Packed Decimal"), a sign
// orientation ("Separate Leading"; none for no sign orientation) and a
// variability ("length reference"); empty for none.
const char* physicalTypeWord(int physicalType);
const char* signOrientationWord(int signOrientation);
const char* variabilityWord(Variability variability);
const char* fieldKindWord(FieldKind kind);

} // namespace norvak
