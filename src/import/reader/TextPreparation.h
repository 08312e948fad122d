#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace norvak {

struct Diagnostics;

// Largest definitions file read, in bytes (2 GiB - 1).
constexpr std::size_t maxDefinitionsFileSize = 2147483647;

// The whole definitions file as one text; nothing when it cannot be read or
// holds more than `maxSize` bytes. A larger file is refused as soon as that
// shows, before more than `maxSize` bytes are held. The text ends at its
// first NUL byte for the reader, which a warning reports (counting bytes
// from 1).
std::optional<std::string> readFileData(Diagnostics& diag, const std::string& fileName,
                                        std::size_t maxSize = maxDefinitionsFileSize);

// Removes every "<!--" ... "-->" from the text, in place.
void removeComments(Diagnostics& diag, char* text);

// Substitutes the character references of one name or value in place and
// turns each run of control characters into one blank.
void replaceParams(Diagnostics& diag, char* text);
// The same for a password, which the messages about its references do not show.
void replacePasswordParams(Diagnostics& diag, char* text);

// How an address is shown in trace lines.
inline unsigned traceAddress(const void* position) {
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(position));
}

} // namespace norvak
