#!/usr/bin/env bash
# Times norvakdiff and norvakapply of a generated model against its stored
# set, with 1 % of its elements changed (their length), beside the import of
# the model, with the peak memory of each run, for each size given:
#   bench/apply.sh [elements...]   (default 4000 16000 64000; needs a build in build/)
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(4000 16000 64000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ODBCINI="$work/odbc.ini"

measure() { # output file, command...: prints "seconds MiB"
  local output=$1
  shift
  local status=0
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" > "$output" 2>&1 || status=$?
  read -r seconds kib < <(tail -1 "$work/time") # after "Command exited with non-zero status N"
  echo "$seconds $((kib / 1024)) $status"
}

printf '| %8s | %9s | %9s | %9s | %9s | %9s | %9s | %9s |\n' elements "import s" "import MiB" "diff s" "diff MiB" \
  "apply s" "apply MiB" "apply/import"
printf '|---------:|----------:|----------:|----------:|----------:|----------:|----------:|----------:|\n'
for elements in "${sizes[@]}"; do
  rm -f "$work"/bench.db*
  printf '[bench]\nDriver=SQLite3\nDatabase=%s/bench.db\n' "$work" > "$work/odbc.ini"
  build/bin/norvak_bench_parse --write "$work/defs.xml" "$elements"
  # One element in a hundred gets another length.
  sed -E 's/(ident="Field[0-9]*00" name="[^"]*" type="string") length="12"/\1 length="14"/' \
    "$work/defs.xml" > "$work/changed.xml"
  build/bin/norvakinit -n bench -s Bench -l C,COBOL > /dev/null
  read -r import_s import_m _ < <(measure "$work/load.log" build/bin/norvakload -f "$work/defs.xml" -n bench)
  read -r diff_s diff_m diff_rc < <(measure "$work/diff.log" build/bin/norvakdiff -n bench -s Bench -f "$work/changed.xml")
  read -r apply_s apply_m apply_rc < <(measure "$work/apply.log" build/bin/norvakapply -n bench -s Bench \
    -f "$work/changed.xml" --allow-breaking -q)
  if [ "$apply_rc" != 0 ]; then tail -5 "$work/apply.log"; exit 1; fi
  printf '| %8s | %9s | %9s | %9s | %9s | %9s | %9s | %9.2f |\n' "$elements" "$import_s" "$import_m" "$diff_s" \
    "$diff_m" "$apply_s" "$apply_m" "$(echo "$apply_s / $import_s" | bc -l)"
  tail -1 "$work/apply.log" >&2
done
