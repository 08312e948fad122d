#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "tools/export/MessageSetExport.h"

#include <cstdio>

// The file goes to standard output, everything about the run to standard error.
int main(int argc, char** argv) {
    {
        norvak::Output info(stdout);
        if (norvak::answerInfoRequest(info, argc, argv, "norvakexport", "nuphso", norvak::norvakexportHelp))
            return norvak::finishReport(info, "norvakexport", 0);
    }
    norvak::Output report(stderr);
    int exitCode = norvak::runToEnd(report, [&] { return norvak::runMessageSetExport(report, argc, argv); });
    return norvak::finishReport(report, argc > 0 ? argv[0] : "norvakexport", exitCode);
}
