// C identifiers, comments and string literals made of the names and texts of a message set.
#include "codegen/CNames.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace norvak {

namespace {

constexpr std::array<std::string_view, 44> keywords = {
    "auto",       "break",     "case",           "char",          "const",    "continue", "default",  "do",
    "double",     "else",      "enum",           "extern",        "float",    "for",      "goto",     "if",
    "inline",     "int",       "long",           "register",      "restrict", "return",   "short",    "signed",
    "sizeof",     "static",    "struct",         "switch",        "typedef",  "union",    "unsigned", "void",
    "volatile",   "while",     "_Alignas",       "_Alignof",      "_Atomic",  "_Bool",    "_Complex", "_Generic",
    "_Imaginary", "_Noreturn", "_Static_assert", "_Thread_local",
};

constexpr std::string_view guardPrefix = "NORVAK_";
constexpr char lastControl = 0x1f;
constexpr char deleteCharacter = 0x7f;

bool isLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool allUpper(std::string_view name) {
    return std::none_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The macros of <stddef.h> and <stdint.h>: NULL, offsetof, the limits
// (INT8_MAX, SIZE_MAX, ...) and the constant macros (INT64_C, ...).
bool isIncludedMacro(std::string_view name) {
    if (name == "NULL" || name == "offsetof")
        return true;
    if (!allUpper(name))
        return false;
    return name.ends_with("_MAX") || name.ends_with("_MIN") || name.ends_with("_C");
}

} // namespace

std::string cIdentifier(std::string_view name) {
    std::string identifier;
    identifier.reserve(name.size() + 2);
    for (char c : name)
        identifier += isLetterOrDigit(c) ? c : '_';
    if (identifier.empty() || identifier.front() == '_' || (identifier.front() >= '0' && identifier.front() <= '9'))
        identifier.insert(0, "f_");
    const bool taken = std::find(keywords.begin(), keywords.end(), identifier) != keywords.end() ||
                       isIncludedMacro(identifier) || identifier.starts_with(guardPrefix);
    return taken ? identifier + "_" : identifier;
}

std::string cCommentText(std::string_view text) {
    std::string comment;
    comment.reserve(text.size());
    for (char c : text) {
        const bool control = (c >= 0 && c <= lastControl) || c == deleteCharacter;
        if (c == '/' && !comment.empty() && comment.back() == '*')
            comment += ' ';
        comment += control ? ' ' : c;
    }
    return comment;
}

std::string cStringLiteral(std::string_view text) {
    std::string literal = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\' || c == '?') {
            literal += '\\';
            literal += c;
        } else if ((c >= 0 && c <= lastControl) || c == deleteCharacter) {
            std::array<char, 8> octal{};
            std::snprintf(octal.data(), octal.size(), "\\%03o", static_cast<unsigned>(static_cast<unsigned char>(c)));
            literal += octal.data();
        } else {
            literal += c;
        }
    }
    return literal + "\"";
}

} // namespace norvak
