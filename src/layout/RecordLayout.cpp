// The record layout of a message in a CWF tab: the walk of its type's members, offsets, alignment, repeats, choices.
#include "layout/RecordLayout.h"

#include "import/model/AttributeRows.h"
#include "import/model/Codes.h"
#include "layout/FieldSizes.h"
#include "support/StringUtilities.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace norvak {

namespace {

// Where the next field starts: bytes from the start of the record, or from
// the end of the field `relativeTo` names.
struct Position {
    std::string relativeTo;
    std::int64_t offset = 0;
};

// The fields laid out so far at one level, with the uses of each name and
// the path of each element's last use, for the paths and references of the
// fields that follow.
struct Siblings {
    std::string parentPath;
    int depth = 0;
    std::vector<LayoutField>& fields;
    std::unordered_map<std::string, int> uses;
    std::unordered_map<std::int32_t, std::string> elementPaths;

    // The path of the next field of that name: "#2" after the second use.
    std::string pathOf(const std::string& name) const {
        std::string base = parentPath.empty() ? name : parentPath + "." + name;
        auto used = uses.find(name);
        return used == uses.end() ? base : base + "#" + std::to_string(used->second + 1);
    }
    void add(LayoutField field, std::int32_t elementId) {
        ++uses[field.name];
        if (elementId != 0)
            elementPaths[elementId] = field.path;
        fields.push_back(std::move(field));
    }
};

std::optional<std::int64_t> number(const EffectiveProperties& properties, const char* name) {
    auto found = properties.find(name);
    if (found == properties.end() || !found->second.value)
        return std::nullopt;
    return leadingNumber(found->second.value->c_str());
}

int code(const EffectiveProperties& properties, const char* name) {
    return static_cast<int>(number(properties, name).value_or(0));
}

bool isFixed(const LayoutField& field) {
    return field.variability == Variability::none && field.length.has_value();
}

// The sizes of a group or choice made of its members.
struct PartsSize {
    std::optional<std::int64_t> length;
    std::int64_t minSize = 0;
    std::optional<std::int64_t> maxSize = 0;
};

std::optional<std::int64_t> plus(std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
    return a && b ? std::optional<std::int64_t>(*a + *b) : std::nullopt;
}

class LayoutWalk {
  public:
    LayoutWalk(const MessageSetModel& model, const ModelPlugin& tab, RecordLayout& layout)
        : model_(model), tab_(tab), layout_(layout) {}

    // Lays out the members of a type from `at`; the position after them.
    PartsSize layType(const ModelType& type, Siblings& level, Position& at);

  private:
    void layMember(const ModelMember& member, Siblings& level, Position& at);
    void align(int alignment, Siblings& level, Position& at);
    bool layContent(const ModelMember& member, LayoutField& field, Position at);
    void laySimple(const ModelMember& member, const EffectiveProperties& properties, LayoutField& field,
                   const Siblings& level);
    void layGroup(const ModelType& type, LayoutField& field, Position at);
    PartsSize layChoice(const ModelType& type, Siblings& level, const Position& at);
    std::string referencePath(const EffectiveProperties& properties, const char* name, const Siblings& level) const;

    const MessageSetModel& model_;
    const ModelPlugin& tab_;
    RecordLayout& layout_;
    std::vector<const ModelType*> open_; // the types being laid out, outermost first
};

PartsSize LayoutWalk::layType(const ModelType& type, Siblings& level, Position& at) {
    if (std::find(open_.begin(), open_.end(), &type) != open_.end()) {
        layout_.notes.push_back("type " + type.row->identifier + " is within itself; laid out empty within it");
        return {0, 0, 0};
    }
    if (type.row->composition == compositionChoice)
        return layChoice(type, level, at);
    open_.push_back(&type);
    const Position start = at;
    PartsSize size;
    bool fixed = true;
    for (const ModelMember* member : type.members) {
        const std::size_t before = level.fields.size();
        layMember(*member, level, at);
        for (std::size_t f = before; f < level.fields.size(); ++f) {
            fixed = fixed && isFixed(level.fields[f]);
            size.minSize += level.fields[f].minSize;
            size.maxSize = plus(size.maxSize, level.fields[f].maxSize);
        }
    }
    open_.pop_back();
    if (fixed)
        size.length = at.offset - start.offset;
    return size;
}

// The alternatives of a choice, each from the choice's own offset.
PartsSize LayoutWalk::layChoice(const ModelType& type, Siblings& level, const Position& at) {
    open_.push_back(&type);
    PartsSize size{0, 0, 0};
    bool first = true;
    for (const ModelMember* member : type.members) {
        Position alternative = at;
        const std::size_t before = level.fields.size();
        layMember(*member, level, alternative);
        for (std::size_t f = before; f < level.fields.size(); ++f) {
            const LayoutField& field = level.fields[f];
            size.length =
                size.length && isFixed(field) ? std::optional(std::max(*size.length, *field.length)) : std::nullopt;
            size.minSize = first ? field.minSize : std::min(size.minSize, field.minSize);
            size.maxSize =
                size.maxSize && field.maxSize ? std::optional(std::max(*size.maxSize, *field.maxSize)) : std::nullopt;
            first = false;
        }
    }
    open_.pop_back();
    return size;
}

void LayoutWalk::align(int alignment, Siblings& level, Position& at) {
    if (alignment <= 1)
        return;
    LayoutField padding;
    padding.kind = FieldKind::padding;
    padding.name = "(padding)";
    padding.path = level.pathOf(padding.name);
    padding.depth = level.depth;
    padding.offset = at.offset;
    padding.relativeTo = at.relativeTo;
    padding.alignment = alignment;
    if (at.relativeTo.empty()) {
        const std::int64_t skip = (alignment - at.offset % alignment) % alignment;
        if (skip == 0)
            return;
        padding.length = skip;
        padding.minSize = skip;
        padding.maxSize = skip;
        at.offset += skip;
    } else {
        // Where a variable part ends is known only when the record is read.
        padding.variability = Variability::alignmentAfterParts;
        padding.maxSize = alignment - 1;
        at = {padding.path, 0};
    }
    level.add(std::move(padding), 0);
}

std::string LayoutWalk::referencePath(const EffectiveProperties& properties, const char* name,
                                      const Siblings& level) const {
    const std::int32_t id = static_cast<std::int32_t>(number(properties, name).value_or(0));
    if (id == 0)
        return "";
    if (auto found = level.elementPaths.find(id); found != level.elementPaths.end())
        return found->second;
    const ModelElement* element = model_.element(id);
    return element == nullptr ? std::to_string(id) : element->row->identifier;
}

void LayoutWalk::laySimple(const ModelMember& member, const EffectiveProperties& properties, LayoutField& field,
                           const Siblings& level) {
    SimpleFormat format;
    format.physicalType = code(properties, rows::cwfMemberPhysicalType.name);
    format.length = number(properties, rows::cwfMemberLength.name);
    format.lengthUnits = code(properties, rows::cwfMemberLengthUnits.name);
    format.signOrientation = code(properties, rows::cwfMemberSigned.name);
    field.lengthReference = referencePath(properties, rows::cwfMemberLengthReference.name, level);
    format.lengthReference = !field.lengthReference.empty();
    const OccurrenceSize size = occurrenceSize(format, layout_.bytesPerCharacter);
    field.logicalType = member.childElement->logicalType;
    field.physicalType = format.physicalType;
    field.signOrientation = format.signOrientation;
    if (auto point = properties.find(rows::cwfMemberDecimalPoint.name); point != properties.end())
        field.decimalPoint = point->second.value;
    if (auto justified = properties.find(rows::cwfMemberJustification.name);
        justified != properties.end() && justified->second.value)
        field.justification = *justified->second.value;
    if (auto padding = properties.find(rows::cwfMemberPaddingCharacter.name);
        padding != properties.end() && padding->second.value)
        field.paddingCharacter = *padding->second.value;
    field.length = size.length;
    field.minSize = size.minSize;
    field.maxSize = size.maxSize;
    field.variability = size.variability;
    if (size.missingLength)
        layout_.notes.push_back("field " + field.path + " has no length");
}

void LayoutWalk::layGroup(const ModelType& type, LayoutField& field, Position at) {
    field.kind = type.row->composition == compositionChoice ? FieldKind::choice : FieldKind::group;
    Siblings inner{field.path, field.depth + 1, field.members, {}, {}};
    const PartsSize size = layType(type, inner, at);
    field.length = size.length;
    field.minSize = size.length.value_or(size.minSize);
    field.maxSize = size.length ? size.length : size.maxSize;
    if (!size.length)
        field.variability = Variability::variableMembers;
}

// The content of one occurrence; false when the member names nothing the
// set holds.
bool LayoutWalk::layContent(const ModelMember& member, LayoutField& field, Position at) {
    const ModelType* type = member.childType;
    if (member.childElement != nullptr)
        type = member.childElement->type;
    else if (member.childMessage != nullptr)
        type = member.childMessage->type;
    if (type != nullptr) {
        layGroup(*type, field, std::move(at));
        return true;
    }
    return member.childElement != nullptr && member.childElement->logicalType != 0;
}

// A whole number of an occurrence text; nothing for "unbounded" or no text.
std::optional<std::int64_t> occurrenceNumber(const std::optional<std::string>& text) {
    constexpr std::size_t mostDigits = 18;
    if (!text || text->empty() || text->size() > mostDigits ||
        !std::all_of(text->begin(), text->end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoll(*text);
}

// Whether the message lets the member occur more than once (its maxOccurs,
// at least its minOccurs; unbounded when it repeats with no most).
bool occursMany(const StoredTypeMember& row) {
    const std::int64_t least = std::max<std::int64_t>(0, occurrenceNumber(row.minOccurs).value_or(1));
    std::optional<std::int64_t> most = row.maxOccurs
                                           ? occurrenceNumber(row.maxOccurs)
                                           : (row.repeats != 0 ? std::nullopt : std::optional<std::int64_t>(1));
    if (most && *most < least)
        most = least;
    return !most || *most != 1;
}

std::string nameOf(const ModelMember& member) {
    if (member.childElement != nullptr)
        return member.childElement->row->identifier;
    if (member.childType != nullptr)
        return member.childType->row->identifier;
    if (member.childMessage != nullptr)
        return member.childMessage->row->identifier;
    return "(member " + std::to_string(member.row->id) + ")";
}

void LayoutWalk::layMember(const ModelMember& member, Siblings& level, Position& at) {
    const EffectiveProperties properties = model_.effectiveProperties(member, tab_);
    const int alignment = code(properties, rows::cwfMemberByteAlignment.name);
    align(alignment, level, at);
    LayoutField field;
    field.name = nameOf(member);
    field.path = level.pathOf(field.name);
    field.depth = level.depth;
    field.offset = at.offset;
    field.relativeTo = at.relativeTo;
    field.alignment = alignment > 1 ? alignment : 0;
    if (!layContent(member, field, at)) {
        layout_.notes.push_back("field " + field.path + " names no item of the set; left out");
        return;
    }
    if (field.kind == FieldKind::element)
        laySimple(member, properties, field, level);
    field.repeat =
        static_cast<int>(std::max<std::int64_t>(1, number(properties, rows::cwfMemberRepeatCount.name).value_or(1)));
    field.repeatReference = referencePath(properties, rows::cwfMemberRepeatReference.name, level);
    field.many = occursMany(*member.row);
    if (!field.repeatReference.empty()) {
        field.variability = Variability::repeatReference;
        field.minSize = 0;
        field.maxSize = std::nullopt;
    } else {
        field.minSize *= field.repeat;
        if (field.maxSize)
            *field.maxSize *= field.repeat;
    }
    if (isFixed(field))
        at.offset += *field.length * field.repeat;
    else
        at = {field.path, 0};
    level.add(std::move(field), member.childElement != nullptr ? member.childElement->row->id : 0);
}

std::optional<std::string> ccsidOf(const ModelPlugin& tab) {
    for (const StoredAttribute* row : tab.settings)
        if (row->name == rows::cwfTabCcsid.name && row->value && !row->value->empty())
            return row->value;
    return std::nullopt;
}

} // namespace

RecordLayout recordLayout(const MessageSetModel& model, const ModelMessage& message, const ModelPlugin& tab) {
    RecordLayout layout;
    layout.message = message.row->identifier;
    layout.tab = tab.row->name;
    layout.ccsid = ccsidOf(tab);
    layout.bytesPerCharacter = bytesPerCharacterOf(layout.ccsid);
    if (message.type == nullptr) {
        layout.notes.push_back("message " + layout.message + " has no type of the set");
        return layout;
    }
    LayoutWalk walk(model, tab, layout);
    Siblings top{"", 0, layout.fields, {}, {}};
    Position at;
    const PartsSize size = walk.layType(*message.type, top, at);
    layout.minSize = size.length.value_or(size.minSize);
    layout.maxSize = size.length ? size.length : size.maxSize;
    return layout;
}

} // namespace norvak
