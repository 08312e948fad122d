// norvakload: imports a definitions file into a message set of the repository.
#include "dbsession/JsonEnvelope.h"
#include "import/driver/CommandLine.h"
#include "import/driver/ImportDriver.h"
#include "import/driver/JsonReport.h"
#include "support/Output.h"
#include "support/ProgramInfo.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    {
        norvak::Output info(stdout);
        if (norvak::answerInfoRequest(info, argc, argv, "norvakload", "nupsf", norvak::norvakloadHelp))
            return norvak::finishReport(info, "norvakload", 0);
    }
    std::vector<const char*> arguments(argv, argv + argc);
    std::string format;
    if (!norvak::takeFormatOption(arguments, format)) {
        norvak::Output out(stdout);
        out.print("*****Error - unknown --format %s: json or text\n", format.c_str());
        return norvak::finishReport(out, "norvakload", norvak::exitDefinitionErrors);
    }
    const int count = static_cast<int>(arguments.size());
    if (format == "json") {
        // The report is collected and told as one JSON document at the end.
        return norvak::runWithJsonDocument("norvakload", stdout, [&](norvak::Output& report, nlohmann::ordered_json& own) {
            norvak::ImportOutcome outcome;
            own = norvak::importOwnMembers(outcome); // as they stand should the run end early
            int exitCode = norvak::runImport(report, count, arguments.data(), &outcome);
            own = norvak::importOwnMembers(outcome);
            return exitCode;
        });
    }
    norvak::Output out(stdout);
    int exitCode = norvak::runImport(out, count, arguments.data());
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakload", exitCode);
}
