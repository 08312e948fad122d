#pragma once

#include "support/Output.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <string>

namespace norvak {

// The members every program's JSON document opens with, made of the run's
// report (collected): "program", "version", "exitCode" (as the process ends),
// then "errors" and "warnings", each an array of objects. An entry has the
// line's "text" without its leading asterisks, its "code" where the line has
// one (the SQLSTATE of a database error), and what the lines after it say
// about it: "driver" (the driver's messages), "hint" (the next step, or the
// closest known word), "file", "line" and "column" (where in a definitions
// file). A line is an error when it was printed as one or begins with
// asterisks (unless a warning); the driver's messages and a next step
// explain the error reported last.
nlohmann::ordered_json jsonEnvelope(const char* program, int exitCode, const Output& report);

// The whole document: the envelope, then the program's own members (an
// object; its members that the envelope also has are left out). Always
// valid JSON, with a line end.
std::string jsonDocument(const char* program, int exitCode, const Output& report, const nlohmann::ordered_json& own);

// A program's run with --format json: the run writes its report into a
// collecting writer and its own members into `own`; then the one document is
// written on `stream`. A run that ends early (out of memory) still gets its
// document; with no memory even for that, the plainest one. Returns the
// run's exit code, or reportNotWritten's rule when the document could not be
// written.
int runWithJsonDocument(const char* program, std::FILE* stream,
                        const std::function<int(Output& report, nlohmann::ordered_json& own)>& run);

} // namespace norvak
