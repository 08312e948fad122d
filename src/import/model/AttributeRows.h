#pragma once

#include "import/model/Codes.h"

#include <span>
#include <string_view>

namespace norvak {

// The attribute rows the import writes (M_ATTRIBUTE and M_MEMBER_ATTRIBUTE):
// for each property its row name, data type, lengths and key, what owns it,
// the wire format whose tabs it is written for and the attribute of the
// definitions file that gives it. The writers, the export, the reader's
// handlers and the comparison all take them from here.

// What a row belongs to: the settings of a tab (component 0, class 1), an
// element, a type, a member of a type, a message, or any item (uuids and
// language names).
enum class RowOwner { tab, element, type, member, message, item };

// The kind of tab a row is written for, one row per tab of the kind; none
// for the rows of the uuid and language plugins.
enum class WireFormat { none, cwf, xml, tds };

// A word a file attribute takes and the code it gives.
struct KeywordCode {
    const char* text;
    int code;
};

struct AttributeRow {
    RowOwner owner;
    WireFormat format;
    int key;          // PLUGIN_ATTR_KEY
    const char* name; // ATTR_NAME
    const char* type; // ATTR_TYPE
    int minLength;
    int maxLength;
    // The attribute of the definitions file that gives the row; nullptr when
    // the file has none.
    const char* keyword;
    // The words the attribute takes and their codes; empty when the value is
    // taken as written.
    std::span<const KeywordCode> words = {};
};

// Appended to the label of a member's item to make its context tag hint.
inline constexpr std::string_view contextTagSuffix = "CxTg";

// The class of a tab's setting rows, whose component id is 0.
inline constexpr int tabSettingClass = 1;

// The flags of a member attribute row of the custom wire format (bit 30).
inline constexpr int cwfMemberAttrFlags = 1073741824;

// The type of a row whose value is the repository id of an element.
inline constexpr std::string_view elementReferenceType = "COMPONENT:ELEMENT";

// The vocabularies of the attributes, in the order they are tried; the first
// word of a code is the one the export writes for it.
inline constexpr KeywordCode physicalTypeWords[] = {
    {"Integer", physicalInteger},
    {"int", physicalInteger},
    {"Extended Decimal", physicalExtendedDecimal},
    {"Decimal", physicalExtendedDecimal},
    {"dec", physicalExtendedDecimal},
    {"Float", physicalFloat},
    {"Packed Decimal", physicalPacked},
    {"Packed", physicalPacked},
    {"pack", physicalPacked},
    {"Length Encoded String 1", physicalLengthEncoded1},
    {"Encoded 1", physicalLengthEncoded1},
    {"enc1", physicalLengthEncoded1},
    {"Length Encoded String 2", physicalLengthEncoded2},
    {"Encoded 2", physicalLengthEncoded2},
    {"enc2", physicalLengthEncoded2},
    {"Null Terminated", physicalNullTerminated},
    {"Null Term", physicalNullTerminated},
    {"null", physicalNullTerminated},
    {"Fixed Length", physicalFixedLength},
    {"fixed", physicalFixedLength},
    {"fix", physicalFixedLength},
    {"fixlen", physicalFixedLength},
    {"Boolean", physicalBoolean},
    {"bool", physicalBoolean},
    {"Binary", physicalBinary},
    {"bin", physicalBinary},
    {"Time Seconds", physicalTimeSeconds},
    {"Seconds", physicalTimeSeconds},
    {"sec", physicalTimeSeconds},
    {"Time Milliseconds", physicalTimeMilliseconds},
    {"Milliseconds", physicalTimeMilliseconds},
    {"mil", physicalTimeMilliseconds},
};
inline constexpr KeywordCode lengthUnitWords[] = {
    {"Bytes", 0},      {"0", 0}, {"Characters", 1},       {"char", 1}, {"1", 1}, {"Character Units", 2},
    {"char units", 2}, {"2", 2}, {"End of BitStream", 3}, {"end", 3},  {"3", 3},
};
// "1" is the alignment of no row (code 0).
inline constexpr KeywordCode byteAlignmentWords[] = {{"1", 0}, {"2", 2}, {"4", 4}, {"8", 8}, {"16", 16}};
inline constexpr KeywordCode signOrientationWords[] = {
    {"Included Leading", 1},
    {"Incl Lead", 1},
    {"1", 1},
    {"Included Trailing", 2},
    {"Incl Trail", 2},
    {"2", 2},
    {"Separate Leading", 3},
    {"Sep Lead", 3},
    {"3", 3},
    {"Separate Trailing", 4},
    {"Sep Trail", 4},
    {"4", 4},
    {"None", 0},
};
inline constexpr KeywordCode nullKeyWords[] = {
    {"NULLPadFill", 0},      {"pad", 0},     {"0", 0}, {"NULLLogicalValue", 1}, {"logical", 1}, {"1", 1},
    {"NULLLiteralValue", 2}, {"literal", 2}, {"2", 2},
};
inline constexpr KeywordCode renderWords[] = {
    {"ELEMENT", 0},
    {"ELEM", 0},
    {"0", 0},
    {"ATTRIBUTE", 1},
    {"ATTR", 1},
    {"1", 1},
    {"ELEMENTATTRID", 2},
    {"ATTRID", 2},
    {"2", 2},
    {"ELEMENTATTRVAL", 3},
    {"ATTRVAL", 3},
    {"3", 3},
    {"ELEMENTATTRIDVAL", 4},
    {"ATTRIDVAL", 4},
    {"IDVAL", 4},
    {"4", 4},
};
// Trimming of fixed length strings in a TDS tab: 0 none, 1 leading, 2
// trailing, 3 both, 4 padding characters.
inline constexpr KeywordCode trimWords[] = {
    {"No Trim", 0},
    {"No", 0},
    {"Leading White Spaces", 1},
    {"Leading", 1},
    {"Lead", 1},
    {"Trailing White Spaces", 2},
    {"Trailing", 2},
    {"Trail", 2},
    {"Trim Both", 3},
    {"Both", 3},
    {"Trim Padding Chars", 4},
    {"Pad", 4},
};
// The messaging standards of a TDS tab, written as given.
inline constexpr KeywordCode messagingStandardWords[] = {
    {"UNKNOWN", 1}, {"SWIFT", 2}, {"ACORD AL3", 3}, {"EDIFACT", 4}, {"X12", 5},
};
// The compression of a TDS tab's input or output: one technique.
inline constexpr KeywordCode compressionWords[] = {{"SimpleAL3CharCompress", 1}, {"AL3", 1}};
// The null encodings of an XML tab.
inline constexpr KeywordCode nullEncodingWords[] = {
    {"NULLAttribute", 1}, {"NULLEmpty", 0}, {"NULLValue", 2}, {"NULLElement", 3}, {"NULLValAttr", 4},
};

// The rows, named for the writers and the export.
namespace rows {

// Settings of the tabs.
inline constexpr AttributeRow cwfTabIdentifier{
    RowOwner::tab, WireFormat::cwf, 1, "Custom Wire Format Identifier", "string", 1, 120, "ident"};
inline constexpr AttributeRow cwfTabCcsid{RowOwner::tab, WireFormat::cwf, 2, "Default CCSID", "string", 0,
                                          254,           "ccsid"};

inline constexpr AttributeRow tdsTabIdentifier{
    RowOwner::tab, WireFormat::tds, 1, "TDS Wire Format Identifier", "string", 1, 120, "ident"};
inline constexpr AttributeRow tdsTabMessagingStandard{
    RowOwner::tab, WireFormat::tds, 2, "Messaging Standard", "string", 0, 254, "msgStd", messagingStandardWords};
inline constexpr AttributeRow tdsTabGroupIndicator{RowOwner::tab, WireFormat::tds, 5, "Group Indicator", "string", 0,
                                                   254,           "groupInd"};
inline constexpr AttributeRow tdsTabGroupTerminator{RowOwner::tab, WireFormat::tds, 6, "Group Terminator", "string", 0,
                                                    254,           "groupTerm"};
inline constexpr AttributeRow tdsTabTagDataSeparator{
    RowOwner::tab, WireFormat::tds, 7, "Tag Data Separator", "string", 0, 254, "tagDataSep"};
inline constexpr AttributeRow tdsTabTagLength{RowOwner::tab, WireFormat::tds, 8, "Tag Length", "integer", 0,
                                              254,           "tagLen"};
inline constexpr AttributeRow tdsTabDecimalPoint{RowOwner::tab, WireFormat::tds, 9, "Decimal Point", "string", 0,
                                                 254,           "decimalPoint"};
inline constexpr AttributeRow tdsTabDelimiter{RowOwner::tab, WireFormat::tds, 17, "Delimiter", "string", 0,
                                              254,           "delimiter"};
inline constexpr AttributeRow tdsTabTrim{RowOwner::tab, WireFormat::tds, 4,        "Trim Fix Len String", "enum", 0,
                                         254,           "trimFix",       trimWords};
inline constexpr AttributeRow tdsTabEscapeCharacter{RowOwner::tab, WireFormat::tds, 10, "Escape Character", "string", 0,
                                                    254,           "escapeChar"};
inline constexpr AttributeRow tdsTabReservedChars{RowOwner::tab, WireFormat::tds, 11, "Reserved Chars", "string", 0,
                                                  254,           "reservedChars"};
inline constexpr AttributeRow tdsTabOutputCompression{
    RowOwner::tab,    WireFormat::tds, 12, "Output Compression Technique", "enum", 0, 254,
    "outputCompress", compressionWords};
inline constexpr AttributeRow tdsTabInputCompression{
    RowOwner::tab,   WireFormat::tds, 13, "Input Compression Technique", "enum", 0, 254,
    "inputCompress", compressionWords};
inline constexpr AttributeRow tdsTabBooleanTrue{
    RowOwner::tab, WireFormat::tds, 14, "Boolean True Representation", "string", 0, 254, "boolTrue"};
inline constexpr AttributeRow tdsTabBooleanFalse{
    RowOwner::tab, WireFormat::tds, 15, "Boolean False Representation", "string", 0, 254, "boolFalse"};
inline constexpr AttributeRow tdsTabBooleanNull{
    RowOwner::tab, WireFormat::tds, 16, "Boolean Null Representation", "string", 0, 254, "boolNull"};

inline constexpr AttributeRow xmlTabIdentifier{
    RowOwner::tab, WireFormat::xml, 1, "XML Wire Format Identifier", "string", 1, 120, "ident"};
inline constexpr AttributeRow xmlTabSuppressDeclaration{
    RowOwner::tab, WireFormat::xml, 2, "Suppress XML Declaration", "boolean", 1, 1, "supXmlDecl"};
inline constexpr AttributeRow xmlTabStandalone{RowOwner::tab, WireFormat::xml, 3, "Standalone document", "enum", 0,
                                               254,           "standaloneDoc"};
inline constexpr AttributeRow xmlTabSuppressDocType{
    RowOwner::tab, WireFormat::xml, 4, "Suppress DOCTYPE", "boolean", 1, 1, "supDocType"};
inline constexpr AttributeRow xmlTabDocTypeSystemId{
    RowOwner::tab, WireFormat::xml, 5, "DOCTYPE System ID", "string", 0, 254, "doctypeSystemId"};
inline constexpr AttributeRow xmlTabDocTypePublicId{
    RowOwner::tab, WireFormat::xml, 6, "DOCTYPE Public ID", "string", 0, 254, "doctypePublicId"};
inline constexpr AttributeRow xmlTabDocTypeText{RowOwner::tab, WireFormat::xml, 7, "DOCTYPE text", "string", 0,
                                                254,           "doctypeText"};
inline constexpr AttributeRow xmlTabRootTagName{RowOwner::tab, WireFormat::xml, 8, "Root Tag Name", "string", 0,
                                                254,           "rootTagName"};
inline constexpr AttributeRow xmlTabVersioning{
    RowOwner::tab, WireFormat::xml, 11, "Enable Versioning Support", "boolean", 1, 1, "enableVersion"};
inline constexpr AttributeRow xmlTabBooleanTrue{RowOwner::tab, WireFormat::xml, 12, "Boolean True Value", "string", 0,
                                                254,           "boolTrue"};
inline constexpr AttributeRow xmlTabBooleanFalse{RowOwner::tab, WireFormat::xml, 13, "Boolean False Value", "string", 0,
                                                 254,           "boolFalse"};
inline constexpr AttributeRow xmlTabNullNum{RowOwner::tab,   WireFormat::xml,  14, "Encoding Null Num", "enum", 0, 254,
                                            "encodeNullNum", nullEncodingWords};
inline constexpr AttributeRow xmlTabNullNumValue{
    RowOwner::tab, WireFormat::xml, 15, "Encoding Null Num Val", "string", 0, 254, "encodeNullNumVal"};
inline constexpr AttributeRow xmlTabNullNonNum{
    RowOwner::tab, WireFormat::xml, 16, "Encoding Null Non-Num", "enum", 0, 254, "encodeNullNonNum", nullEncodingWords};
inline constexpr AttributeRow xmlTabNullNonNumValue{
    RowOwner::tab, WireFormat::xml, 17, "Encoding Null Non-Num Val", "string", 0, 254, "encodeNullNonNumVal"};

// Element properties, one row per tab of the kind.
inline constexpr AttributeRow tdsElementTag{
    RowOwner::element, WireFormat::tds, keyTdsTag, "Tag", "string", 0, 254, "tag"};
inline constexpr AttributeRow tdsElementLength{
    RowOwner::element, WireFormat::tds, keyTdsLength, "Length", "integer", 0, 254, "length"};
inline constexpr AttributeRow tdsElementJustification{
    RowOwner::element, WireFormat::tds, keyTdsJustification, "Justification", "enum", 0, 254, "justification"};
inline constexpr AttributeRow tdsElementPaddingCharacter{
    RowOwner::element, WireFormat::tds, keyTdsPaddingCharacter, "Padding Character", "string", 0, 254, "padChar"};
inline constexpr AttributeRow tdsElementInterpretValue{
    RowOwner::element, WireFormat::tds, keyTdsInterpretValue, "Interpret Element Value", "enum", 0, 254,
    "interpretValue"};
inline constexpr AttributeRow tdsElementDecimalPoint{
    RowOwner::element, WireFormat::tds, keyTdsVirtualDecimalPoint, "Virtual Decimal Point", "integer", 0, 254,
    "decimalPoint"};
inline constexpr AttributeRow tdsElementPrecision{
    RowOwner::element, WireFormat::tds, keyTdsPrecision, "Precision", "integer", 0, 254, "precision"};
inline constexpr AttributeRow tdsElementFormat{
    RowOwner::element, WireFormat::tds, keyTdsFormat, "Format", "string", 0, 254, "TDSFormat"};
inline constexpr AttributeRow tdsElementSignOrientation{
    RowOwner::element, WireFormat::tds, keyTdsSignOrientation, "Sign Orientation", "enum", 0, 254, "signOrientation"};
inline constexpr AttributeRow tdsElementPositiveSign{
    RowOwner::element, WireFormat::tds, keyTdsPositiveSign, "Positive Sign", "string", 0, 254, "positiveSign"};
inline constexpr AttributeRow tdsElementNegativeSign{
    RowOwner::element, WireFormat::tds, keyTdsNegativeSign, "Negative Sign", "string", 0, 254, "negativeSign"};
inline constexpr AttributeRow tdsElementNullEncoding{
    RowOwner::element, WireFormat::tds, keyTdsEncodingNull, "Encoding Null", "enum", 0, 254,
    "TDSNullKey", nullKeyWords};
inline constexpr AttributeRow tdsElementNullValue{
    RowOwner::element, WireFormat::tds, keyTdsEncodingNullValue, "Encoding Null Value", "string", 0, 254,
    "TDSNullValue"};

inline constexpr AttributeRow xmlElementName{
    RowOwner::element, WireFormat::xml, keyXmlName, "XML Name", "string", 0, 254, "xmlName"};
inline constexpr AttributeRow xmlElementFormat{
    RowOwner::element, WireFormat::xml, keyXmlFormat, "XML Format", "string", 0, 254, "xmlFormat"};
inline constexpr AttributeRow xmlElementEncoding{
    RowOwner::element, WireFormat::xml, keyXmlEncoding, "Encoding", "enum", 0, 254, nullptr};

// Type properties, one row per TDS tab.
inline constexpr AttributeRow tdsTypeSeparation{
    RowOwner::type, WireFormat::tds, keyTdsDataElementSeparation, "Data Element Separation", "enum", 0, 254,
    "dataElemSep"};
inline constexpr AttributeRow tdsTypeDelimiter{
    RowOwner::type, WireFormat::tds, keyTdsDelimiter, "Delimiter", "string", 0, 254, "delimiter"};
inline constexpr AttributeRow tdsTypeGroupIndicator{
    RowOwner::type, WireFormat::tds, keyTdsGroupIndicator, "Group Indicator", "string", 0, 254, "groupInd"};
inline constexpr AttributeRow tdsTypeGroupTerminator{
    RowOwner::type, WireFormat::tds, keyTdsGroupTerminator, "Group Terminator", "string", 0, 254, "groupTerm"};
inline constexpr AttributeRow tdsTypeTagDataSeparator{
    RowOwner::type, WireFormat::tds, keyTdsTagDataSeparator, "Tag Data Separator", "string", 0, 254, "tagDataSep"};
inline constexpr AttributeRow tdsTypeTagLength{
    RowOwner::type, WireFormat::tds, keyTdsTagLength, "Tag Length", "integer", 0, 254, "tagLen"};

// Member properties, one row per tab of the kind.
inline constexpr AttributeRow cwfMemberPhysicalType{
    RowOwner::member, WireFormat::cwf, 1, "Physical Type", "enum", 1, 2, "physicalType", physicalTypeWords};
inline constexpr AttributeRow cwfMemberLength{RowOwner::member, WireFormat::cwf, 2, "Length", "integer", 0, 10,
                                              "length"};
inline constexpr AttributeRow cwfMemberLengthReference{
    RowOwner::member, WireFormat::cwf, 3, "Length Reference", elementReferenceType.data(), 0, 10, "lengthRef"};
inline constexpr AttributeRow cwfMemberLengthUnits{RowOwner::member, WireFormat::cwf, 13, "Length Units", "enum", 1, 1,
                                                   "lengthUnits",    lengthUnitWords};
inline constexpr AttributeRow cwfMemberSigned{RowOwner::member, WireFormat::cwf,     4, "Signed", "enum", 1, 1,
                                              "signed",         signOrientationWords};
inline constexpr AttributeRow cwfMemberDecimalPoint{
    RowOwner::member, WireFormat::cwf, 8, "Virtual Decimal Point", "integer", 0, 10, "decimalPoint"};
inline constexpr AttributeRow cwfMemberByteAlignment{
    RowOwner::member, WireFormat::cwf, 5, "Byte Alignment", "enum", 1, 2, "byteAlignment", byteAlignmentWords};
inline constexpr AttributeRow cwfMemberJustification{
    RowOwner::member, WireFormat::cwf, 6, "String Justification", "enum", 1, 1, "justification"};
inline constexpr AttributeRow cwfMemberPaddingCharacter{
    RowOwner::member, WireFormat::cwf, 7, "Padding Character", "string", 0, 10, "padChar"};
inline constexpr AttributeRow cwfMemberRepeatCount{
    RowOwner::member, WireFormat::cwf, 10, "Repeat Count", "integer", 0, 10, "repeat"};
inline constexpr AttributeRow cwfMemberRepeatReference{
    RowOwner::member, WireFormat::cwf, 11, "Repeat Count Reference", elementReferenceType.data(), 0, 10, "repeat"};

inline constexpr AttributeRow xmlMemberName{RowOwner::member, WireFormat::xml, 100, "Member XML Name", "string", 0, 254,
                                            "xmlName"};
inline constexpr AttributeRow xmlMemberRender{RowOwner::member, WireFormat::xml, 101, "Member Render", "enum", 0, 254,
                                              "xmlRender",      renderWords};
inline constexpr AttributeRow xmlMemberIdAttributeName{
    RowOwner::member, WireFormat::xml, 102, "Member ID Attribute Name", "enum", 0, 254, "xmlIDattrName"};
inline constexpr AttributeRow xmlMemberIdAttributeValue{
    RowOwner::member, WireFormat::xml, 103, "Member ID Attribute Value", "enum", 0, 254, "xmlIDattrValue"};
inline constexpr AttributeRow xmlMemberValueAttributeName{
    RowOwner::member, WireFormat::xml, 104, "Member Value Attribute Name", "enum", 0, 254, "xmlIDattrName"};
inline constexpr AttributeRow xmlMemberFormat{RowOwner::member, WireFormat::xml, 105, "Member Format", "string", 0, 254,
                                              "xmlFormat"};
inline constexpr AttributeRow xmlMemberEncoding{
    RowOwner::member, WireFormat::xml, 106, "Member Encoding", "string", 0, 254, "xmlMemberEncode"};

inline constexpr AttributeRow tdsMemberRepeatDelimiter{
    RowOwner::member, WireFormat::tds, 101, "Repeating Element Delimiter", "string", 0, 254, "repeatElemDelim"};
inline constexpr AttributeRow tdsMemberLengthReference{
    RowOwner::member, WireFormat::tds, 102, "Length Reference", "string", 0, 254, "lengthRef"};

// Rows of the uuid and language plugins, which every import makes again.
inline constexpr AttributeRow itemUuid{RowOwner::item, WireFormat::none, keyUuid, "uuid", "string", 1, 254, nullptr};
inline constexpr AttributeRow memberUuid{RowOwner::member, WireFormat::none, keyUuid, "uuid", "string", 0, 254,
                                         nullptr};
inline constexpr AttributeRow messageCopyBookName{
    RowOwner::message, WireFormat::none, keyCopyBookName, "Message Copy Book Name", "string", 1, 12, nullptr};
inline constexpr AttributeRow itemCobolName{RowOwner::item, WireFormat::none, 7, "COBOL Language Name", "string", 1, 30,
                                            nullptr};
inline constexpr AttributeRow itemCName{RowOwner::item, WireFormat::none, 8, "C Language Name", "string", 1, 254,
                                        nullptr};

} // namespace rows

// Every row, those of one owner and wire format together and in the order
// the writers write them and the export writes their attributes.
std::span<const AttributeRow* const> attributeRows();

// The rows of an owner and wire format, in the table's order.
std::span<const AttributeRow* const> attributeRowsOf(RowOwner owner, WireFormat format);

// The row of an owner and wire format with that key, or that name; nullptr
// when there is none.
const AttributeRow* findAttributeRow(RowOwner owner, WireFormat format, int key);
const AttributeRow* findAttributeRowNamed(RowOwner owner, WireFormat format, std::string_view name);

// The value an XML tab's null encoding row holds for a code of
// nullEncodingWords (code 1 is written as 0); nullptr for 0, which writes no
// row, and for a code no word gives.
const char* nullEncodingValue(int code);

// The code of a word of a vocabulary (exact case); false when it is none of them.
bool codeOfWord(std::span<const KeywordCode> words, const char* text, int& code);
// The word the file writes for a code (the first word of that code); nullptr
// when no word gives it.
const char* wordOfCode(std::span<const KeywordCode> words, int code);

} // namespace norvak
