// Random edits of every kind to the lines of a generated definitions file, keeping it one the import takes.
#include "e2e/DefinitionEdits.h"

#include "e2e/GeneratedModels.h"

#include <cstddef>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

namespace norvak::test {

namespace {

// The value of attribute `name` written with double quotes on a line.
std::optional<std::string> attribute(const std::string& line, std::string_view name) {
    const std::string key = " " + std::string(name) + "=\"";
    const std::size_t at = line.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    const std::size_t begin = at + key.size();
    return line.substr(begin, line.find('"', begin) - begin);
}

void setAttribute(std::string& line, std::string_view name, const std::string& value) {
    const std::string key = " " + std::string(name) + "=\"";
    const std::size_t begin = line.find(key) + key.size();
    line.replace(begin, line.find('"', begin) - begin, value);
}

bool startsWith(const std::string& line, std::string_view prefix) {
    return line.compare(0, prefix.size(), prefix) == 0;
}

// The index of the generated element a line defines (`prefix` the start of a
// definition) or uses by reference, or -1.
int elementIndex(const std::string& line, std::string_view prefix) {
    if (!startsWith(line, prefix))
        return -1;
    std::size_t at = prefix.size();
    int index = 0;
    bool digits = false;
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at, digits = true)
        index = index * 10 + (line[at] - '0');
    return digits && at < line.size() && line[at] == '"' ? index : -1;
}

constexpr std::string_view definitionStart = "    <Element ident=\"E";
constexpr std::string_view useStart = "    <Element ref=\"E";

// The generator's kind (index modulo 12) of the element a line defines, or -1.
int definitionKind(const std::string& line) {
    const int index = elementIndex(line, definitionStart);
    return index < 0 ? -1 : index % 12;
}

int useKind(const std::string& line) {
    const int index = elementIndex(line, useStart);
    return index < 0 ? -1 : index % 12;
}

// A member written on one line: an element used or defined without values,
// a type or message used; the count element stays first, for the references.
bool singleLineMember(const std::string& line) {
    return startsWith(line, "    <") && !startsWith(line, "    </") && line.size() > 2 &&
           line.compare(line.size() - 2, 2, "/>") == 0 && !startsWith(line, "    <Element ident=\"Cnt");
}

// The kinds of generated elements that a new use by reference or a removal may
// pick: not the one whose length comes from its type's count element.
bool freelyUsed(int kind) {
    return kind >= 0 && kind != 7;
}

// A setting of element definitions of one kind, and its new value.
struct Setting {
    int kind;
    const char* attribute;
    const char* value;
};

const std::vector<Setting> physicalTypes{{1, "physicalType", "Encoded 2"},
                                         {4, "physicalType", "Packed Decimal"},
                                         {5, "physicalType", "Extended Decimal"},
                                         {9, "physicalType", "sec"}};
const std::vector<Setting> signs{{2, "signed", "Separate Trailing"}, {6, "signed", "Incl Lead"}};
const std::vector<Setting> paddings{{0, "padChar", "'*'"}, {2, "padChar", "SPACE"}, {6, "padChar", "'0'"}};
const std::vector<Setting> justifications{
    {0, "justification", "right justify"}, {2, "justification", "L"}, {6, "justification", "left"}};

// A tab setting and its new value.
struct TabSetting {
    const char* tab;
    const char* attribute;
    const char* value;
};

const std::vector<TabSetting> tabSettings{{"<CWFTab name=\"Cwf &quot;", "ccsid", "037"},
                                          {"<TDSTab ", "delimiter", "#"},
                                          {"<TDSTab ", "tagDataSep", "="},
                                          {"<TDSTab ", "boolTrue", "Y"},
                                          {"<TDSTab ", "tagLen", "4"},
                                          {"<XMLTab ", "rootTagName", "Top"},
                                          {"<XMLTab ", "boolTrue", "1"},
                                          {"<XMLTab ", "encodeNullNumVal", "0"}};

class Editor {
  public:
    Editor(const std::string& text, unsigned seed) : random_(seed) {
        std::istringstream stream(text);
        for (std::string line; std::getline(stream, line);)
            lines_.push_back({line, false});
    }

    void apply(int edits);

    std::string text() const {
        std::string text;
        for (const Line& line : lines_)
            text += line.text + "\n";
        return text;
    }

  private:
    struct Line {
        std::string text;
        bool touched; // edited or added: no other edit picks it
    };
    using Edit = bool (Editor::*)();

    std::size_t below(std::size_t count) { return static_cast<std::size_t>(random_() % count); }
    // A value from `lowest` to `highest` other than `current`.
    std::string otherNumber(const std::string& current, int lowest, int highest);
    // The lines no edit has picked that `accepts`.
    std::vector<std::size_t> candidates(const std::function<bool(const std::string&)>& accepts) const;
    // Changes one line of the candidates, picked at random; false when there is none.
    bool changeOne(const std::function<bool(const std::string&)>& accepts,
                   const std::function<void(std::string&)>& change);
    bool changeSetting(const std::vector<Setting>& settings);
    std::size_t typeEnd(std::size_t typeLine) const;
    void insert(std::size_t at, std::string text);
    void eraseWhere(const std::function<bool(const std::string&)>& matches);
    std::string fresh() { return std::to_string(added_++); }

    bool definitionLength();
    bool physicalType() { return changeSetting(physicalTypes); }
    bool sign() { return changeSetting(signs); }
    bool padding() { return changeSetting(paddings); }
    bool justification() { return changeSetting(justifications); }
    bool occurrence(const char* name);
    bool minOccurs() { return occurrence("minOccurs"); }
    bool maxOccurs() { return occurrence("maxOccurs"); }
    bool repeat();
    bool useLength();
    bool definedMemberAdded();
    bool usedMemberAdded();
    bool memberRemoved();
    bool definitionRemoved();
    bool membersSwapped();
    bool valueAdded();
    bool valueRemoved();
    bool topValueAdded();
    bool topValueRemoved();
    bool composition();
    bool content();
    bool label();
    bool tabSetting();
    bool xmlName();
    bool tdsTag();
    bool messageAdded();
    bool messageRemoved();

    static constexpr Edit allEdits[] = {&Editor::definitionLength,
                                        &Editor::physicalType,
                                        &Editor::sign,
                                        &Editor::padding,
                                        &Editor::justification,
                                        &Editor::minOccurs,
                                        &Editor::maxOccurs,
                                        &Editor::repeat,
                                        &Editor::useLength,
                                        &Editor::definedMemberAdded,
                                        &Editor::usedMemberAdded,
                                        &Editor::memberRemoved,
                                        &Editor::definitionRemoved,
                                        &Editor::membersSwapped,
                                        &Editor::valueAdded,
                                        &Editor::valueRemoved,
                                        &Editor::topValueAdded,
                                        &Editor::topValueRemoved,
                                        &Editor::composition,
                                        &Editor::content,
                                        &Editor::label,
                                        &Editor::tabSetting,
                                        &Editor::xmlName,
                                        &Editor::tdsTag,
                                        &Editor::messageAdded,
                                        &Editor::messageRemoved};

    std::vector<Line> lines_;
    std::mt19937 random_;
    std::set<int> pinned_;                  // elements a new member uses: their definitions stay
    std::set<std::size_t> tabSettingsDone_; // indexes in tabSettings
    int added_ = 0;
};

std::string Editor::otherNumber(const std::string& current, int lowest, int highest) {
    const std::size_t count = static_cast<std::size_t>(highest) - static_cast<std::size_t>(lowest) + 1;
    std::string value = current;
    while (value == current)
        value = std::to_string(lowest + static_cast<int>(below(count)));
    return value;
}

std::vector<std::size_t> Editor::candidates(const std::function<bool(const std::string&)>& accepts) const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!lines_[i].touched && accepts(lines_[i].text))
            found.push_back(i);
    }
    return found;
}

bool Editor::changeOne(const std::function<bool(const std::string&)>& accepts,
                       const std::function<void(std::string&)>& change) {
    const std::vector<std::size_t> found = candidates(accepts);
    if (found.empty())
        return false;
    Line& line = lines_[found[below(found.size())]];
    change(line.text);
    line.touched = true;
    return true;
}

bool Editor::changeSetting(const std::vector<Setting>& settings) {
    const Setting& setting = settings[below(settings.size())];
    return changeOne([&](const std::string& line) { return definitionKind(line) == setting.kind; },
                     [&](std::string& line) { setAttribute(line, setting.attribute, setting.value); });
}

// The line that closes the type whose first line is `typeLine`.
std::size_t Editor::typeEnd(std::size_t typeLine) const {
    std::size_t end = typeLine;
    while (lines_[end].text != "</Type>")
        ++end;
    return end;
}

void Editor::insert(std::size_t at, std::string text) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), true});
}

void Editor::eraseWhere(const std::function<bool(const std::string&)>& matches) {
    std::erase_if(lines_, [&](const Line& line) { return matches(line.text); });
}

// Lengths of element definitions that fit their logical and physical types.
bool Editor::definitionLength() {
    static const std::vector<std::pair<int, int>> highest{{0, 40}, {3, 1}, {5, 10}, {6, 30}, {10, 30}, {11, 250}};
    const std::pair<int, int>& chosen = highest[below(highest.size())];
    return changeOne([&](const std::string& line) { return definitionKind(line) == chosen.first; },
                     [&](std::string& line) {
                         setAttribute(line, "length", otherNumber(*attribute(line, "length"), 1, chosen.second));
                     });
}

// An occurrence of a member: minOccurs between 0 and 1, maxOccurs a number from 3.
bool Editor::occurrence(const char* name) {
    const bool minimum = std::string_view(name) == "minOccurs";
    return changeOne(
        [&](const std::string& line) {
            return singleLineMember(line) && attribute(line, name) && !attribute(line, "repeat");
        },
        [&](std::string& line) {
            const std::string current = *attribute(line, name);
            setAttribute(line, name, minimum ? (current == "0" ? "1" : "0") : otherNumber(current, 3, 9));
        });
}

bool Editor::repeat() {
    return changeOne([](const std::string& line) { return useKind(line) == 1; },
                     [&](std::string& line) { setAttribute(line, "repeat", otherNumber("4", 2, 9)); });
}

// The length an element used by reference has in that use only, and at
// times its justification there.
bool Editor::useLength() {
    return changeOne(
        [](const std::string& line) {
            const int kind = useKind(line);
            return kind == 0 || kind == 4 || kind == 6;
        },
        [&](std::string& line) {
            switch (useKind(line)) {
            case 0:
                setAttribute(line, "length", otherNumber("7", 1, 40));
                if (below(2) == 0)
                    setAttribute(line, "justification", "L");
                break;
            case 4:
                setAttribute(line, "length", "1");
                break;
            default:
                setAttribute(line, "length", otherNumber("20", 1, 30));
            }
        });
}

bool Editor::definedMemberAdded() {
    const std::vector<std::size_t> types =
        candidates([](const std::string& line) { return startsWith(line, "<Type ident="); });
    if (types.empty())
        return false;
    const std::string n = fresh();
    insert(typeEnd(types[below(types.size())]), "    <Element ident=\"Added" + n + "\" type=\"string\" length=\"" +
                                                    std::to_string(1 + added_ % 20) + "\" tag=\"A" + n +
                                                    "\" xmlName=\"added" + n + "\"/>");
    return true;
}

// A use by reference of an element of a group before the one the type uses already.
bool Editor::usedMemberAdded() {
    std::set<int> defined;
    for (const Line& line : lines_) {
        if (const int index = elementIndex(line.text, definitionStart); freelyUsed(index < 0 ? -1 : index % 12))
            defined.insert(index);
    }
    std::vector<std::pair<std::size_t, int>> choices; // type line, element
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const int group = elementIndex(lines_[i].text, "<Type ident=\"Grp");
        for (int element = 0; group >= 2 && element < (group - 1) * 24; element += 5) {
            if (defined.count(element) != 0)
                choices.emplace_back(i, element);
        }
    }
    if (choices.empty())
        return false;
    const auto [typeLine, element] = choices[below(choices.size())];
    const std::string use = "    <Element ref=\"E" + std::to_string(element) + "\" minOccurs=\"0\"/>";
    for (std::size_t i = typeLine; i < typeEnd(typeLine); ++i) {
        if (lines_[i].text == use)
            return false;
    }
    pinned_.insert(element);
    insert(typeEnd(typeLine), use);
    return true;
}

bool Editor::memberRemoved() {
    const std::vector<std::size_t> found = candidates([](const std::string& line) {
        return singleLineMember(line) &&
               (startsWith(line, "    <Element ref=") || startsWith(line, "    <Type ref=") ||
                startsWith(line, "    <Message ref=") || startsWith(line, "    <Element ident=\"Cx"));
    });
    if (found.empty())
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found[below(found.size())]));
    return true;
}

// An element definition with its values, and every use of the element.
bool Editor::definitionRemoved() {
    const std::vector<std::size_t> found = candidates([&](const std::string& line) {
        const int index = elementIndex(line, definitionStart);
        return index >= 0 && freelyUsed(index % 12) && pinned_.count(index) == 0;
    });
    if (found.empty())
        return false;
    const std::size_t first = found[below(found.size())];
    const std::string use =
        "    <Element ref=\"E" + std::to_string(elementIndex(lines_[first].text, definitionStart)) + "\"";
    std::size_t last = first;
    if (lines_[first].text.compare(lines_[first].text.size() - 2, 2, "/>") != 0) {
        while (lines_[last].text != "    </Element>")
            ++last;
    }
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first),
                 lines_.begin() + static_cast<std::ptrdiff_t>(last + 1));
    eraseWhere([&](const std::string& line) { return startsWith(line, use); });
    return true;
}

bool Editor::membersSwapped() {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i + 1 < lines_.size(); ++i) {
        if (!lines_[i].touched && !lines_[i + 1].touched && singleLineMember(lines_[i].text) &&
            singleLineMember(lines_[i + 1].text))
            found.push_back(i);
    }
    if (found.empty())
        return false;
    const std::size_t at = found[below(found.size())];
    std::swap(lines_[at].text, lines_[at + 1].text);
    lines_[at].touched = true;
    lines_[at + 1].touched = true;
    return true;
}

// An enumeration value under a string element that has values.
bool Editor::valueAdded() {
    const std::vector<std::size_t> found =
        candidates([](const std::string& line) { return definitionKind(line) == 0 || definitionKind(line) == 11; });
    if (found.empty())
        return false;
    const std::string n = fresh();
    insert(found[below(found.size())] + 1,
           "      <Value ident=\"AddedValue" + n + "\" type=\"string\" value=\"added " + n + "\" role=\"ENUM\"/>");
    return true;
}

bool Editor::valueRemoved() {
    const std::vector<std::size_t> found =
        candidates([](const std::string& line) { return startsWith(line, "      <Value "); });
    if (found.empty())
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found[below(found.size())]));
    return true;
}

bool Editor::topValueAdded() {
    std::size_t at = 0;
    while (at < lines_.size() && !startsWith(lines_[at].text, "<Type "))
        ++at;
    const std::string n = fresh();
    insert(at, "<Value ident=\"TopValue" + n + "\" type=\"string\" value=\"top " + n + "\"/>");
    return true;
}

// The value nothing uses (the shared one stays).
bool Editor::topValueRemoved() {
    const std::vector<std::size_t> found =
        candidates([](const std::string& line) { return startsWith(line, "<Value ident=\"Unused\""); });
    if (found.empty())
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found.front()));
    return true;
}

bool Editor::composition() {
    return changeOne([](const std::string& line) { return startsWith(line, "<Type ident="); },
                     [](std::string& line) {
                         setAttribute(line, "composition",
                                      *attribute(line, "composition") == "choice" ? "Sequence" : "choice");
                     });
}

bool Editor::content() {
    return changeOne([](const std::string& line) { return startsWith(line, "<Type ident="); },
                     [](std::string& line) {
                         setAttribute(line, "typeContent",
                                      *attribute(line, "typeContent") == "open" ? "closed" : "open");
                     });
}

// Labels of types, messages, elements and values.
bool Editor::label() {
    return changeOne(
        [](const std::string& line) {
            const bool tab = startsWith(line, "<CWFTab") || startsWith(line, "<TDSTab") || startsWith(line, "<XMLTab");
            return !tab && attribute(line, "name");
        },
        [](std::string& line) { setAttribute(line, "name", *attribute(line, "name") + " renamed"); });
}

bool Editor::tabSetting() {
    if (tabSettingsDone_.size() == tabSettings.size())
        return false;
    std::size_t chosen = below(tabSettings.size());
    while (tabSettingsDone_.count(chosen) != 0)
        chosen = (chosen + 1) % tabSettings.size();
    tabSettingsDone_.insert(chosen);
    const TabSetting& setting = tabSettings[chosen];
    for (Line& line : lines_) {
        if (startsWith(line.text, setting.tab))
            setAttribute(line.text, setting.attribute, setting.value);
    }
    return true;
}

bool Editor::xmlName() {
    return changeOne(
        [](const std::string& line) { return startsWith(line, "    <Element ident=") && attribute(line, "xmlName"); },
        [](std::string& line) { setAttribute(line, "xmlName", *attribute(line, "xmlName") + "r"); });
}

bool Editor::tdsTag() {
    return changeOne([](const std::string& line) { return startsWith(line, "    <") && attribute(line, "tag"); },
                     [](std::string& line) { setAttribute(line, "tag", "Q" + *attribute(line, "tag")); });
}

bool Editor::messageAdded() {
    const std::vector<std::size_t> types =
        candidates([](const std::string& line) { return startsWith(line, "<Type ident="); });
    if (types.empty())
        return false;
    const std::string n = fresh();
    lines_.push_back({"<Message ident=\"AddedMessage" + n + "\" name=\"added " + n + "\" type=\"" +
                          *attribute(lines_[types[below(types.size())]].text, "ident") + "\"/>",
                      true});
    return true;
}

// A message, and its uses as a member.
bool Editor::messageRemoved() {
    const std::vector<std::size_t> found =
        candidates([](const std::string& line) { return startsWith(line, "<Message ident=\"Msg-"); });
    if (found.empty())
        return false;
    const std::size_t at = found[below(found.size())];
    const std::string use = "    <Message ref=\"" + *attribute(lines_[at].text, "ident") + "\"";
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
    eraseWhere([&](const std::string& line) { return startsWith(line, use); });
    return true;
}

// Edit k is of the kind at k in a shuffled round of every kind, or of the next
// kind that still finds a line to change.
void Editor::apply(int edits) {
    std::vector<Edit> order(std::begin(allEdits), std::end(allEdits));
    for (std::size_t i = order.size() - 1; i > 0; --i)
        std::swap(order[i], order[below(i + 1)]);
    for (int k = 0; k < edits; ++k) {
        for (std::size_t tried = 0; tried < order.size(); ++tried) {
            if ((this->*order[(static_cast<std::size_t>(k) + tried) % order.size()])())
                break;
        }
    }
}

} // namespace

std::string editedModel(int elements, unsigned seed, int edits) {
    Editor editor(generatedModel(elements), seed);
    editor.apply(edits);
    return editor.text();
}

} // namespace norvak::test
