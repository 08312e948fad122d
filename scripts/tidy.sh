#!/usr/bin/env bash
# Runs the static checks of .clang-tidy (bug-prone patterns and the clang
# static analyser) over the sources of src/; any finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tidy -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DNORVAK_TESTS=OFF >/dev/null
run-clang-tidy -p build-tidy -j "$(nproc)" -quiet "$PWD/src/.*" >build-tidy/findings.txt 2>&1 || {
  grep -E "(warning|error):" build-tidy/findings.txt || cat build-tidy/findings.txt
  echo "tidy.sh: static checks found problems" >&2
  exit 1
}
echo "static checks: no findings"
