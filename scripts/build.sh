#!/usr/bin/env bash
# Configures and builds the toolset into build/ (programs in build/bin/).
# NORVAK_WERROR=ON (as the test script sets it) makes warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVAK_WERROR="${NORVAK_WERROR:-OFF}" >/dev/null
cmake --build build -j"$(nproc)"
