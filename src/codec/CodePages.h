#pragma once

#include <iconv.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace norvak {

// A code page the codec reads and writes text in: its CCSID, the name of its
// code set for iconv, whether it is an EBCDIC one (digits F0 to F9), and the
// bytes of its smallest character (2 for UTF-16, 1 for the others; UTF-8
// counts 1: its fields are counted in bytes).
struct CodePage {
    int ccsid = 0;
    const char* codeSet = "";
    bool ebcdic = false;
    int unitBytes = 1;
};

// The code page of a CCSID ("037", "1047", "1208"); nothing for one the codec
// does not know.
std::optional<CodePage> codePageOf(const std::string& ccsid);

// The CCSIDs the codec knows, for messages: "037, 273, ...".
std::string knownCcsids();

// The CCSID taken when neither the tab nor --ccsid gives one: UTF-8.
inline constexpr const char* defaultCcsid = "1208";

// Text between a code page and UTF-8 through iconv, with the code page's
// bytes of the characters the numbers use (digits, signs, blank).
class TextCodec {
  public:
    // Throws std::runtime_error when iconv does not know the code set.
    explicit TextCodec(const CodePage& page);
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    // The bytes as UTF-8; false, with the offset of the first byte that is
    // no character of the code page, when they do not convert.
    bool toUtf8(std::string_view bytes, std::string& text, std::size_t& badAt) const;
    // The UTF-8 text in the code page; false when a character has no byte
    // there (or the text is no UTF-8).
    bool fromUtf8(std::string_view text, std::string& bytes) const;

    const CodePage& page() const { return page_; }
    // The code page's bytes of one ASCII character.
    const std::string& blank() const { return blank_; }
    const std::string& plus() const { return plus_; }
    const std::string& minus() const { return minus_; }
    const std::string& nul() const { return nul_; }
    std::string character(char ascii) const;

  private:
    void tabulate();

    CodePage page_;
    iconv_t toUtf8_;
    iconv_t fromUtf8_;
    // Of a code page of one byte a character, other than UTF-8: the UTF-8 of
    // each byte (empty for a byte that is no character) and the byte of each
    // ASCII character (-1 for none), so that most texts need no iconv call.
    bool tabulated_ = false;
    std::array<std::string, 256> utf8OfByte_;
    std::array<int, 128> byteOfAscii_{};
    std::string blank_;
    std::string plus_;
    std::string minus_;
    std::string nul_;
};

} // namespace norvak
