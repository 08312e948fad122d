// The record codec of a layout: the count and length fields it names, what it cannot read, a record's most bytes.
#include "codec/RecordCodec.h"

#include <algorithm>

namespace norvak {

namespace {

void collectCounters(const std::vector<LayoutField>& fields, std::unordered_set<std::string>& counters) {
    for (const LayoutField& field : fields) {
        if (!field.repeatReference.empty())
            counters.insert(field.repeatReference);
        if (!field.lengthReference.empty())
            counters.insert(field.lengthReference);
        collectCounters(field.members, counters);
    }
}

void collectUnsupported(const std::vector<LayoutField>& fields, const CodePage& page, std::vector<std::string>& lines) {
    for (const LayoutField& field : fields) {
        if (field.kind == FieldKind::element) {
            if (std::string why = unsupportedForm(field, page); !why.empty())
                lines.push_back(field.path + ": " + why);
        }
        collectUnsupported(field.members, page, lines);
    }
}

const LayoutField* choiceAt(const std::vector<LayoutField>& fields, const std::string& path) {
    for (const LayoutField& field : fields) {
        if (field.kind == FieldKind::choice && field.path == path)
            return &field;
        if (const LayoutField* inner = choiceAt(field.members, path); inner != nullptr)
            return inner;
    }
    return nullptr;
}

std::optional<std::int64_t> mostOf(const LayoutField& field);

std::optional<std::int64_t> mostOfAll(const std::vector<LayoutField>& fields) {
    std::int64_t total = 0;
    for (const LayoutField& field : fields) {
        const std::optional<std::int64_t> most = mostOf(field);
        if (!most)
            return std::nullopt;
        total += *most;
    }
    return total;
}

// The most bytes of one occurrence.
std::optional<std::int64_t> occurrenceMost(const LayoutField& field) {
    if (field.length)
        return field.length;
    if (field.kind == FieldKind::group)
        return mostOfAll(field.members);
    if (field.kind == FieldKind::choice) {
        std::int64_t widest = 0;
        for (const LayoutField& alternative : field.members) {
            const std::optional<std::int64_t> most = mostOf(alternative);
            if (!most)
                return std::nullopt;
            widest = std::max(widest, *most);
        }
        return widest;
    }
    if (!field.repeatReference.empty() || !field.maxSize)
        return std::nullopt;
    return *field.maxSize / std::max(field.repeat, 1);
}

std::optional<std::int64_t> mostOf(const LayoutField& field) {
    if (field.kind == FieldKind::padding)
        return field.length ? field.length : std::optional<std::int64_t>(std::max(field.alignment - 1, 0));
    const std::optional<std::int64_t> one = occurrenceMost(field);
    if (!one)
        return std::nullopt;
    return *one * std::max(field.repeat, 1);
}

// The alternatives of a message whose type is a choice: more than one field,
// each at offset 0 from the record's start.
std::optional<LayoutField> topChoiceOf(const RecordLayout& layout) {
    if (layout.fields.size() < 2)
        return std::nullopt;
    for (const LayoutField& field : layout.fields)
        if (field.offset != 0 || !field.relativeTo.empty() || field.kind == FieldKind::padding)
            return std::nullopt;
    LayoutField choice;
    choice.kind = FieldKind::choice;
    choice.members = layout.fields;
    if (layout.maxSize && *layout.maxSize == layout.minSize)
        choice.length = layout.maxSize;
    return choice;
}

} // namespace

RecordCodec::RecordCodec(const RecordLayout& layout, const TextCodec& text, ByteOrder byteOrder)
    : layout_(layout), context_{text, byteOrder} {
    collectCounters(layout.fields, counters_);
    topChoice_ = topChoiceOf(layout);
}

std::vector<std::string> RecordCodec::unsupported() const {
    std::vector<std::string> lines;
    collectUnsupported(layout_.fields, context_.text.page(), lines);
    return lines;
}

bool RecordCodec::selectAlternative(const std::string& path, const std::string& alternative) {
    const LayoutField* choice = path.empty() && topChoice_ ? &*topChoice_ : choiceAt(layout_.fields, path);
    if (choice == nullptr)
        return false;
    for (const LayoutField& member : choice->members)
        if (member.kind != FieldKind::padding && member.path == (path.empty() ? "" : path + ".") + alternative) {
            selected_[path] = alternative;
            return true;
        }
    return false;
}

std::optional<std::int64_t> RecordCodec::mostBytes() const {
    return topChoice_ ? mostOf(*topChoice_) : mostOfAll(layout_.fields);
}

} // namespace norvak
