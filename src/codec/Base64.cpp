// Base64 of the standard alphabet with padding, the form JSON holds binary values in.
#include "codec/Base64.h"

#include <array>

namespace norvak {

namespace {

constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr unsigned sixBits = 0x3F;

int valueOf(char c) {
    const std::size_t at = alphabet.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

} // namespace

std::string base64Of(std::string_view bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = bytes.size() - i < 3 ? bytes.size() - i : 3;
        unsigned group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8U) | (k < count ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= count ? alphabet[(group >> (18 - 6 * k)) & sixBits] : '=';
    }
    return text;
}

std::optional<std::string> bytesOfBase64(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool lastGroup = i + 4 == text.size();
        std::size_t padding = 0;
        unsigned group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            const int value = valueOf(c);
            if (c == '=' && lastGroup && (k == 3 || (k == 2 && text[i + 3] == '='))) {
                ++padding;
                group <<= 6U;
                continue;
            }
            if (value < 0 || padding > 0)
                return std::nullopt;
            group = (group << 6U) | static_cast<unsigned>(value);
        }
        for (std::size_t k = 0; k < 3 - padding; ++k)
            bytes += static_cast<char>((group >> (16 - 8 * k)) & 0xFFU);
    }
    return bytes;
}

} // namespace norvak
