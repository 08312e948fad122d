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

// Whether every byte of the text belongs to a well-formed UTF-8 character.
inline bool isUtf8Text(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = utf8CharacterLength(text, at);
        if (length == 1 && static_cast<unsigned char>(text[at]) >= 0x80)
            return false;
        at += length;
    }
    return true;
}

// The text with each byte that belongs to no well-formed UTF-8 character
// replaced by U+FFFD (the replacement character, EF BF BD): one for each such
// byte. A UTF-8 text comes back unchanged.
inline std::string utf8Replaced(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = utf8CharacterLength(text, at);
        if (length == 1 && static_cast<unsigned char>(text[at]) >= 0x80)
            result += "\xEF\xBF\xBD";
        else
            result.append(text, at, length);
        at += length;
    }
    return result;
}

// The bytes of the text as readable UTF-8 that gives them back exactly: each
// byte that belongs to no well-formed UTF-8 character written as \xHH (two
// upper-case hexadecimal digits), each backslash doubled, everything else
// as it is.
inline std::string escapedBytes(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(text.size() + 8);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = utf8CharacterLength(text, at);
        const auto byte = static_cast<unsigned char>(text[at]);
        if (length == 1 && byte >= 0x80) {
            result += "\\x";
            result += hex[byte >> 4];
            result += hex[byte & 15];
        } else if (byte == '\\') {
            result += "\\\\";
        } else {
            result.append(text, at, length);
        }
        at += length;
    }
    return result;
}

} // namespace norvak
