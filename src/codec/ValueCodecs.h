#pragma once

#include "codec/CodePages.h"
#include "codec/NumericCodecs.h"
#include "layout/RecordLayout.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace norvak {

// What the value codecs need besides the field: the text's code page and
// the byte order of binary numbers.
struct ValueContext {
    const TextCodec& text;
    ByteOrder byteOrder = ByteOrder::big;
};

// The JSON value of one occurrence of a simple field, as the generated JSON
// Schema shapes it by the element's logical type: an integer a number, a
// decimal a string of its digits at the field's scale, a float a number, a
// string its text without its padding, binary base64, a boolean true or
// false, a date-time a UTC text. `rest` is the record from the field's first
// byte on; `extent` its size where the walk of the record knows it (a fixed
// length, a length reference, the rest of the record), nothing for the
// strings that tell their own end (null-terminated, length-encoded). `used`
// gets the bytes it takes. Throws CodecFailure, its offset from the field's
// first byte.
nlohmann::ordered_json decodeValue(const LayoutField& field, std::string_view rest, std::optional<std::size_t> extent,
                                   const ValueContext& context, std::size_t& used);

// The text of an occurrence of a Fixed Length field that is not binary, as
// decodeValue gives it, into `text` (no JSON value made); false, with
// nothing read, for a field of another form.
bool decodeFixedText(const LayoutField& field, std::string_view rest, std::size_t extent, const ValueContext& context,
                     std::size_t& used, std::string& text);

// The bytes of a value, appended to `out`: exactly `extent` bytes when it is
// given (a text padded by its justification), its own bytes otherwise.
// Throws CodecFailure (offset 0) when the value is not one the field holds.
void encodeValue(const LayoutField& field, const nlohmann::ordered_json& value, std::optional<std::size_t> extent,
                 const ValueContext& context, std::string& out);

// Why the codec cannot read or write a simple field of this form under the
// code page (a binary integer of 3 bytes, zoned digits under UTF-16, ...);
// empty when it can.
std::string unsupportedForm(const LayoutField& field, const CodePage& page);

// The number of digits after the point the JSON value of a numeric field
// holds: the virtual decimal point of a decimal (or float, or text) field,
// none for an integer.
int scaleOf(const LayoutField& field);

} // namespace norvak
