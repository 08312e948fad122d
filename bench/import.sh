#!/usr/bin/env bash
# Times a whole import of a generated message model into a fresh embedded
# repository: bench/import.sh [elements]   (default 64000; needs a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
elements=${1:-64000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[bench]\nDriver=SQLite3\nDatabase=%s/bench.db\n' "$work" > "$work/odbc.ini"
export ODBCINI="$work/odbc.ini"
build/bin/norvak_bench_parse --write "$work/defs.xml" "$elements"
build/bin/norvakinit -n bench -s Bench -l C,COBOL > /dev/null
start=$(date +%s.%N)
build/bin/norvakload -f "$work/defs.xml" -n bench > "$work/load.log" || { tail -20 "$work/load.log"; exit 1; }
end=$(date +%s.%N)
tail -16 "$work/load.log"
echo "elements $elements  import $(echo "$end - $start" | bc) s"
