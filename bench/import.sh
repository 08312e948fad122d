#!/usr/bin/env bash
# Times a whole import of a generated message model into a fresh embedded
# repository, then its export (which is expected to take less time than the
# import and to stay under 256 MiB) and its canonical rows, with the peak
# memory of each: bench/import.sh [elements]   (default 64000; needs a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
elements=${1:-64000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[bench]\nDriver=SQLite3\nDatabase=%s/bench.db\n' "$work" > "$work/odbc.ini"
export ODBCINI="$work/odbc.ini"
build/bin/norvak_bench_parse --write "$work/defs.xml" "$elements"
build/bin/norvakinit -n bench -s Bench -l C,COBOL > /dev/null

measure() { # label, output file, command...
  local label=$1 output=$2
  shift 2
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" > "$output" 2>&1 || { tail -20 "$output"; exit 1; }
  read -r seconds kib < "$work/time"
  echo "$label: $seconds s, peak $((kib / 1024)) MiB"
}
measure "import of $elements elements" "$work/load.log" build/bin/norvakload -f "$work/defs.xml" -n bench
tail -16 "$work/load.log"
measure "export" "$work/export.log" build/bin/norvakexport -n bench -s Bench -o "$work/export.xml"
tail -1 "$work/export.log"
measure "canonical rows" "$work/rows.log" build/bin/norvakexport -n bench -s Bench --canonical -o "$work/rows.txt"
echo "export file $(wc -c < "$work/export.xml") bytes, $(wc -l < "$work/rows.txt") rows"
