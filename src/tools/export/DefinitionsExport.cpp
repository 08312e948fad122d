// A stored message set written back as a definitions file that norvakload reads.
#include "tools/export/DefinitionsExport.h"

#include "dbsession/RepositorySchema.h"
#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "import/model/ItemTables.h"
#include "import/model/RunOptions.h"
#include "import/reader/Keywords.h"
#include "setmodel/MessageSetModel.h"
#include "support/StringUtilities.h"
#include "support/Utf8Text.h"

#include <algorithm>
#include <cstdio>
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

// The wire format of a kind of tab.
WireFormat formatOfKind(int kind) {
    switch (kind) {
    case tabCwf:
        return WireFormat::cwf;
    case tabTds:
        return WireFormat::tds;
    case tabXml:
        return WireFormat::xml;
    default:
        return WireFormat::none;
    }
}

int kindOfFormat(WireFormat format) {
    switch (format) {
    case WireFormat::cwf:
        return tabCwf;
    case WireFormat::tds:
        return tabTds;
    case WireFormat::xml:
        return tabXml;
    default:
        return -1;
    }
}

// The row of an owner, kind of tab and key that a definitions attribute
// gives; nullptr when the file has no attribute for it.
const AttributeRow* formOf(RowOwner owner, int kind, int key) {
    const AttributeRow* row = findAttributeRow(owner, formatOfKind(kind), key);
    return row != nullptr && row->keyword != nullptr ? row : nullptr;
}

// Whether a tab setting's value is a word the import writes for one of the
// codes of its vocabulary.
bool isWrittenWord(std::span<const KeywordCode> words, const std::string& value) {
    int code = 0;
    if (!codeOfWord(words, value.c_str(), code) || code == 0)
        return false;
    const char* written = wordOfCode(words, code);
    return written != nullptr && value == written;
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

// The word the file writes for the code a row holds; nullptr when the value
// is no number or no word gives its code.
const char* wordOf(const AttributeRow& row, const std::string& value) {
    return isDigits(value) ? wordOfCode(row.words, numberOf(value)) : nullptr;
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

    static bool hasForm(const StoredAttribute& row, const AttributeRow& form, const StoredPluginMember& tab,
                        int flags) {
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
            const AttributeRow* form = nullptr;
            if (row.ownerClass == tabSettingClass && row.ownerId == 0)
                form = formOf(RowOwner::tab, kind, row.key);
            else if (row.ownerClass == classElement && model_.element(row.ownerId) != nullptr)
                form = formOf(RowOwner::element, kind, row.key);
            else if (row.ownerClass == classType && model_.type(row.ownerId) != nullptr)
                form = formOf(RowOwner::type, kind, row.key);
            if (form == nullptr || !hasForm(row, *form, *tab, 0)) {
                omit("attribute rows the definitions format has no attribute for");
                continue;
            }
            if (row.ownerClass == tabSettingClass)
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
            const AttributeRow* form = formOf(RowOwner::member, kind, row.key);
            if (!ownerKnown || member->row->childClass != classElement || form == nullptr ||
                !hasForm(row, *form, *tab, kind == tabCwf ? cwfMemberAttrFlags : 0)) {
                omit("member attribute rows the definitions format has no attribute for");
                continue;
            }
            properties_[propertyKey(row.memberId, kind, row.key)].byTab.emplace_back(tab->id, &*row.value);
        }
    }

    // The value of a property: present for every tab of its kind, and the
    // same for each, as one definitions attribute writes it.
    const std::string* property(std::int32_t owner, const AttributeRow& row) {
        return property(owner, kindOfFormat(row.format), row.key);
    }
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
                for (const AttributeRow* form : attributeRowsOf(RowOwner::tab, formatOfKind(kind))) {
                    auto found = settings.find(form->key);
                    if (found != settings.end())
                        writeTabSetting(tag, *form, found->second);
                }
                line(0, tag.closed());
            }
        }
    }

    void writeTabSetting(Tag& tag, const AttributeRow& form, const std::string& value) {
        // The word the tag takes for the stored value; nullptr when the value
        // is one no attribute value gives.
        const char* word = value.c_str();
        if (!form.words.empty() && form.owner == RowOwner::tab && form.format == WireFormat::tds) {
            if (!isWrittenWord(form.words, value))
                word = nullptr;
        } else if (&form == &rows::xmlTabSuppressDeclaration || &form == &rows::xmlTabSuppressDocType) {
            word = value == "1" ? "Yes" : nullptr;
        } else if (&form == &rows::xmlTabVersioning) {
            word = value == "0" ? "No" : nullptr;
        } else if (&form == &rows::xmlTabStandalone) {
            word = value == "1" ? "Yes" : value == "2" ? "No" : nullptr;
        } else if (&form == &rows::xmlTabNullNum || &form == &rows::xmlTabNullNonNum) {
            word = nullEncodingWord(value);
        } else if (value.empty()) {
            word = nullptr; // an empty text is no setting to the reader
        }
        if (word == nullptr)
            omit("tab settings with a value the definitions format cannot give");
        else
            attribute(tag, form.keyword, word);
    }

    // The word of the code whose null encoding row holds the value.
    static const char* nullEncodingWord(const std::string& value) {
        for (const KeywordCode& word : nullEncodingWords) {
            const char* written = nullEncodingValue(word.code);
            if (written != nullptr && value == written)
                return wordOfCode(nullEncodingWords, word.code);
        }
        return nullptr;
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
        writeProperties(tag, type.id, RowOwner::type, WireFormat::tds);

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
                tag.attribute(rows::cwfMemberRepeatCount.keyword, "2"); // repeats without a repeat count row
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
        const std::string* physical = property(id, rows::cwfMemberPhysicalType);
        const std::string* justification = property(id, rows::cwfMemberJustification);
        const std::string* padding = property(id, rows::cwfMemberPaddingCharacter);
        if (physical != nullptr) {
            keyword(tag, rows::cwfMemberPhysicalType.keyword, wordOf(rows::cwfMemberPhysicalType, *physical),
                    "physical type");
        } else if (element.typeId == logicalDecimal && (justification != nullptr || padding != nullptr)) {
            // Extended Decimal, the default of a decimal element, is not
            // written, yet justification and padding need it named.
            tag.attribute(rows::cwfMemberPhysicalType.keyword, wordOfCode(physicalTypeWords, physicalExtendedDecimal));
        }
        if (const std::string* length = property(id, rows::cwfMemberLength)) {
            attribute(tag, rows::cwfMemberLength.keyword, *length);
        } else if (!tabs_[tabCwf].empty() && property(element.id, rows::tdsElementLength) != nullptr) {
            // The element's own length wrote no row for this use: keep it out.
            tag.attribute(rows::cwfMemberLength.keyword, "0");
        }
        std::string lengthReference;
        if (const std::string* reference = property(id, rows::cwfMemberLengthReference))
            lengthReference = elementIdentifier(*reference);
        if (const std::string* reference = property(id, rows::tdsMemberLengthReference)) {
            if (leftOutIdentifiers_.count(*reference) != 0)
                omit("element references to elements left out");
            else if (!lengthReference.empty() && lengthReference != *reference)
                omit("length references that differ between wire formats");
            else
                lengthReference = *reference;
        }
        if (!lengthReference.empty())
            attribute(tag, rows::cwfMemberLengthReference.keyword, lengthReference);
        if (const std::string* units = property(id, rows::cwfMemberLengthUnits))
            keyword(tag, rows::cwfMemberLengthUnits.keyword, wordOf(rows::cwfMemberLengthUnits, *units), "length unit");
        if (const std::string* sign = property(id, rows::cwfMemberSigned))
            keyword(tag, rows::cwfMemberSigned.keyword, wordOf(rows::cwfMemberSigned, *sign), "sign orientation");
        if (const std::string* point = property(id, rows::cwfMemberDecimalPoint))
            attribute(tag, rows::cwfMemberDecimalPoint.keyword, *point);
        if (const std::string* alignment = property(id, rows::cwfMemberByteAlignment)) {
            // Written as stored, when it is a word of an alignment that writes a row.
            const char* word = wordOf(rows::cwfMemberByteAlignment, *alignment);
            keyword(tag, rows::cwfMemberByteAlignment.keyword,
                    word != nullptr && numberOf(*alignment) != 0 ? alignment->c_str() : nullptr, "byte alignment");
        }
        if (justification != nullptr)
            attribute(tag, rows::cwfMemberJustification.keyword, *justification);
        if (padding != nullptr)
            attribute(tag, rows::cwfMemberPaddingCharacter.keyword, *padding);
        if (const std::string* count = property(id, rows::cwfMemberRepeatCount)) {
            if (isDigits(*count) && numberOf(*count) > 0) {
                tag.attribute(rows::cwfMemberRepeatCount.keyword, *count);
                repeats = numberOf(*count) > 1;
            } else {
                omit("repeat counts that are not numbers");
            }
        }
        if (const std::string* reference = property(id, rows::cwfMemberRepeatReference)) {
            std::string counter = elementIdentifier(*reference);
            if (!counter.empty() && counter[0] >= '0' && counter[0] <= '9') {
                omit("repeat count references to elements whose identifier begins with a digit");
            } else if (!counter.empty()) {
                attribute(tag, rows::cwfMemberRepeatReference.keyword, counter);
                repeats = true;
            }
        }

        if (const std::string* name = property(id, rows::xmlMemberName))
            attribute(tag, rows::xmlMemberName.keyword, *name);
        if (const std::string* render = property(id, rows::xmlMemberRender))
            keyword(tag, rows::xmlMemberRender.keyword, wordOf(rows::xmlMemberRender, *render), "XML render");
        const std::string* idName = property(id, rows::xmlMemberIdAttributeName);
        const std::string* valueName = property(id, rows::xmlMemberValueAttributeName);
        if (idName != nullptr && valueName != nullptr && *idName != *valueName)
            omit("ID and value attribute names that differ");
        if (idName != nullptr || valueName != nullptr)
            attribute(tag, rows::xmlMemberIdAttributeName.keyword, idName != nullptr ? *idName : *valueName);
        if (const std::string* idValue = property(id, rows::xmlMemberIdAttributeValue))
            attribute(tag, rows::xmlMemberIdAttributeValue.keyword, *idValue);
        if (const std::string* format = property(id, rows::xmlMemberFormat))
            attribute(tag, rows::xmlMemberFormat.keyword, *format);
        if (const std::string* encoding = property(id, rows::xmlMemberEncoding))
            attribute(tag, rows::xmlMemberEncoding.keyword, *encoding);
        if (const std::string* delimiter = property(id, rows::tdsMemberRepeatDelimiter))
            attribute(tag, rows::tdsMemberRepeatDelimiter.keyword, *delimiter);
        return repeats;
    }

    // The properties of an item that the file gives as written, in the table's order.
    void writeProperties(Tag& tag, std::int32_t id, RowOwner owner, WireFormat format) {
        for (const AttributeRow* form : attributeRowsOf(owner, format)) {
            if (form->keyword == nullptr)
                continue;
            if (const std::string* value = property(id, *form))
                attribute(tag, form->keyword, *value);
        }
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
        writeProperties(tag, element.id, RowOwner::element, WireFormat::tds);
        writeProperties(tag, element.id, RowOwner::element, WireFormat::xml);

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
    return wordOfCode(physicalTypeWords, code);
}

const char* lengthUnitsKeyword(int code) {
    return wordOfCode(lengthUnitWords, code);
}

const char* signedKeyword(int code) {
    return wordOfCode(signOrientationWords, code);
}

const char* renderKeyword(int code) {
    return wordOfCode(renderWords, code);
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
