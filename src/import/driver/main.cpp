#include "import/driver/ImportDriver.h"
#include "import/driver/JsonReport.h"
#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "import/driver/CommandLine.h"

#include <cstdio>
#include <exception>
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
        norvak::Output collected;
        norvak::ImportOutcome outcome;
        int exitCode = norvak::runImport(collected, count, arguments.data(), &outcome);
        // The run has ended (committed or rolled back): its exit code stands
        // whatever happens to the document.
        std::string document;
        try {
            document = norvak::importReportJson(collected, exitCode, outcome);
        } catch (const std::exception&) {
            // No memory for the document: the plainest one, with no text of the run.
            document = "{\"program\": \"norvakload\", \"exitCode\": " + std::to_string(exitCode & 0xff) +
                       ", \"errors\": [{\"text\": \"*****Error - the JSON report could not be made\"}]}\n";
        }
        norvak::Output out(stdout);
        out.print("%s", document.c_str());
        return norvak::finishReport(out, "norvakload", exitCode);
    }
    norvak::Output out(stdout);
    int exitCode = norvak::runImport(out, count, arguments.data());
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakload", exitCode);
}
