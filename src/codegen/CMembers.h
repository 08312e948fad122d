#pragma once

#include "layout/RecordLayout.h"

#include <cstdint>
#include <string>

namespace norvak {

// The C member of one occurrence of a simple element, by its physical type.
// An exact-width integer or float (`bytes` its size) holds the field as it
// is when the field's offset suits the type's alignment; every other field
// is an array of `bytes` characters (`char` for text and zoned digits,
// `unsigned char` for the rest). When C cannot hold the field as it is on
// the wire, the member is its nearest equivalent and `approximation` says
// why; `bytes` is 0 when nothing can stand for it.
struct CMember {
    std::string scalar;        // "int32_t", "double"; empty when the field is only ever an array
    std::string arrayType;     // "char" or "unsigned char": the element of the array that stands for it
    std::int64_t bytes = 0;    // the bytes of one occurrence as written
    std::string what;          // the comment on the member: what its bytes hold
    std::string approximation; // empty when the member is exact
};

// Integers and floats are in `order`, as the record holds them.
CMember cMember(const LayoutField& field, ByteOrder order);

} // namespace norvak
