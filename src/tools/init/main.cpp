// norvakinit: creates the repository and message sets.
#include "tools/common/ToolMain.h"
#include "tools/init/RepositorySetup.h"

#include <cstdio>

int main(int argc, char** argv) {
    return norvak::toolMain(argc, argv,
                            {.program = "norvakinit",
                             .valueLetters = "nuphsl",
                             .help = norvak::norvakinitHelp,
                             .reportStream = stdout,
                             .flushEachLine = true,
                             .commandLineExitCode = norvak::setupRefused},
                            norvak::runRepositorySetup);
}
