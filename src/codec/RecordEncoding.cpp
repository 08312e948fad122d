// The encode of a record's content by its layout: fields in turn, arrays, count and length fields written from what
// they count, choices.
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

// A JSON pointer's token: ~ and / escaped.
std::string token(const std::string& key) {
    std::string escaped;
    for (char c : key)
        escaped += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
    return escaped;
}

class EncodeWalk {
  public:
    EncodeWalk(const ValueContext& context, const std::unordered_set<std::string>& counters)
        : context_(context), counters_(counters) {}

    void fields(const std::vector<LayoutField>& fields, const Json& object, const std::string& parentPath,
                const std::string& pointer);
    void wholeChoice(const LayoutField& choice, const Json& value) { this->choice(choice, value, ""); }
    std::string out;

  private:
    // Where a count or length field was written, and the value given for it.
    struct Counter {
        std::size_t offset = 0;
        const LayoutField* field = nullptr;
        std::optional<std::int64_t> given;
    };

    void field(const LayoutField& field, const Json* value, const std::string& pointer);
    void occurrence(const LayoutField& field, const Json& value, const std::string& pointer);
    void element(const LayoutField& field, const Json& value, const std::string& pointer);
    void choice(const LayoutField& field, const Json& value, const std::string& pointer);
    void padding(const LayoutField& field);
    void patch(const std::string& reference, std::int64_t value, const std::string& pointer);
    [[noreturn]] void fail(const std::string& pointer, const std::string& path, std::string reason) const;

    const ValueContext& context_;
    const std::unordered_set<std::string>& counters_;
    std::unordered_map<std::string, Counter> written_;
};

void EncodeWalk::fail(const std::string& pointer, const std::string& path, std::string reason) const {
    CodecFailure failure(static_cast<std::int64_t>(out.size()), std::move(reason));
    failure.error.pointer = pointer;
    failure.error.path = path;
    throw failure;
}

void EncodeWalk::fields(const std::vector<LayoutField>& fields, const Json& object, const std::string& parentPath,
                        const std::string& pointer) {
    if (!object.is_object())
        fail(pointer, parentPath, std::string("a ") + object.type_name() + " where the record holds an object");
    std::unordered_set<std::string> keys;
    for (const LayoutField& member : fields) {
        if (member.kind == FieldKind::padding) {
            padding(member);
            continue;
        }
        const std::string key = keyOf(member, parentPath);
        keys.insert(key);
        auto found = object.find(key);
        field(member, found == object.end() ? nullptr : &*found, pointer + "/" + token(key));
    }
    for (auto it = object.begin(); it != object.end(); ++it)
        if (keys.count(it.key()) == 0)
            fail(pointer + "/" + token(it.key()), parentPath, "a member the record does not hold");
}

void EncodeWalk::padding(const LayoutField& field) {
    if (field.length) {
        out.append(static_cast<std::size_t>(*field.length), '\0');
        return;
    }
    const auto alignment = static_cast<std::size_t>(std::max(field.alignment, 1));
    out.append((alignment - out.size() % alignment) % alignment, '\0');
}

void EncodeWalk::field(const LayoutField& field, const Json* value, const std::string& pointer) {
    if (value == nullptr) {
        const bool counter = counters_.count(field.path) != 0 || counters_.count(field.name) != 0;
        if (!counter || field.kind != FieldKind::element)
            fail(pointer, field.path, "the member is missing");
        static const Json placeholder = 0;
        element(field, placeholder, pointer);
        written_[field.path].given.reset();
        written_[field.name].given.reset();
        return;
    }
    if (field.repeat <= 1 && field.repeatReference.empty() && !field.many)
        return occurrence(field, *value, pointer);
    if (!value->is_array())
        fail(pointer, field.path, std::string("a ") + value->type_name() + " where the record holds an array");
    const auto count = static_cast<std::int64_t>(value->size());
    const int most = std::max(field.repeat, 1);
    if (field.repeatReference.empty() && count != field.repeat)
        fail(pointer, field.path,
             std::to_string(count) + " items where the record holds " + std::to_string(field.repeat));
    if (!field.repeatReference.empty()) {
        if (count > most)
            fail(pointer, field.path, std::to_string(count) + " items, more than the most " + std::to_string(most));
        patch(field.repeatReference, count, pointer);
    }
    for (std::size_t i = 0; i < value->size(); ++i)
        occurrence(field, (*value)[i], pointer + "/" + std::to_string(i));
}

void EncodeWalk::occurrence(const LayoutField& field, const Json& value, const std::string& pointer) {
    switch (field.kind) {
    case FieldKind::group:
        return fields(field.members, value, field.path, pointer);
    case FieldKind::choice:
        return choice(field, value, pointer);
    default:
        return element(field, value, pointer);
    }
}

void EncodeWalk::element(const LayoutField& field, const Json& value, const std::string& pointer) {
    std::optional<std::size_t> extent;
    if ((field.variability == Variability::none || field.variability == Variability::repeatReference) && field.length)
        extent = static_cast<std::size_t>(*field.length);
    std::string bytes;
    try {
        encodeValue(field, value, extent, context_, bytes);
    } catch (CodecFailure& failure) {
        failure.error.offset = static_cast<std::int64_t>(out.size());
        failure.error.pointer = pointer;
        failure.error.path = field.path;
        throw;
    }
    if (!field.lengthReference.empty()) {
        if (field.maxSize && static_cast<std::int64_t>(bytes.size()) > *field.maxSize)
            fail(pointer, field.path,
                 std::to_string(bytes.size()) + " bytes, more than the field's most " + std::to_string(*field.maxSize));
        patch(field.lengthReference, static_cast<std::int64_t>(bytes.size()), pointer);
    }
    if (counters_.count(field.path) != 0 || counters_.count(field.name) != 0) {
        Counter counter{out.size(), &field, std::nullopt};
        if (value.is_number_integer())
            counter.given = value.get<std::int64_t>();
        written_[field.path] = counter;
        written_[field.name] = counter;
    }
    out += bytes;
}

// The count or length field `reference` written again with `value`; a
// value given for it must be the same.
void EncodeWalk::patch(const std::string& reference, std::int64_t value, const std::string& pointer) {
    auto found = written_.find(reference);
    if (found == written_.end())
        fail(pointer, reference, "the field " + reference + " that holds its count or length is not before it");
    const Counter& counter = found->second;
    if (counter.given && *counter.given != value)
        fail(pointer, reference,
             "the field " + reference + " holds " + std::to_string(*counter.given) + " where " + std::to_string(value) +
                 " are given");
    std::string bytes;
    try {
        encodeValue(*counter.field, Json(value), counter.field->length, context_, bytes);
    } catch (CodecFailure& failure) {
        fail(pointer, reference, failure.error.reason);
    }
    out.replace(counter.offset, bytes.size(), bytes);
}

// The one alternative the object holds, written over the choice's area;
// the area zero-filled to the choice's length.
void EncodeWalk::choice(const LayoutField& field, const Json& value, const std::string& pointer) {
    if (!value.is_object() || value.size() != 1)
        fail(pointer, field.path, "the choice needs an object holding one of its alternatives");
    const std::size_t start = out.size();
    std::string area;
    std::size_t given = 0;
    for (const LayoutField& alternative : field.members) {
        const std::string key = keyOf(alternative, field.path);
        auto found = value.find(key);
        if (alternative.kind == FieldKind::padding || found == value.end())
            continue;
        ++given;
        EncodeWalk trial = *this;
        trial.field(alternative, &*found, pointer + "/" + token(key));
        const std::string piece = trial.out.substr(start);
        if (piece.size() > area.size())
            area.resize(piece.size(), '\0');
        area.replace(0, piece.size(), piece);
        out = trial.out.substr(0, start);
    }
    if (given != value.size())
        fail(pointer, field.path, "a member that is no alternative of the choice");
    if (field.length && area.size() < static_cast<std::size_t>(*field.length))
        area.resize(static_cast<std::size_t>(*field.length), '\0');
    out += area;
}

} // namespace

std::string RecordCodec::encode(const Json& content, std::optional<std::int64_t> size) const {
    EncodeWalk walk(context_, counters_);
    if (topChoice_)
        walk.wholeChoice(*topChoice_, content);
    else
        walk.fields(layout_.fields, content, "", "");
    if (!size)
        return std::move(walk.out);
    const auto most = static_cast<std::size_t>(*size);
    if (walk.out.size() > most)
        throw CodecFailure(static_cast<std::int64_t>(most), "the record takes more than its fixed length");
    const std::string& blank = context_.text.blank();
    while (walk.out.size() + blank.size() <= most)
        walk.out += blank;
    walk.out.append(most - walk.out.size(), '\0');
    return std::move(walk.out);
}

} // namespace norvak
