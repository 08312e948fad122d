#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "tools/diff/DefinitionsDiff.h"

#include <cstdio>

// The differences go to standard output, everything about the run to standard error.
int main(int argc, char** argv) {
    {
        norvak::Output info(stdout);
        if (norvak::answerInfoRequest(info, argc, argv, "norvakdiff", "nuphsf", norvak::norvakdiffHelp))
            return norvak::finishReport(info, "norvakdiff", 0);
    }
    norvak::Output report(stderr);
    int exitCode = norvak::runToEnd(report, [&] { return norvak::runDefinitionsDiff(report, argc, argv); });
    return norvak::finishReport(report, argc > 0 ? argv[0] : "norvakdiff", exitCode);
}
