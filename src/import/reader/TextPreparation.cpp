// Reading a definitions file whole, and removing its comments and substituting its references in place.
#include "import/reader/TextPreparation.h"

#include "support/Diagnostics.h"
#include "support/StringUtilities.h"

#include <sys/stat.h>

#include <cstdio>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <iterator>
#include <cstring>
#include <memory>

namespace norvak {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

enum class ReadOutcome { complete, failed, tooLarge, nulInStream };

// Reads the stream to its end, whatever kind of file it is, holding at most
// `maxSize` bytes: a regular file whose size is larger is refused before it
// is read, any other file as soon as one byte more than that comes. A file
// that is not a regular file (a pipe, a device such as /dev/zero) is read in
// blocks and refused at its first NUL byte (its offset in `nulAt`): a
// definitions text holds none, and what such a file holds after it could go
// on up to the limit or for ever.
ReadOutcome readWhole(std::FILE* file, std::string& text, std::size_t maxSize, std::size_t& nulAt) {
    struct stat status;
    const bool regular = ::fstat(::fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    if (regular) {
        if (static_cast<std::uintmax_t>(status.st_size) > maxSize)
            return ReadOutcome::tooLarge;
        text.reserve(static_cast<std::size_t>(status.st_size));
    }
    char chunk[65536];
    for (;;) {
        std::size_t room = maxSize - text.size();
        std::size_t wanted = room < sizeof chunk ? room + 1 : sizeof chunk;
        std::size_t got = std::fread(chunk, 1, wanted, file);
        if (!regular) {
            if (const void* nul = std::memchr(chunk, '\0', got)) {
                nulAt = text.size() + static_cast<std::size_t>(static_cast<const char*>(nul) - chunk);
                return ReadOutcome::nulInStream;
            }
        }
        if (got > room)
            return ReadOutcome::tooLarge;
        text.append(chunk, got);
        if (got < wanted)
            return std::ferror(file) == 0 ? ReadOutcome::complete : ReadOutcome::failed;
    }
}

// The code point of a numeric reference ("#65", "#x41"): its leading
// digits, 0 when there are none; nullopt past the last code point.
std::optional<std::uint32_t> referencedCodePoint(const char* digits, int base) {
    std::uint32_t value = 0;
    for (; *digits != '\0'; ++digits) {
        const auto c = static_cast<unsigned char>(*digits);
        if (base == 16 ? !std::isxdigit(c) : !std::isdigit(c))
            break;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(hexDigitValue(*digits));
        if (value > 0x10FFFF)
            return std::nullopt;
    }
    return value;
}

// The UTF-8 bytes of a code point; false for a surrogate, which is no character.
bool appendUtf8(std::uint32_t code, std::string& bytes) {
    if (code >= 0xD800 && code <= 0xDFFF)
        return false;
    if (code < 0x80) {
        bytes += static_cast<char>(code);
    } else if (code < 0x800) {
        bytes += static_cast<char>(0xC0 | (code >> 6));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes += static_cast<char>(0xE0 | (code >> 12));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (code >> 18));
        bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    }
    return true;
}

// The text a reference name stands for; false when the name is unknown. A
// numeric reference names a Unicode code point, stored as its UTF-8 bytes;
// one to no character (a surrogate, or past U+10FFFF) is unknown. "&#0;"
// (or no digits at all) stands for the byte 0, which ends the text.
bool referencedCharacter(const char* name, std::string& replacement) {
    if (std::strcmp(name, "AMP") == 0)
        replacement = "&";
    else if (std::strcmp(name, "LT") == 0)
        replacement = "<";
    else if (std::strcmp(name, "GT") == 0)
        replacement = ">";
    else if (std::strcmp(name, "APOS") == 0 || std::strcmp(name, "APOST") == 0)
        replacement = "'";
    else if (std::strcmp(name, "QUOT") == 0 || std::strcmp(name, "QUOTE") == 0)
        replacement = "\"";
    else if (name[0] == '#') {
        bool hex = name[1] == 'X' || name[1] == 'x';
        std::optional<std::uint32_t> code = referencedCodePoint(name + (hex ? 2 : 1), hex ? 16 : 10);
        replacement.clear();
        return code && appendUtf8(*code, replacement);
    } else
        return false;
    return true;
}

} // namespace

std::optional<std::string> readFileData(Diagnostics& diag, const std::string& fileName, std::size_t maxSize) {
    diag.trace("==> readFileData fileName %s\n", fileName.c_str());
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    int failure = file ? 0 : errno;
    std::string text;
    ReadOutcome outcome = ReadOutcome::failed;
    std::size_t nulAt = 0;
    if (file) {
        try {
            errno = 0;
            outcome = readWhole(file.get(), text, maxSize, nulAt);
            failure = outcome == ReadOutcome::failed ? (errno != 0 ? errno : EIO) : 0;
        } catch (const std::bad_alloc&) {
            outcome = ReadOutcome::failed;
            failure = ENOMEM;
        }
    }
    if (outcome == ReadOutcome::tooLarge)
        diag.error("*****Error - definitions file %s is larger than %zu bytes\n", fileName.c_str(), maxSize);
    else if (outcome == ReadOutcome::nulInStream)
        diag.error("*****Error - definitions file %s is not a regular file and holds a NUL byte at byte %zu: it is "
                   "not a definitions text and is read no further\n",
                   fileName.c_str(), nulAt + 1);
    if (outcome != ReadOutcome::complete) {
        diag.out.setQuiet(false); // the run ends here: its end is shown
        diag.print("Unable to open input file %s\n", fileName.c_str());
        // What the operating system said, where it said something.
        if (failure != 0)
            diag.print("  %s: %s\n", fileName.c_str(), std::strerror(failure));
        return std::nullopt;
    }
    diag.print("\n%zu bytes read from data file %s\n", text.size(), fileName.c_str());
    std::size_t nul = text.find('\0');
    if (nul != std::string::npos)
        diag.print("*****Warning - definitions file %s holds a NUL byte at byte %zu of %zu; the text ends there\n",
                   fileName.c_str(), nul + 1, text.size());
    return text;
}

namespace {
void removeComments(Diagnostics& diag, char* text, TextPlaces* places, std::size_t base);
} // namespace

TextPlaces::TextPlaces(const char* text) {
    lineStarts_.push_back(0);
    for (std::size_t i = 0; text[i] != '\0'; ++i)
        if (text[i] == '\n')
            lineStarts_.push_back(i + 1);
}

void TextPlaces::removed(std::size_t at, std::size_t length) {
    std::size_t before = shifts_.empty() ? 0 : shifts_.back().second;
    shifts_.emplace_back(at, before + length);
}

std::pair<std::size_t, std::size_t> TextPlaces::lineAndColumn(std::size_t offset) const {
    // The last removal at or before the offset tells how far the byte moved.
    auto shift = std::upper_bound(shifts_.begin(), shifts_.end(), offset,
                                  [](std::size_t value, const auto& entry) { return value < entry.first; });
    std::size_t original = offset + (shift == shifts_.begin() ? 0 : std::prev(shift)->second);
    auto line = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), original);
    std::size_t index = static_cast<std::size_t>(line - lineStarts_.begin()) - 1;
    return {index + 1, original - lineStarts_[index] + 1};
}

void removeComments(Diagnostics& diag, char* text) {
    removeComments(diag, text, nullptr, 0);
}

void removeCommentsNoting(Diagnostics& diag, char* text, TextPlaces& places, std::size_t base) {
    removeComments(diag, text, &places, base);
}

namespace {

void removeComments(Diagnostics& diag, char* text, TextPlaces* places, std::size_t base) {
    diag.trace("==> removeComments buffer=0x%x length=%d\n", traceAddress(text), static_cast<int>(std::strlen(text)));
    char* read = text;
    char* write = text;
    while (*read != '\0') {
        if (diag.errSw)
            break;
        if (std::strncmp(read, "<!--", 4) == 0) {
            char* start = read;
            read = findCommentEnd(read + 4);
            if (*read == '\0') {
                diag.readingAt = write; // where the comment begins
                diag.error("***** Error - missing ending delimiter on comment\n");
            } else {
                read += 3;
            }
            if (places != nullptr)
                places->removed(base + static_cast<std::size_t>(write - text), static_cast<std::size_t>(read - start));
            continue;
        }
        *write++ = *read++;
    }
    *write = '\0';
    diag.trace("<== removeComments length=%d\n", static_cast<int>(write - text));
}

} // namespace

namespace {

// NOLINTNEXTLINE(readability-function-cognitive-complexity)
void substituteReferences(Diagnostics& diag, char* text, bool secret) {
    const int length = static_cast<int>(std::strlen(text));
    diag.trace("==> replaceParams buffer=0x%x length=%d\n", traceAddress(text), length);
    int read = 0;
    int write = 0;
    while (read < length) {
        char c = text[read];
        if (c >= 1 && c <= 31) {
            while (read < length && text[read] >= 1 && text[read] <= 31)
                ++read;
            text[write++] = ' ';
            continue;
        }
        if (c != '&') {
            text[write++] = text[read++];
            continue;
        }
        char name[17] = {};
        int nameLength = 0;
        int scan = read + 1;
        while (nameLength < 16 && scan < length && text[scan] != ';')
            name[nameLength++] = text[scan++];
        if (scan >= length || text[scan] != ';') {
            diag.error("Escape character without termination found %s\n", secret ? "********" : name);
            text[write++] = text[read++];
            continue;
        }
        upperCase(name);
        std::string replacement;
        if (!referencedCharacter(name, replacement)) {
            diag.print("Unrecognized parameter substitution %s\n", secret ? "********" : name);
            text[write++] = text[read++];
            continue;
        }
        // The bytes of a character are never more than its reference takes ("&#128;" is two).
        for (char byte : replacement)
            text[write++] = byte;
        read = scan + 1;
    }
    text[write] = '\0';
    diag.trace("<== replaceParams length=%d\n", static_cast<int>(std::strlen(text)));
}

} // namespace

void replaceParams(Diagnostics& diag, char* text) {
    substituteReferences(diag, text, false);
}

void replacePasswordParams(Diagnostics& diag, char* text) {
    substituteReferences(diag, text, true);
}

} // namespace norvak
