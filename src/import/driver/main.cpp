#include "import/driver/ImportDriver.h"
#include "support/Output.h"

#include <cstdio>

int main(int argc, char** argv) {
    norvak::Output out(stdout);
    return norvak::runImport(out, argc, argv);
}
