#!/usr/bin/env bash
# Runs the whole test suite: installs what is missing, builds the toolset and
# its tests, runs them, then runs them again on a build with AddressSanitizer
# and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# Warnings are errors here (not in a plain build).
export NORVAK_WERROR=ON
bash scripts/build.sh
# The static checks of what changed in the four hours before the commit
# tested, the span of one stop's work (everything when history does not go
# back so far).
head_time=$(git log -1 --format=%ct HEAD 2>/dev/null || echo 0)
NORVAK_TIDY_BASE=$(git rev-list -1 --before=$((head_time - 14400)) HEAD 2>/dev/null || true)
NORVAK_TIDY_BASE=${NORVAK_TIDY_BASE:-all} bash scripts/tidy.sh

# The PostgreSQL tests run against a private cluster, stopped again whatever
# the outcome; the script ends with the status of the tests.
export NORVAK_PG_HOST=127.0.0.1
export NORVAK_PG_PORT=${NORVAK_PG_PORT:-54329}
export NORVAK_PG_USER=norvak
# A password unlike any other text of the output, so tests can tell that it is never shown.
export NORVAK_PG_PASSWORD=Secret-4-tests
export NORVAK_REQUIRE_POSTGRES=1
trap 'bash scripts/postgres.sh stop' EXIT
bash scripts/postgres.sh start

(cd build && ctest --output-on-failure -j2)
# The import benchmark on a small model, on both databases, through the
# latency proxy too: that it runs, not how fast.
BENCH_PLAIN_LATENCY=0 bash bench/compare.sh 200
# The codec benchmark on a 4 MB file beside the COBOL program: that it runs.
bash bench/codec.sh 4
# The package as a distribution builds it: a Release build of the programs
# alone, with the compiler's optimisations and no -Werror.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DNORVAK_TESTS=OFF -DNORVAK_WERROR=OFF >/dev/null
cmake --build build-release -j"$(nproc)" >/dev/null
bash scripts/package.sh build-release

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DNORVAK_SANITIZE=ON -DNORVAK_WERROR=ON >/dev/null
cmake --build build-sanitize -j"$(nproc)"
# A table that cannot be allocated is an outcome the programs report.
export UBSAN_OPTIONS=print_stacktrace=1
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
(cd build-sanitize && ctest --output-on-failure -j2 -L unit)
# The ODBC drivers that the programs load keep allocations of their own past
# their unloading; leaks are checked by the unit tests, which load no driver.
# The runs that mostly wait for one another (the concurrency tests), those
# whose time goes to outside programs judging generated output (compilers,
# schema validators), and the largest generated models and edits run in the
# plain build only: the same routines run under the sanitizers in the other
# tests.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=0
(cd build-sanitize && ctest --output-on-failure -j2 -L e2e \
  -E '^(ConcurrentRuns|SqliteStringLock|ApplyBesideOtherRuns|EveryDefinitionsFile|SampleDocuments|SampleDocumentsOfFiles|CodecJsonOfTheSchema)\.|AGeneratedModelWithEveryAttributeComesBackAsTheSameRows|AGeneratedFileAndRandomEditsOfItApplyBothWaysExactly|AnEditedFileLoadsIntoAnEmptySetAndDiffersInEveryKindOfChange')
# Each fuzz target for half a minute.
FUZZ_SECONDS=${FUZZ_SECONDS:-30} bash scripts/fuzz.sh
