#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace norvak {

// What is appended to the name of an object member whose text is not UTF-8
// to name its companion member (see jsonText).
inline constexpr const char* jsonBytesSuffix = "Bytes";

// The JSON text of a document (compact when `indent` is negative), whatever
// bytes its texts hold: the one way every program writes JSON. A text that is
// not UTF-8 is written with each byte that belongs to no well-formed UTF-8
// character replaced by U+FFFD; when it is the value of an object member
// NAME, the object also gets a member NAME + "Bytes" (unless it has one)
// holding the text as escapedBytes writes it (those bytes as \xHH, each
// backslash doubled), from which the bytes can be had back. Member names and
// texts of arrays only get the replacement. UTF-8 texts are written as they
// are. Never fails over the bytes of a text: the result is always valid JSON.
std::string jsonText(const nlohmann::json& document, int indent = -1);
std::string jsonText(const nlohmann::ordered_json& document, int indent = -1);

} // namespace norvak
