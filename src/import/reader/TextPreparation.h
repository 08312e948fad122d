#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norvak {

struct Diagnostics;

// Largest definitions file read, in bytes (2 GiB - 1).
constexpr std::size_t maxDefinitionsFileSize = 2147483647;

// The whole definitions file as one text; nothing when it cannot be read or
// holds more than `maxSize` bytes. A regular file's size is checked before it
// is read; any other file (a pipe, a device) is read in blocks of 64 KiB and
// refused as soon as it passes `maxSize`, never holding more than that. The
// text ends at its first NUL byte for the reader, which a warning reports
// (counting bytes from 1); a file that is not a regular file is refused at
// its first NUL byte instead, where it is read no further (so /dev/zero is
// refused after one block, not 2 GiB).
std::optional<std::string> readFileData(Diagnostics& diag, const std::string& fileName,
                                        std::size_t maxSize = maxDefinitionsFileSize);

// Where the bytes of a text being read stood in the file as written: the
// lines of the text before its comments were taken out, and those comments.
class TextPlaces {
  public:
    // Over the whole text as read from the file.
    explicit TextPlaces(const char* text);
    // `length` bytes were taken out at `at` (an offset in the text as it is
    // after the removals before this one).
    void removed(std::size_t at, std::size_t length);
    // Line and column (both from 1, the column in bytes) of an offset of the
    // text after every removal.
    std::pair<std::size_t, std::size_t> lineAndColumn(std::size_t offset) const;

  private:
    std::vector<std::size_t> lineStarts_;
    // Offsets after removal from which the text stood this much further on.
    std::vector<std::pair<std::size_t, std::size_t>> shifts_;
};

// Removes every "<!--" ... "-->" from the text, in place.
void removeComments(Diagnostics& diag, char* text);
// The same, telling `places` what went (at offsets from `text` plus `base`).
void removeCommentsNoting(Diagnostics& diag, char* text, TextPlaces& places, std::size_t base);

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
