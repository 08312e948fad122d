#pragma once

#include "codec/ValueCodecs.h"
#include "layout/RecordLayout.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace norvak {

// A message's records read and written by its record layout: each field in
// turn from the record's first byte, fixed repeats as arrays of their count,
// a repeat reference as an array of as many items as its count field holds
// (at most the repeat count), a member the message lets occur more than
// once as an array even of one item, a length reference taking as many
// bytes as its length field holds, a group as an object keyed by its
// members' names (the layout's names, "#2" after the second use), a choice
// as an object of one alternative, the first that decodes cleanly (the
// whole record, when the message's type is a choice).
// Padding is skipped on decode and written as zero bytes.
class RecordCodec {
  public:
    // The layout and the text codec must outlive the codec.
    RecordCodec(const RecordLayout& layout, const TextCodec& text, ByteOrder byteOrder);

    // What the codec cannot read of the layout, one line a field ("path:
    // why"); empty when it reads every field.
    std::vector<std::string> unsupported() const;

    // Decode gives only `alternative` (its key) of the choice at `path` (the
    // choice's path in the layout), a fault when it does not decode; false
    // when the layout has no such choice or alternative.
    bool selectAlternative(const std::string& path, const std::string& alternative);

    // The most bytes of a record, every repeat reference at its most
    // occurrences: the size of a fixed-length record. Nothing when a field
    // has no bound.
    std::optional<std::int64_t> mostBytes() const;

    // The content of a record. With `tail`, bytes after the last field are
    // left (a fixed-length record holding fewer repeats than its most);
    // without, they are a fault. Throws CodecFailure with the byte offset,
    // the field's path and the reason.
    nlohmann::ordered_json decode(std::string_view record, bool tail) const;
    // The same content as one line of JSON text (the text decode's value
    // dumps to, with no line feed), written into `out`.
    void decodeText(std::string_view record, bool tail, std::string& out) const;

    // The bytes of a record's content; with `size`, filled to that many bytes
    // with blanks of the code page (a fixed-length record). A count or length
    // field is written from the items or bytes of the field it counts (a
    // value given for it must be the same). Throws CodecFailure with the JSON
    // pointer of the value at fault.
    std::string encode(const nlohmann::ordered_json& content, std::optional<std::int64_t> size) const;

  private:
    const RecordLayout& layout_;
    ValueContext context_;
    std::unordered_set<std::string> counters_; // the paths and names of the fields that hold a count or length
    std::unordered_map<std::string, std::string> selected_; // the alternative decode gives, by the choice's path
    // A message whose type is a choice: its alternatives, all at offset 0,
    // as one choice of path "" (the record is the object of its alternatives).
    std::optional<LayoutField> topChoice_;
};

} // namespace norvak
