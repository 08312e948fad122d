#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvak {

// Bytes as base64 (the standard alphabet, with = padding), and back; nothing
// for a text that is no such base64.
std::string base64Of(std::string_view bytes);
std::optional<std::string> bytesOfBase64(std::string_view text);

} // namespace norvak
