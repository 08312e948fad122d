#!/usr/bin/env bash
# Imports the same generated models into SQLite and into the PostgreSQL test
# server (directly and through norvak_bench_delay (bench/DelayProxy.cpp), which adds a round-trip
# latency), and prints one table per database: import time, rows per second,
# peak memory, and the time of a plain ODBC insert of the same rows
# (norvak_bench_insert) with the ratio of the two.
#
#   bench/compare.sh [ELEMENTS...]          default: 4000 16000 64000
#
# BENCH_DATABASES     "sqlite postgres" (default; postgres needs NORVAK_PG_PORT)
# BENCH_LATENCY_MS    the added round trip, default 1; 0 leaves it out
# BENCH_PLAIN_LATENCY largest model whose plain insert is timed through the
#                     proxy (one round trip per row), default 4000
# NORVAK_PG_HOST, NORVAK_PG_PORT, NORVAK_PG_USER, NORVAK_PG_PASSWORD as for the tests.
# Needs a build in build/ (norvak_bench_parse, norvak_bench_insert, the programs).
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(4000 16000 64000)
databases=${BENCH_DATABASES:-sqlite postgres}
latency=${BENCH_LATENCY_MS:-1}
plainLatencyMax=${BENCH_PLAIN_LATENCY:-4000}
pgHost=${NORVAK_PG_HOST:-127.0.0.1}
pgPort=${NORVAK_PG_PORT:-}
pgUser=${NORVAK_PG_USER:-norvak}
pgPassword=${NORVAK_PG_PASSWORD:-}
# Below the ports the system hands out to outgoing connections (32768 and
# up), which the runs' own connections to the server may hold.
proxyPort=$((20000 + RANDOM % 12000))
bin=$PWD/build/bin

work=$(mktemp -d)
proxy=
cleanup() {
  [ -z "$proxy" ] || kill "$proxy" 2>/dev/null || true
  if [ -n "$pgPort" ]; then
    PGPASSWORD=$pgPassword PGOPTIONS=--client-min-messages=warning psql -X -q -h "$pgHost" -p "$pgPort" -U "$pgUser" -d postgres \
      -c "DROP DATABASE IF EXISTS norvak_bench" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
export ODBCINI=$work/odbc.ini
{
  printf '[bench_sqlite]\nDriver=SQLite3\nDatabase=%s/bench.db\n' "$work"
  # What a user writes for a server: server, port and database (and credentials).
  for name in bench_pg bench_pg_far; do
    port=$pgPort
    [ "$name" = bench_pg ] || port=$proxyPort
    printf '[%s]\nDriver=PostgreSQL ANSI\nServername=%s\nPort=%s\nDatabase=norvak_bench\nUsername=%s\nPassword=%s\n' \
      "$name" "$pgHost" "$port" "$pgUser" "$pgPassword"
  done
} > "$ODBCINI"

fresh() { # data source: an empty repository with the message set Bench
  if [ "$1" = bench_sqlite ]; then
    rm -f "$work/bench.db" "$work/bench.db-wal" "$work/bench.db-shm" "$work/bench.db.norvak-lock"
  else
    PGPASSWORD=$pgPassword PGOPTIONS=--client-min-messages=warning psql -X -q -h "$pgHost" -p "$pgPort" -U "$pgUser" -d postgres \
      -c "DROP DATABASE IF EXISTS norvak_bench" -c "CREATE DATABASE norvak_bench" >/dev/null
  fi
  "$bin/norvakinit" -n "$1" -s Bench -l C,COBOL >/dev/null
}

row() { # data source, label, elements, whether to time the plain insert
  local source=$1 label=$2 elements=$3 plain=$4
  fresh "$source"
  /usr/bin/time -f "%e %M" -o "$work/time" "$bin/norvakload" -q -f "$work/defs$elements.xml" -n "$source" \
    > "$work/load.log" 2>&1 || { tail -20 "$work/load.log"; exit 1; }
  read -r seconds kib < "$work/time"
  local rows plainSeconds=- ratio=- plainRows
  # The rows of the summary: the item tables (the tab rows left aside).
  rows=$(awk '/^(M_[A-Z]+|VALUE_MEMBER|TYPE_MEMBER|MEMBER_ATTRIBUTE) +- [0-9]+$/ { n += $NF } END { print n }' \
    "$work/load.log")
  if [ "$plain" = yes ]; then
    read -r plainRows plainSeconds < <("$bin/norvak_bench_insert" "$source" Bench)
    [ "$plainRows" -ge "$rows" ] || { echo "norvak_bench_insert wrote $plainRows rows of $rows" >&2; exit 1; }
    ratio=$(awk -v a="$seconds" -v b="$plainSeconds" 'BEGIN { printf "%.2f", a / b }')
  fi
  local perSecond
  perSecond=$(awk -v r="$rows" -v s="$seconds" 'BEGIN { printf "%d", (s > 0 ? r / s : 0) }')
  printf '| %-22s | %8s | %8s | %8s | %9s | %8s | %8s | %6s |\n' "$label" "$elements" "$rows" "$seconds" \
    "$perSecond" "$((kib / 1024))" "$plainSeconds" "$ratio"
}

header() {
  printf '\n%s\n\n' "$1"
  printf '| %-22s | %8s | %8s | %8s | %9s | %8s | %8s | %6s |\n' "import" "elements" "rows" "import s" "rows/s" \
    "peak MiB" "plain s" "ratio"
  printf '|%s|%s|%s|%s|%s|%s|%s|%s|\n' "------------------------" "---------:" "---------:" "---------:" \
    "----------:" "---------:" "---------:" "-------:"
}

for elements in "${sizes[@]}"; do
  "$bin/norvak_bench_parse" --write "$work/defs$elements.xml" "$elements" >/dev/null
done

for database in $databases; do
  case $database in
  sqlite)
    header "SQLite (embedded)"
    for elements in "${sizes[@]}"; do row bench_sqlite "SQLite" "$elements" yes; done
    ;;
  postgres)
    if [ -z "$pgPort" ]; then
      echo "PostgreSQL left out: NORVAK_PG_PORT is not set" >&2
      continue
    fi
    header "PostgreSQL (psqlODBC, $pgHost:$pgPort)"
    for elements in "${sizes[@]}"; do row bench_pg "PostgreSQL" "$elements" yes; done
    if [ "$latency" != 0 ]; then
      "$bin/norvak_bench_delay" "$proxyPort" "$pgHost" "$pgPort" "$latency" &
      proxy=$!
      sleep 0.5
      for elements in "${sizes[@]}"; do
        plain=no
        [ "$elements" -gt "$plainLatencyMax" ] || plain=yes
        row bench_pg_far "PostgreSQL + $latency ms" "$elements" "$plain"
      done
      kill "$proxy"
      proxy=
    fi
    ;;
  esac
done
printf '\nrows: item rows the import wrote (its summary); plain s: the rows of the message set inserted\n'
printf 'again by norvak_bench_insert (one prepared INSERT per table, one execution per row, the few rows\n'
printf 'of the message set itself included); ratio: import s / plain s\n'
