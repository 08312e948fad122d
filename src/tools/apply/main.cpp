// norvakapply: makes a stored message set match a definitions file.
#include "tools/apply/DefinitionsApply.h"
#include "tools/common/ToolMain.h"

#include <cstdio>

// The plan goes to standard output, everything about the run to standard error.
int main(int argc, char** argv) {
    return norvak::toolMain(argc, argv,
                            {.program = "norvakapply",
                             .valueLetters = "nuphsf",
                             .help = norvak::norvakapplyHelp,
                             .reportStream = stderr,
                             .flushEachLine = true,
                             .commandLineExitCode = norvak::applyCommandLine},
                            norvak::runDefinitionsApply);
}
