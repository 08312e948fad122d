#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace norvak {

// The bytes of the character at `at`: the length of the well-formed UTF-8
// sequence that starts there (1 for an ASCII byte), or 1 for a byte that
// starts none (a stray continuation byte, a byte of another encoding, a
// sequence cut short). Stepping by it walks any text without ever landing
// inside a well-formed sequence.
inline std::size_t utf8CharacterLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 1;
    }
    if (text.size() - at < length || byte(at + 1) < low || byte(at + 1) > high)
        return 1;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 1;
    }
    return length;
}

// Cuts the text to at most `maxBytes` bytes without splitting a UTF-8
// sequence: a character that does not fit whole is dropped whole.
inline void cutAtCharacterBoundary(std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return;
    std::size_t kept = 0;
    for (;;) {
        std::size_t next = kept + utf8CharacterLength(text, kept);
        if (next > maxBytes)
            break;
        kept = next;
    }
    text.resize(kept);
}

} // namespace norvak
