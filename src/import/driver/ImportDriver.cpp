#include "import/driver/ImportDriver.h"

#include "import/driver/CommandLine.h"
#include "import/model/ImportRun.h"
#include "import/reader/TagWalker.h"
#include "import/reader/TextPreparation.h"

#include <ctime>
#include <optional>
#include <string>

namespace norvak {

namespace {

std::string currentDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d-%H.%M.%S", &local);
    return text;
}

int importDefinitions(ImportRun& run, int argc, const char* const* argv) {
    run.print("Norvak V2.1 - ZEP bulk data import utility V1.00 (Dec 14 2001)\n");
    if (!run.allocateTables()) {
        run.print("Error allocating storage for element, value, type or names table\n");
        return exitStorage;
    }
    run.executionDateTime = currentDateTime();
    run.print("Execution date and time %s\n", run.executionDateTime.c_str());

    const char* programName = argc > 0 ? argv[0] : "norvakload";
    CommandLineValues values;
    walkCommandLine(run, argc, argv, values);
    if (usageRequested(argc, argv, values)) {
        printUsage(run, programName);
        return exitUsage;
    }

    run.print("Processing input file %s\n", values.fileName.c_str());
    std::optional<std::string> text = readFileData(run, values.fileName);
    if (!text) {
        run.print("Unable to read input defintions file %s\n", values.fileName.c_str());
        printUsage(run, programName);
        return exitUnreadableFile;
    }
    parseXMLfile(run, text->data());
    if (run.errSw) {
        run.print("errors were found in the input definitions file\n");
        run.print("utility is ending\n");
        return exitDefinitionErrors;
    }

    applyCommandLineValues(run, values);
    if (run.errSw) {
        run.print("Error allocating handles - unable to access ZEP database\n");
        return exitConnectRefused;
    }
    run.print("Definitions file read and checked; no repository step is available yet, the repository was not "
              "accessed\n");
    return exitSuccess;
}

} // namespace

int runImport(Output& out, int argc, const char* const* argv) {
    ImportRun run(out);
    try {
        return importDefinitions(run, argc, argv);
    } catch (const TableStorageError&) {
        run.print("Error allocating storage for element, value, type or names table\n");
        return exitStorage;
    }
}

} // namespace norvak
