// norvakshow: lists the message sets of a repository.
#include "tools/common/ToolMain.h"
#include "tools/show/MessageSetListing.h"

#include <cstdio>

int main(int argc, char** argv) {
    return norvak::toolMain(argc, argv,
                            {.program = "norvakshow",
                             .valueLetters = "nuphs",
                             .help = norvak::norvakshowHelp,
                             .reportStream = stdout,
                             .flushEachLine = false,
                             .commandLineExitCode = norvak::listingDatabaseError},
                            norvak::runMessageSetListing);
}
