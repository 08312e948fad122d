#include "support/Output.h"
#include "tools/show/MessageSetListing.h"

#include <cstdio>

int main(int argc, char** argv) {
    norvak::Output out(stdout, /*flushEachCall*/ false);
    int exitCode = norvak::runToEnd(out, [&] { return norvak::runMessageSetListing(out, argc, argv); });
    return norvak::finishReport(out, argc > 0 ? argv[0] : "norvakshow", exitCode);
}
