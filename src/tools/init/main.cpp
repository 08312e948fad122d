#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "tools/init/RepositorySetup.h"

#include <cstdio>

int main(int argc, char** argv) {
    {
        norvak::Output info(stdout);
        if (norvak::answerInfoRequest(info, argc, argv, "norvakinit", "nuphsl", norvak::norvakinitHelp))
            return norvak::finishReport(info, "norvakinit", 0);
    }
    norvak::Output out(stdout);
    int exitCode = norvak::runToEnd(out, [&] { return norvak::runRepositorySetup(out, argc, argv); });
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakinit", exitCode);
}
