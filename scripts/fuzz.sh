#!/usr/bin/env bash
# Builds the libFuzzer targets of the definitions reader and of the record
# decode (tests/fuzz) into build-fuzz/ and runs each: first on every kept
# regression input, then for FUZZ_SECONDS seconds (default 60) from its seed
# corpus (the definitions reader: tests/fuzz/corpus, the examples and the
# regressions; the record decode: tests/fuzz/records and its regressions;
# copied into a temporary folder so that the tracked files never change).
# Ends non-zero on a finding (a crash, a sanitizer report, a timeout, running
# out of memory); the input that found it is written to build-fuzz/findings/.
# FUZZ_FORKS=N runs N fuzzing processes.
# Installs clang and the libFuzzer runtime when they are missing (as root).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake clang libclang-rt-dev unixodbc-dev uuid-dev)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Warnings are errors when NORVAK_WERROR=ON (as scripts/test.sh sets it), as
# in the other builds: the clang build is warning-free too.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DNORVAK_FUZZ=ON -DNORVAK_TESTS=OFF \
  -DNORVAK_WERROR="${NORVAK_WERROR:-OFF}" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target norvak_definitions_fuzzer norvak_record_fuzzer

# These replace whatever the calling environment set (scripts/test.sh turns
# leak detection off for its own runs). An allocation above 1 GiB fails, so
# that a huge table capacity in a definitions file (MaxElement="900000000")
# is reported by the reader as storage it cannot have, as on a smaller
# machine, instead of counting as the fuzzer running out of memory.
export ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=1024:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

findings=build-fuzz/findings
mkdir -p "$findings"
common=(-timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/")
shopt -s nullglob
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# fuzz NAME REGRESSIONS_DIR SEEDS... -- OPTIONS...: replays the regressions,
# then fuzzes from the seeds and the regressions for FUZZ_SECONDS.
fuzz() {
  local name=$1 kept=$2
  shift 2
  local seeds=()
  while [ "$1" != "--" ]; do seeds+=("$1"); shift; done
  shift
  local fuzzer=build-fuzz/bin/norvak_${name}_fuzzer
  local regressions=("$kept"/*)
  if [ ${#regressions[@]} -gt 0 ]; then
    echo "Replaying ${#regressions[@]} regression inputs of the $name fuzzer"
    if ! "$fuzzer" "${common[@]}" "${regressions[@]}" >"$findings/$name-regressions.log" 2>&1; then
      cat "$findings/$name-regressions.log"
      echo "A regression input of $kept fails again" >&2
      exit 1
    fi
  fi
  mkdir -p "$work/$name"
  if [ $((${#seeds[@]} + ${#regressions[@]})) -gt 0 ]; then
    cp "${seeds[@]}" "${regressions[@]}" "$work/$name/"
  fi
  local options=("${common[@]}" -max_total_time="${FUZZ_SECONDS:-60}" -print_final_stats=1 "$@")
  if [ "${FUZZ_FORKS:-1}" -gt 1 ]; then
    options+=(-fork="$FUZZ_FORKS" -ignore_crashes=0 -ignore_timeouts=0 -ignore_ooms=0)
  fi
  if ! "$fuzzer" "${options[@]}" "$work/$name"; then
    echo "The $name fuzzer found a fault; the input is in $findings/" >&2
    exit 1
  fi
}

fuzz definitions tests/fuzz/regressions tests/fuzz/corpus/* examples/*.xml -- -max_len=8192 \
  -dict=tests/fuzz/definitions.dict
fuzz record tests/fuzz/record-regressions tests/fuzz/records/* -- -max_len=4096
