#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace norvak {

// The names of the files norvakgen writes into a folder, one per message:
// made of the message identifiers, safe on any file system, and unique
// among those of one run even where letter case does not count.
class FolderFileNames {
  public:
    // The file name of a message, with the extension of the target
    // (".layout", ".cpy", ".h", ".schema.json", ".xsd").
    std::string next(std::string_view identifier, std::string_view target);

  private:
    std::unordered_set<std::string> taken_; // lower-cased
};

// A file name's stem made of an identifier: letters and digits of ASCII, "-",
// "_" and "." kept, any other byte "_"; no leading dot or trailing dot or
// blank, no device name of any system (CON, NUL, COM1, ...), at most 100
// bytes, never empty.
std::string safeFileStem(std::string_view identifier);

} // namespace norvak
