#pragma once

#include <string>

namespace norvak {

// A text put between single quotes in SQL text: each single quote doubled.
std::string quotedText(const std::string& text);

// printf-style formatting into a string, for statement texts.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace norvak
