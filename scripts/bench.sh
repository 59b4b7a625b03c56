#!/usr/bin/env bash
# Builds a Release binary and measures the package engine against the sqlite3
# and zstd command-line tools on the same data: export + compression and
# unpack + import, with 100,000 bills and then 1,000,000 bills (the second
# size shows that memory stays flat). Set BENCH_SIZES to choose other sizes,
# e.g. BENCH_SIZES=100000 scripts/bench.sh, and BENCH_ROUNDS for the number
# of rounds whose best times count (default 3). Needs sqlite3 and zstd on PATH.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVEX_SANITIZE=OFF \
  -DTAVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target engine_bench

work="$(mktemp -d "${TMPDIR:-/tmp}/tavex-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
status=0
for bills in ${BENCH_SIZES:-100000 1000000}; do
  echo "== $bills bills"
  "$build/bench/engine_bench" "$bills" "$work/$bills" schema/sqlite.sql bench/generate_bills.sql \
    "${BENCH_ROUNDS:-3}" ||
    status=1
  rm -rf "${work:?}/$bills"
done
exit $status
