#!/usr/bin/env bash
# Measures `tavexdata overview` at a head office holding a year of a chain:
# 50 branches with 274 bills each per business day over the 365 days up to
# today (5,001,000 bills) and the merge journal of that year
# (BENCH_BRANCHES and BENCH_BILLS_PER_DAY choose other sizes), on SQLite and
# then, unless BENCH_POSTGRES=0 or PostgreSQL 15 is not installed, on a
# throwaway PostgreSQL cluster. Each database is measured without an index
# on bi_Bill and then with the one the overview asks for (on BillDate).
#
# Prints the best wall-clock time of BENCH_ROUNDS runs (3; after one run
# that warms the caches) of the overview as JSON over the default 14 days,
# and of a baseline measured in the same run: the one query any overview
# must make (bills and sales per branch and day of the period) in the
# database's own shell (sqlite3, psql). The server listing is left out: the
# head office's FTP settings point at a closed port, which refuses at once.
# Needs sqlite3 and psql.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVEX_SANITIZE=OFF \
  -DTAVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target tavexdata
T="$root/$build/src/cli/tavexdata"

branches=${BENCH_BRANCHES:-50}
perday=${BENCH_BILLS_PER_DAY:-274}
rounds=${BENCH_ROUNDS:-3}
work="$(mktemp -d "${TMPDIR:-/tmp}/tavex-bench-overview.XXXXXX")"
trap 'rm -rf "$work"' EXIT
home="$work/home"
mkdir -p "$home/Octopus"
printf '[FTP]\nPort=1\n' >"$home/Octopus/MAIN.INI"

# best CMD...: the best wall-clock seconds of `rounds` runs of CMD, after one.
best() {
  "$@" >/dev/null 2>&1 || true
  local fastest=
  for _ in $(seq "$rounds"); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    fastest=$(echo "$start $end ${fastest:-}" |
      awk '{ t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3 }')
  done
  echo "$fastest"
}

# measure NAME CONN BASELINE-CMD...: the overview against the baseline.
measure() {
  local name=$1 conn=$2
  shift 2
  local overview baseline
  overview=$(best "$T" overview --db "$conn" --home "$home" --json)
  baseline=$(best "$@")
  printf '%-34s overview %6.2f s   baseline %6.2f s   ratio %5.1f\n' "$name" "$overview" \
    "$baseline" "$(echo "$overview $baseline" | awk '{ print $1 / $2 }')"
}

# fill CONN SQL-FILE SHELL...: the sample schema, head office's settings,
# the journal's table, then the chain.
fill() {
  local conn=$1 sql=$2
  shift 2
  "$T" sample-db --db "$conn" --branch HQ --bills 0 >/dev/null
  "$T" settings --db "$conn" --set 1001=127.0.0.1 --set 1002=bench --set 1003=bench >/dev/null
  "$T" overview --db "$conn" --home "$home" --days 1 >/dev/null || true
  sed -e "s/@branches/$branches/g" -e "s/@perday/$perday/g" "$sql" | "$@" >/dev/null
}

echo "== $branches branches, $perday bills per branch and day, a year: $((branches * perday * 365)) bills"
db="$work/hq.db"
query="SELECT BranchID, substr(BillDate,1,10), COUNT(*), SUM(SumOfConsume) FROM bi_Bill
  WHERE BillDate >= date('now','localtime','-13 days') GROUP BY 1, 2;"
start=$(date +%s)
fill "sqlite:$db" bench/generate_chain_sqlite.sql sqlite3 "$db"
echo "(SQLite head office filled in $(($(date +%s) - start)) s)"
measure "SQLite, no index on bi_Bill" "sqlite:$db" sqlite3 "$db" "$query"
sqlite3 "$db" "CREATE INDEX ix_bi_Bill_BillDate ON bi_Bill (BillDate); ANALYZE;"
measure "SQLite, index on BillDate" "sqlite:$db" sqlite3 "$db" "$query"
rm -f "$db"

source scripts/pg-cluster.sh
if [ "${BENCH_POSTGRES:-1}" != 0 ] && pg_installed; then
  pg="$work/pg"
  pg_start "$pg"
  trap 'pg_stop "$pg"; rm -rf "$work"' EXIT
  psql=(psql -q -h "$pg" -U postgres -v ON_ERROR_STOP=1)
  "${psql[@]}" -d postgres -c "CREATE DATABASE hq"
  conn="postgresql:///hq?host=$pg&user=postgres"
  query="SELECT BranchID, to_char(BillDate,'YYYY-MM-DD'), COUNT(*), SUM(SumOfConsume) FROM bi_Bill
    WHERE BillDate >= current_date - 13 GROUP BY 1, 2;"
  start=$(date +%s)
  fill "$conn" bench/generate_chain_postgresql.sql "${psql[@]}" -d hq
  echo "(PostgreSQL head office filled in $(($(date +%s) - start)) s)"
  measure "PostgreSQL, no index on bi_Bill" "$conn" "${psql[@]}" -d hq -c "$query"
  "${psql[@]}" -d hq -c "CREATE INDEX ix_bi_Bill_BillDate ON bi_Bill (BillDate); ANALYZE bi_Bill;"
  measure "PostgreSQL, index on BillDate" "$conn" "${psql[@]}" -d hq -c "$query"
fi
