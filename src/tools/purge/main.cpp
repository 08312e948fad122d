#include "support/Output.h"
#include "tools/purge/MessageSetRemoval.h"

#include <cstdio>

int main(int argc, char** argv) {
    norvak::Output out(stdout, /*flushEachCall*/ false);
    int exitCode = norvak::runMessageSetRemoval(out, argc, argv);
    out.flush();
    return exitCode;
}
