// norvakexport: a message set written as a definitions file or as canonical rows.
#include "tools/common/ToolMain.h"
#include "tools/export/MessageSetExport.h"

#include <cstdio>

// The file goes to standard output, everything about the run to standard error.
int main(int argc, char** argv) {
    return norvak::toolMain(argc, argv,
                            {.program = "norvakexport",
                             .valueLetters = "nuphso",
                             .help = norvak::norvakexportHelp,
                             .reportStream = stderr,
                             .flushEachLine = true,
                             .commandLineExitCode = norvak::exportCommandLine},
                            norvak::runMessageSetExport);
}
