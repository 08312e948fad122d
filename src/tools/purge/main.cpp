#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "tools/purge/MessageSetRemoval.h"

#include <cstdio>

int main(int argc, char** argv) {
    {
        norvak::Output info(stdout);
        if (norvak::answerInfoRequest(info, argc, argv, "norvakpurge", "snuph", norvak::norvakpurgeHelp))
            return norvak::finishReport(info, "norvakpurge", 0);
    }
    norvak::Output out(stdout, /*flushEachCall*/ false);
    int exitCode = norvak::runToEnd(out, [&] { return norvak::runMessageSetRemoval(out, argc, argv); });
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakpurge", exitCode);
}
