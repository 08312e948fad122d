// The COBOL copybook of a message: data names, level numbers, OCCURS, REDEFINES, 88 levels, fixed-format lines.
#include "codegen/Copybook.h"

#include "codegen/CobolPictures.h"
#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "import/model/LanguageNames.h"

#include <cstddef>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace norvak {

namespace {

// The columns of a fixed-format line: area A starts at 8, area B at 12,
// and the text ends at 72.
constexpr std::size_t areaA = 7;
constexpr std::size_t areaB = 11;
constexpr std::size_t lastColumn = 72;
constexpr std::size_t nameWidth = 30;
constexpr int levelStep = 5;
constexpr int mostLevel = 49;
constexpr int conditionLevel = 88;
// The role of a value use that lists one of an element's values.
constexpr std::int32_t roleEnumeration = 5;

bool isNumericLiteral(const std::string& text) {
    std::size_t at = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    bool digit = false;
    bool point = false;
    for (; at < text.size(); ++at) {
        if (text[at] >= '0' && text[at] <= '9')
            digit = true;
        else if (text[at] == '.' && !point && digit)
            point = true;
        else
            return false;
    }
    return digit && text.back() != '.';
}

std::string quoted(const std::string& text) {
    std::string literal = "\"";
    for (char c : text)
        literal += c == '"' ? std::string("\"\"") : std::string(1, c);
    return literal + "\"";
}

class CopybookWriter {
  public:
    CopybookWriter(const MessageSetModel& model, const RecordLayout& layout, Copybook& book)
        : model_(model), layout_(layout), book_(book) {}

    void write();

  private:
    void field(const LayoutField& field, int level, int subscripts, const std::string& redefines = "");
    void members(const std::vector<LayoutField>& fields, int level, int subscripts);
    void alternatives(const std::string& owner, std::int64_t size, const std::vector<LayoutField>& fields, int level,
                      int subscripts);
    bool element(const LayoutField& field, int level, std::vector<std::string> clauses, const std::string& name);
    void conditions(const LayoutField& field, int level, const CobolPicture& picture);
    std::string occurs(const LayoutField& field);
    std::string uniqueName(std::string name);
    std::string nameOf(const LayoutField& field) const;
    void entry(int level, const std::string& name, const std::vector<std::string>& clauses, int under = 0);
    void comment(const std::string& text);
    void approximate(const std::string& path, const std::string& why);

    const MessageSetModel& model_;
    const RecordLayout& layout_;
    Copybook& book_;
    std::unordered_set<std::string> used_;
    std::unordered_map<std::string, std::string> namesByPath_;
};

std::string storedCobolName(const std::vector<const StoredAttribute*>& attributes) {
    for (const StoredAttribute* row : attributes)
        if (row->name == rows::itemCobolName.name && row->value && !row->value->empty())
            return *row->value;
    return "";
}

// The stored COBOL name of the field's element, or the import's name of the
// element, type or message it is.
std::string CopybookWriter::nameOf(const LayoutField& field) const {
    if (const ModelElement* element = model_.elementNamed(field.name); element != nullptr) {
        std::string stored = storedCobolName(element->attributes);
        return stored.empty() ? cobolNameValue(element->row->name, element->row->id) : stored;
    }
    if (const ModelType* type = model_.typeNamed(field.name); type != nullptr)
        return cobolNameValue(type->row->identifier, type->row->id);
    if (const ModelMessage* message = model_.messageNamed(field.name); message != nullptr)
        return cobolNameValue(message->row->name, message->row->id);
    return cobolNameValue(field.name, 0);
}

// A COBOL word of a name: letters, digits and hyphens, each other character
// (the blanks of a label among them) a hyphen, never a hyphen at either end.
std::string cobolWord(std::string name) {
    for (char& c : name) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        c = kept ? c : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : '-';
    }
    if (name.size() > nameWidth)
        name.resize(nameWidth);
    while (!name.empty() && name.back() == '-')
        name.pop_back();
    if (name.empty() || name.front() == '-')
        name.insert(0, "C");
    return name.size() > nameWidth ? name.substr(0, nameWidth) : name;
}

// A data name used once in the record: a name used before takes -2, -3, ...
// (the name giving way to the suffix within 30 characters).
std::string CopybookWriter::uniqueName(std::string name) {
    name = cobolWord(std::move(name));
    std::string candidate = name;
    for (int use = 2; !used_.insert(candidate).second; ++use) {
        const std::string suffix = "-" + std::to_string(use);
        candidate = name.substr(0, nameWidth - suffix.size()) + suffix;
    }
    return candidate;
}

void CopybookWriter::comment(const std::string& text) {
    std::string line = std::string(areaA - 1, ' ') + "*";
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t room = lastColumn - line.size() - 1;
        std::size_t cut = text.size() - start <= room ? text.size() : text.rfind(' ', start + room);
        if (cut == std::string::npos || cut <= start)
            cut = start + room;
        line += " " + text.substr(start, cut - start);
        book_.text += line + "\n";
        line = std::string(areaA - 1, ' ') + "*  ";
        start = cut < text.size() && text[cut] == ' ' ? cut + 1 : cut;
    }
}

// One data description entry: the level, the name and its clauses, wrapped
// within column 72 and ended by a period.
// An 88 level is written two columns in from the entry it is `under`.
void CopybookWriter::entry(int level, const std::string& name, const std::vector<std::string>& clauses, int under) {
    const int shown = under == 0 ? level : under + levelStep;
    const std::size_t indent = shown == 1 ? areaA : areaB + static_cast<std::size_t>(shown / levelStep - 1) * 2;
    std::string line = std::string(indent, ' ') + (level < 10 ? "0" : "") + std::to_string(level) + " " + name;
    for (std::size_t c = 0; c < clauses.size(); ++c) {
        const std::string word = clauses[c] + (c + 1 == clauses.size() ? "." : "");
        if (line.size() + 1 + word.size() > lastColumn) {
            book_.text += line + "\n";
            line = std::string(indent + 4, ' ') + word;
        } else {
            line += " " + word;
        }
    }
    if (clauses.empty())
        line += ".";
    book_.text += line + "\n";
}

void CopybookWriter::approximate(const std::string& path, const std::string& why) {
    book_.approximations.push_back(path + ": " + why);
    comment("Not exact: " + path + " is " + why + ".");
}

std::string CopybookWriter::occurs(const LayoutField& field) {
    if (!field.repeatReference.empty()) {
        auto counter = namesByPath_.find(field.repeatReference);
        const int most = field.repeat > 1 ? field.repeat : 1;
        if (counter == namesByPath_.end()) {
            approximate(field.path, "repeated by " + field.repeatReference +
                                        ", which the record does not hold; "
                                        "written with its most occurrences");
            return most > 1 ? "OCCURS " + std::to_string(most) : "";
        }
        if (field.repeat <= 1)
            approximate(field.path, "repeated with no most occurrences in the set; written as at most 1");
        return "OCCURS 0 TO " + std::to_string(most) + " DEPENDING ON " + counter->second;
    }
    return field.repeat > 1 ? "OCCURS " + std::to_string(field.repeat) : "";
}

void CopybookWriter::conditions(const LayoutField& field, int level, const CobolPicture& picture) {
    const ModelElement* element = model_.elementNamed(field.name);
    if (element == nullptr)
        return;
    if (!picture.approximation.empty()) {
        if (!element->valueUses.empty())
            comment("The values of " + field.path + " are left out with its picture.");
        return;
    }
    for (const ModelValueUse* use : element->valueUses) {
        if (use->row->role != roleEnumeration || use->value == nullptr)
            continue;
        const std::string& text = use->value->row->text;
        const bool fits = picture.numeric
                              ? isNumericLiteral(text)
                              : !text.empty() && text.size() <= static_cast<std::size_t>(field.length.value_or(0));
        const std::string name = uniqueName(cobolNameValue(use->value->row->name, use->value->row->id));
        const std::string literal = picture.numeric ? text : quoted(text);
        if (!fits || literal.size() > lastColumn - areaB - 4) {
            comment("Value " + use->value->row->identifier + " does not fit " + field.path + ".");
            continue;
        }
        entry(conditionLevel, name, {"VALUE", literal}, level);
    }
}

// False when nothing could stand for the field.
bool CopybookWriter::element(const LayoutField& field, int level, std::vector<std::string> clauses,
                             const std::string& name) {
    const CobolPicture picture = cobolPicture(field, layout_.bytesPerCharacter);
    if (!picture.approximation.empty())
        approximate(field.path, picture.approximation);
    if (picture.clauses.empty())
        return false;
    const bool redefines = !clauses.empty() && clauses.front().starts_with("REDEFINES");
    clauses.insert(clauses.begin() + (redefines ? 1 : 0), picture.clauses);
    entry(level, name, clauses);
    conditions(field, level, picture);
    return true;
}

void CopybookWriter::field(const LayoutField& field, int level, int subscripts, const std::string& redefines) {
    if (level > mostLevel) {
        approximate(field.path, "nested deeper than level 49; left out");
        return;
    }
    std::vector<std::string> clauses;
    if (!redefines.empty())
        clauses.push_back("REDEFINES " + redefines);
    if (field.kind == FieldKind::padding) {
        clauses.push_back("PIC X(" + std::to_string(field.length.value_or(0)) + ")");
        if (field.length)
            entry(level, "FILLER", clauses);
        else
            approximate(field.path, "an alignment after a variable part; left out");
        return;
    }
    const std::string name = uniqueName(nameOf(field));
    if (std::string repeat = occurs(field); !repeat.empty()) {
        clauses.push_back(std::move(repeat));
        ++subscripts;
    }
    namesByPath_[field.path] = name;
    book_.fields.push_back({field.path, name, subscripts});
    if (field.kind == FieldKind::element) {
        if (!element(field, level, clauses, name)) {
            book_.fields.pop_back();
            namesByPath_.erase(field.path);
        }
    } else if (field.members.empty()) {
        approximate(field.path, "a group with no members; written as one byte");
        clauses.insert(clauses.begin() + (redefines.empty() ? 0 : 1), "PIC X(1)");
        entry(level, name, clauses);
    } else {
        entry(level, name, clauses);
        if (field.kind == FieldKind::choice)
            alternatives(name, field.length.value_or(field.maxSize.value_or(field.minSize)), field.members,
                         level + levelStep, subscripts);
        else
            members(field.members, level + levelStep, subscripts);
    }
}

void CopybookWriter::members(const std::vector<LayoutField>& fields, int level, int subscripts) {
    for (const LayoutField& member : fields)
        field(member, level, subscripts);
}

// The alternatives of a choice, each redefining an area of the choice's
// size, so that no alternative is larger than what it redefines.
void CopybookWriter::alternatives(const std::string& owner, std::int64_t size, const std::vector<LayoutField>& fields,
                                  int level, int subscripts) {
    const std::string area = uniqueName(owner.substr(0, nameWidth - 2) + "-C");
    entry(level, area, {"PIC X(" + std::to_string(size > 0 ? size : 1) + ")"});
    for (const LayoutField& alternative : fields)
        field(alternative, level, subscripts, area);
}

void CopybookWriter::write() {
    comment("Copybook of message " + layout_.message + ", CWF tab " + layout_.tab +
            (layout_.ccsid ? ", CCSID " + *layout_.ccsid : std::string()) + ".");
    if (layout_.byteOrder == ByteOrder::little)
        comment("Binary integers (COMP) and floats (COMP-1, COMP-2) are little-endian: compile with the native "
                "binary byte order (-fbinary-byteorder=native) on a little-endian machine.");
    else
        comment("Binary integers (COMP) are big-endian, as on the wire.");
    const ModelMessage* message = model_.messageNamed(layout_.message);
    book_.recordName = uniqueName(message == nullptr ? cobolNameValue(layout_.message, 0)
                                                     : cobolNameValue(message->row->name, message->row->id));
    if (layout_.fields.empty()) {
        approximate(layout_.message, "a record with no fields; written as one byte");
        entry(1, book_.recordName, {"PIC X(1)"});
        return;
    }
    entry(1, book_.recordName, {});
    const bool choice =
        message != nullptr && message->type != nullptr && message->type->row->composition == compositionChoice;
    if (choice)
        alternatives(book_.recordName, layout_.maxSize.value_or(layout_.minSize), layout_.fields, levelStep, 0);
    else
        members(layout_.fields, levelStep, 0);
}

} // namespace

Copybook copybookOf(const MessageSetModel& model, const RecordLayout& layout) {
    Copybook book;
    book.message = layout.message;
    CopybookWriter writer(model, layout, book);
    writer.write();
    return book;
}

} // namespace norvak
