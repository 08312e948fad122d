// The walk of the definitions text as a tree of tags, each attribute to its handler.
#include "import/reader/TagWalker.h"

#include "import/model/DefinitionModel.h"
#include "import/model/DefinitionProcessing.h"
#include "import/model/DefinitionRecord.h"
#include "import/reader/AttributeHandlers.h"
#include "import/reader/ImportOptions.h"
#include "import/reader/TextPreparation.h"
#include "support/Diagnostics.h"
#include "support/PasswordMask.h"
#include "support/StringUtilities.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace norvak {

namespace {

constexpr std::size_t maxTagNameLength = 1023;
constexpr std::size_t maxValueLength = 254;

bool endsTagName(char c) {
    return c == '\0' || isBlank(c) || c == '>' || c == '/' || c == '<';
}
bool endsAttributeName(char c) {
    return c == '\0' || isBlank(c) || c == '=' || c == '/' || c == '>';
}
bool endsUnquotedValue(char c) {
    return c == '\0' || isBlank(c) || c == '/' || c == '>';
}

// The name of the password attribute. Wherever it stands in a text that is
// shown, in any case, inside a longer name too, the value after it is hidden.
constexpr std::string_view passwordName = "DBPw";

bool sameLetters(char a, char b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(a) == lower(b);
}

// Where the password's name next stands in the text, at or after `from`.
std::size_t findPasswordName(std::string_view text, std::size_t from) {
    for (std::size_t at = from; at + passwordName.size() <= text.size(); ++at) {
        if (std::equal(passwordName.begin(), passwordName.end(), text.begin() + at, sameLetters))
            return at;
    }
    return std::string_view::npos;
}

// Whether an attribute name is, or holds, the password's name in any case:
// such an attribute's value is never shown.
bool namesPassword(const char* attrName) {
    return findPasswordName(attrName, 0) != std::string_view::npos;
}

// The end of the value that starts at `at` in the text, read as the scanner
// reads a value: up to the closing quote (or the end of the text) when it
// starts with one, else up to the next blank, "/" or ">". `start` is where
// its text begins (after an opening quote).
std::size_t endOfValue(std::string_view text, std::size_t at, std::size_t& start) {
    char quote = at < text.size() && (text[at] == '"' || text[at] == '\'') ? text[at] : '\0';
    start = quote != '\0' ? at + 1 : at;
    std::size_t end = start;
    while (end < text.size() && (quote != '\0' ? text[end] != quote : !endsUnquotedValue(text[end])))
        ++end;
    return end;
}

// Whether the keyword `key` of a connection string stands at `at` of the
// text: not inside a longer word, followed by blanks and "=".
std::size_t connectionKeywordValue(std::string_view text, std::size_t at, std::string_view key) {
    if (at + key.size() > text.size() || !std::equal(key.begin(), key.end(), text.begin() + at, sameLetters))
        return std::string_view::npos;
    auto isWordByte = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    };
    if (at > 0 && isWordByte(text[at - 1]))
        return std::string_view::npos;
    std::size_t p = at + key.size();
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t'))
        ++p;
    return p < text.size() && text[p] == '=' ? p + 1 : std::string_view::npos;
}

// Replaces with "********" the value of each password keyword (PWD=,
// Password=) of a connection string in the text (ZEP_DB may hold one): up
// to its closing brace when braced, else up to the next ";" or quote.
void maskConnectionPasswords(std::string& shown) {
    for (std::size_t at = 0; at < shown.size(); ++at) {
        std::size_t start = connectionKeywordValue(shown, at, "PWD");
        if (start == std::string::npos)
            start = connectionKeywordValue(shown, at, "Password");
        if (start == std::string::npos)
            continue;
        std::size_t end = start;
        if (end < shown.size() && shown[end] == '{')
            end = std::min(shown.find('}', end), shown.size());
        else
            end = std::min(shown.find_first_of(";\"'", end), shown.size());
        if (end > start) {
            shown.replace(start, end - start, "********");
            end = start + 8;
        }
        at = end;
    }
}

// Replaces with "********", in a text about to be shown, the value that
// follows each password name: after its equal sign, or right after the name
// when the equal sign is missing; with `startsWithPassword` also the value
// the text begins with. A connection string's password is masked too.
void maskPasswords(std::string& shown, bool startsWithPassword = false) {
    auto mask = [&](std::size_t at) {
        std::size_t start = 0;
        std::size_t end = endOfValue(shown, at, start);
        if (end > start)
            shown.replace(start, end - start, "********");
    };
    if (startsWithPassword)
        mask(0);
    for (std::size_t at = findPasswordName(shown, 0); at != std::string::npos;
         at = findPasswordName(shown, at + passwordName.size())) {
        std::size_t p = at + passwordName.size();
        while (p < shown.size() && isBlank(shown[p]))
            ++p;
        if (p < shown.size() && shown[p] == '=') {
            ++p;
            while (p < shown.size() && isBlank(shown[p]))
                ++p;
        }
        mask(p);
    }
    maskConnectionPasswords(shown);
}

// An attribute name as messages show it: a password name with text run into
// it ("DBPw\"secret\"", "DBPwsecret") shows "********" for that text.
std::string shownName(const char* attrName) {
    std::string shown = attrName;
    maskPasswords(shown);
    return shown;
}

// Calls the handler of the tag kind with one attribute. Values of definition
// and tab tags longer than the repository's texts are refused here.
void deliverAttribute(Diagnostics& diag, RunOptions& options, DefinitionModel& model, const char* attrName, char* value,
                      int tagKind, AttributeTarget& target) {
    if (tagKind >= tagElement && tagKind <= tagXmlTab && std::strlen(value) > maxValueLength) {
        diag.error("*****Error - value of attribute %s is longer than 254 characters\n", shownName(attrName).c_str());
        return;
    }
    // Only DBPw of ZEPImport takes the password. Any other name holding the
    // password's name is unknown to every handler; it is handed over masked,
    // name and value, so that no line of the handler shows its text.
    std::string maskedName;
    std::string maskedValue;
    if (namesPassword(attrName) && !(tagKind == tagZepImport && passwordName == attrName)) {
        maskedName = shownName(attrName);
        maskedValue = maskedPassword(value);
        attrName = maskedName.c_str();
        value = maskedValue.data();
    }
    switch (tagKind) {
    case tagElement:
        getAttrValueElem(diag, model, attrName, value, *target.record);
        break;
    case tagType:
        getAttrValueType(diag, model, attrName, value, *target.record);
        break;
    case tagValue:
        getAttrValueValue(diag, model, attrName, value, *target.record);
        break;
    case tagMessage:
        getAttrValueMessage(diag, model, attrName, value, *target.record);
        break;
    case tagCwfTab:
        getAttrValueCWFTab(diag, model, attrName, value, *target.cwfTab);
        break;
    case tagTdsTab:
        getAttrValueTDSTab(diag, model, attrName, value, *target.tdsTab);
        break;
    case tagXmlTab:
        getAttrValueXMLTab(diag, model, attrName, value, *target.xmlTab);
        break;
    case tagZepImport:
        getAttrValueZEPImport(diag, options, model, attrName, value);
        break;
    default:
        break;
    }
}

// The name of an end tag "</name>": starts after "</" and blanks, ends at the
// first blank or ">". `complete` is false when the text ends first.
struct EndTagName {
    char* start;
    char* end;
    bool complete;
};

EndTagName readEndTagName(char* position) {
    char* start = skipBlanks(position + 2);
    char* end = start;
    while (*end != '\0' && !isBlank(*end) && *end != '>')
        ++end;
    return {start, end, *end != '\0'};
}

// At most `width` bytes of the text from the position, as trace and error
// lines show them: the value of a password attribute in view is replaced by
// "********" (see maskPasswords), so the password never appears in the
// output.
std::string shownText(const char* position, std::size_t width, bool startsWithPassword = false) {
    std::string shown(position, strnlen(position, width));
    maskPasswords(shown, startsWithPassword);
    if (shown.size() > width)
        shown.resize(width);
    return shown;
}

void substitute(Diagnostics& diag, char* value, const char* attrName) {
    if (namesPassword(attrName))
        replacePasswordParams(diag, value);
    else
        replaceParams(diag, value);
}

// A password whose equal sign is missing was not read, and the walk goes on
// from the text after its name. The text that would have been its value (up
// to its closing quote, or its end when unquoted) is overwritten with "*",
// but for the "<", ">", "/" and blanks by which the rest of the walk finds
// its way, so no later line shows it.
void overwriteUnreadPassword(char* position) {
    std::size_t start = 0;
    std::size_t end = endOfValue(position, 0, start);
    if (start != 0 && position[end] == '\0')
        return; // no closing quote: what follows is no value
    for (std::size_t at = start; at < end; ++at) {
        char c = position[at];
        if (c != '<' && c != '>' && c != '/' && !(c >= 1 && c <= 32))
            position[at] = '*';
    }
}

// One nesting level of the walk: the children of one tag (or the top level).
struct Level {
    std::string parentName;
    int topLevel;
    int receivedType;
    int receivedElem;
    int currType;
    int currElem;
    int lastKind;
    std::string itemName; // the tag name of the item last read at this level
};

// Walks the tag tree with an explicit stack of levels, so that the depth of
// nesting is limited by memory only, not by the call stack.
class TagTreeWalk {
  public:
    TagTreeWalk(Diagnostics& diag, RunOptions& options, DefinitionModel& model, RepositoryState& state)
        : diag_(diag), options_(options), model_(model), state_(state) {}

    char* walk(char* position) {
        enterLevel(position, std::string(), 1, 0, 0);
        for (;;) {
            bool descend = false;
            position = readItems(levels_.back(), position, descend);
            if (descend) {
                Level& parent = levels_.back();
                enterLevel(position, std::string(parent.itemName), 0, parent.currType, parent.currElem);
                continue;
            }
            position = finishLevel(levels_.back(), position);
            levels_.pop_back();
            if (levels_.empty())
                return position;
            // The item whose children just ended is complete.
            closeItem(levels_.back());
        }
    }

  private:
    void enterLevel(char* position, std::string parentName, int topLevel, int currType, int currElem) {
        diag_.trace("==> processLevel: topLevel=%d parent %s typeId %d elemId %d ptr=0x%8.8x %.32s\n", topLevel,
                    parentName.c_str(), currType, currElem, traceAddress(position), shownText(position, 32).c_str());
        levels_.push_back(Level{std::move(parentName), topLevel, currType, currElem, currType, currElem, 0, {}});
    }

    // Closing an item restores the context the level received.
    static void closeItem(Level& level) {
        if (level.lastKind == tagElement)
            level.currElem = level.receivedElem;
        else if (level.lastKind == tagType)
            level.currType = level.receivedType;
    }

    // Reads the items of a level until its end, or until an item with
    // children is found (then `descend` is set and the position is at the
    // first child).
    char* readItems(Level& level, char* position, bool& descend) {
        while (*position != '\0') {
            if (position[1] == '/' || diag_.errSw)
                break;
            int kind = tagUnknown;
            position = processItem(diag_, options_, model_, state_, position, level.itemName, kind, level.currType,
                                   level.currElem);
            level.lastKind = kind;
            if (*position == '/') {
                char* tagEnd = findTagEnd(position);
                position = *tagEnd != '\0' ? findNextTag(tagEnd + 1) : tagEnd;
                closeItem(level);
                continue;
            }
            position = findNextTag(findTagEnd(position));
            if (*position == '\0')
                break;
            if (position[1] != '/') {
                descend = true;
                return position;
            }
            EndTagName name = readEndTagName(position);
            if (!name.complete) {
                diag_.error("*****Error - missing termination character for %s\n", name.start);
                return name.end;
            }
            *name.end = '\0';
            if (level.itemName != name.start)
                diag_.error("*****Error - mismatched begin tag and end tag (%s,%s) for parent %s\n", name.start,
                            level.itemName.c_str(), level.parentName.c_str());
            closeItem(level);
            position = findNextTag(name.end + 1);
        }
        return position;
    }

    char* finishLevel(Level& level, char* position) {
        if (*position == '\0') {
            if (!level.topLevel)
                diag_.error("*****Error - End of file found before end of element %s\n", level.itemName.c_str());
        } else if (position[1] == '/') {
            EndTagName name = readEndTagName(position);
            if (!name.complete) {
                diag_.error("*****Error - missing termination character for %s\n", name.start);
                position = name.end;
            } else {
                *name.end = '\0';
                if (level.parentName == name.start)
                    position = findNextTag(name.end + 1);
                else
                    diag_.error("*****Error - mismatched begin tag and end tag (%s,%s) for parent name %s\n",
                                level.parentName.c_str(), name.start, level.itemName.c_str());
            }
        }
        diag_.trace("<== processLevel: topLevel=%d parent %s ptr=0x%8.8x %.32s\n", level.topLevel,
                    level.parentName.c_str(), traceAddress(position), shownText(position, 32).c_str());
        return position;
    }

    Diagnostics& diag_;
    RunOptions& options_;
    DefinitionModel& model_;
    RepositoryState& state_;
    std::vector<Level> levels_;
};

// The value shown in trace lines: a password never appears.
std::string tracedValue(const char* attrName, const char* value) {
    if (namesPassword(attrName))
        return maskedPassword(value);
    std::string shown = value;
    maskConnectionPasswords(shown);
    return shown;
}

// Hands a finished tag to the definition processing of its kind or to its tab list.
void handOver(Diagnostics& diag, DefinitionModel& model, RepositoryState& state, int& kind, DefinitionRecord& record,
              AttributeTarget& target, int& currTypeId, int& currElemId) {
    switch (kind) {
    case tagElement:
        currElemId = processElementDef(diag, model, state, record, currTypeId);
        break;
    case tagType: {
        int typeId = processTypeDef(diag, model, record, currTypeId);
        if (typeId != 0)
            currTypeId = typeId;
        else
            kind = tagUnknown;
        break;
    }
    case tagValue:
        processValueDef(diag, model, record, currElemId);
        break;
    case tagMessage:
        processMessageDef(diag, model, record, currTypeId);
        break;
    case tagCwfTab:
        model.cwfTabList.push_back(*target.cwfTab);
        break;
    case tagTdsTab:
        model.tdsTabList.push_back(*target.tdsTab);
        break;
    case tagXmlTab:
        model.xmlTabList.push_back(*target.xmlTab);
        break;
    default:
        break;
    }
}

} // namespace

int lookupTagKind(const char* tagName) {
    static const char* const names[] = {"Element", "Type",   "Value",  "Message",
                                        "CWFTab",  "TDSTab", "XMLTab", "ZEPImport"};
    for (int kind = tagElement; kind <= tagZepImport; ++kind) {
        if (std::strcmp(tagName, names[kind - 1]) == 0)
            return kind;
    }
    return tagUnknown;
}

void getAttrValue(Diagnostics& diag, RunOptions& options, DefinitionModel& model, const char* attrName, char* value,
                  int tagKind, AttributeTarget& target) {
    diag.trace("==> getAttrValue eType=%d attrName %s value %s\n", tagKind, shownName(attrName).c_str(),
               tracedValue(attrName, value).c_str());
    deliverAttribute(diag, options, model, attrName, value, tagKind, target);
    diag.trace("<== getAttrValue\n");
}

namespace {

// scanAttribute; `passwordUnread` tells that the attribute was a password
// whose equal sign is missing, so the position returned is at the text that
// would have been its value.
char* readAttribute(Diagnostics& diag, RunOptions& options, DefinitionModel& model, char* position, int tagKind,
                    AttributeTarget& target, bool& passwordUnread) {
    passwordUnread = false;
    diag.readingAt = position;
    char* nameEnd = position;
    while (!endsAttributeName(*nameEnd))
        ++nameEnd;
    char* reached = skipBlanks(nameEnd);
    bool hasEqualSign = *reached == '=';
    char endByte = *nameEnd;
    *nameEnd = '\0';
    if (!hasEqualSign) {
        diag.error("*****Error - Attribute %s missing equal sign\n", shownName(position).c_str());
        passwordUnread = namesPassword(position);
        *nameEnd = endByte;
        if (passwordUnread)
            overwriteUnreadPassword(reached);
        return reached;
    }
    const char* attrName = position;
    char* valueStart = skipBlanks(reached + 1);

    if (*valueStart == '"' || *valueStart == '\'') {
        char* closing = std::strchr(valueStart + 1, *valueStart);
        if (closing == nullptr) {
            diag.error("***** Error - Attribute %s missing trailing quotation mark\n", shownName(attrName).c_str());
            return valueStart + std::strlen(valueStart);
        }
        *closing = '\0';
        char* value = valueStart + 1;
        substitute(diag, value, attrName);
        deliverAttribute(diag, options, model, attrName, value, tagKind, target);
        return closing + 1;
    }

    char* valueEnd = valueStart;
    while (!endsUnquotedValue(*valueEnd))
        ++valueEnd;
    if (*valueEnd == '\0') {
        diag.error("attribute %s value missing leading quotation\n", shownName(attrName).c_str());
        return valueEnd;
    }
    char valueEndByte = *valueEnd;
    *valueEnd = '\0';
    substitute(diag, valueStart, attrName);
    getAttrValue(diag, options, model, attrName, valueStart, tagKind, target);
    *valueEnd = valueEndByte;
    return skipBlanks(valueEnd);
}

} // namespace

char* scanAttribute(Diagnostics& diag, RunOptions& options, DefinitionModel& model, char* position, int tagKind,
                    AttributeTarget& target) {
    bool passwordUnread = false;
    return readAttribute(diag, options, model, position, tagKind, target, passwordUnread);
}

char* processItem(Diagnostics& diag, RunOptions& options, DefinitionModel& model, RepositoryState& state,
                  char* position, std::string& tagName, int& kind, int& currTypeId, int& currElemId) {
    const char* tagStart = position;
    diag.readingAt = tagStart;
    diag.trace("==> processItem currType=%d currElem=%d ptr=0x%8.8x %.32s\n", currTypeId, currElemId,
               traceAddress(position), shownText(position, 32).c_str());
    char* nameStart = skipBlanks(position + 1);
    char* nameEnd = nameStart;
    while (!endsTagName(*nameEnd))
        ++nameEnd;
    std::size_t nameLength = std::min(static_cast<std::size_t>(nameEnd - nameStart), maxTagNameLength);
    std::vector<char> nameBuffer(nameStart, nameStart + nameLength);
    nameBuffer.push_back('\0');
    replaceParams(diag, nameBuffer.data());
    tagName = nameBuffer.data();

    kind = lookupTagKind(tagName.c_str());
    if (kind == tagUnknown) {
        diag.error("*****Error - Unrecognized XML tag name found - %.64s\n", shownText(nameStart, 64).c_str());
        return nameStart;
    }

    DefinitionRecord record;
    CwfTabDefinition cwfTab;
    TdsTabDefinition tdsTab;
    XmlTabDefinition xmlTab;
    AttributeTarget target{&record, &cwfTab, &tdsTab, &xmlTab};

    position = skipBlanks(nameEnd);
    bool passwordUnread = false;
    while (*position != '\0' && *position != '/' && *position != '>' && !diag.errSw) {
        position = readAttribute(diag, options, model, position, kind, target, passwordUnread);
        position = skipBlanks(position);
    }

    diag.readingAt = tagStart;
    handOver(diag, model, state, kind, record, target, currTypeId, currElemId);
    diag.trace("<== processItem %s ptr=0x%8.8x %.32s\n", tagName.c_str(), traceAddress(position),
               shownText(position, 32, passwordUnread).c_str());
    return position;
}

char* processQuest(Diagnostics& diag, char* position) {
    diag.trace("==> processQuest: ptr=0x%8.8x\n", traceAddress(position));
    char* end = findTagEnd(position + 5);
    if (*end != '\0') {
        *end = '\0';
        position = skipBlanks(end + 1);
    } else {
        position = end;
    }
    diag.trace("<== processQuest: ptr=0x%8.8x\n", traceAddress(position));
    return position;
}

void parseXMLfile(Diagnostics& diag, RunOptions& options, DefinitionModel& model, RepositoryState& state, char* text) {
    diag.trace("==> parseXMLfile\n");
    char* position = findNextTag(text);
    if (*position == '\0') {
        diag.error("*****Error - no beginning bracket (\"<\") found in file\n");
    } else {
        // Errors name their place in the file as written.
        TextPlaces places(text);
        const std::string source = diag.sourceName;
        diag.placeOf = [&places, text, source](const char* at) {
            if (source.empty())
                return std::string(); // a text that is no file has no place to name
            auto [line, column] = places.lineAndColumn(static_cast<std::size_t>(at - text));
            return source + ":" + std::to_string(line) + ":" + std::to_string(column);
        };
        diag.readingAt = nullptr;
        removeCommentsNoting(diag, position, places, static_cast<std::size_t>(position - text));
        while (std::strncmp(position, "<?xml", 5) == 0)
            position = findNextTag(processQuest(diag, position));
        TagTreeWalk(diag, options, model, state).walk(position);
        diag.placeOf = nullptr;
        diag.readingAt = nullptr;
    }
    diag.trace("<== parseXMLfile, errSw=%d\n", diag.errSw);
}

} // namespace norvak
