// The attribute handlers of the wire-format tabs: CWFTab, XMLTab and TDSTab.
#include "import/model/DefinitionModel.h"
#include "import/model/TabDefinitions.h"
#include "import/reader/AttributeHandlers.h"

namespace norvak {

namespace {

bool storeCwfTabAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                          CwfTabDefinition& tab) {
    if (attributeIs(attrName, "name"))
        tab.name = insertName(diag, model, value);
    else if (attributeIs(attrName, "ident"))
        tab.ident = insertName(diag, model, value);
    else if (attributeIs(attrName, "ccsid"))
        tab.ccsid = insertName(diag, model, value);
    else
        return false;
    return true;
}

bool isMessagingStandard(const char* value) {
    for (const char* standard : {"UNKNOWN", "SWIFT", "ACORD AL3", "EDIFACT", "X12"}) {
        if (attributeIs(value, standard))
            return true;
    }
    return false;
}

// Trim codes: 0 no trim, 1 leading, 2 trailing, 3 both, 4 padding characters; -1 unknown.
int trimCode(const char* value) {
    struct Trim {
        const char* text;
        int code;
    };
    static const Trim trims[] = {
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
    for (const Trim& trim : trims) {
        if (attributeIs(value, trim.text))
            return trim.code;
    }
    return -1;
}

void storeCompression(Diagnostics& diag, const char* attrName, const char* value, std::int32_t& code) {
    if (attributeIs(value, "SimpleAL3CharCompress") || attributeIs(value, "AL3"))
        code = 1;
    else
        diag.error("*****Error - invalid attribute value (%s) for %s\n", value, attrName);
}

bool storeTdsTabAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                          TdsTabDefinition& tab) {
    if (attributeIs(attrName, "name")) {
        tab.name = insertName(diag, model, value);
    } else if (attributeIs(attrName, "ident")) {
        tab.ident = insertName(diag, model, value);
    } else if (attributeIs(attrName, "msgStd")) {
        if (isMessagingStandard(value))
            tab.messagingStandard = insertName(diag, model, value);
        else
            diag.error("*****Error - invalid value (%s) for %s attribute\n", value, attrName);
    } else if (attributeIs(attrName, "groupInd")) {
        tab.groupInd = insertName(diag, model, value);
    } else if (attributeIs(attrName, "groupTerm")) {
        tab.groupTerm = insertName(diag, model, value);
    } else if (attributeIs(attrName, "tagDataSep")) {
        tab.tagDataSep = insertName(diag, model, value);
    } else if (attributeIs(attrName, "tagLen")) {
        tab.tagLen = insertName(diag, model, value);
    } else if (attributeIs(attrName, "decimalPoint")) {
        tab.decimalPoint = insertName(diag, model, value);
    } else if (attributeIs(attrName, "trimFix")) {
        int code = trimCode(value);
        if (code < 0)
            diag.error("*****Error - unrecognized value (%s) for trimFix attribute\n", value);
        else
            tab.trimCode = code;
    } else if (attributeIs(attrName, "delimiter")) {
        tab.delimiter = insertName(diag, model, value);
    } else if (attributeIs(attrName, "escapeChar")) {
        tab.escapeChar = insertName(diag, model, value);
    } else if (attributeIs(attrName, "reservedChars")) {
        tab.reservedChars = insertName(diag, model, value);
    } else if (attributeIs(attrName, "boolTrue")) {
        tab.boolTrue = insertName(diag, model, value);
    } else if (attributeIs(attrName, "boolFalse")) {
        tab.boolFalse = insertName(diag, model, value);
    } else if (attributeIs(attrName, "boolNull")) {
        tab.boolNull = insertName(diag, model, value);
    } else if (attributeIs(attrName, "outputCompress")) {
        storeCompression(diag, attrName, value, tab.outputCompress);
    } else if (attributeIs(attrName, "inputCompress")) {
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
    if (attributeIs(value, "NULLAttribute"))
        code = 1;
    else if (attributeIs(value, "NULLEmpty"))
        code = 0;
    else if (attributeIs(value, "NULLValue"))
        code = 2;
    else if (attributeIs(value, "NULLElement"))
        code = 3;
    else if (attributeIs(value, "NULLValAttr"))
        code = 4;
    else
        diag.error("*****Error - invalid value (%s) for encodeNull attribute\n", value);
}

bool storeXmlTabAttribute(Diagnostics& diag, DefinitionModel& model, const char* attrName, char* value,
                          XmlTabDefinition& tab) {
    if (attributeIs(attrName, "name")) {
        tab.name = insertName(diag, model, value);
    } else if (attributeIs(attrName, "ident")) {
        tab.ident = insertName(diag, model, value);
    } else if (attributeIs(attrName, "supXmlDecl")) {
        storeFlag(diag, value, "*****Error - invalid value (%s) for supXMLdecl parameter\n", 1, 0, tab.suppressXmlDecl);
    } else if (attributeIs(attrName, "supDocType")) {
        storeFlag(diag, value, "*****Error - invalid value (%s) for supDocType parameter\n", 1, 0, tab.suppressDocType);
    } else if (attributeIs(attrName, "standaloneDoc")) {
        storeFlag(diag, value, "*****Error - invalid value (%s) for standaloneDoc parameter\n", 1, 2, tab.standalone);
    } else if (attributeIs(attrName, "doctypeSystemId")) {
        tab.docTypeSystemId = insertName(diag, model, value);
    } else if (attributeIs(attrName, "doctypePublicId")) {
        tab.docTypePublicId = insertName(diag, model, value);
    } else if (attributeIs(attrName, "doctypeText")) {
        tab.docTypeText = insertName(diag, model, value);
    } else if (attributeIs(attrName, "rootTagName")) {
        tab.rootTagName = insertName(diag, model, value);
    } else if (attributeIs(attrName, "enableVersion")) {
        storeFlag(diag, value, "*****Error - invalid value (%s) for enableVersion parameter\n", 0, 1,
                  tab.versioningDisabled);
    } else if (attributeIs(attrName, "boolTrue")) {
        tab.boolTrue = insertName(diag, model, value);
    } else if (attributeIs(attrName, "boolFalse")) {
        tab.boolFalse = insertName(diag, model, value);
    } else if (attributeIs(attrName, "encodeNullNum")) {
        storeNullEncoding(diag, value, tab.encodeNullNum);
    } else if (attributeIs(attrName, "encodeNullNumVal")) {
        tab.encodeNullNumValue = insertName(diag, model, value);
    } else if (attributeIs(attrName, "encodeNullNonNum")) {
        storeNullEncoding(diag, value, tab.encodeNullNonNum);
    } else if (attributeIs(attrName, "encodeNullNonNumVal")) {
        tab.encodeNullNonNumValue = insertName(diag, model, value);
    } else {
        return false;
    }
    return true;
}

// Every attribute of each tab tag, for the hint after an unknown one.
constexpr std::string_view cwfTabAttributeNames[] = {"name", "ident", "ccsid"};
constexpr std::string_view tdsTabAttributeNames[] = {
    "name",    "ident",     "msgStd",     "groupInd",      "groupTerm", "tagDataSep",   "tagLen",
    "decimalPoint", "trimFix", "delimiter", "escapeChar", "reservedChars", "boolTrue", "boolFalse",
    "boolNull", "outputCompress", "inputCompress", "ccsid",
};
constexpr std::string_view xmlTabAttributeNames[] = {
    "name",          "ident",           "supXmlDecl",  "supDocType",  "standaloneDoc",
    "doctypeSystemId", "doctypePublicId", "doctypeText", "rootTagName", "enableVersion",
    "boolTrue",      "boolFalse",       "encodeNullNum", "encodeNullNumVal", "encodeNullNonNum",
    "encodeNullNonNumVal",
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
