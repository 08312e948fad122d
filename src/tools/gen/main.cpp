// norvakgen: the record layout of the messages of a message set or definitions file.
#include "tools/common/ToolMain.h"
#include "tools/gen/GenCommand.h"

#include <cstdio>

// What is generated goes to standard output, everything about the run to standard error.
int main(int argc, char** argv) {
    return norvak::toolMain(argc, argv,
                            {.program = "norvakgen",
                             .valueLetters = "nuphsfmo",
                             .help = norvak::norvakgenHelp,
                             .reportStream = stderr,
                             .flushEachLine = true,
                             .commandLineExitCode = norvak::genCommandLine},
                            norvak::runGenerate);
}
