#pragma once

#include "support/Output.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>

namespace norvak {

// What a tool's main needs to know of it.
struct ToolMainSettings {
    const char* program;       // its name, in the document and in the lines about an unwritable report
    const char* valueLetters;  // the letters of its options that take a value (for --help and --version)
    const char* help;          // its --help text
    std::FILE* reportStream;   // where its report goes in text form
    bool flushEachLine;        // whether each report line is flushed at once
    int commandLineExitCode;   // its exit code for a command-line mistake (an unknown --format)
};

// A tool's run: its report goes to `report`; with --format json, `own` is
// the object its own members go into (null in text form). The arguments
// hold no --format.
using ToolRun = std::function<int(Output& report, int argc, const char* const* argv, nlohmann::ordered_json* own)>;

// The main of a tool: --help and --version answered first, then --format
// taken out of the arguments: json runs the tool with its report collected
// and writes one JSON document on standard output whatever the outcome
// (jsonDocument); text (the default) writes the report as it goes. A value
// that is neither is a command-line mistake, said in text.
int toolMain(int argc, char** argv, const ToolMainSettings& settings, const ToolRun& run);

} // namespace norvak
