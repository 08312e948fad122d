// norvakdiff: what a definitions file would change in a message set.
#include "tools/common/ToolMain.h"
#include "tools/diff/DefinitionsDiff.h"

#include <cstdio>

// The differences go to standard output, everything about the run to standard error.
int main(int argc, char** argv) {
    return norvak::toolMain(argc, argv,
                            {.program = "norvakdiff",
                             .valueLetters = "nuphsf",
                             .help = norvak::norvakdiffHelp,
                             .reportStream = stderr,
                             .flushEachLine = true,
                             .commandLineExitCode = norvak::diffCommandLine},
                            norvak::runDefinitionsDiff);
}
