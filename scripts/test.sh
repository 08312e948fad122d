#!/usr/bin/env bash
# Runs the whole test suite: installs what is missing, builds the toolset and
# its tests, runs them, then runs them again on a build with AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bash scripts/build.sh
(cd build && ctest --output-on-failure -j2)

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DNORVAK_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$(nproc)"
# A table that cannot be allocated is an outcome the programs report.
export ASAN_OPTIONS=allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1
(cd build-sanitize && ctest --output-on-failure -j2)
