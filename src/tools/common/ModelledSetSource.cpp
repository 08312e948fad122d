// A definitions file's text, and a message set's model read from a definitions file or a repository with its CWF tab.
#include "tools/common/ModelledSetSource.h"

#include "dbsession/DiagnosticRecords.h"
#include "import/driver/ScratchImport.h"
#include "import/reader/TextPreparation.h"
#include "tools/StoredSetReading.h"
#include "tools/common/ScratchImportFailure.h"

#include <utility>

namespace norvak {

std::optional<std::string> readDefinitionsText(Output& report, const std::string& fileName, const char* lineEnd) {
    Output reading;
    reading.setQuiet(true);
    Diagnostics readingDiagnostics(reading);
    // "-" is standard input, read by the same rules as a file.
    std::optional<std::string> text = readFileData(readingDiagnostics, fileName == "-" ? "/dev/stdin" : fileName);
    if (!text) {
        report.print("%s", reading.text().c_str());
        report.print("*****Error - unable to read definitions file %s%s\n", fileName.c_str(), lineEnd);
    }
    return text;
}

bool messageSetSourceAccepted(Output& report, const ToolOptions& values) {
    const bool fromFile = !values.inputFile.empty();
    if (fromFile && (!values.dataSource.empty() || !values.messageSet.empty())) {
        report.print("*****Error - -f reads a definitions file: -n and -s are not taken with it\n");
        return false;
    }
    if (!fromFile && values.dataSource.empty()) {
        report.print("*****Error - no data source: give it with -n (or read a definitions file: -f FILE)\n");
        return false;
    }
    if (!fromFile && values.messageSet.empty()) {
        report.print("*****Error - no message set: give it with -s\n");
        return false;
    }
    return true;
}

std::optional<ModelledSet> modelOfDefinitionsFile(Output& report, const std::string& fileName,
                                                  const ModelSourceOutcomes& outcomes, int& exitCode) {
    std::optional<std::string> text = readDefinitionsText(report, fileName, "");
    if (!text) {
        exitCode = outcomes.unreadableFile;
        return std::nullopt;
    }
    ScratchImport outcome;
    std::optional<ModelledSet> modelled = importIntoModel(std::move(*text), fileName, "", nullptr, outcome);
    if (modelled)
        return modelled;
    exitCode = reportScratchImportFailure(report, fileName, outcome, outcomes.nothingWas) ? outcomes.databaseError
                                                                                          : outcomes.definitionErrors;
    return std::nullopt;
}

std::optional<ModelledSet> modelOfMessageSet(Diagnostics& diagnostics, const ToolOptions& values, const char* program,
                                             const ModelSourceOutcomes& outcomes, int& exitCode) {
    Output& report = diagnostics.out;
    std::optional<ModelledSet> modelled;
    switch (readStoredModel(diagnostics, values, modelled, false, program)) {
    case StoredSetRead::read:
        return modelled;
    case StoredSetRead::notConnected:
        exitCode = outcomes.databaseError;
        return std::nullopt;
    case StoredSetRead::noMessageSet:
        report.print("*****Error - message set %s not found - nothing was %s\n", values.messageSet.c_str(),
                     outcomes.nothingWas);
        report.print("%s\n", missingMessageSetStep(values.dataSource, values.messageSet).c_str());
        exitCode = outcomes.noMessageSet;
        return std::nullopt;
    case StoredSetRead::databaseError:
    case StoredSetRead::stopped: // no step before the items: not met
        break;
    }
    report.print("*****Error - reading message set %s failed - nothing was %s\n", values.messageSet.c_str(),
                 outcomes.nothingWas);
    exitCode = outcomes.databaseError;
    return std::nullopt;
}

const ModelPlugin* chosenCwfTab(Output& report, const MessageSetModel& model, const std::string& name,
                                const char* needOne) {
    const std::vector<const ModelPlugin*>& tabs = model.tabs(WireFormat::cwf);
    for (const ModelPlugin* tab : tabs)
        if (name.empty() || tab->row->name == name)
            return tab;
    if (name.empty()) {
        report.print("*****Error - the message set has no CWF tab: %s\n", needOne);
        return nullptr;
    }
    std::string known;
    for (const ModelPlugin* tab : tabs)
        known += (known.empty() ? "" : ", ") + tab->row->name;
    report.print("*****Error - no CWF tab %s: the CWF tabs are %s\n", name.c_str(), known.c_str());
    return nullptr;
}

} // namespace norvak
