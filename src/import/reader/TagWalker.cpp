#include "import/reader/TagWalker.h"

#include "import/driver/ImportOptions.h"
#include "import/model/DefinitionProcessing.h"
#include "import/model/DefinitionRecord.h"
#include "import/model/ImportRun.h"
#include "import/reader/AttributeHandlers.h"
#include "import/reader/StringUtilities.h"
#include "import/reader/TextPreparation.h"

#include <algorithm>
#include <cstring>
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

// Calls the handler of the tag kind with one attribute. Values of definition
// and tab tags longer than the repository's texts are refused here.
void deliverAttribute(ImportRun& run, const char* attrName, char* value, int tagKind, AttributeTarget& target) {
    if (tagKind >= tagElement && tagKind <= tagXmlTab && std::strlen(value) > maxValueLength) {
        run.error("*****Error - value of attribute %s is longer than 254 characters\n", attrName);
        return;
    }
    switch (tagKind) {
    case tagElement:
        getAttrValueElem(run, attrName, value, *target.record);
        break;
    case tagType:
        getAttrValueType(run, attrName, value, *target.record);
        break;
    case tagValue:
        getAttrValueValue(run, attrName, value, *target.record);
        break;
    case tagMessage:
        getAttrValueMessage(run, attrName, value, *target.record);
        break;
    case tagCwfTab:
        getAttrValueCWFTab(run, attrName, value, *target.cwfTab);
        break;
    case tagTdsTab:
        getAttrValueTDSTab(run, attrName, value, *target.tdsTab);
        break;
    case tagXmlTab:
        getAttrValueXMLTab(run, attrName, value, *target.xmlTab);
        break;
    case tagZepImport:
        getAttrValueZEPImport(run, attrName, value);
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

bool isPasswordAttribute(int tagKind, const char* attrName) {
    return tagKind == tagZepImport && std::strcmp(attrName, "DBPw") == 0;
}

// At most `width` bytes of the text from the position, as trace and error
// lines show them: the value of a DBPw attribute in view is replaced by
// "********", so the password never appears in the output.
std::string shownText(const char* position, std::size_t width) {
    std::string shown(position, strnlen(position, width));
    for (std::size_t at = shown.find("DBPw"); at != std::string::npos; at = shown.find("DBPw", at + 1)) {
        std::size_t p = at + 4;
        while (p < shown.size() && isBlank(shown[p]))
            ++p;
        if (p >= shown.size() || shown[p] != '=')
            continue;
        ++p;
        while (p < shown.size() && isBlank(shown[p]))
            ++p;
        char quote = p < shown.size() && (shown[p] == '"' || shown[p] == '\'') ? shown[p++] : '\0';
        std::size_t end = p;
        while (end < shown.size() && (quote != '\0' ? shown[end] != quote : !endsUnquotedValue(shown[end])))
            ++end;
        if (end > p)
            shown.replace(p, end - p, "********");
    }
    if (shown.size() > width)
        shown.resize(width);
    return shown;
}

void substitute(ImportRun& run, char* value, int tagKind, const char* attrName) {
    if (isPasswordAttribute(tagKind, attrName))
        replacePasswordParams(run, value);
    else
        replaceParams(run, value);
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
    explicit TagTreeWalk(ImportRun& run) : run_(run) {}

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
        run_.trace("==> processLevel: topLevel=%d parent %s typeId %d elemId %d ptr=0x%8.8x %.32s\n", topLevel,
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
            if (position[1] == '/' || run_.errSw)
                break;
            int kind = tagUnknown;
            position = processItem(run_, position, level.itemName, kind, level.currType, level.currElem);
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
                run_.error("*****Error - missing termination character for %s\n", name.start);
                return name.end;
            }
            *name.end = '\0';
            if (level.itemName != name.start)
                run_.error("*****Error - mismatched begin tag and end tag (%s,%s) for parent %s\n", name.start,
                           level.itemName.c_str(), level.parentName.c_str());
            closeItem(level);
            position = findNextTag(name.end + 1);
        }
        return position;
    }

    char* finishLevel(Level& level, char* position) {
        if (*position == '\0') {
            if (!level.topLevel)
                run_.error("*****Error - End of file found before end of element %s\n", level.itemName.c_str());
        } else if (position[1] == '/') {
            EndTagName name = readEndTagName(position);
            if (!name.complete) {
                run_.error("*****Error - missing termination character for %s\n", name.start);
                position = name.end;
            } else {
                *name.end = '\0';
                if (level.parentName == name.start)
                    position = findNextTag(name.end + 1);
                else
                    run_.error("*****Error - mismatched begin tag and end tag (%s,%s) for parent name %s\n",
                               level.parentName.c_str(), name.start, level.itemName.c_str());
            }
        }
        run_.trace("<== processLevel: topLevel=%d parent %s ptr=0x%8.8x %.32s\n", level.topLevel,
                   level.parentName.c_str(), traceAddress(position), shownText(position, 32).c_str());
        return position;
    }

    ImportRun& run_;
    std::vector<Level> levels_;
};

// The value shown in trace lines: the ZEPImport password never appears.
const char* tracedValue(int tagKind, const char* attrName, const char* value) {
    if (isPasswordAttribute(tagKind, attrName))
        return maskedPassword(value);
    return value;
}

// Hands a finished tag to the definition processing of its kind or to its tab list.
void handOver(ImportRun& run, int& kind, DefinitionRecord& record, AttributeTarget& target, int& currTypeId,
              int& currElemId) {
    switch (kind) {
    case tagElement:
        currElemId = processElementDef(run, record, currTypeId);
        break;
    case tagType: {
        int typeId = processTypeDef(run, record, currTypeId);
        if (typeId != 0)
            currTypeId = typeId;
        else
            kind = tagUnknown;
        break;
    }
    case tagValue:
        processValueDef(run, record, currElemId);
        break;
    case tagMessage:
        processMessageDef(run, record, currTypeId);
        break;
    case tagCwfTab:
        run.cwfTabList.push_back(*target.cwfTab);
        break;
    case tagTdsTab:
        run.tdsTabList.push_back(*target.tdsTab);
        break;
    case tagXmlTab:
        run.xmlTabList.push_back(*target.xmlTab);
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

void getAttrValue(ImportRun& run, const char* attrName, char* value, int tagKind, AttributeTarget& target) {
    run.trace("==> getAttrValue eType=%d attrName %s value %s\n", tagKind, attrName,
              tracedValue(tagKind, attrName, value));
    deliverAttribute(run, attrName, value, tagKind, target);
    run.trace("<== getAttrValue\n");
}

char* scanAttribute(ImportRun& run, char* position, int tagKind, AttributeTarget& target) {
    char* nameEnd = position;
    while (!endsAttributeName(*nameEnd))
        ++nameEnd;
    char* reached = skipBlanks(nameEnd);
    bool hasEqualSign = *reached == '=';
    char endByte = *nameEnd;
    *nameEnd = '\0';
    if (!hasEqualSign) {
        run.error("*****Error - Attribute %s missing equal sign\n", position);
        *nameEnd = endByte;
        return reached;
    }
    const char* attrName = position;
    char* valueStart = skipBlanks(reached + 1);

    if (*valueStart == '"' || *valueStart == '\'') {
        char* closing = std::strchr(valueStart + 1, *valueStart);
        if (closing == nullptr) {
            run.error("***** Error - Attribute %s missing trailing quotation mark\n", attrName);
            return valueStart + std::strlen(valueStart);
        }
        *closing = '\0';
        char* value = valueStart + 1;
        substitute(run, value, tagKind, attrName);
        deliverAttribute(run, attrName, value, tagKind, target);
        return closing + 1;
    }

    char* valueEnd = valueStart;
    while (!endsUnquotedValue(*valueEnd))
        ++valueEnd;
    if (*valueEnd == '\0') {
        run.error("attribute %s value missing leading quotation\n", attrName);
        return valueEnd;
    }
    char valueEndByte = *valueEnd;
    *valueEnd = '\0';
    substitute(run, valueStart, tagKind, attrName);
    getAttrValue(run, attrName, valueStart, tagKind, target);
    *valueEnd = valueEndByte;
    return skipBlanks(valueEnd);
}

char* processItem(ImportRun& run, char* position, std::string& tagName, int& kind, int& currTypeId, int& currElemId) {
    run.trace("==> processItem currType=%d currElem=%d ptr=0x%8.8x %.32s\n", currTypeId, currElemId,
              traceAddress(position), shownText(position, 32).c_str());
    char* nameStart = skipBlanks(position + 1);
    char* nameEnd = nameStart;
    while (!endsTagName(*nameEnd))
        ++nameEnd;
    std::size_t nameLength = std::min(static_cast<std::size_t>(nameEnd - nameStart), maxTagNameLength);
    std::vector<char> nameBuffer(nameStart, nameStart + nameLength);
    nameBuffer.push_back('\0');
    replaceParams(run, nameBuffer.data());
    tagName = nameBuffer.data();

    kind = lookupTagKind(tagName.c_str());
    if (kind == tagUnknown) {
        run.error("*****Error - Unrecognized XML tag name found - %.64s\n", shownText(nameStart, 64).c_str());
        return nameStart;
    }

    DefinitionRecord record;
    CwfTabDefinition cwfTab;
    TdsTabDefinition tdsTab;
    XmlTabDefinition xmlTab;
    AttributeTarget target{&record, &cwfTab, &tdsTab, &xmlTab};

    position = skipBlanks(nameEnd);
    while (*position != '\0' && *position != '/' && *position != '>' && !run.errSw) {
        position = scanAttribute(run, position, kind, target);
        position = skipBlanks(position);
    }

    handOver(run, kind, record, target, currTypeId, currElemId);
    run.trace("<== processItem %s ptr=0x%8.8x %.32s\n", tagName.c_str(), traceAddress(position),
              shownText(position, 32).c_str());
    return position;
}

char* processQuest(ImportRun& run, char* position) {
    run.trace("==> processQuest: ptr=0x%8.8x\n", traceAddress(position));
    char* end = findTagEnd(position + 5);
    if (*end != '\0') {
        *end = '\0';
        position = skipBlanks(end + 1);
    } else {
        position = end;
    }
    run.trace("<== processQuest: ptr=0x%8.8x\n", traceAddress(position));
    return position;
}

void parseXMLfile(ImportRun& run, char* text) {
    run.trace("==> parseXMLfile\n");
    char* position = findNextTag(text);
    if (*position == '\0') {
        run.error("*****Error - no beginning bracket (\"<\") found in file\n");
    } else {
        removeComments(run, position);
        while (std::strncmp(position, "<?xml", 5) == 0)
            position = findNextTag(processQuest(run, position));
        TagTreeWalk(run).walk(position);
    }
    run.trace("<== parseXMLfile, errSw=%d\n", run.errSw);
}

} // namespace norvak
