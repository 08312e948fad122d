// The C11 header of a message: a struct at the layout's offsets, nested structs and unions, fillers, _Static_asserts.
#include "codegen/CHeader.h"

#include "codegen/CMembers.h"
#include "codegen/CNames.h"
#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace norvak {

namespace {

constexpr std::size_t indentStep = 4;

// Where the next member starts: bytes after the start of the record, or
// after the end of the field `anchor` names (the layout's relativeTo).
struct Cursor {
    std::string anchor;
    std::int64_t offset = 0;
};

// One field the asserts check: its member designator, and its offset and
// size when the layout knows them.
struct Check {
    std::string member;
    std::string path;
    std::optional<std::int64_t> offset;
    std::optional<std::int64_t> size;
};

// The members of one struct or union body: the designator of its members
// from the message's struct, the names used in it (an anonymous union
// shares its struct's), and the grain every offset and size around it
// divides, so that a member of an exact-width type of n bytes is written
// only where n divides it and no compiler pads before it or after the body.
struct Scope {
    std::string prefix;
    std::unordered_set<std::string>& names;
    std::int64_t grain = 0;
    std::size_t depth = 1;
};

int occurrencesOf(const LayoutField& field) {
    return field.repeat > 1 ? field.repeat : 1;
}

bool isFixed(const LayoutField& field) {
    return field.variability == Variability::none && field.length.has_value();
}

std::string offsetText(const LayoutField& field) {
    return field.relativeTo.empty() ? std::to_string(field.offset)
                                    : field.relativeTo + "+" + std::to_string(field.offset);
}

std::string storedCName(const std::vector<const StoredAttribute*>& attributes) {
    for (const StoredAttribute* row : attributes)
        if (row->name == rows::itemCName.name && row->value && !row->value->empty())
            return *row->value;
    return "";
}

std::string bytesText(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

std::string codePageText(const RecordLayout& layout) {
    const std::string ccsid = layout.ccsid ? "CCSID " + *layout.ccsid : "no CCSID";
    if (layout.bytesPerCharacter == 0)
        return ccsid + ", characters of variable width";
    return ccsid + ", " + std::to_string(layout.bytesPerCharacter) +
           (layout.bytesPerCharacter == 1 ? " byte a character" : " bytes a character");
}

std::string byteOrderText(ByteOrder order) {
    if (order == ByteOrder::big)
        return "/* Byte order: big-endian, as on the wire; a binary integer or float of more than one byte is an "
               "exact-width member where its offset suits its alignment, otherwise an array of its bytes. */\n";
    return "/* Byte order: little-endian, as the records hold their binary integers and floats; one of more than "
           "one byte is an exact-width member where its offset suits its alignment, otherwise an array of its "
           "bytes. Every member holds the record's bytes as they are: on a machine of the other byte order a "
           "program converts them before use. */\n";
}

class CHeaderWriter {
  public:
    CHeaderWriter(const MessageSetModel& model, const RecordLayout& layout, CHeader& header)
        : model_(model), layout_(layout), header_(header) {}

    void write();

  private:
    std::int64_t occurrenceBytes(const LayoutField& field);
    std::int64_t writtenBytes(const LayoutField& field) { return occurrenceBytes(field) * occurrencesOf(field); }
    std::int64_t recordBytes(bool choice);
    void members(const std::vector<LayoutField>& fields, Scope& scope);
    void alternatives(const LayoutField* owner, const std::vector<LayoutField>& fields, Scope& scope);
    void field(const LayoutField& field, Scope& scope);
    void element(const LayoutField& field, Scope& scope, const std::string& dimensions);
    void group(const LayoutField& field, Scope& scope, const std::string& dimensions);
    void padding(const LayoutField& field, Scope& scope);
    void filler(std::int64_t bytes, Scope& scope, const std::string& what);
    void advance(const LayoutField& field);
    std::string dimensionsOf(const LayoutField& field, std::size_t depth);
    std::string nameOf(const LayoutField& field) const;
    void written(const LayoutField& field, const std::string& member);
    void line(std::size_t depth, const std::string& text);
    void comment(std::size_t depth, const std::string& text);
    void approximate(std::size_t depth, const std::string& path, const std::string& why);
    std::string asserts(bool fixedRecord) const;

    const MessageSetModel& model_;
    const RecordLayout& layout_;
    CHeader& header_;
    std::string body_;
    Cursor cursor_;
    int fillers_ = 0;
    std::vector<Check> checks_;
    std::unordered_map<const LayoutField*, std::int64_t> sizes_;
};

// A name used once in its body: a name used before takes _2, _3, ...
std::string uniqueName(const std::string& name, Scope& scope) {
    std::string candidate = name;
    for (int use = 2; !scope.names.insert(candidate).second; ++use)
        candidate = name + "_" + std::to_string(use);
    return candidate;
}

// The bytes one occurrence takes as written: a simple element its C
// member's, a group the sum of its members', a choice its largest
// alternative's; what is left out takes none.
std::int64_t CHeaderWriter::occurrenceBytes(const LayoutField& field) {
    if (auto known = sizes_.find(&field); known != sizes_.end())
        return known->second;
    std::int64_t bytes = 0;
    if (field.kind == FieldKind::element)
        bytes = cMember(field, layout_.byteOrder).bytes;
    else if (field.kind == FieldKind::padding)
        bytes = field.length.value_or(0);
    for (const LayoutField& member : field.members)
        bytes = field.kind == FieldKind::choice ? std::max(bytes, writtenBytes(member)) : bytes + writtenBytes(member);
    sizes_[&field] = bytes;
    return bytes;
}

std::int64_t CHeaderWriter::recordBytes(bool choice) {
    std::int64_t bytes = 0;
    for (const LayoutField& field : layout_.fields)
        bytes = choice ? std::max(bytes, writtenBytes(field)) : bytes + writtenBytes(field);
    return bytes;
}

std::string CHeaderWriter::nameOf(const LayoutField& field) const {
    if (field.kind == FieldKind::element)
        if (const ModelElement* element = model_.elementNamed(field.name); element != nullptr)
            if (std::string stored = storedCName(element->attributes); !stored.empty())
                return cIdentifier(stored);
    return cIdentifier(field.name);
}

void CHeaderWriter::line(std::size_t depth, const std::string& text) {
    body_ += std::string(depth * indentStep, ' ') + text + "\n";
}

void CHeaderWriter::comment(std::size_t depth, const std::string& text) {
    line(depth, "/* " + cCommentText(text) + " */");
}

void CHeaderWriter::approximate(std::size_t depth, const std::string& path, const std::string& why) {
    header_.approximations.push_back(path + ": " + why);
    comment(depth, "Not exact: " + path + " is " + why + ".");
}

void CHeaderWriter::written(const LayoutField& field, const std::string& member) {
    header_.fields.push_back({field.path, member});
    Check check{member, field.path, std::nullopt, std::nullopt};
    if (field.relativeTo.empty())
        check.offset = field.offset;
    if (isFixed(field))
        check.size = *field.length * occurrencesOf(field);
    checks_.push_back(std::move(check));
}

// After a field of a fixed size the next starts at its end; after one that
// varies, from its end, as the layout counts.
void CHeaderWriter::advance(const LayoutField& field) {
    if (isFixed(field))
        cursor_ = {field.relativeTo, field.offset + *field.length * occurrencesOf(field)};
    else
        cursor_ = {field.path, 0};
}

// "[3]" for a repeat; a repeat reference is written with its most
// occurrences, said as not exact.
std::string CHeaderWriter::dimensionsOf(const LayoutField& field, std::size_t depth) {
    if (!field.repeatReference.empty()) {
        const int most = occurrencesOf(field);
        approximate(depth, field.path,
                    field.repeat > 1
                        ? "repeated by " + field.repeatReference + "; written with its most occurrences, " +
                              std::to_string(most) + ", and what follows starts after them"
                        : "repeated by " + field.repeatReference +
                              " with no most occurrences in the set; written as 1");
        return "[" + std::to_string(most) + "]";
    }
    return field.repeat > 1 ? "[" + std::to_string(field.repeat) + "]" : "";
}

void CHeaderWriter::filler(std::int64_t bytes, Scope& scope, const std::string& what) {
    const std::string name = uniqueName("pad" + std::to_string(++fillers_), scope);
    line(scope.depth, "unsigned char " + name + "[" + std::to_string(bytes) + "]; /* " + cCommentText(what) + " */");
}

void CHeaderWriter::padding(const LayoutField& field, Scope& scope) {
    if (!field.length) {
        approximate(scope.depth, field.path, "an alignment after a variable part; left out");
        return;
    }
    const std::string name = uniqueName("pad" + std::to_string(++fillers_), scope);
    line(scope.depth, "unsigned char " + name + "[" + std::to_string(*field.length) + "]; /* offset " +
                          cCommentText(offsetText(field)) + ": alignment to " + std::to_string(field.alignment) +
                          " */");
    written(field, scope.prefix + name);
}

void CHeaderWriter::element(const LayoutField& field, Scope& scope, const std::string& dimensions) {
    const CMember member = cMember(field, layout_.byteOrder);
    if (!member.approximation.empty())
        approximate(scope.depth, field.path, member.approximation);
    if (member.bytes == 0)
        return;
    const bool native =
        !member.scalar.empty() && field.relativeTo.empty() && std::gcd(scope.grain, field.offset) % member.bytes == 0;
    const std::string name = uniqueName(nameOf(field), scope);
    const std::string declaration =
        native ? member.scalar + " " + name + dimensions
               : member.arrayType + " " + name + dimensions + "[" + std::to_string(member.bytes) + "]";
    line(scope.depth,
         declaration + "; /* offset " + cCommentText(offsetText(field)) + ", " + cCommentText(member.what) + " */");
    written(field, scope.prefix + name);
}

void CHeaderWriter::group(const LayoutField& field, Scope& scope, const std::string& dimensions) {
    if (field.members.empty()) {
        approximate(scope.depth, field.path, "a group with no members; left out");
        return;
    }
    std::unordered_set<std::string> names;
    if (writtenBytes(field) == 0) {
        comment(scope.depth, field.path + " takes no bytes as written; left out");
        Scope none{"", names, 1, scope.depth};
        members(field.members, none);
        return;
    }
    const std::string name = uniqueName(nameOf(field), scope);
    const std::int64_t grain =
        field.relativeTo.empty() ? std::gcd(std::gcd(scope.grain, field.offset), occurrenceBytes(field)) : 1;
    Scope inner{scope.prefix + name + (dimensions.empty() ? "." : "[0]."), names, grain, scope.depth + 1};
    const bool choice = field.kind == FieldKind::choice;
    written(field, scope.prefix + name);
    line(scope.depth, choice ? "union {" : "struct {");
    if (choice)
        alternatives(&field, field.members, inner);
    else
        members(field.members, inner);
    line(scope.depth, "} " + name + dimensions + "; /* offset " + cCommentText(offsetText(field)) + ", " +
                          (choice ? "choice " : "group ") + cCommentText(field.name) + " */");
}

void CHeaderWriter::field(const LayoutField& field, Scope& scope) {
    if (field.kind == FieldKind::padding) {
        padding(field, scope);
        return;
    }
    const std::string dimensions = dimensionsOf(field, scope.depth);
    if (field.kind == FieldKind::element)
        element(field, scope, dimensions);
    else
        group(field, scope, dimensions);
}

void CHeaderWriter::members(const std::vector<LayoutField>& fields, Scope& scope) {
    for (const LayoutField& member : fields) {
        if (member.relativeTo == cursor_.anchor && member.offset > cursor_.offset)
            filler(member.offset - cursor_.offset, scope, "bytes the layout skips");
        const Cursor start = cursor_;
        field(member, scope);
        cursor_ = start;
        advance(member);
    }
}

// The alternatives of a choice, each from the choice's start; after them
// the next field starts after the choice (or the record ends).
void CHeaderWriter::alternatives(const LayoutField* owner, const std::vector<LayoutField>& fields, Scope& scope) {
    const Cursor start = cursor_;
    for (const LayoutField& alternative : fields) {
        cursor_ = start;
        field(alternative, scope);
    }
    cursor_ = start;
    if (owner != nullptr)
        advance(*owner);
}

std::string CHeaderWriter::asserts(bool fixedRecord) const {
    const std::string type = "struct " + header_.structName;
    std::string text;
    for (const Check& check : checks_) {
        if (check.offset)
            text += "_Static_assert(offsetof(" + type + ", " + check.member + ") == " + std::to_string(*check.offset) +
                    ", " + cStringLiteral(check.path + " at offset " + std::to_string(*check.offset)) + ");\n";
        if (check.size)
            text += "_Static_assert(sizeof(((" + type + " *)0)->" + check.member +
                    ") == " + std::to_string(*check.size) + ", " +
                    cStringLiteral(check.path + " of " + bytesText(*check.size)) + ");\n";
    }
    if (fixedRecord)
        text += "_Static_assert(sizeof(" + type + ") == " + std::to_string(layout_.minSize) + ", " +
                cStringLiteral(layout_.message + " of " + bytesText(layout_.minSize)) + ");\n";
    return text;
}

void CHeaderWriter::write() {
    const ModelMessage* message = model_.messageNamed(layout_.message);
    const bool choice =
        message != nullptr && message->type != nullptr && message->type->row->composition == compositionChoice;
    std::unordered_set<std::string> names;
    Scope top{"", names, recordBytes(choice), 1};
    if (choice) {
        line(1, "union {");
        top.depth = 2;
        alternatives(nullptr, layout_.fields, top);
        line(1, "};");
    } else {
        members(layout_.fields, top);
    }
    const bool empty = recordBytes(choice) == 0;
    if (empty) {
        approximate(1, layout_.message, "a record of no bytes as written; written as one byte");
        line(1, "unsigned char empty[1];");
    }
    const bool fixedRecord = !empty && layout_.maxSize && *layout_.maxSize == layout_.minSize &&
                             std::all_of(layout_.fields.begin(), layout_.fields.end(), isFixed);
    const std::string variableNote =
        fixedRecord ? ""
                    : "/* The record varies: after a part of variable size, each member lies where the nearest "
                      "equivalent written for that part ends; the offsets the layout gives from its end are in the "
                      "comments, and only the offsets it gives from the start of the record are asserted. */\n";
    header_.text = "/* C header of message " + cCommentText(layout_.message) + ", CWF tab " +
                   cCommentText(layout_.tab) + ", " + cCommentText(codePageText(layout_)) + ". */\n" +
                   byteOrderText(layout_.byteOrder) +
                   variableNote + "#ifndef " + header_.guard + "\n#define " + header_.guard +
                   "\n\n#include <stddef.h>\n#include <stdint.h>\n\nstruct " + header_.structName + " {\n" + body_ +
                   "};\n\n" + asserts(fixedRecord) + "\n#endif /* " + header_.guard + " */\n";
}

std::string guardOf(const std::string& structName) {
    std::string guard = "NORVAK_";
    for (char c : structName)
        guard += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return guard + "_H";
}

} // namespace

std::vector<CHeader> cHeadersOf(const MessageSetModel& model, const std::vector<RecordLayout>& layouts) {
    std::vector<CHeader> headers;
    std::unordered_set<std::string> structNames;
    std::unordered_set<std::string> guards;
    for (const RecordLayout& layout : layouts) {
        CHeader header;
        header.message = layout.message;
        const std::string base = cIdentifier(layout.message);
        header.structName = base;
        for (int use = 2; !structNames.insert(header.structName).second || guards.count(guardOf(header.structName));
             ++use)
            header.structName = base + "_" + std::to_string(use);
        header.guard = guardOf(header.structName);
        guards.insert(header.guard);
        CHeaderWriter writer(model, layout, header);
        writer.write();
        headers.push_back(std::move(header));
    }
    return headers;
}

} // namespace norvak
