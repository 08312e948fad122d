// A stored message set written back as a definitions file that norvakload reads.
#include "tools/export/DefinitionsExport.h"

#include "dbsession/RepositorySchema.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "import/model/RunOptions.h"
#include "import/reader/Keywords.h"
#include "setmodel/MessageSetModel.h"
#include "support/StringUtilities.h"
#include "support/Utf8Text.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace norvak {

namespace {

// Kinds of wire-format tabs.
enum TabKind { tabCwf, tabTds, tabXml, tabKinds };

int tabKindOf(int pluginKey) {
    switch (pluginKey) {
    case pluginCwfTab:
        return tabCwf;
    case pluginTdsTab:
        return tabTds;
    case pluginXmlTab:
        return tabXml;
    default:
        return -1;
    }
}

// How the import writes an attribute row of a key: its name, type and
// lengths. The definitions attribute that gives it, and nothing when the
// file has none.
struct RowForm {
    int key;
    const char* name;
    const char* type;
    int minLength;
    int maxLength;
    const char* attribute;
};

// Element and type properties, one row per TDS or XML tab.
constexpr RowForm tdsElementRows[] = {
    {keyTdsTag, "Tag", "string", 0, 254, "tag"},
    {keyTdsLength, "Length", "integer", 0, 254, "length"},
    {keyTdsJustification, "Justification", "enum", 0, 254, "justification"},
    {keyTdsPaddingCharacter, "Padding Character", "string", 0, 254, "padChar"},
    {keyTdsInterpretValue, "Interpret Element Value", "enum", 0, 254, "interpretValue"},
    {keyTdsVirtualDecimalPoint, "Virtual Decimal Point", "integer", 0, 254, "decimalPoint"},
    {keyTdsPrecision, "Precision", "integer", 0, 254, "precision"},
    {keyTdsFormat, "Format", "string", 0, 254, "TDSFormat"},
    {keyTdsSignOrientation, "Sign Orientation", "enum", 0, 254, "signOrientation"},
    {keyTdsPositiveSign, "Positive Sign", "string", 0, 254, "positiveSign"},
    {keyTdsNegativeSign, "Negative Sign", "string", 0, 254, "negativeSign"},
    {keyTdsEncodingNull, "Encoding Null", "enum", 0, 254, "TDSNullKey"},
    {keyTdsEncodingNullValue, "Encoding Null Value", "string", 0, 254, "TDSNullValue"},
};
constexpr RowForm tdsTypeRows[] = {
    {keyTdsDataElementSeparation, "Data Element Separation", "enum", 0, 254, "dataElemSep"},
    {keyTdsDelimiter, "Delimiter", "string", 0, 254, "delimiter"},
    {keyTdsGroupIndicator, "Group Indicator", "string", 0, 254, "groupInd"},
    {keyTdsGroupTerminator, "Group Terminator", "string", 0, 254, "groupTerm"},
    {keyTdsTagDataSeparator, "Tag Data Separator", "string", 0, 254, "tagDataSep"},
    {keyTdsTagLength, "Tag Length", "integer", 0, 254, "tagLen"},
};
constexpr RowForm xmlElementRows[] = {
    {keyXmlName, "XML Name", "string", 0, 254, "xmlName"},
    {keyXmlFormat, "XML Format", "string", 0, 254, "xmlFormat"},
};

// Member properties, one row per tab of the kind.
constexpr RowForm cwfMemberRows[] = {
    {1, "Physical Type", "enum", 1, 2, "physicalType"},
    {2, "Length", "integer", 0, 10, "length"},
    {3, "Length Reference", "COMPONENT:ELEMENT", 0, 10, "lengthRef"},
    {13, "Length Units", "enum", 1, 1, "lengthUnits"},
    {4, "Signed", "enum", 1, 1, "signed"},
    {8, "Virtual Decimal Point", "integer", 0, 10, "decimalPoint"},
    {5, "Byte Alignment", "enum", 1, 2, "byteAlignment"},
    {6, "String Justification", "enum", 1, 1, "justification"},
    {7, "Padding Character", "string", 0, 10, "padChar"},
    {10, "Repeat Count", "integer", 0, 10, "repeat"},
    {11, "Repeat Count Reference", "COMPONENT:ELEMENT", 0, 10, "repeat"},
};
constexpr RowForm xmlMemberRows[] = {
    {100, "Member XML Name", "string", 0, 254, "xmlName"},
    {101, "Member Render", "enum", 0, 254, "xmlRender"},
    {102, "Member ID Attribute Name", "enum", 0, 254, "xmlIDattrName"},
    {103, "Member ID Attribute Value", "enum", 0, 254, "xmlIDattrValue"},
    {104, "Member Value Attribute Name", "enum", 0, 254, "xmlIDattrName"},
    {105, "Member Format", "string", 0, 254, "xmlFormat"},
    {106, "Member Encoding", "string", 0, 254, "xmlMemberEncode"},
};
constexpr RowForm tdsMemberRows[] = {
    {101, "Repeating Element Delimiter", "string", 0, 254, "repeatElemDelim"},
    {102, "Length Reference", "string", 0, 254, "lengthRef"},
};
constexpr int cwfMemberFlags = 1073741824;
// Appended to a member's label to make its context tag hint.
constexpr std::string_view contextTagSuffix = "CxTg";

// Tab settings, one row per tab (component 0, class 1).
constexpr RowForm cwfTabRows[] = {
    {1, "Custom Wire Format Identifier", "string", 1, 120, "ident"},
    {2, "Default CCSID", "string", 0, 254, "ccsid"},
};
constexpr RowForm tdsTabRows[] = {
    {1, "TDS Wire Format Identifier", "string", 1, 120, "ident"},
    {2, "Messaging Standard", "string", 0, 254, "msgStd"},
    {5, "Group Indicator", "string", 0, 254, "groupInd"},
    {6, "Group Terminator", "string", 0, 254, "groupTerm"},
    {7, "Tag Data Separator", "string", 0, 254, "tagDataSep"},
    {8, "Tag Length", "integer", 0, 254, "tagLen"},
    {9, "Decimal Point", "string", 0, 254, "decimalPoint"},
    {17, "Delimiter", "string", 0, 254, "delimiter"},
    {4, "Trim Fix Len String", "enum", 0, 254, "trimFix"},
    {10, "Escape Character", "string", 0, 254, "escapeChar"},
    {11, "Reserved Chars", "string", 0, 254, "reservedChars"},
    {12, "Output Compression Technique", "enum", 0, 254, "outputCompress"},
    {13, "Input Compression Technique", "enum", 0, 254, "inputCompress"},
    {14, "Boolean True Representation", "string", 0, 254, "boolTrue"},
    {15, "Boolean False Representation", "string", 0, 254, "boolFalse"},
    {16, "Boolean Null Representation", "string", 0, 254, "boolNull"},
};
constexpr RowForm xmlTabRows[] = {
    {1, "XML Wire Format Identifier", "string", 1, 120, "ident"},
    {2, "Suppress XML Declaration", "boolean", 1, 1, "supXmlDecl"},
    {3, "Standalone document", "enum", 0, 254, "standaloneDoc"},
    {4, "Suppress DOCTYPE", "boolean", 1, 1, "supDocType"},
    {5, "DOCTYPE System ID", "string", 0, 254, "doctypeSystemId"},
    {6, "DOCTYPE Public ID", "string", 0, 254, "doctypePublicId"},
    {7, "DOCTYPE text", "string", 0, 254, "doctypeText"},
    {8, "Root Tag Name", "string", 0, 254, "rootTagName"},
    {11, "Enable Versioning Support", "boolean", 1, 1, "enableVersion"},
    {12, "Boolean True Value", "string", 0, 254, "boolTrue"},
    {13, "Boolean False Value", "string", 0, 254, "boolFalse"},
    {14, "Encoding Null Num", "enum", 0, 254, "encodeNullNum"},
    {15, "Encoding Null Num Val", "string", 0, 254, "encodeNullNumVal"},
    {16, "Encoding Null Non-Num", "enum", 0, 254, "encodeNullNonNum"},
    {17, "Encoding Null Non-Num Val", "string", 0, 254, "encodeNullNonNumVal"},
};

template <std::size_t N> const RowForm* formOf(const RowForm (&forms)[N], int key) {
    for (const RowForm& form : forms)
        if (form.key == key)
            return &form;
    return nullptr;
}

// One tag of the file, built attribute by attribute.
class Tag {
  public:
    explicit Tag(const char* name) : text_(std::string("<") + name) {}
    Tag& attribute(const char* name, const std::string& value) {
        text_ += ' ';
        text_ += name;
        text_ += '=';
        text_ += quotedAttributeValue(value);
        return *this;
    }
    std::string open() const { return text_ + ">"; }
    std::string closed() const { return text_ + "/>"; }

  private:
    std::string text_;
};

bool isDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int numberOf(const std::string& text) {
    return leadingNumberOrZero(text.c_str());
}

// A property of an item or a member as its rows hold it: the value of each
// tab of its kind (pointing into the rows).
struct PropertyRows {
    std::vector<std::pair<std::int32_t, const std::string*>> byTab;
};

// The owner (an item or a member), the kind of tab and the key of a property.
using PropertyKey = std::uint64_t;
PropertyKey propertyKey(std::int32_t owner, int kind, int key) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(owner)) << 32) |
           (static_cast<std::uint64_t>(kind) << 16) | static_cast<std::uint16_t>(key);
}

class Exporter {
  public:
    // The attribute rows are read from the set as they stand, not through the model.
    explicit Exporter(const StoredMessageSet& set) : set_(set), model_(set, false) {}

    DefinitionsExport run() {
        index();
        collectAttributes();
        collectMemberAttributes();
        checkIdentifiers();

        text_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        text_ += "<!-- Written by norvakexport. Identifiers stand as stored, with their prefixes and suffixes. -->\n";
        if (!result_.languageBindings.empty()) {
            std::string list;
            for (const std::string& binding : result_.languageBindings)
                list += (list.empty() ? "" : ",") + binding;
            text_ += "<!-- Import into a message set with the language bindings " + list + " (norvakinit -l " + list +
                     "). -->\n";
        }
        // Every name norvakinit and norvakload take is written; a longer one
        // (another tool's) would make the import refuse the file.
        Tag options("ZEPImport");
        if (set_.name.size() <= longestMessageSetName)
            options.attribute("messageSet", set_.name);
        else
            omit("message set names longer than 127 bytes, which the import does not read (import with -s)");
        text_ += options.closed() + "\n";

        writeTabs();
        for (const StoredType& type : set_.types)
            if (!leftOut(classType, type.id))
                writeType(type);
        for (const StoredElement& element : set_.elements)
            if (!leftOut(classElement, element.id))
                writeElement(element);
        for (const StoredValue& value : set_.values)
            if (!leftOut(classValue, value.id))
                writeValue(value);
        for (const StoredMessage& message : set_.messages)
            if (!leftOut(classMessage, message.id))
                writeMessage(message);
        for (const auto& [table, rows] : set_.otherRows)
            omit("rows of table " + table + ", which no definition describes", rows);

        result_.text = std::move(text_);
        for (const auto& [kind, count] : omissions_)
            result_.omissions.emplace_back(kind, count);
        return std::move(result_);
    }

  private:
    void omit(const std::string& kind, long count = 1) { omissions_[kind] += count; }

    void index() {
        for (const ModelValueUse& use : model_.valueUses())
            if (use.element == nullptr || use.value == nullptr)
                omit("value uses of items that are not elements of the message set");
        for (const ModelPlugin* member : model_.pluginsInSequence()) {
            int kind = tabKindOf(member->row->pluginKey);
            if (kind >= 0)
                tabs_[kind].push_back(member->row);
            else if (member->row->pluginKey == pluginC)
                result_.languageBindings.push_back("C");
            else if (member->row->pluginKey == pluginCobol)
                result_.languageBindings.push_back("COBOL");
            else if (member->row->pluginKey != pluginUuid)
                omit("plugin members of a kind the definitions format has no tag for");
        }
        // A type's label is stored with "-" turned into "_"; the context tag
        // hints of the members that use the type keep it as it was given.
        for (const ModelMember& use : model_.members()) {
            const StoredTypeMember& member = *use.row;
            if (use.childKind != ItemKind::type || !member.tagHint || typeLabels_.count(member.childId))
                continue;
            const std::string& hint = *member.tagHint;
            if (hint.size() < contextTagSuffix.size() ||
                hint.compare(hint.size() - contextTagSuffix.size(), contextTagSuffix.size(), contextTagSuffix) != 0)
                continue;
            std::string label = hint.substr(0, hint.size() - contextTagSuffix.size());
            std::string stored = label;
            replaceChar(stored.data(), '-', '_');
            if (stored == use.childType->row->name)
                typeLabels_.emplace(member.childId, label);
        }
        checkSequences();
    }

    // The import numbers members and value uses from 1 in file order.
    void checkSequences() {
        for (const ModelMember& member : model_.members())
            if (member.row->sequence != member.position)
                omit("type members whose position is not their place in the type");
        for (const ModelElement& element : model_.elements()) {
            std::int32_t place = 0;
            for (const ModelValueUse* use : writtenUses(element))
                if (use->row->sequence != ++place)
                    omit("value uses whose position is not their place in the element");
        }
    }

    // The value uses of an element that name a value of the message set.
    static std::vector<const ModelValueUse*> writtenUses(const ModelElement& element) {
        std::vector<const ModelValueUse*> uses;
        for (const ModelValueUse* use : element.valueUses)
            if (use->value != nullptr)
                uses.push_back(use);
        return uses;
    }

    const StoredPluginMember* plugin(std::int32_t id) const {
        const ModelPlugin* found = model_.plugin(id);
        return found == nullptr ? nullptr : found->row;
    }

    // The name of an element or message, which its language names are made of.
    std::string_view labelOfOwner(std::int32_t ownerClass, std::int32_t id) const {
        if (ownerClass == classElement) {
            const ModelElement* found = model_.element(id);
            return found == nullptr ? std::string_view() : std::string_view(found->row->name);
        }
        if (ownerClass == classMessage) {
            const ModelMessage* found = model_.message(id);
            return found == nullptr ? std::string_view() : std::string_view(found->row->name);
        }
        return std::string_view();
    }

    static bool hasForm(const StoredAttribute& row, const RowForm& form, const StoredPluginMember& tab, int flags) {
        return row.name == form.name && row.type == form.type && row.minLength == form.minLength &&
               row.maxLength == form.maxLength && row.group == tab.name && row.flags == flags && !row.longValue &&
               row.value.has_value() && row.status == 0;
    }

    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    void collectAttributes() {
        for (const StoredAttribute& row : set_.attributes) {
            const StoredPluginMember* tab = plugin(row.pluginMemberId);
            if (tab == nullptr) {
                omit("attributes of plugin members the message set does not have");
                continue;
            }
            if (isRemadeByImport(row, tab->pluginKey)) {
                // Made again by every import, from the item's label.
                if (!holdsWhatTheImportMakes(row, labelOfOwner(row.ownerClass, row.ownerId)))
                    omit("uuids, language names or copy book names other than the import makes");
                continue;
            }
            int kind = tabKindOf(tab->pluginKey);
            const RowForm* form = nullptr;
            if (row.ownerClass == 1 && row.ownerId == 0) {
                form = kind == tabCwf   ? formOf(cwfTabRows, row.key)
                       : kind == tabTds ? formOf(tdsTabRows, row.key)
                       : kind == tabXml ? formOf(xmlTabRows, row.key)
                                        : nullptr;
            } else if (row.ownerClass == classElement && model_.element(row.ownerId) != nullptr) {
                form = kind == tabTds ? formOf(tdsElementRows, row.key)
                       : kind == tabXml ? formOf(xmlElementRows, row.key)
                                        : nullptr;
            } else if (row.ownerClass == classType && model_.type(row.ownerId) != nullptr) {
                form = kind == tabTds ? formOf(tdsTypeRows, row.key) : nullptr;
            }
            if (form == nullptr || !hasForm(row, *form, *tab, 0)) {
                omit("attribute rows the definitions format has no attribute for");
                continue;
            }
            if (row.ownerClass == 1)
                tabSettings_[tab->id][row.key] = *row.value;
            else
                properties_[propertyKey(row.ownerId, kind, row.key)].byTab.emplace_back(tab->id, &*row.value);
        }
    }

    void collectMemberAttributes() {
        for (const StoredAttribute& row : set_.memberAttributes) {
            const StoredPluginMember* tab = plugin(row.pluginMemberId);
            if (tab == nullptr) {
                omit("member attributes of plugin members the message set does not have");
                continue;
            }
            const ModelMember* member = model_.member(row.memberId);
            bool ownerKnown = member != nullptr && member->row->typeId == row.ownerId &&
                              row.ownerClass == classType && row.memberClass == classElement;
            if (ownerKnown && isRemadeByImport(row, tab->pluginKey)) {
                if (!holdsWhatTheImportMakes(row, std::string_view()))
                    omit("uuids, language names or copy book names other than the import makes");
                continue;
            }
            int kind = tabKindOf(tab->pluginKey);
            const RowForm* form = kind == tabCwf   ? formOf(cwfMemberRows, row.key)
                                  : kind == tabTds ? formOf(tdsMemberRows, row.key)
                                  : kind == tabXml ? formOf(xmlMemberRows, row.key)
                                                   : nullptr;
            if (!ownerKnown || member->row->childClass != classElement || form == nullptr ||
                !hasForm(row, *form, *tab, kind == tabCwf ? cwfMemberFlags : 0)) {
                omit("member attribute rows the definitions format has no attribute for");
                continue;
            }
            properties_[propertyKey(row.memberId, kind, row.key)].byTab.emplace_back(tab->id, &*row.value);
        }
    }

    // The value of a property: present for every tab of its kind, and the
    // same for each, as one definitions attribute writes it.
    const std::string* property(std::int32_t owner, int kind, int key) {
        auto found = properties_.find(propertyKey(owner, kind, key));
        if (found == properties_.end())
            return nullptr;
        const PropertyRows& rows = found->second;
        const std::string& first = *rows.byTab.front().second;
        // One row for each tab of the kind, all with the same value.
        bool uniform = rows.byTab.size() == tabs_[kind].size();
        for (std::size_t i = 0; i < rows.byTab.size(); ++i) {
            uniform = uniform && *rows.byTab[i].second == first;
            for (std::size_t j = 0; j < i; ++j)
                uniform = uniform && rows.byTab[j].first != rows.byTab[i].first;
        }
        if (!uniform && nonUniform_.insert(found->first).second)
            omit("properties that differ between the wire formats of one kind");
        return &first;
    }

    // Identifiers name one definition only in a file, and every definition
    // has one: a definition without an identifier, or whose identifier names
    // another definition too, is left out of the file (the import would
    // refuse the whole file), and so is what cannot stand without it: an
    // element of a type left out, a message whose type is left out or not in
    // the message set. What refers to a definition left out (a member, a
    // value use, a length or repeat count reference) is left out where it is
    // written. Each is counted.
    void checkIdentifiers() {
        std::unordered_map<std::string_view, int> uses;
        for (const StoredType& type : set_.types)
            ++uses[type.identifier];
        for (const StoredElement& element : set_.elements)
            ++uses[element.identifier];
        for (const StoredMessage& message : set_.messages)
            ++uses[message.identifier];
        for (const StoredValue& value : set_.values)
            ++uses[value.identifier];
        auto check = [&](std::int32_t itemClass, std::int32_t id, const std::string& identifier) {
            if (identifier.empty())
                omit("definitions without an identifier");
            else if (uses[identifier] > 1)
                omit("identifiers that name more than one definition");
            else
                return;
            leaveOut(itemClass, id, identifier);
        };
        for (const StoredType& type : set_.types)
            check(classType, type.id, type.identifier);
        for (const StoredElement& element : set_.elements)
            check(classElement, element.id, element.identifier);
        for (const StoredMessage& message : set_.messages)
            check(classMessage, message.id, message.identifier);
        for (const StoredValue& value : set_.values)
            check(classValue, value.id, value.identifier);

        for (const StoredElement& element : set_.elements) {
            if (!leftOut(classElement, element.id) && element.typeId >= firstItemId &&
                model_.type(element.typeId) != nullptr && leftOut(classType, element.typeId)) {
                omit("elements whose type is left out");
                leaveOut(classElement, element.id, element.identifier);
            }
        }
        for (const StoredMessage& message : set_.messages) {
            if (leftOut(classMessage, message.id))
                continue;
            if (model_.type(message.typeId) == nullptr)
                omit("messages whose type is not in the message set, which the import requires");
            else if (leftOut(classType, message.typeId))
                omit("messages whose type is left out");
            else
                continue;
            leaveOut(classMessage, message.id, message.identifier);
        }
    }

    void leaveOut(std::int32_t itemClass, std::int32_t id, const std::string& identifier) {
        leftOut_.insert(itemKey(itemClass, id));
        leftOutIdentifiers_.insert(identifier);
    }

    static std::uint64_t itemKey(std::int32_t itemClass, std::int32_t id) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(itemClass)) << 32) |
               static_cast<std::uint32_t>(id);
    }

    // Whether the item of that class and id is left out of the file.
    bool leftOut(std::int32_t itemClass, std::int32_t id) const {
        return !leftOut_.empty() && leftOut_.count(itemKey(itemClass, id)) != 0;
    }

    void line(int indent, const std::string& tag) {
        text_.append(static_cast<std::size_t>(indent) * 2, ' ');
        text_ += tag;
        text_ += '\n';
    }

    void attribute(Tag& tag, const char* name, const std::string& value) {
        if (value.size() > repositoryTextWidth)
            omit("texts longer than 254 bytes, which the import refuses");
        tag.attribute(name, value);
    }

    void keyword(Tag& tag, const char* name, const char* word, const char* what) {
        if (word != nullptr)
            tag.attribute(name, word);
        else
            omit(std::string(what) + " codes the definitions format has no keyword for");
    }

    // The setting rows of each tab, as the tab's tag.
    void writeTabs() {
        static constexpr const char* tags[tabKinds] = {"CWFTab", "TDSTab", "XMLTab"};
        for (int kind = 0; kind < tabKinds; ++kind) {
            for (const StoredPluginMember* tab : tabs_[kind]) {
                Tag tag(tags[kind]);
                attribute(tag, "name", tab->name);
                const std::map<int, std::string>& settings = tabSettings_[tab->id];
                auto writeAll = [&](const auto& forms) {
                    for (const RowForm& form : forms) {
                        auto found = settings.find(form.key);
                        if (found != settings.end())
                            writeTabSetting(tag, kind, form, found->second);
                    }
                };
                if (kind == tabCwf)
                    writeAll(cwfTabRows);
                else if (kind == tabTds)
                    writeAll(tdsTabRows);
                else
                    writeAll(xmlTabRows);
                line(0, tag.closed());
            }
        }
    }

    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    void writeTabSetting(Tag& tag, int kind, const RowForm& form, const std::string& value) {
        // The word the tag takes for the stored value; nullptr when the value
        // is one no attribute value gives.
        const char* word = value.c_str();
        auto oneOf = [&](std::initializer_list<std::string_view> accepted) {
            if (std::find(accepted.begin(), accepted.end(), value) == accepted.end())
                word = nullptr;
        };
        if (kind == tabTds && form.key == 2) {
            oneOf({"UNKNOWN", "SWIFT", "ACORD AL3", "EDIFACT", "X12"});
        } else if (kind == tabTds && form.key == 4) {
            oneOf({"Leading White Spaces", "Trailing White Spaces", "Trim Both", "Trim Padding Chars"});
        } else if (kind == tabTds && (form.key == 12 || form.key == 13)) {
            oneOf({"SimpleAL3CharCompress"});
        } else if (kind == tabXml && (form.key == 2 || form.key == 4)) {
            word = value == "1" ? "Yes" : nullptr;
        } else if (kind == tabXml && form.key == 11) {
            word = value == "0" ? "No" : nullptr;
        } else if (kind == tabXml && form.key == 3) {
            word = value == "1" ? "Yes" : value == "2" ? "No" : nullptr;
        } else if (kind == tabXml && (form.key == 14 || form.key == 16)) {
            word = value == "0"   ? "NULLAttribute"
                   : value == "2" ? "NULLValue"
                   : value == "3" ? "NULLElement"
                   : value == "4" ? "NULLValAttr"
                                  : nullptr;
        } else if (value.empty()) {
            word = nullptr; // an empty text is no setting to the reader
        }
        if (word == nullptr)
            omit("tab settings with a value the definitions format cannot give");
        else
            attribute(tag, form.attribute, word);
    }

    std::string identifierOf(std::int32_t childClass, std::int32_t id) const {
        if (childClass == classElement) {
            const ModelElement* found = model_.element(id);
            return found == nullptr ? std::string() : found->row->identifier;
        }
        if (childClass == classType) {
            const ModelType* found = model_.type(id);
            return found == nullptr ? std::string() : found->row->identifier;
        }
        if (childClass == classMessage) {
            const ModelMessage* found = model_.message(id);
            return found == nullptr ? std::string() : found->row->identifier;
        }
        return std::string();
    }

    const std::string& typeLabel(const StoredType& type) const {
        auto found = typeLabels_.find(type.id);
        return found == typeLabels_.end() ? type.name : found->second;
    }

    // The label of a member's item, from which its context tag hint is made.
    std::string labelOf(std::int32_t childClass, std::int32_t id) const {
        if (childClass == classElement)
            return model_.element(id)->row->name;
        if (childClass == classType)
            return typeLabel(*model_.type(id)->row);
        return model_.message(id)->row->name;
    }

    void checkItemColumns(std::int32_t status, std::int32_t descoped) {
        if (status != 0 || descoped != 0)
            omit("items with a status the import does not write");
    }

    void writeType(const StoredType& type) {
        checkItemColumns(type.status, type.descoped);
        if (type.category != 3 || type.flags != 0 || type.logicalDataType != 0)
            omit("types with a category or flags the import does not write");
        Tag tag("Type");
        attribute(tag, "ident", type.identifier);
        if (const std::string& label = typeLabel(type); label != type.identifier)
            attribute(tag, "name", label);
        if (type.composition != 0)
            keyword(tag, "composition", compositionKeyword(type.composition), "composition");
        if (type.content != 0)
            keyword(tag, "typeContent", typeContentKeyword(type.content), "type content");
        if (type.baseTypeId)
            keyword(tag, "baseType", logicalTypeKeyword(*type.baseTypeId), "base type");
        for (const RowForm& form : tdsTypeRows)
            if (const std::string* value = property(type.id, tabTds, form.key))
                attribute(tag, form.attribute, *value);

        const std::vector<const ModelMember*>& members = model_.membersOfType(type.id);
        if (members.empty()) {
            line(0, tag.closed());
            return;
        }
        line(0, tag.open());
        for (const ModelMember* member : members)
            writeMember(*member->row);
        line(0, "</Type>");
    }

    // minOccurs and maxOccurs of a member, and whether they make it repeat.
    bool writeOccurrences(Tag& tag, const StoredTypeMember& member, bool& unboundedChoice) {
        bool repeats = false;
        unboundedChoice = false;
        if (member.minOccurs) {
            if (isDigits(*member.minOccurs)) {
                tag.attribute("minOccurs", *member.minOccurs);
                repeats = numberOf(*member.minOccurs) > 1;
            } else {
                omit("occurrences that are not numbers");
            }
        }
        if (member.maxOccurs) {
            if (isDigits(*member.maxOccurs)) {
                tag.attribute("maxOccurs", *member.maxOccurs);
                repeats = repeats || numberOf(*member.maxOccurs) > 1;
            } else {
                omit("occurrences that are not numbers");
            }
        } else {
            unboundedChoice = true;
        }
        return repeats;
    }

    void writeMember(const StoredTypeMember& member) {
        checkItemColumns(member.status, member.descoped);
        if (leftOut(member.childClass, member.childId)) {
            omit("type members whose item is left out");
            return;
        }
        std::string child = identifierOf(member.childClass, member.childId);
        if (child.empty()) {
            omit("type members whose item is not in the message set");
            return;
        }
        std::string hint = labelOf(member.childClass, member.childId);
        cutAtCharacterBoundary(hint, repositoryTextWidth - contextTagSuffix.size());
        hint += contextTagSuffix;
        if (member.tagHint != hint)
            omit("context tag hints that are not made of their item's label");
        const char* tagName = member.childClass == classElement ? "Element"
                              : member.childClass == classType  ? "Type"
                                                                : "Message";
        Tag tag(tagName);
        attribute(tag, "ref", child);
        bool unboundedChoice = false;
        bool repeats = writeOccurrences(tag, member, unboundedChoice);
        if (member.childClass == classElement)
            repeats = writeMemberFormat(tag, member, *model_.element(member.childId)->row) || repeats;

        if (member.repeats == 1 && !repeats) {
            if (unboundedChoice)
                tag.attribute("maxOccurs", "unbounded");
            else if (member.childClass == classElement && tabs_[tabCwf].empty())
                tag.attribute("repeat", "2"); // repeats without a repeat count row
            else
                omit("member repeat indicators the definitions format cannot give");
        } else if (member.repeats != 1 && repeats) {
            omit("member repeat indicators the definitions format cannot give");
        }
        line(1, tag.closed());
    }

    std::string elementIdentifier(const std::string& id) {
        const ModelElement* found = model_.element(numberOf(id));
        if (!isDigits(id) || found == nullptr) {
            omit("element references to items that are not elements of the message set");
            return std::string();
        }
        if (leftOut(classElement, found->row->id)) {
            omit("element references to elements left out");
            return std::string();
        }
        return found->row->identifier;
    }

    // The per-use settings of an element member, from its member attribute
    // rows; true when they make the member repeat.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity,readability-function-size)
    bool writeMemberFormat(Tag& tag, const StoredTypeMember& member, const StoredElement& element) {
        const std::int32_t id = member.id;
        bool repeats = false;
        const std::string* physical = property(id, tabCwf, 1);
        const std::string* justification = property(id, tabCwf, 6);
        const std::string* padding = property(id, tabCwf, 7);
        if (physical != nullptr) {
            keyword(tag, "physicalType", isDigits(*physical) ? physicalTypeKeyword(numberOf(*physical)) : nullptr,
                    "physical type");
        } else if (element.typeId == logicalDecimal && (justification != nullptr || padding != nullptr)) {
            // Extended Decimal, the default of a decimal element, is not
            // written, yet justification and padding need it named.
            tag.attribute("physicalType", "Extended Decimal");
        }
        if (const std::string* length = property(id, tabCwf, 2)) {
            attribute(tag, "length", *length);
        } else if (!tabs_[tabCwf].empty() && property(element.id, tabTds, keyTdsLength) != nullptr) {
            // The element's own length wrote no row for this use: keep it out.
            tag.attribute("length", "0");
        }
        std::string lengthReference;
        if (const std::string* reference = property(id, tabCwf, 3))
            lengthReference = elementIdentifier(*reference);
        if (const std::string* reference = property(id, tabTds, 102)) {
            if (leftOutIdentifiers_.count(*reference) != 0)
                omit("element references to elements left out");
            else if (!lengthReference.empty() && lengthReference != *reference)
                omit("length references that differ between wire formats");
            else
                lengthReference = *reference;
        }
        if (!lengthReference.empty())
            attribute(tag, "lengthRef", lengthReference);
        if (const std::string* units = property(id, tabCwf, 13))
            keyword(tag, "lengthUnits", isDigits(*units) ? lengthUnitsKeyword(numberOf(*units)) : nullptr,
                    "length unit");
        if (const std::string* sign = property(id, tabCwf, 4))
            keyword(tag, "signed", isDigits(*sign) ? signedKeyword(numberOf(*sign)) : nullptr, "sign orientation");
        if (const std::string* point = property(id, tabCwf, 8))
            attribute(tag, "decimalPoint", *point);
        if (const std::string* alignment = property(id, tabCwf, 5)) {
            int code = isDigits(*alignment) ? numberOf(*alignment) : 0;
            keyword(tag, "byteAlignment",
                    code == 2 || code == 4 || code == 8 || code == 16 ? alignment->c_str() : nullptr,
                    "byte alignment");
        }
        if (justification != nullptr)
            attribute(tag, "justification", *justification);
        if (padding != nullptr)
            attribute(tag, "padChar", *padding);
        if (const std::string* count = property(id, tabCwf, 10)) {
            if (isDigits(*count) && numberOf(*count) > 0) {
                tag.attribute("repeat", *count);
                repeats = numberOf(*count) > 1;
            } else {
                omit("repeat counts that are not numbers");
            }
        }
        if (const std::string* reference = property(id, tabCwf, 11)) {
            std::string counter = elementIdentifier(*reference);
            if (!counter.empty() && counter[0] >= '0' && counter[0] <= '9') {
                omit("repeat count references to elements whose identifier begins with a digit");
            } else if (!counter.empty()) {
                attribute(tag, "repeat", counter);
                repeats = true;
            }
        }

        if (const std::string* name = property(id, tabXml, 100))
            attribute(tag, "xmlName", *name);
        if (const std::string* render = property(id, tabXml, 101))
            keyword(tag, "xmlRender", isDigits(*render) ? renderKeyword(numberOf(*render)) : nullptr, "XML render");
        const std::string* idName = property(id, tabXml, 102);
        const std::string* valueName = property(id, tabXml, 104);
        if (idName != nullptr && valueName != nullptr && *idName != *valueName)
            omit("ID and value attribute names that differ");
        if (idName != nullptr || valueName != nullptr)
            attribute(tag, "xmlIDattrName", idName != nullptr ? *idName : *valueName);
        if (const std::string* idValue = property(id, tabXml, 103))
            attribute(tag, "xmlIDattrValue", *idValue);
        if (const std::string* format = property(id, tabXml, 105))
            attribute(tag, "xmlFormat", *format);
        if (const std::string* encoding = property(id, tabXml, 106))
            attribute(tag, "xmlMemberEncode", *encoding);
        if (const std::string* delimiter = property(id, tabTds, 101))
            attribute(tag, "repeatElemDelim", *delimiter);
        return repeats;
    }

    void writeElement(const StoredElement& element) {
        checkItemColumns(element.status, element.descoped);
        if (element.tagHint)
            omit("elements with a context tag hint the import does not write");
        Tag tag("Element");
        attribute(tag, "ident", element.identifier);
        if (element.name != element.identifier)
            attribute(tag, "name", element.name);
        if (element.typeId >= firstItemId) {
            const ModelType* type = model_.type(element.typeId);
            if (type == nullptr) {
                omit("elements whose type is not in the message set");
            } else if (parseLogicalType(type->row->identifier.c_str()) != 0) {
                omit("elements whose type's identifier reads as a logical type");
            } else {
                attribute(tag, "type", type->row->identifier);
            }
        } else {
            keyword(tag, "type", logicalTypeKeyword(element.typeId), "logical type");
        }
        for (const RowForm& form : tdsElementRows)
            if (const std::string* value = property(element.id, tabTds, form.key))
                attribute(tag, form.attribute, *value);
        for (const RowForm& form : xmlElementRows)
            if (const std::string* value = property(element.id, tabXml, form.key))
                attribute(tag, form.attribute, *value);

        std::vector<const ModelValueUse*> written;
        for (const ModelValueUse* use : writtenUses(*model_.element(element.id))) {
            if (leftOut(classValue, use->row->valueId))
                omit("value uses whose value is left out");
            else
                written.push_back(use);
        }
        if (written.empty()) {
            line(0, tag.closed());
            return;
        }
        line(0, tag.open());
        for (const ModelValueUse* use : written) {
            checkItemColumns(use->row->status, use->row->descoped);
            Tag value("Value");
            attribute(value, "ref", use->value->row->identifier);
            if (use->row->role != 0)
                keyword(value, "role", roleKeyword(use->row->role), "value role");
            line(1, value.closed());
        }
        line(0, "</Element>");
    }

    void writeValue(const StoredValue& value) {
        checkItemColumns(value.status, value.descoped);
        Tag tag("Value");
        attribute(tag, "ident", value.identifier);
        if (value.name != value.identifier)
            attribute(tag, "name", value.name);
        keyword(tag, "type", logicalTypeKeyword(value.typeId), "logical type");
        if (value.text.empty())
            omit("values with an empty value text, which the import requires");
        attribute(tag, "value", value.text);
        line(0, tag.closed());
    }

    void writeMessage(const StoredMessage& message) {
        checkItemColumns(message.status, message.descoped);
        if (message.mode != 0)
            omit("messages with a mode the import does not write");
        Tag tag("Message");
        attribute(tag, "ident", message.identifier);
        if (message.name != message.identifier)
            attribute(tag, "name", message.name);
        // A message whose type is not written is left out (checkIdentifiers).
        attribute(tag, "type", model_.type(message.typeId)->row->identifier);
        line(0, tag.closed());
    }

    const StoredMessageSet& set_;
    const MessageSetModel model_;
    DefinitionsExport result_;
    std::string text_;
    std::map<std::string, long> omissions_;
    std::unordered_map<std::int32_t, std::string> typeLabels_;
    std::vector<const StoredPluginMember*> tabs_[tabKinds];
    std::unordered_map<std::int32_t, std::map<int, std::string>> tabSettings_;
    std::unordered_map<PropertyKey, PropertyRows> properties_;
    std::unordered_set<PropertyKey> nonUniform_;
    // The definitions left out of the file (class and id), and their identifiers.
    std::unordered_set<std::uint64_t> leftOut_;
    std::unordered_set<std::string> leftOutIdentifiers_;
};

} // namespace

const char* physicalTypeKeyword(int code) {
    static constexpr const char* words[] = {nullptr,
                                            "Integer",
                                            "Extended Decimal",
                                            "Float",
                                            "Packed Decimal",
                                            "Length Encoded String 1",
                                            "Length Encoded String 2",
                                            "Null Terminated",
                                            "Fixed Length",
                                            "Boolean",
                                            "Binary",
                                            "Time Seconds",
                                            "Time Milliseconds"};
    return code >= 1 && code <= 12 ? words[code] : nullptr;
}

const char* lengthUnitsKeyword(int code) {
    static constexpr const char* words[] = {"Bytes", "Characters", "Character Units", "End of BitStream"};
    return code >= 0 && code <= 3 ? words[code] : nullptr;
}

const char* signedKeyword(int code) {
    static constexpr const char* words[] = {"None", "Included Leading", "Included Trailing", "Separate Leading",
                                            "Separate Trailing"};
    return code >= 0 && code <= 4 ? words[code] : nullptr;
}

const char* renderKeyword(int code) {
    static constexpr const char* words[] = {"ELEMENT", "ATTRIBUTE", "ELEMENTATTRID", "ELEMENTATTRVAL",
                                            "ELEMENTATTRIDVAL"};
    return code >= 0 && code <= 4 ? words[code] : nullptr;
}

const char* compositionKeyword(int code) {
    static constexpr const char* words[] = {nullptr,   "empty",     "choice",   "simple",
                                            "unordered", "ordered", "sequence", "message"};
    return code >= 1 && code <= 7 ? words[code] : nullptr;
}

const char* typeContentKeyword(int code) {
    static constexpr const char* words[] = {nullptr, "closed", "defined", "open"};
    return code >= 1 && code <= 3 ? words[code] : nullptr;
}

const char* roleKeyword(int code) {
    static constexpr const char* words[] = {nullptr,      "MIN_INCLUSIVE", "MAX_INCLUSIVE", "MIN_LENGTH", "MAX_LENGTH",
                                            "ENUMERATION", "DEFAULT",       "ALLOWNULL",     "SCALE",      "DATETEMPLATE"};
    return code >= 1 && code <= 9 ? words[code] : nullptr;
}

std::string quotedAttributeValue(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
        case '&':
            quoted += "&amp;";
            break;
        case '<':
            quoted += "&lt;";
            break;
        case '>':
            quoted += "&gt;";
            break;
        case '"':
            quoted += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) < 32) {
                char reference[8];
                std::snprintf(reference, sizeof reference, "&#x%02X;", static_cast<unsigned>(c));
                quoted += reference;
            } else {
                quoted += c;
            }
        }
    }
    quoted += '"';
    return quoted;
}

DefinitionsExport exportDefinitions(const StoredMessageSet& set) {
    return Exporter(set).run();
}

} // namespace norvak
