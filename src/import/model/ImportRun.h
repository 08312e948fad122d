#pragma once

#include "import/model/DefinitionModel.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "support/Diagnostics.h"

namespace norvak {

// Everything one import run holds, in its four parts; a routine that needs
// only some of them can take just those. Each run (and each test) starts
// from a fresh one.
struct ImportRun : Diagnostics, RunOptions, DefinitionModel, RepositoryState {
    explicit ImportRun(Output& output) : Diagnostics(output) {}
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;
};

} // namespace norvak
