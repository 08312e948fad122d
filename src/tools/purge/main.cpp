// norvakpurge: removes a message set.
#include "tools/common/ToolMain.h"
#include "tools/purge/MessageSetRemoval.h"

#include <cstdio>

int main(int argc, char** argv) {
    return norvak::toolMain(argc, argv,
                            {.program = "norvakpurge",
                             .valueLetters = "snuph",
                             .help = norvak::norvakpurgeHelp,
                             .reportStream = stdout,
                             .flushEachLine = false,
                             .commandLineExitCode = norvak::removalNotRemoved},
                            norvak::runMessageSetRemoval);
}
