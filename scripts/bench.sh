#!/usr/bin/env bash
# Builds a Release binary and measures the package engine against the sqlite3
# and zstd command-line tools on the same data: export + compression and
# unpack + import, with 100,000 bills and then 1,000,000 bills (the second
# size shows that memory stays flat). Set BENCH_SIZES to choose other sizes,
# e.g. BENCH_SIZES=100000 scripts/bench.sh, and BENCH_ROUNDS for the number
# of rounds whose best times count (default 3). Needs sqlite3 and zstd on PATH.
# Then the same with head office on PostgreSQL (import, and export from it)
# against psql, sqlite3 and zstd; needs PostgreSQL 15 and psql. And what the
# checks of a received package cost a download's merge, and what signing and
# checking signatures add to the export and the download.
# Head office's night (a thousand branch packages merged by one `tavexdata
# download` against an administrator's script) is a case of its own:
# scripts/bench-night.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVEX_SANITIZE=OFF \
  -DTAVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target engine_bench pg_engine_bench check_bench

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

# What the checks of a received package cost a download: the same packages
# merged with and without them (BENCH_CHECKS=0 leaves this out).
if [ "${BENCH_CHECKS:-1}" != 0 ]; then
  echo "== the checks of a received package"
  "$build/bench/check_bench" "$work/checks" schema/sqlite.sql bench/generate_bills.sql \
    "${BENCH_CHECK_ROUNDS:-7}" || status=1
  rm -rf "${work:?}/checks"
fi

# PostgreSQL head office: a throwaway cluster of its own (as user postgres when
# run as root), listening only on a unix socket in the work folder. Set
# BENCH_POSTGRES=0 to leave it out; skipped when the server is not installed.
source scripts/pg-cluster.sh
if [ "${BENCH_POSTGRES:-1}" != 0 ] && pg_installed; then
  pg="$work/pg"
  pg_start "$pg"
  trap 'pg_stop "$pg"; rm -rf "$work"' EXIT
  for bills in ${BENCH_SIZES:-100000 1000000}; do
    echo "== $bills bills, PostgreSQL head office"
    mkdir -p "$work/pg-$bills"
    "$build/bench/pg_engine_bench" "$bills" "$work/pg-$bills" schema/sqlite.sql \
      schema/postgresql.sql bench/generate_bills.sql "$pg" "${BENCH_ROUNDS:-3}" || status=1
    rm -rf "${work:?}/pg-$bills"
  done
fi
exit $status
