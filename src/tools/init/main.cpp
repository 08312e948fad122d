#include "support/Output.h"
#include "tools/init/RepositorySetup.h"

#include <cstdio>

int main(int argc, char** argv) {
    norvak::Output out(stdout);
    return norvak::runRepositorySetup(out, argc, argv);
}
