#!/usr/bin/env bash
# The main job on one machine: two branches (B01, B02) and head office (HQ)
# exchange data over a local FTP server, as their nightly timers would.
# Installs the dependencies, builds tavexdata, creates the three databases
# (SQLite) with sample data and starts an FTP server on 127.0.0.1. Then the
# branches upload their new bills and synchronise their members, head
# office's relay moves every package to the sites that need it, and every
# site merges what waits for it: both branches' bills reach head office, the
# members of each site reach the others. A member changed at B01 then
# travels to B02 and head office the same way, and each site's status ends
# the run. Everything lives in a fresh temporary folder; the server is
# stopped on exit.
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
mkdir -p "$work/ftp/ForUpload"
for site in HQ B01 B02; do mkdir -p "$work/ftp/ForDownload/$site"; done
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

db() { echo "sqlite:$work/$1.db"; }
run() {
  local site=$1 command=$2
  say "$site: tavexdata $command"
  # An upload with nothing new, a status that needs attention: exit 1 is an
  # answer here, not a failure of the demo.
  "$T" "$command" --db "$(db "$site")" --home "$work/$site" || echo "(exit $?)"
}

say "sample databases: branches B01 (60 bills) and B02 (40 bills), each with sample" \
  "members not yet synchronised, and head office HQ"
seed=1
for site in HQ B01 B02; do
  mkdir -p "$work/$site/Octopus"
  printf '[FTP]\nPort=%s\n' "$port" >"$work/$site/Octopus/MAIN.INI"
  case $site in
    HQ) sample=(--bills 0 --no-octopus) ;;
    B01) sample=(--bills 60) ;;
    B02) sample=(--bills 40) ;;
  esac
  "$T" sample-db --db "$(db $site)" --branch "$site" "${sample[@]}" --days 3 --seed $((seed++)) \
    >/dev/null
  "$T" settings --db "$(db $site)" --set 1001=127.0.0.1 --set 1002=demo --set 1003=demo >/dev/null
done
# Each site's sample members get identifiers of their own.
for site in B01 B02; do
  sqlite3 "$work/$site.db" "
    UPDATE mb_Member SET MemberID = '$site-' || MemberID;
    UPDATE mb_MemberCard SET MemberID = '$site-' || MemberID, MemberCardID = '$site-' || MemberCardID;
    UPDATE mb_Summary SET MemberID = '$site-' || MemberID, MemberCardID = '$site-' || MemberCardID,
      SummaryID = '$site-' || SummaryID;
    UPDATE mb_GiftSend SET MemberID = '$site-' || MemberID, MemberCardID = '$site-' || MemberCardID,
      GiftSendID = '$site-' || GiftSendID;
    UPDATE mb_Consume SET MemberID = '$site-' || MemberID, MemberCardID = '$site-' || MemberCardID,
      ConsumeID = '$site-' || ConsumeID;"
done
sqlite3 "$work/HQ.db" "DELETE FROM mb_Member; DELETE FROM mb_MemberCard; DELETE FROM mb_Summary;
  DELETE FROM mb_GiftSend; DELETE FROM mb_Consume;"

members() { sqlite3 "$work/$1.db" "SELECT COUNT(*) FROM mb_Member"; }
bills_at_hq() {
  sqlite3 "$work/HQ.db" "SELECT substr(BillID, 1, 3) AS site, COUNT(*) FROM bi_Bill
    WHERE BillID LIKE 'B0%-%' GROUP BY site ORDER BY site" | tr '|' ' '
}

say "the nightly run of the branches"
run B01 upload
run B02 upload
run B01 members
run B02 members
run HQ relay
run HQ download
run B01 members
run B02 members

say "what arrived"
echo "bills of each branch at head office:"
bills_at_hq
printf 'members: B01 %s, B02 %s, HQ %s\n' "$(members B01)" "$(members B02)" "$(members HQ)"

say "a member changes at B01"
member=$(sqlite3 "$work/B01.db" "SELECT MemberID FROM mb_Member WHERE MemberID LIKE 'B01-%'
  ORDER BY MemberID LIMIT 1")
sqlite3 "$work/B01.db" "UPDATE mb_Member SET MobileNumber = '91234567', IsUploaded = 0
  WHERE MemberID = '$member'"
run B01 members
run HQ relay
run B02 members
run HQ download
for site in B01 B02 HQ; do
  printf '%s: %s\n' "$site" "$(sqlite3 "$work/$site.db" \
    "SELECT MemberID || ' ' || MobileNumber FROM mb_Member WHERE MemberID = '$member'")"
done

say "each site's status"
for site in B01 B02 HQ; do run "$site" status; done
echo
echo "Files are in $work (each site's folder holds its backup copies in BckPackage"
echo "and its synchronisation log in Log)."
