#include "import/driver/ImportDriver.h"
#include "support/Output.h"
#include "support/ProgramInfo.h"
#include "import/driver/CommandLine.h"

#include <cstdio>

int main(int argc, char** argv) {
    {
        norvak::Output info(stdout);
        if (norvak::answerInfoRequest(info, argc, argv, "norvakload", "nupsf", norvak::norvakloadHelp))
            return norvak::finishReport(info, "norvakload", 0);
    }
    norvak::Output out(stdout);
    int exitCode = norvak::runImport(out, argc, argv);
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakload", exitCode);
}
