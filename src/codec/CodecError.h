#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

namespace norvak {

// Why a record or a document could not be decoded or encoded: the byte
// offset in the record (from its first byte), the path of the field, the
// JSON pointer of the value (for a document) and the reason.
struct CodecError {
    std::int64_t offset = 0;
    std::string path;
    std::string pointer;
    std::string reason;
};

// Thrown by the codecs at the first fault of a record or document; the
// walk of the record fills in the offset and the path as it unwinds.
class CodecFailure : public std::exception {
  public:
    CodecFailure(std::int64_t offset, std::string reason) { error.offset = offset, error.reason = std::move(reason); }
    const char* what() const noexcept override { return error.reason.c_str(); }
    CodecError error;
};

} // namespace norvak
