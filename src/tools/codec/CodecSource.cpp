// norvakcodec's message: the set read from a definitions file or a repository, the CWF tab and the message's layout.
#include "tools/codec/CodecSource.h"

#include "support/Diagnostics.h"
#include "tools/codec/CodecCommand.h"
#include "tools/common/ModelledSetSource.h"

#include <string>

namespace norvak {

namespace {

// How norvakcodec ends when it cannot read the message set.
constexpr ModelSourceOutcomes sourceOutcomes{codecNoMessageSet, codecDatabaseError, codecUnreadableFile,
                                             codecDefinitionErrors, "read"};

} // namespace

std::optional<ModelledSet> readCodecSet(Output& report, const ToolOptions& values, int& exitCode) {
    exitCode = codecDone;
    if (!values.inputFile.empty())
        return modelOfDefinitionsFile(report, values.inputFile, sourceOutcomes, exitCode);
    Diagnostics diagnostics(report);
    return modelOfMessageSet(diagnostics, values, "norvakcodec", sourceOutcomes, exitCode);
}

int layoutOfMessage(Output& report, const MessageSetModel& model, const ToolOptions& values, RecordLayout& layout) {
    const ModelPlugin* tab = chosenCwfTab(report, model, values.tab, "records need one");
    if (tab == nullptr)
        return codecNotFound;
    const ModelMessage* message = nullptr;
    for (const ModelMessage& candidate : model.messages())
        if (candidate.row->identifier == values.message && message == nullptr)
            message = &candidate;
    if (message == nullptr) {
        report.print("*****Error - no message %s in the message set\n", values.message.c_str());
        return codecNotFound;
    }
    if (message->type == nullptr) {
        report.print("*****Error - message %s has no type of the set: it has no records\n", values.message.c_str());
        return codecNotFound;
    }
    layout = recordLayout(model, *message, *tab);
    return codecDone;
}

} // namespace norvak
