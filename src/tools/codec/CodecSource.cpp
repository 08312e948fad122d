// norvakcodec's message: the set read from a definitions file or a repository, the CWF tab and the message's layout.
#include "tools/codec/CodecSource.h"

#include "dbsession/DiagnosticRecords.h"
#include "import/reader/TextPreparation.h"
#include "support/Diagnostics.h"
#include "tools/StoredSetReading.h"
#include "tools/codec/CodecCommand.h"
#include "tools/common/ScratchImportFailure.h"

#include <string>

namespace norvak {

namespace {

std::optional<ModelledSet> modelOfFile(Output& report, const std::string& fileName, int& exitCode) {
    Output reading;
    reading.setQuiet(true);
    Diagnostics readingDiagnostics(reading);
    std::optional<std::string> text = readFileData(readingDiagnostics, fileName == "-" ? "/dev/stdin" : fileName);
    if (!text) {
        report.print("%s", reading.text().c_str());
        report.print("*****Error - unable to read definitions file %s\n", fileName.c_str());
        exitCode = codecUnreadableFile;
        return std::nullopt;
    }
    ScratchImport outcome;
    std::optional<ModelledSet> modelled = importIntoModel(*text, fileName, "", nullptr, outcome);
    if (modelled)
        return modelled;
    exitCode =
        reportScratchImportFailure(report, fileName, outcome, "read") ? codecDatabaseError : codecDefinitionErrors;
    return std::nullopt;
}

std::optional<ModelledSet> modelOfStoredSet(Output& report, const ToolOptions& values, int& exitCode) {
    Diagnostics diagnostics(report);
    std::optional<ModelledSet> modelled;
    switch (readStoredModel(diagnostics, values, modelled, false, "norvakcodec")) {
    case StoredSetRead::read:
        return modelled;
    case StoredSetRead::notConnected:
        exitCode = codecDatabaseError;
        return std::nullopt;
    case StoredSetRead::noMessageSet:
        report.print("*****Error - message set %s not found - nothing was read\n", values.messageSet.c_str());
        report.print("%s\n", missingMessageSetStep(values.dataSource, values.messageSet).c_str());
        exitCode = codecNoMessageSet;
        return std::nullopt;
    case StoredSetRead::databaseError:
    case StoredSetRead::stopped: // no step before the items: not met
        break;
    }
    report.print("*****Error - reading message set %s failed - nothing was read\n", values.messageSet.c_str());
    exitCode = codecDatabaseError;
    return std::nullopt;
}

const ModelPlugin* chosenTab(Output& report, const MessageSetModel& model, const std::string& name) {
    const std::vector<const ModelPlugin*>& tabs = model.tabs(WireFormat::cwf);
    for (const ModelPlugin* tab : tabs)
        if (name.empty() || tab->row->name == name)
            return tab;
    if (name.empty()) {
        report.print("*****Error - the message set has no CWF tab: records need one\n");
        return nullptr;
    }
    std::string known;
    for (const ModelPlugin* tab : tabs)
        known += (known.empty() ? "" : ", ") + tab->row->name;
    report.print("*****Error - no CWF tab %s: the CWF tabs are %s\n", name.c_str(), known.c_str());
    return nullptr;
}

} // namespace

std::optional<ModelledSet> readCodecSet(Output& report, const ToolOptions& values, int& exitCode) {
    exitCode = codecDone;
    return values.inputFile.empty() ? modelOfStoredSet(report, values, exitCode)
                                    : modelOfFile(report, values.inputFile, exitCode);
}

int layoutOfMessage(Output& report, const MessageSetModel& model, const ToolOptions& values, RecordLayout& layout) {
    const ModelPlugin* tab = chosenTab(report, model, values.tab);
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
