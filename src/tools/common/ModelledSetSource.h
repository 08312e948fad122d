#pragma once

#include "setmodel/MessageSetModel.h"
#include "support/Diagnostics.h"
#include "support/Output.h"
#include "tools/ToolCommandLine.h"

#include <optional>
#include <string>

namespace norvak {

// The exit codes of a tool that reads a message set's model from a
// definitions file or a repository (norvakgen, norvakcodec), and the word
// its error lines end with ("nothing was <done>").
struct ModelSourceOutcomes {
    int noMessageSet;
    int databaseError;
    int unreadableFile;
    int definitionErrors;
    const char* nothingWas;
};

// The text of a definitions file ("-": standard input); nothing when it
// cannot be read, after the reader's lines and "*****Error - unable to read
// definitions file NAME" with `lineEnd` (" - nothing was written").
std::optional<std::string> readDefinitionsText(Output& report, const std::string& fileName, const char* lineEnd);

// Whether the command line names one source: a definitions file (-f, with
// neither -n nor -s) or a data source and a message set; false after saying
// what is wrong.
bool messageSetSourceAccepted(Output& report, const ToolOptions& values);

// A definitions file ("-": standard input) imported into a repository in
// memory and read as a model; nothing, reported and with `exitCode` set,
// when it cannot be read or imported.
std::optional<ModelledSet> modelOfDefinitionsFile(Output& report, const std::string& fileName,
                                                  const ModelSourceOutcomes& outcomes, int& exitCode);

// The message set the command line names, read whole as a model in one
// snapshot; nothing, reported and with `exitCode` set, when it cannot be.
std::optional<ModelledSet> modelOfMessageSet(Diagnostics& diagnostics, const ToolOptions& values, const char* program,
                                             const ModelSourceOutcomes& outcomes, int& exitCode);

// The CWF tab named, or the first in sequence without a name; nothing,
// reported, when the model has none of that name (`needOne` says, after
// "the message set has no CWF tab: ", why one is needed).
const ModelPlugin* chosenCwfTab(Output& report, const MessageSetModel& model, const std::string& name,
                                const char* needOne);

} // namespace norvak
