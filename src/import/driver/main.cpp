#include "import/driver/ImportDriver.h"
#include "support/Output.h"

#include <cstdio>

int main(int argc, char** argv) {
    norvak::Output out(stdout);
    int exitCode = norvak::runImport(out, argc, argv);
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakload", exitCode);
}
