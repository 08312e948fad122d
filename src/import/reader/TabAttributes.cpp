// The attribute handlers of the wire-format tabs: CWFTab, XMLTab and TDSTab.
#include "import/model/AttributeRows.h"
#include "import/model/DefinitionModel.h"
#include "import/model/TabDefinitions.h"
#include "import/reader/AttributeHandlers.h"

namespace norvak {

namespace {

bool storeCwfTabAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                          CwfTabDefinition& tab) {
    if (attributeIs(attrName, "name"))
        tab.name = insertName(diag, model, value);
    else if (attributeIs(attrName, rows::cwfTabIdentifier.keyword))
        tab.ident = insertName(diag, model, value);
    else if (attributeIs(attrName, rows::cwfTabCcsid.keyword))
        tab.ccsid = insertName(diag, model, value);
    else
        return false;
    return true;
}

bool isMessagingStandard(const char* value) {
    int code = 0;
    return codeOfWord(messagingStandardWords, value, code);
}

// Trim codes: 0 no trim, 1 leading, 2 trailing, 3 both, 4 padding characters; -1 unknown.
int trimCode(const char* value) {
    int code = -1;
    return codeOfWord(trimWords, value, code) ? code : -1;
}

void storeCompression(Diagnostics& diag, const char* attrName, const char* value, std::int32_t& code) {
    int given = 0;
    if (codeOfWord(compressionWords, value, given))
        code = given;
    else
        diag.error("*****Error - invalid attribute value (%s) for %s\n", value, attrName);
}

bool storeTdsTabAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                          TdsTabDefinition& tab) {
    if (attributeIs(attrName, "name")) {
        tab.name = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabIdentifier.keyword)) {
        tab.ident = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabMessagingStandard.keyword)) {
        if (isMessagingStandard(value))
            tab.messagingStandard = insertName(diag, model, value);
        else
            diag.error("*****Error - invalid value (%s) for %s attribute\n", value, attrName);
    } else if (attributeIs(attrName, rows::tdsTabGroupIndicator.keyword)) {
        tab.groupInd = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabGroupTerminator.keyword)) {
        tab.groupTerm = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabTagDataSeparator.keyword)) {
        tab.tagDataSep = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabTagLength.keyword)) {
        tab.tagLen = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabDecimalPoint.keyword)) {
        tab.decimalPoint = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabTrim.keyword)) {
        int code = trimCode(value);
        if (code < 0)
            diag.error("*****Error - unrecognized value (%s) for trimFix attribute\n", value);
        else
            tab.trimCode = code;
    } else if (attributeIs(attrName, rows::tdsTabDelimiter.keyword)) {
        tab.delimiter = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabEscapeCharacter.keyword)) {
        tab.escapeChar = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabReservedChars.keyword)) {
        tab.reservedChars = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabBooleanTrue.keyword)) {
        tab.boolTrue = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabBooleanFalse.keyword)) {
        tab.boolFalse = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabBooleanNull.keyword)) {
        tab.boolNull = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::tdsTabOutputCompression.keyword)) {
        storeCompression(diag, attrName, value, tab.outputCompress);
    } else if (attributeIs(attrName, rows::tdsTabInputCompression.keyword)) {
        storeCompression(diag, attrName, value, tab.inputCompress);
    } else if (attributeIs(attrName, "ccsid")) {
        tab.ccsid = insertName(diag, model, value);
    } else {
        return false;
    }
    return true;
}

// A yes/no value judged by its first character, upper-cased: 'Y' gives
// `yesCode`, 'N' gives `noCode`; anything else is reported with `message`.
void storeFlag(Diagnostics& diag, const char* value, CheckedFormat<const char*> message, int yesCode, int noCode,
               std::int32_t& field) {
    char first = value[0];
    if (first >= 'a' && first <= 'z')
        first = static_cast<char>(first - 'a' + 'A');
    if (first == 'Y') {
        if (yesCode != 0)
            field = yesCode;
    } else if (first == 'N') {
        if (noCode != 0)
            field = noCode;
    } else {
        diag.errorChecked(message, value);
    }
}

void storeNullEncoding(Diagnostics& diag, const char* value, std::int32_t& code) {
    int given = 0;
    if (codeOfWord(nullEncodingWords, value, given))
        code = given;
    else
        diag.error("*****Error - invalid value (%s) for encodeNull attribute\n", value);
}

bool storeXmlTabAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                          XmlTabDefinition& tab) {
    if (attributeIs(attrName, "name")) {
        tab.name = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabIdentifier.keyword)) {
        tab.ident = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabSuppressDeclaration.keyword)) {
        storeFlag(diag, value, "*****Error - invalid value (%s) for supXMLdecl parameter\n", 1, 0, tab.suppressXmlDecl);
    } else if (attributeIs(attrName, rows::xmlTabSuppressDocType.keyword)) {
        storeFlag(diag, value, "*****Error - invalid value (%s) for supDocType parameter\n", 1, 0, tab.suppressDocType);
    } else if (attributeIs(attrName, rows::xmlTabStandalone.keyword)) {
        storeFlag(diag, value, "*****Error - invalid value (%s) for standaloneDoc parameter\n", 1, 2, tab.standalone);
    } else if (attributeIs(attrName, rows::xmlTabDocTypeSystemId.keyword)) {
        tab.docTypeSystemId = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabDocTypePublicId.keyword)) {
        tab.docTypePublicId = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabDocTypeText.keyword)) {
        tab.docTypeText = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabRootTagName.keyword)) {
        tab.rootTagName = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabVersioning.keyword)) {
        storeFlag(diag, value, "*****Error - invalid value (%s) for enableVersion parameter\n", 0, 1,
                  tab.versioningDisabled);
    } else if (attributeIs(attrName, rows::xmlTabBooleanTrue.keyword)) {
        tab.boolTrue = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabBooleanFalse.keyword)) {
        tab.boolFalse = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabNullNum.keyword)) {
        storeNullEncoding(diag, value, tab.encodeNullNum);
    } else if (attributeIs(attrName, rows::xmlTabNullNumValue.keyword)) {
        tab.encodeNullNumValue = insertName(diag, model, value);
    } else if (attributeIs(attrName, rows::xmlTabNullNonNum.keyword)) {
        storeNullEncoding(diag, value, tab.encodeNullNonNum);
    } else if (attributeIs(attrName, rows::xmlTabNullNonNumValue.keyword)) {
        tab.encodeNullNonNumValue = insertName(diag, model, value);
    } else {
        return false;
    }
    return true;
}

// Every attribute of each tab tag, for the hint after an unknown one.
constexpr std::string_view cwfTabAttributeNames[] = {"name", rows::cwfTabIdentifier.keyword, rows::cwfTabCcsid.keyword};
constexpr std::string_view tdsTabAttributeNames[] = {
    "name",
    rows::tdsTabIdentifier.keyword,
    rows::tdsTabMessagingStandard.keyword,
    rows::tdsTabGroupIndicator.keyword,
    rows::tdsTabGroupTerminator.keyword,
    rows::tdsTabTagDataSeparator.keyword,
    rows::tdsTabTagLength.keyword,
    rows::tdsTabDecimalPoint.keyword,
    rows::tdsTabTrim.keyword,
    rows::tdsTabDelimiter.keyword,
    rows::tdsTabEscapeCharacter.keyword,
    rows::tdsTabReservedChars.keyword,
    rows::tdsTabBooleanTrue.keyword,
    rows::tdsTabBooleanFalse.keyword,
    rows::tdsTabBooleanNull.keyword,
    rows::tdsTabOutputCompression.keyword,
    rows::tdsTabInputCompression.keyword,
    "ccsid",
};
constexpr std::string_view xmlTabAttributeNames[] = {
    "name",
    rows::xmlTabIdentifier.keyword,
    rows::xmlTabSuppressDeclaration.keyword,
    rows::xmlTabSuppressDocType.keyword,
    rows::xmlTabStandalone.keyword,
    rows::xmlTabDocTypeSystemId.keyword,
    rows::xmlTabDocTypePublicId.keyword,
    rows::xmlTabDocTypeText.keyword,
    rows::xmlTabRootTagName.keyword,
    rows::xmlTabVersioning.keyword,
    rows::xmlTabBooleanTrue.keyword,
    rows::xmlTabBooleanFalse.keyword,
    rows::xmlTabNullNum.keyword,
    rows::xmlTabNullNumValue.keyword,
    rows::xmlTabNullNonNum.keyword,
    rows::xmlTabNullNonNumValue.keyword,
};

} // namespace

void getAttrValueCWFTab(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                        CwfTabDefinition& tab) {
    handleAttribute(diag, model, "getAttrValueCWFTab", storeCwfTabAttribute, cwfTabAttributeNames, attrName, value, tab);
}

void getAttrValueTDSTab(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                        TdsTabDefinition& tab) {
    handleAttribute(diag, model, "getAttrValueTDSTab", storeTdsTabAttribute, tdsTabAttributeNames, attrName, value, tab);
}

void getAttrValueXMLTab(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                        XmlTabDefinition& tab) {
    handleAttribute(diag, model, "getAttrValueXMLTab", storeXmlTabAttribute, xmlTabAttributeNames, attrName, value, tab);
}

} // namespace norvak
