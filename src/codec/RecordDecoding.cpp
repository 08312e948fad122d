// The decode of a record by its layout: fields in turn, repeats, repeat and length references, choices, padding.
#include "codec/CodecError.h"
#include "codec/RecordCodec.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <unordered_map>

namespace norvak {

namespace {

using Json = nlohmann::ordered_json;

std::string_view keyOf(const LayoutField& field, const std::string& parentPath) {
    const std::string_view path = field.path;
    return parentPath.empty() ? path : path.substr(parentPath.size() + 1);
}

// The bytes a JSON string holds as they are: printable ASCII but the quote
// and the backslash.
constexpr std::array<bool, 256> plainBytes = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c)
        plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
    return plain;
}();

// A text as a JSON string, as the JSON library writes it.
void appendString(std::string& out, std::string_view text) {
    bool plain = true;
    for (char c : text)
        plain = plain && plainBytes[static_cast<unsigned char>(c)];
    if (!plain) {
        out += Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + text.size() + 2);
    out[start] = '"';
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(start) + 1);
    out.back() = '"';
}

// A decoded value as the JSON library writes it.
void appendValue(std::string& out, const Json& value) {
    char digits[24];
    if (value.is_string()) {
        appendString(out, value.get_ref<const std::string&>());
    } else if (value.is_number_integer() && !value.is_number_unsigned()) {
        const auto end = std::to_chars(digits, digits + sizeof digits, value.get<std::int64_t>()).ptr;
        out.append(digits, end);
    } else if (value.is_boolean()) {
        out += value.get<bool>() ? "true" : "false";
    } else {
        out += value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

// Where a field is in the content, built into a text ("Lines[0].Price")
// only for a fault.
struct Place {
    const Place* parent = nullptr;
    std::string_view key;
    std::int64_t index = -1;
};

std::string shownOf(const Place& place) {
    if (place.parent == nullptr)
        return std::string(place.key);
    std::string parent = shownOf(*place.parent);
    if (place.index >= 0)
        return parent + "[" + std::to_string(place.index) + "]";
    return parent.empty() ? std::string(place.key) : parent + "." + std::string(place.key);
}

class DecodeWalk {
  public:
    DecodeWalk(std::string_view record, const ValueContext& context,
               const std::unordered_map<std::string, std::string>& selected,
               const std::unordered_set<std::string>& counters, std::string& out)
        : record_(record), context_(context), selected_(selected), counters_(counters), out_(out) {}

    void fields(const std::vector<LayoutField>& fields, const std::string& parentPath, const Place& place);
    void wholeChoice(const LayoutField& choice) { this->choice(choice, Place{}); }
    std::size_t at = 0;

  private:
    void field(const LayoutField& field, const Place& place);
    void occurrence(const LayoutField& field, const Place& place);
    void element(const LayoutField& field, const Place& place);
    void choice(const LayoutField& field, const Place& place);
    void skipPadding(const LayoutField& field);
    std::int64_t numberOf(const std::string& reference, const Place& place) const;
    [[noreturn]] void fail(const std::string& shown, std::string reason) const;
    std::size_t need(std::size_t bytes, const std::string& shown) const;

    std::string_view record_;
    const ValueContext& context_;
    const std::unordered_map<std::string, std::string>& selected_; // the alternative asked for, by the choice's path
    const std::unordered_set<std::string>& counters_;              // the fields that hold a count or length
    std::string& out_;                                             // the JSON text written so far
    std::string text_;                                             // the text of a field, reused
    std::unordered_map<std::string, std::int64_t> numbers_;        // the counts decoded, by path and by name
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

std::int64_t DecodeWalk::numberOf(const std::string& reference, const Place& place) const {
    auto found = numbers_.find(reference);
    if (found == numbers_.end())
        fail(shownOf(place),
             "the field " + reference + " that holds its count or length is not before it in the record");
    return found->second;
}

void DecodeWalk::fields(const std::vector<LayoutField>& fields, const std::string& parentPath, const Place& place) {
    out_ += '{';
    bool first = true;
    for (const LayoutField& member : fields) {
        if (member.kind == FieldKind::padding) {
            skipPadding(member);
            continue;
        }
        const std::string_view key = keyOf(member, parentPath);
        if (!first)
            out_ += ',';
        first = false;
        appendString(out_, key);
        out_ += ':';
        field(member, Place{&place, key});
    }
    out_ += '}';
}

void DecodeWalk::skipPadding(const LayoutField& field) {
    if (field.length) {
        at += need(static_cast<std::size_t>(*field.length), field.path);
        return;
    }
    const auto alignment = static_cast<std::size_t>(std::max(field.alignment, 1));
    at += need((alignment - at % alignment) % alignment, field.path);
}

void DecodeWalk::field(const LayoutField& field, const Place& place) {
    std::int64_t count = field.repeat;
    if (!field.repeatReference.empty()) {
        count = numberOf(field.repeatReference, place);
        const int most = std::max(field.repeat, 1);
        if (count < 0 || count > most)
            fail(shownOf(place), "a count of " + std::to_string(count) + " (" + field.repeatReference +
                                     "), above the most " + std::to_string(most) + " or below 0");
    } else if (field.repeat <= 1 && !field.many) {
        return occurrence(field, place);
    }
    out_ += '[';
    for (std::int64_t i = 0; i < count; ++i) {
        if (i > 0)
            out_ += ',';
        occurrence(field, Place{&place, {}, i});
    }
    out_ += ']';
}

void DecodeWalk::occurrence(const LayoutField& field, const Place& place) {
    switch (field.kind) {
    case FieldKind::group:
        return fields(field.members, field.path, place);
    case FieldKind::choice:
        return choice(field, place);
    default:
        return element(field, place);
    }
}

void DecodeWalk::element(const LayoutField& field, const Place& place) {
    std::optional<std::size_t> extent;
    if (!field.lengthReference.empty()) {
        const std::int64_t length = numberOf(field.lengthReference, place);
        if (length < 0 || (field.maxSize && length > *field.maxSize))
            fail(shownOf(place), "a length of " + std::to_string(length) + " (" + field.lengthReference +
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
        if (extent &&
            decodeFixedText(field, record_.substr(std::min(at, record_.size())), *extent, context_, used, text_)) {
            at += used;
            appendString(out_, text_);
            return;
        }
        value = decodeValue(field, record_.substr(std::min(at, record_.size())), extent, context_, used);
    } catch (CodecFailure& failure) {
        failure.error.offset += static_cast<std::int64_t>(start);
        failure.error.path = shownOf(place);
        throw;
    }
    at += used;
    if (value.is_number_integer() && (counters_.count(field.path) != 0 || counters_.count(field.name) != 0)) {
        numbers_[field.path] = value.get<std::int64_t>();
        numbers_[field.name] = value.get<std::int64_t>();
    }
    appendValue(out_, value);
}

// The first alternative that decodes cleanly from the choice's offset (or
// the one asked for), as an object of that one key; the choice takes its
// own length, or the bytes of the alternative.
void DecodeWalk::choice(const LayoutField& field, const Place& place) {
    const std::size_t start = at;
    const std::size_t written = out_.size();
    std::optional<CodecFailure> first;
    auto selected = selected_.find(field.path);
    for (const LayoutField& alternative : field.members) {
        const std::string_view key = keyOf(alternative, field.path);
        if (alternative.kind == FieldKind::padding || (selected != selected_.end() && selected->second != key))
            continue;
        DecodeWalk trial = *this;
        try {
            out_ += '{';
            appendString(out_, key);
            out_ += ':';
            trial.field(alternative, Place{&place, key});
            out_ += '}';
        } catch (CodecFailure& failure) {
            out_.resize(written);
            if (!first)
                first = failure;
            continue;
        }
        const std::size_t end = trial.at;
        numbers_ = std::move(trial.numbers_);
        at = start;
        at += need(field.length ? static_cast<std::size_t>(*field.length) : end - start, shownOf(place));
        return;
    }
    if (first) {
        first->error.reason =
            (selected != selected_.end() ? "the alternative " + selected->second + " does not decode: "
                                         : "no alternative of the choice decodes; the first: ") +
            first->error.reason;
        throw *first;
    }
    fail(shownOf(place), "a choice with no alternatives");
}

} // namespace

void RecordCodec::decodeText(std::string_view record, bool tail, std::string& out) const {
    out.clear();
    DecodeWalk walk(record, context_, selected_, counters_, out);
    if (topChoice_)
        walk.wholeChoice(*topChoice_);
    else
        walk.fields(layout_.fields, "", Place{});
    if (!tail && walk.at < record.size()) {
        CodecFailure failure(static_cast<std::int64_t>(walk.at),
                             std::to_string(record.size() - walk.at) + " bytes after the last field of the record");
        throw failure;
    }
}

Json RecordCodec::decode(std::string_view record, bool tail) const {
    std::string text;
    decodeText(record, tail, text);
    return Json::parse(text);
}

} // namespace norvak
