#!/usr/bin/env bash
# Runs the static checks of .clang-tidy (bug-prone patterns, the clang static
# analyser, the size and complexity of routines) over the sources of src/;
# any finding fails the run.
#
# With NORVAK_TIDY_BASE set to a commit, only the sources changed since it
# are checked, with every source that includes a changed header directly; "all" (the
# default) checks every source. The test script checks what changed in the
# half day before the commit it tests.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tidy -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DNORVAK_TESTS=OFF >/dev/null

base=${NORVAK_TIDY_BASE:-all}
if [ "$base" = all ]; then
  pattern="$PWD/src/.*"
else
  changed=$(git diff --name-only "$base" -- src .clang-tidy)
  if grep -qx .clang-tidy <<<"$changed"; then
    pattern="$PWD/src/.*" # other checks: every source
  else
    sources=$(grep -E '\.cpp$' <<<"$changed" || true)
    for header in $(grep -E '\.h$' <<<"$changed" || true); do
      sources+=$'\n'$(grep -rlF "#include \"${header#src/}\"" src --include=*.cpp || true)
    done
    sources=$(sort -u <<<"$sources" | grep -E '\.cpp$' | while read -r f; do [ -f "$f" ] && echo "$f"; done || true)
    if [ -z "$sources" ]; then
      echo "static checks: no source changed since $base"
      exit 0
    fi
    echo "static checks: $(wc -l <<<"$sources") sources changed since $base"
    pattern="$PWD/($(paste -sd'|' <<<"$sources"))\$"
  fi
fi
run-clang-tidy -p build-tidy -j "$(nproc)" -quiet "$pattern" >build-tidy/findings.txt 2>&1 || {
  grep -E "(warning|error):" build-tidy/findings.txt || cat build-tidy/findings.txt
  echo "tidy.sh: static checks found problems" >&2
  exit 1
}
echo "static checks: no findings"
