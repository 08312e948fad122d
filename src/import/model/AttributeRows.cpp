// The one table of attribute rows and its lookups by owner, wire format, key and name.
#include "import/model/AttributeRows.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace norvak {

namespace {

// Those of one owner and wire format together, in the order they are written.
constexpr const AttributeRow* table[] = {
    &rows::cwfTabIdentifier,
    &rows::cwfTabCcsid,
    &rows::tdsTabIdentifier,
    &rows::tdsTabMessagingStandard,
    &rows::tdsTabGroupIndicator,
    &rows::tdsTabGroupTerminator,
    &rows::tdsTabTagDataSeparator,
    &rows::tdsTabTagLength,
    &rows::tdsTabDecimalPoint,
    &rows::tdsTabDelimiter,
    &rows::tdsTabTrim,
    &rows::tdsTabEscapeCharacter,
    &rows::tdsTabReservedChars,
    &rows::tdsTabOutputCompression,
    &rows::tdsTabInputCompression,
    &rows::tdsTabBooleanTrue,
    &rows::tdsTabBooleanFalse,
    &rows::tdsTabBooleanNull,
    &rows::xmlTabIdentifier,
    &rows::xmlTabSuppressDeclaration,
    &rows::xmlTabStandalone,
    &rows::xmlTabSuppressDocType,
    &rows::xmlTabDocTypeSystemId,
    &rows::xmlTabDocTypePublicId,
    &rows::xmlTabDocTypeText,
    &rows::xmlTabRootTagName,
    &rows::xmlTabVersioning,
    &rows::xmlTabBooleanTrue,
    &rows::xmlTabBooleanFalse,
    &rows::xmlTabNullNum,
    &rows::xmlTabNullNumValue,
    &rows::xmlTabNullNonNum,
    &rows::xmlTabNullNonNumValue,
    &rows::tdsElementTag,
    &rows::tdsElementLength,
    &rows::tdsElementJustification,
    &rows::tdsElementPaddingCharacter,
    &rows::tdsElementInterpretValue,
    &rows::tdsElementDecimalPoint,
    &rows::tdsElementPrecision,
    &rows::tdsElementFormat,
    &rows::tdsElementSignOrientation,
    &rows::tdsElementPositiveSign,
    &rows::tdsElementNegativeSign,
    &rows::tdsElementNullEncoding,
    &rows::tdsElementNullValue,
    &rows::xmlElementName,
    &rows::xmlElementFormat,
    &rows::xmlElementEncoding,
    &rows::tdsTypeSeparation,
    &rows::tdsTypeDelimiter,
    &rows::tdsTypeGroupIndicator,
    &rows::tdsTypeGroupTerminator,
    &rows::tdsTypeTagDataSeparator,
    &rows::tdsTypeTagLength,
    &rows::cwfMemberPhysicalType,
    &rows::cwfMemberLength,
    &rows::cwfMemberLengthReference,
    &rows::cwfMemberLengthUnits,
    &rows::cwfMemberSigned,
    &rows::cwfMemberDecimalPoint,
    &rows::cwfMemberByteAlignment,
    &rows::cwfMemberJustification,
    &rows::cwfMemberPaddingCharacter,
    &rows::cwfMemberRepeatCount,
    &rows::cwfMemberRepeatReference,
    &rows::xmlMemberName,
    &rows::xmlMemberRender,
    &rows::xmlMemberIdAttributeName,
    &rows::xmlMemberIdAttributeValue,
    &rows::xmlMemberValueAttributeName,
    &rows::xmlMemberFormat,
    &rows::xmlMemberEncoding,
    &rows::tdsMemberRepeatDelimiter,
    &rows::tdsMemberLengthReference,
    &rows::itemUuid,
    &rows::memberUuid,
    &rows::messageCopyBookName,
    &rows::itemCobolName,
    &rows::itemCName,
};

// Owner and wire format in one number, and the key beside them.
std::uint64_t kindOf(RowOwner owner, WireFormat format) {
    return (static_cast<std::uint64_t>(owner) << 8) | static_cast<std::uint64_t>(format);
}
std::uint64_t keyOf(RowOwner owner, WireFormat format, int key) {
    return (kindOf(owner, format) << 32) | static_cast<std::uint32_t>(key);
}

struct Index {
    std::unordered_map<std::uint64_t, std::vector<const AttributeRow*>> byKind;
    std::unordered_map<std::uint64_t, const AttributeRow*> byKey;
    std::unordered_map<std::string, const AttributeRow*> byName;

    static std::string nameKey(RowOwner owner, WireFormat format, std::string_view name) {
        std::string key(name);
        key += '\x1f';
        key += std::to_string(kindOf(owner, format));
        return key;
    }

    Index() {
        for (const AttributeRow* row : table) {
            byKind[kindOf(row->owner, row->format)].push_back(row);
            byKey.emplace(keyOf(row->owner, row->format, row->key), row);
            byName.emplace(nameKey(row->owner, row->format, row->name), row);
        }
    }
};

const Index& rowIndex() {
    static const Index built;
    return built;
}

} // namespace

std::span<const AttributeRow* const> attributeRows() {
    return table;
}

std::span<const AttributeRow* const> attributeRowsOf(RowOwner owner, WireFormat format) {
    const auto& byKind = rowIndex().byKind;
    auto found = byKind.find(kindOf(owner, format));
    if (found == byKind.end())
        return {};
    return found->second;
}

const AttributeRow* findAttributeRow(RowOwner owner, WireFormat format, int key) {
    const auto& byKey = rowIndex().byKey;
    auto found = byKey.find(keyOf(owner, format, key));
    return found == byKey.end() ? nullptr : found->second;
}

const AttributeRow* findAttributeRowNamed(RowOwner owner, WireFormat format, std::string_view name) {
    const auto& byName = rowIndex().byName;
    auto found = byName.find(Index::nameKey(owner, format, name));
    return found == byName.end() ? nullptr : found->second;
}

bool codeOfWord(std::span<const KeywordCode> words, const char* text, int& code) {
    for (const KeywordCode& word : words) {
        if (std::strcmp(word.text, text) == 0) {
            code = word.code;
            return true;
        }
    }
    return false;
}

const char* nullEncodingValue(int code) {
    switch (code) {
    case 1:
        return "0";
    case 2:
        return "2";
    case 3:
        return "3";
    case 4:
        return "4";
    default:
        return nullptr;
    }
}

const char* wordOfCode(std::span<const KeywordCode> words, int code) {
    for (const KeywordCode& word : words) {
        if (word.code == code)
            return word.text;
    }
    return nullptr;
}

} // namespace norvak
