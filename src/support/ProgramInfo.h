#pragma once

#include "support/Output.h"

#include <string>
#include <vector>

namespace norvak {

// The version of the toolset, defined once in the build.
const char* toolsetVersion();

// Answers "--help" or "--version", given as any argument but the value of
// an option (an argument after "-x" alone, x one of `valueLetters` in either
// case), before a program does anything else: the help text, or the
// program's name and the toolset version, on `out`. True when it answered
// (the program then ends with 0).
bool answerInfoRequest(Output& out, int argc, const char* const* argv, const char* programName,
                       const char* valueLetters, const char* helpText);

// Takes "--format json" (or "--format=json", "--format text") out of the
// arguments; false with `format` set to the value when that is neither.
bool takeFormatOption(std::vector<const char*>& arguments, std::string& format);

} // namespace norvak
