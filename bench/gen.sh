#!/usr/bin/env bash
# Times norvakgen of every target it makes for every message of a generated
# model stored in a fresh embedded repository, beside the export of the same
# set, with the peak memory of each run:
#   bench/gen.sh [elements]   (default 64000; needs a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
elements=${1:-64000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[bench]\nDriver=SQLite3\nDatabase=%s/bench.db\n' "$work" > "$work/odbc.ini"
export ODBCINI="$work/odbc.ini"
build/bin/norvak_bench_parse --write "$work/defs.xml" "$elements"
build/bin/norvakinit -n bench -s Bench -l C,COBOL > /dev/null
build/bin/norvakload -f "$work/defs.xml" -n bench -q > /dev/null

measure() { # label, command...: the run's time and peak memory; its exit code is not judged
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" > "$work/out" 2>&1 || true
  read -r seconds kib < <(tail -1 "$work/time")
  printf '| %-22s | %9s | %9s |\n' "$label" "$seconds" "$((kib / 1024))"
}
printf '| %-22s | %9s | %9s |\n' "run ($elements elements)" "s" "peak MiB"
printf '|------------------------|----------:|----------:|\n'
measure "export" build/bin/norvakexport -n bench -s Bench -o "$work/export.xml"
for target in layout copybook c json-schema xsd; do
  # The targets this build makes: a target it does not know is a command-line mistake (2).
  status=0
  build/bin/norvakgen -f "$work/defs.xml" -m BenchMessage --target "$target" -o "$work/probe" > /dev/null 2>&1 ||
    status=$?
  [ "$status" = 2 ] && continue
  measure "norvakgen $target" build/bin/norvakgen -n bench -s Bench --target "$target" -o "$work/$target.out"
done
