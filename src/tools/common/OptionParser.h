#pragma once

#include "support/Output.h"
#include "tools/ToolCommandLine.h"

#include <span>

namespace norvak {

// One option of our own tools' command lines: "-x VALUE" and "--name VALUE"
// (or "--name=VALUE") for an option that takes a value, "--name" alone for a
// switch. Exactly one of `value` and `flag` is set.
struct OptionSpec {
    const char* name; // the long form, without its "--"
    std::string ToolOptions::*value = nullptr;
    bool ToolOptions::*flag = nullptr;
    const char* missingMessage = nullptr; // printed when the value is missing
    char letter = 0;                      // the short form, 0 when there is none
    bool emptyIsMissing = false;          // an empty value is missing too
};

// The options most of our tools share.
inline constexpr OptionSpec dataSourceSpec{.name = "data-source",
                                           .value = &ToolOptions::dataSource,
                                           .missingMessage = dataSourceOption.missingMessage,
                                           .letter = 'n'};
inline constexpr OptionSpec userSpec{
    .name = "user", .value = &ToolOptions::user, .missingMessage = userOption.missingMessage, .letter = 'u'};
inline constexpr OptionSpec passwordSpec{.name = "password",
                                         .value = &ToolOptions::password,
                                         .missingMessage = passwordOption.missingMessage,
                                         .letter = 'p'};
inline constexpr OptionSpec schemaSpec{.name = "schema",
                                       .value = &ToolOptions::schemaPrefix,
                                       .missingMessage = schemaOption.missingMessage,
                                       .letter = 'h'};
inline constexpr OptionSpec messageSetSpec{.name = "message-set",
                                           .value = &ToolOptions::messageSet,
                                           .missingMessage = messageSetOption.missingMessage,
                                           .letter = 's'};
// -o of the tools that write a file ("-" or none: standard output).
inline constexpr OptionSpec outputSpec{.name = "output",
                                       .value = &ToolOptions::outputFile,
                                       .missingMessage = "*****Error - output file missing from -o parameter\n",
                                       .letter = 'o',
                                       .emptyIsMissing = true};
// -f of the tools that read a definitions file.
inline constexpr OptionSpec definitionsFileSpec{.name = "file",
                                                .value = &ToolOptions::inputFile,
                                                .missingMessage = "*****Error - definitions file missing from -f parameter\n",
                                                .letter = 'f',
                                                .emptyIsMissing = true};
// The message and the CWF tab of the tools that lay out a message's records.
inline constexpr OptionSpec messageSpec{.name = "message",
                                        .value = &ToolOptions::message,
                                        .missingMessage = "*****Error - message missing from -m parameter\n",
                                        .letter = 'm',
                                        .emptyIsMissing = true};
inline constexpr OptionSpec tabSpec{.name = "tab",
                                    .value = &ToolOptions::tab,
                                    .missingMessage = "*****Error - tab name missing from --tab parameter\n",
                                    .emptyIsMissing = true};
inline constexpr OptionSpec quietSpec{.name = "quiet", .flag = &ToolOptions::quiet, .letter = 'q'};
// A missing or bad value is told by `lockTimeoutErrorLine`.
inline constexpr OptionSpec lockTimeoutSpec{.name = "lock-timeout", .value = &ToolOptions::lockTimeoutText};

// Reads the arguments after the program name with getopt_long, by these
// rules: option names are taken exactly (no abbreviation, no value glued to
// a short option: "-output.xml" is not "-o utput.xml"); a value is the next
// argument, or follows "=" in the long form; a next argument that begins
// with "-" is not taken as a value ("-" alone is, and stands for standard
// input or output); any other argument is an error. "--help" and
// "--version" are known (the program answers them before it parses). Every
// mistake is reported on its own line; false when there was any. The
// schema prefix is checked and given its "." as for every tool; a lock
// timeout given is checked and set.
bool parseToolOptions(Output& out, int argc, const char* const* argv, std::span<const OptionSpec> options,
                      ToolOptions& values);

} // namespace norvak
