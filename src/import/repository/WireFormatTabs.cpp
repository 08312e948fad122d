// The wire-format tabs of the file that the message set lacks, created with their settings.
#include "import/repository/WireFormatTabs.h"

#include "dbsession/Columns.h"
#include "dbsession/DbSession.h"
#include "dbsession/RepositoryStatements.h"
#include "dbsession/Statement.h"
#include "import/model/DefinitionModel.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "import/repository/AttributeWriters.h"
#include "import/repository/RowWriters.h"
#include "support/Diagnostics.h"

#include <string>

namespace norvak {

namespace {

// Writes the setting rows of one tab: component id 0, class 1, the tab's
// name as attribute group and its plugin member.
class TabSettings {
  public:
    TabSettings(Diagnostics& diag, const RunOptions& options, const DefinitionModel& model, RepositoryState& state,
                DbSession& db, int tabName, int memberId)
        : diag_(diag), options_(options), model_(model), state_(state), db_(db), group_(model.text(tabName)),
          memberId_(memberId) {}

    // A row for a text setting, when the text is given.
    void text(const char* attrName, const char* attrType, int value, int minLength, int maxLength, int key) {
        if (value > 0)
            row(attrName, attrType, model_.text(value), minLength, maxLength, key);
    }
    // A row with a fixed value, when the setting's code is non-zero.
    void fixed(bool given, const char* attrName, const char* attrType, const char* value, int minLength, int maxLength,
               int key) {
        if (given)
            row(attrName, attrType, value, minLength, maxLength, key);
    }

  private:
    void row(const char* attrName, const char* attrType, const std::string& value, int minLength, int maxLength,
             int key) {
        createAttribute(diag_, options_, state_, db_, attrName, attrType, group_, value, minLength, maxLength, 0, 1,
                        memberId_, key);
    }

    Diagnostics& diag_;
    const RunOptions& options_;
    const DefinitionModel& model_;
    RepositoryState& state_;
    DbSession& db_;
    std::string group_;
    int memberId_;
};

const char* trimText(int code) {
    switch (code) {
    case 1:
        return "Leading White Spaces";
    case 2:
        return "Trailing White Spaces";
    case 3:
        return "Trim Both";
    case 4:
        return "Trim Padding Chars";
    default:
        return "";
    }
}

// The value written for a null encoding code (1 is written as 0).
const char* nullEncodingText(int code) {
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
        return "";
    }
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
    settings.text("Custom Wire Format Identifier", "string", tab.ident, 1, 120, 1);
    settings.text("Default CCSID", "string", tab.ccsid, 0, 254, 2);
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
    settings.text("TDS Wire Format Identifier", "string", tab.ident, 1, 120, 1);
    settings.text("Messaging Standard", "string", tab.messagingStandard, 0, 254, 2);
    settings.text("Group Indicator", "string", tab.groupInd, 0, 254, 5);
    settings.text("Group Terminator", "string", tab.groupTerm, 0, 254, 6);
    settings.text("Tag Data Separator", "string", tab.tagDataSep, 0, 254, 7);
    settings.text("Tag Length", "integer", tab.tagLen, 0, 254, 8);
    settings.text("Decimal Point", "string", tab.decimalPoint, 0, 254, 9);
    settings.text("Delimiter", "string", tab.delimiter, 0, 254, 17);
    settings.fixed(tab.trimCode != 0, "Trim Fix Len String", "enum", trimText(tab.trimCode), 0, 254, 4);
    settings.text("Escape Character", "string", tab.escapeChar, 0, 254, 10);
    settings.text("Reserved Chars", "string", tab.reservedChars, 0, 254, 11);
    settings.fixed(tab.outputCompress != 0, "Output Compression Technique", "enum", "SimpleAL3CharCompress", 0, 254,
                   12);
    settings.fixed(tab.inputCompress != 0, "Input Compression Technique", "enum", "SimpleAL3CharCompress", 0, 254, 13);
    settings.text("Boolean True Representation", "string", tab.boolTrue, 0, 254, 14);
    settings.text("Boolean False Representation", "string", tab.boolFalse, 0, 254, 15);
    settings.text("Boolean Null Representation", "string", tab.boolNull, 0, 254, 16);
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
    settings.text("XML Wire Format Identifier", "string", tab.ident, 1, 120, 1);
    settings.fixed(tab.suppressXmlDecl != 0, "Suppress XML Declaration", "boolean", "1", 1, 1, 2);
    settings.fixed(tab.standalone != 0, "Standalone document", "enum", tab.standalone == 2 ? "2" : "1", 0, 254, 3);
    settings.fixed(tab.suppressDocType != 0, "Suppress DOCTYPE", "boolean", "1", 1, 1, 4);
    settings.text("DOCTYPE System ID", "string", tab.docTypeSystemId, 0, 254, 5);
    settings.text("DOCTYPE Public ID", "string", tab.docTypePublicId, 0, 254, 6);
    settings.text("DOCTYPE text", "string", tab.docTypeText, 0, 254, 7);
    settings.text("Root Tag Name", "string", tab.rootTagName, 0, 254, 8);
    settings.fixed(tab.versioningDisabled != 0, "Enable Versioning Support", "boolean", "0", 1, 1, 11);
    settings.text("Boolean True Value", "string", tab.boolTrue, 0, 254, 12);
    settings.text("Boolean False Value", "string", tab.boolFalse, 0, 254, 13);
    settings.fixed(tab.encodeNullNum != 0, "Encoding Null Num", "enum", nullEncodingText(tab.encodeNullNum), 0, 254,
                   14);
    settings.text("Encoding Null Num Val", "string", tab.encodeNullNumValue, 0, 254, 15);
    settings.fixed(tab.encodeNullNonNum != 0, "Encoding Null Non-Num", "enum", nullEncodingText(tab.encodeNullNonNum),
                   0, 254, 16);
    settings.text("Encoding Null Non-Num Val", "string", tab.encodeNullNonNumValue, 0, 254, 17);
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
