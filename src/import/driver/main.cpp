#include "import/driver/ImportDriver.h"
#include "import/driver/JsonReport.h"
#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "import/driver/CommandLine.h"

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
        norvak::Output collected;
        norvak::ImportOutcome outcome;
        int exitCode = norvak::runImport(collected, count, arguments.data(), &outcome);
        norvak::Output out(stdout);
        out.print("%s", norvak::importReportJson(collected, exitCode, outcome).c_str());
        return norvak::finishReport(out, "norvakload", exitCode);
    }
    norvak::Output out(stdout);
    int exitCode = norvak::runImport(out, count, arguments.data());
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakload", exitCode);
}
