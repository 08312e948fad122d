#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "tools/show/MessageSetListing.h"

#include <cstdio>

int main(int argc, char** argv) {
    {
        norvak::Output info(stdout);
        if (norvak::answerInfoRequest(info, argc, argv, "norvakshow", "nuphs", norvak::norvakshowHelp))
            return norvak::finishReport(info, "norvakshow", 0);
    }
    norvak::Output out(stdout, /*flushEachCall*/ false);
    int exitCode = norvak::runToEnd(out, [&] { return norvak::runMessageSetListing(out, argc, argv); });
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakshow", exitCode);
}
