#!/usr/bin/env bash
# The main job on one machine: a branch (B01) uploads its new bills, the
# package travels over a local FTP server to head office (HQ), and head
# office downloads and merges it. Installs the dependencies, builds
# tavexdata, creates both databases (SQLite) with sample data, starts an FTP
# server on 127.0.0.1, runs the exchange twice (the second time the branch
# sends the same bills again, one of them corrected, and head office ends up
# with one copy of each, corrected) and prints what arrived. Everything
# lives in a fresh temporary folder; the server is stopped on exit.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh

build=build/demo
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVEX_BUILD_TESTS=OFF \
  "${launcher[@]}" >/dev/null
echo "building tavexdata in $build (compiler output in $build/build.log) ..."
if ! cmake --build "$build" -j "$(nproc)" --target tavexdata >"$build/build.log" 2>&1; then
  cat "$build/build.log" >&2
  exit 1
fi
T="$root/$build/src/cli/tavexdata"

work=$(mktemp -d "${TMPDIR:-/tmp}/tavex-demo.XXXXXX")
server=
stop_server() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
}
trap stop_server EXIT

say() { printf '\n== %s\n' "$*"; }

# The FTP server (pyftpdlib, the one the tests use) prints its port first.
mkdir -p "$work/ftp/ForUpload" "$work/ftp/ForDownload/HQ"
/usr/bin/python3 tests/support/ftp_server.py --root "$work/ftp" --user demo --password demo \
  >"$work/ftp.port" &
server=$!
for _ in $(seq 100); do
  [ -s "$work/ftp.port" ] && break
  sleep 0.1
done
port=$(head -n 1 "$work/ftp.port")
[ -n "$port" ] || { echo "the FTP server did not start" >&2; exit 1; }
say "FTP server on 127.0.0.1:$port, serving $work/ftp"

B01="sqlite:$work/B01.db"
HQ="sqlite:$work/HQ.db"
for site in B01 HQ; do
  mkdir -p "$work/$site/Octopus"
  printf '[FTP]\nPort=%s\n' "$port" >"$work/$site/Octopus/MAIN.INI"
done
say "sample databases: branch B01 with 60 bills over 3 days (some already uploaded)," \
  "head office HQ with 20 bills of its own"
"$T" sample-db --db "$B01" --branch B01 --bills 60 --days 3 >/dev/null
"$T" sample-db --db "$HQ" --branch HQ --bills 20 --days 3 >/dev/null
for db in "$B01" "$HQ"; do
  "$T" settings --db "$db" --set 1001=127.0.0.1 --set 1002=demo --set 1003=demo >/dev/null
done

# The tables a bill package fills, as the branch and head office hold them.
tables=(bi_Bill bi_BillPayment bi_BillItem bi_SubBill bi_UnCheckBill bi_UnCheckBillPayment
  bi_UnCheckBillItem bi_OctopusPayment bi_Shift bi_ShiftSum bi_ShiftLog)
report() {
  echo "(B01 also holds the bills it had uploaded before; HQ also holds bills and shifts of its own)"
  printf '%-24s %10s %10s\n' table "B01 rows" "HQ rows"
  for table in "${tables[@]}"; do
    printf '%-24s %10s %10s\n' "$table" "$(sqlite3 "$work/B01.db" "SELECT COUNT(*) FROM $table")" \
      "$(sqlite3 "$work/HQ.db" "SELECT COUNT(*) FROM $table")"
  done
  echo
  echo "a few of B01's bills at head office:"
  sqlite3 -header -column "$work/HQ.db" \
    "SELECT BillID, BillDate, TableName, Persons, SumPaid, Remark FROM bi_Bill
     WHERE BillID LIKE 'B01-%' ORDER BY BillID LIMIT 5"
}

exchange() {
  say "branch B01: tavexdata upload"
  "$T" upload --db "$B01" --home "$work/B01"
  say "server-side distribution (stands in for head office's server, which hands each branch" \
    "package to the download folder of head office): ForUpload -> ForDownload/HQ"
  for package in "$work"/ftp/ForUpload/*.pkg; do
    echo "  $(basename "$package")"
    mv "$package" "$work/ftp/ForDownload/HQ/"
  done
  say "head office HQ: tavexdata download"
  "$T" download --db "$HQ" --home "$work/HQ"
  say "what arrived at head office"
  report
}

exchange

say "B01 sends the same bills again, one of them corrected"
at_hq=(sqlite3 -cmd "ATTACH '$work/HQ.db' AS hq" "$work/B01.db")
first=$("${at_hq[@]}" "SELECT BillID FROM bi_Bill
  WHERE 'B01-' || BillID IN (SELECT BillID FROM hq.bi_Bill) ORDER BY BillID LIMIT 1")
"${at_hq[@]}" "UPDATE bi_Bill SET IsUploaded = 0 WHERE 'B01-' || BillID IN (SELECT BillID FROM hq.bi_Bill);
   UPDATE bi_Bill SET Remark = 'corrected at B01' WHERE BillID = '$first'"
exchange
echo
echo "The second package replaced the first one's rows: the counts are unchanged and"
echo "bill B01-$first carries the correction. Files are in $work"
echo "(backup copies in HQ/BckPackage, the log in HQ/Log and B01/Log)."
