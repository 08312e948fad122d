// The wire-format tabs of the file that the message set lacks, created with their settings.
#include "import/repository/WireFormatTabs.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "import/model/AttributeRows.h"
#include "import/model/DefinitionModel.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "import/repository/AttributeWriters.h"
#include "import/repository/RowWriters.h"
#include "support/Diagnostics.h"

#include <string>

namespace norvak {

namespace {

// Writes the setting rows of one tab: component id 0, the class of tab
// settings, the tab's name as attribute group and its plugin member.
class TabSettings {
  public:
    TabSettings(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                DbSession& db, int tabName, int memberId)
        : diag_(diag), options_(options), model_(model), state_(state), db_(db), group_(model.text(tabName)),
          memberId_(memberId) {}

    // A row for a text setting, when the text is given.
    void text(const AttributeRow& row, int value) {
        if (value > 0)
            write(row, model_.text(value));
    }
    // A row with a fixed value, when the setting's code is non-zero.
    void fixed(bool given, const AttributeRow& row, const char* value) {
        if (given)
            write(row, value);
    }

  private:
    void write(const AttributeRow& row, const std::string& value) {
        createAttribute(diag_, options_, state_, db_, row.name, row.type, group_, value, row.minLength, row.maxLength,
                        0, tabSettingClass, memberId_, row.key);
    }

    Diagnostics& diag_;
    const RunOptions& options_;
    const DefinitionModel& model_;
    RepositoryState& state_;
    DbSession& db_;
    std::string group_;
    int memberId_;
};

// The text a code of a setting is written as: the first word of the code
// ("" for a code no word gives).
const char* codeText(std::span<const KeywordCode> words, int code) {
    const char* word = wordOfCode(words, code);
    return word != nullptr ? word : "";
}

// The value written for a null encoding code ("" for one that writes no row).
const char* nullEncodingText(int code) {
    const char* value = nullEncodingValue(code);
    return value != nullptr ? value : "";
}

bool isKnown(const KnownTabs& known, int name) {
    for (std::size_t index = 0; index < known.size(); ++index) {
        if (known.names[index] == name)
            return true;
    }
    return false;
}

} // namespace

int createWireFormatTab(Diagnostics& diag, const RunOptions& options, RepositoryState& state, DbSession& db,
                        int pluginKey, const char* tabName) {
    diag.trace("==> createWireFormatTab - attrKey %d, tabName %s\n", pluginKey, tabName);
    ++state.nextMemberId;
    ++state.nextMemberSeqNum;
    std::string statement = insertWireFormatTabStatement(options.schemaPrefix, state.projectKey, pluginKey,
                                                         quotedText(tabName), options.executionDateTime);
    runInsert(db, statement,
              {InsertParameter::integer(state.nextMemberId), InsertParameter::smallInteger(state.nextMemberSeqNum)},
              "createWireFormatTab", insertMode(options));
    diag.trace("<== createWireFormatTab returned %d\n", state.nextMemberId);
    return state.nextMemberId;
}

void createCWFtab(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const CwfTabDefinition& tab) {
    diag.trace("==> createCWFtab\n");
    int memberId = createWireFormatTab(diag, options, state, db, pluginCwfTab, model.text(tab.name));
    state.cwfTabs.add(memberId, tab.name);
    if (options.verboseSw)
        diag.print("Created REG_PLUGIN_MEMBER for CWF tab %s - reg_plugin_key %d\n", model.text(tab.name), memberId);
    else
        diag.print("Created REG_PLUGIN_MEMBER for CWF tab %s\n", model.text(tab.name));
    TabSettings settings(diag, options, model, state, db, tab.name, memberId);
    settings.text(rows::cwfTabIdentifier, tab.ident);
    settings.text(rows::cwfTabCcsid, tab.ccsid);
    diag.trace("<== createCWFtab nextMemberId %d\n", memberId);
}

void createTDStab(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const TdsTabDefinition& tab) {
    diag.trace("==> createTDStab\n");
    int memberId = createWireFormatTab(diag, options, state, db, pluginTdsTab, model.text(tab.name));
    state.tdsTabs.add(memberId, tab.name);
    if (options.verboseSw)
        diag.print("Created REG_PLUGIN_MEMBER for TDS tab - reg_plugin_key %d\n", memberId);
    else
        diag.print("Created REG_PLUGIN_MEMBER for TDS tab\n");
    TabSettings settings(diag, options, model, state, db, tab.name, memberId);
    settings.text(rows::tdsTabIdentifier, tab.ident);
    settings.text(rows::tdsTabMessagingStandard, tab.messagingStandard);
    settings.text(rows::tdsTabGroupIndicator, tab.groupInd);
    settings.text(rows::tdsTabGroupTerminator, tab.groupTerm);
    settings.text(rows::tdsTabTagDataSeparator, tab.tagDataSep);
    settings.text(rows::tdsTabTagLength, tab.tagLen);
    settings.text(rows::tdsTabDecimalPoint, tab.decimalPoint);
    settings.text(rows::tdsTabDelimiter, tab.delimiter);
    settings.fixed(tab.trimCode != 0, rows::tdsTabTrim, codeText(trimWords, tab.trimCode));
    settings.text(rows::tdsTabEscapeCharacter, tab.escapeChar);
    settings.text(rows::tdsTabReservedChars, tab.reservedChars);
    settings.fixed(tab.outputCompress != 0, rows::tdsTabOutputCompression,
                   codeText(compressionWords, tab.outputCompress));
    settings.fixed(tab.inputCompress != 0, rows::tdsTabInputCompression, codeText(compressionWords, tab.inputCompress));
    settings.text(rows::tdsTabBooleanTrue, tab.boolTrue);
    settings.text(rows::tdsTabBooleanFalse, tab.boolFalse);
    settings.text(rows::tdsTabBooleanNull, tab.boolNull);
    diag.trace("<== createTDStab nextMemberId %d\n", memberId);
}

void createXMLtab(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                  DbSession& db, const XmlTabDefinition& tab) {
    diag.trace("==> createXMLtab name %s ident %s\n", model.text(tab.name), model.text(tab.ident));
    int memberId = createWireFormatTab(diag, options, state, db, pluginXmlTab, model.text(tab.name));
    state.xmlTabs.add(memberId, tab.name);
    if (options.verboseSw)
        diag.print("Created REG_PLUGIN_MEMBER for XML tab - reg_plugin_key %d\n", memberId);
    else
        diag.print("Created REG_PLUGIN_MEMBER for XML tab\n");
    TabSettings settings(diag, options, model, state, db, tab.name, memberId);
    settings.text(rows::xmlTabIdentifier, tab.ident);
    settings.fixed(tab.suppressXmlDecl != 0, rows::xmlTabSuppressDeclaration, "1");
    settings.fixed(tab.standalone != 0, rows::xmlTabStandalone, tab.standalone == 2 ? "2" : "1");
    settings.fixed(tab.suppressDocType != 0, rows::xmlTabSuppressDocType, "1");
    settings.text(rows::xmlTabDocTypeSystemId, tab.docTypeSystemId);
    settings.text(rows::xmlTabDocTypePublicId, tab.docTypePublicId);
    settings.text(rows::xmlTabDocTypeText, tab.docTypeText);
    settings.text(rows::xmlTabRootTagName, tab.rootTagName);
    settings.fixed(tab.versioningDisabled != 0, rows::xmlTabVersioning, "0");
    settings.text(rows::xmlTabBooleanTrue, tab.boolTrue);
    settings.text(rows::xmlTabBooleanFalse, tab.boolFalse);
    settings.fixed(tab.encodeNullNum != 0, rows::xmlTabNullNum, nullEncodingText(tab.encodeNullNum));
    settings.text(rows::xmlTabNullNumValue, tab.encodeNullNumValue);
    settings.fixed(tab.encodeNullNonNum != 0, rows::xmlTabNullNonNum, nullEncodingText(tab.encodeNullNonNum));
    settings.text(rows::xmlTabNullNonNumValue, tab.encodeNullNonNumValue);
    diag.trace("<== createXMLtab nextMemberId %d\n", memberId);
}

void createZEPtabs(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                   DbSession& db) {
    diag.trace("==> createZEPtabs\n");
    for (const XmlTabDefinition& tab : model.xmlTabList) {
        if (isKnown(state.xmlTabs, tab.name))
            diag.print("*****Warning - XML tab %s already exists - was not created\n", model.text(tab.name));
        else
            createXMLtab(diag, options, model, state, db, tab);
    }
    for (const TdsTabDefinition& tab : model.tdsTabList) {
        if (isKnown(state.tdsTabs, tab.name))
            diag.print("*****Warning - TDS tab %s already exists - was not created\n", model.text(tab.name));
        else
            createTDStab(diag, options, model, state, db, tab);
    }
    for (const CwfTabDefinition& tab : model.cwfTabList) {
        if (isKnown(state.cwfTabs, tab.name))
            diag.print("*****Warning - CWF tab %s already exists - was not created\n", model.text(tab.name));
        else
            createCWFtab(diag, options, model, state, db, tab);
    }
    diag.trace("<== createZEPtabs\n");
}

} // namespace norvak
