// The decode of a record by its layout: fields in turn, repeats, repeat and length references, choices, padding.
#include "codec/CodecError.h"
#include "codec/RecordCodec.h"

#include <algorithm>
#include <unordered_map>

namespace norvak {

namespace {

using Json = nlohmann::ordered_json;

std::string keyOf(const LayoutField& field, const std::string& parentPath) {
    return parentPath.empty() ? field.path : field.path.substr(parentPath.size() + 1);
}

std::string joined(const std::string& parent, const std::string& key) {
    return parent.empty() ? key : parent + "." + key;
}

class DecodeWalk {
  public:
    DecodeWalk(std::string_view record, const ValueContext& context,
               const std::unordered_map<std::string, std::string>& selected)
        : record_(record), context_(context), selected_(selected) {}

    Json fields(const std::vector<LayoutField>& fields, const std::string& parentPath, const std::string& shown);
    Json wholeChoice(const LayoutField& choice) { return this->choice(choice, ""); }
    std::size_t at = 0;

  private:
    Json field(const LayoutField& field, const std::string& shown);
    Json occurrence(const LayoutField& field, const std::string& shown);
    Json element(const LayoutField& field, const std::string& shown);
    Json choice(const LayoutField& field, const std::string& shown);
    void skipPadding(const LayoutField& field);
    std::int64_t numberOf(const std::string& reference, const std::string& shown) const;
    [[noreturn]] void fail(const std::string& shown, std::string reason) const;
    std::size_t need(std::size_t bytes, const std::string& shown) const;

    std::string_view record_;
    const ValueContext& context_;
    const std::unordered_map<std::string, std::string>& selected_; // the alternative asked for, by the choice's path
    std::unordered_map<std::string, std::int64_t> numbers_;        // the integers decoded, by path and by name
};

void DecodeWalk::fail(const std::string& shown, std::string reason) const {
    CodecFailure failure(static_cast<std::int64_t>(at), std::move(reason));
    failure.error.path = shown;
    throw failure;
}

std::size_t DecodeWalk::need(std::size_t bytes, const std::string& shown) const {
    if (at + bytes > record_.size())
        fail(shown, "the field needs " + std::to_string(bytes) + " bytes; the record ends after " +
                        std::to_string(record_.size() - std::min(at, record_.size())));
    return bytes;
}

std::int64_t DecodeWalk::numberOf(const std::string& reference, const std::string& shown) const {
    auto found = numbers_.find(reference);
    if (found == numbers_.end())
        fail(shown, "the field " + reference + " that holds its count or length is not before it in the record");
    return found->second;
}

Json DecodeWalk::fields(const std::vector<LayoutField>& fields, const std::string& parentPath,
                        const std::string& shown) {
    Json object = Json::object();
    for (const LayoutField& member : fields) {
        if (member.kind == FieldKind::padding) {
            skipPadding(member);
            continue;
        }
        const std::string key = keyOf(member, parentPath);
        object[key] = field(member, joined(shown, key));
    }
    return object;
}

void DecodeWalk::skipPadding(const LayoutField& field) {
    if (field.length) {
        at += need(static_cast<std::size_t>(*field.length), field.path);
        return;
    }
    const auto alignment = static_cast<std::size_t>(std::max(field.alignment, 1));
    at += need((alignment - at % alignment) % alignment, field.path);
}

Json DecodeWalk::field(const LayoutField& field, const std::string& shown) {
    std::int64_t count = field.repeat;
    if (!field.repeatReference.empty()) {
        count = numberOf(field.repeatReference, shown);
        const int most = std::max(field.repeat, 1);
        if (count < 0 || count > most)
            fail(shown, "a count of " + std::to_string(count) + " (" + field.repeatReference + "), above the most " +
                            std::to_string(most) + " or below 0");
    } else if (field.repeat <= 1 && !field.many) {
        return occurrence(field, shown);
    }
    Json items = Json::array();
    for (std::int64_t i = 0; i < count; ++i)
        items.push_back(occurrence(field, shown + "[" + std::to_string(i) + "]"));
    return items;
}

Json DecodeWalk::occurrence(const LayoutField& field, const std::string& shown) {
    switch (field.kind) {
    case FieldKind::group:
        return fields(field.members, field.path, shown);
    case FieldKind::choice:
        return choice(field, shown);
    default:
        return element(field, shown);
    }
}

Json DecodeWalk::element(const LayoutField& field, const std::string& shown) {
    std::optional<std::size_t> extent;
    if (!field.lengthReference.empty()) {
        const std::int64_t length = numberOf(field.lengthReference, shown);
        if (length < 0 || (field.maxSize && length > *field.maxSize))
            fail(shown, "a length of " + std::to_string(length) + " (" + field.lengthReference +
                            "), beyond what the field holds");
        extent = static_cast<std::size_t>(length);
    } else if (field.variability == Variability::endOfBitStream) {
        extent = record_.size() - std::min(at, record_.size());
    } else if ((field.variability == Variability::none || field.variability == Variability::repeatReference) &&
               field.length) {
        extent = static_cast<std::size_t>(*field.length);
    }
    const std::size_t start = at;
    std::size_t used = 0;
    Json value;
    try {
        value = decodeValue(field, record_.substr(std::min(at, record_.size())), extent, context_, used);
    } catch (CodecFailure& failure) {
        failure.error.offset += static_cast<std::int64_t>(start);
        failure.error.path = shown;
        throw;
    }
    at += used;
    if (value.is_number_integer()) {
        numbers_[field.path] = value.get<std::int64_t>();
        numbers_[field.name] = value.get<std::int64_t>();
    }
    return value;
}

// The first alternative that decodes cleanly from the choice's offset (or
// the one asked for), as an object of that one key; the choice takes its
// own length, or the bytes of the alternative.
Json DecodeWalk::choice(const LayoutField& field, const std::string& shown) {
    const std::size_t start = at;
    std::optional<CodecFailure> first;
    auto selected = selected_.find(field.path);
    for (const LayoutField& alternative : field.members) {
        const std::string key = keyOf(alternative, field.path);
        if (alternative.kind == FieldKind::padding || (selected != selected_.end() && selected->second != key))
            continue;
        DecodeWalk trial = *this;
        try {
            Json object = Json::object();
            object[key] = trial.field(alternative, joined(shown, key));
            const std::size_t end = trial.at;
            numbers_ = std::move(trial.numbers_);
            at = start;
            at += need(field.length ? static_cast<std::size_t>(*field.length) : end - start, shown);
            return object;
        } catch (CodecFailure& failure) {
            if (!first)
                first = failure;
        }
    }
    if (first) {
        first->error.reason =
            (selected != selected_.end() ? "the alternative " + selected->second + " does not decode: "
                                         : "no alternative of the choice decodes; the first: ") +
            first->error.reason;
        throw *first;
    }
    fail(shown, "a choice with no alternatives");
}

} // namespace

Json RecordCodec::decode(std::string_view record, bool tail) const {
    DecodeWalk walk(record, context_, selected_);
    Json content = topChoice_ ? walk.wholeChoice(*topChoice_) : walk.fields(layout_.fields, "", "");
    if (!tail && walk.at < record.size()) {
        CodecFailure failure(static_cast<std::int64_t>(walk.at),
                             std::to_string(record.size() - walk.at) + " bytes after the last field of the record");
        throw failure;
    }
    return content;
}

} // namespace norvak
