#include "support/Output.h"
#include "tools/show/MessageSetListing.h"

#include <cstdio>

int main(int argc, char** argv) {
    norvak::Output out(stdout, /*flushEachCall*/ false);
    int exitCode = norvak::runMessageSetListing(out, argc, argv);
    out.flush();
    return exitCode;
}
