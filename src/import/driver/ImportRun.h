#pragma once

#include "import/model/DefinitionModel.h"
#include "import/model/RepositoryState.h"
#include "import/model/RunOptions.h"
#include "support/Diagnostics.h"

namespace norvak {

// Everything one import run holds, in its four parts. Only the driver holds a
// run whole: it hands each routine of the layers below the parts that routine
// takes, named by the accessors, and the layers below name the parts only.
// Each run (and each test) starts from a fresh one.
struct ImportRun : Diagnostics, RunOptions, DefinitionModel, RepositoryState {
    explicit ImportRun(Output& output) : Diagnostics(output) {}
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;

    Diagnostics& diagnostics() { return *this; }
    RunOptions& options() { return *this; }
    DefinitionModel& model() { return *this; }
    RepositoryState& state() { return *this; }
};

} // namespace norvak
