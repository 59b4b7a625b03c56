#!/usr/bin/env bash
# One member cycle of a chain at scale, measured at head office: each of
# BENCH_MEMBERS_BRANCHES branches (1000 by default) has sent one member
# package to a local FTP server, and head office's relay (`tavexdata relay`)
# followed by head office's download (`tavexdata download`) take the cycle:
#
# - the packages are made once per run by the product's own member run: one
#   SQLite branch database per branch B0001... (a copy of one `tavexdata
#   sample-db` database with the branch's identifier), one member of it
#   changed, `tavexdata members` to the FTP server; kept in a store folder
#   and copied into ForUpload before every cycle;
# - the new way: the relay gathers the cycle's member packages into one
#   member bundle for every site; the old way ([Members] Bundle=0 in
#   RELAY.INI): each member package to every other site, one copy per pair;
# - every cycle starts from the same head office (a copy of its file) and an
#   empty ForDownload with one folder per branch.
#
# Prints per cycle the relay's and the download's wall-clock seconds, their
# sum (target for the new way at 1000 branches: 120 s), the package copies
# in one branch's folder and in all of them, and the seconds one branch
# (B0001) then takes to merge what waits for it (`tavexdata members`). The
# old way runs at the sizes of BENCH_MEMBERS_OLD (default "100"), each next
# to the new way at the same size, then the new way at the full size. Checks
# that head office ends with every change, the latest of each member (exit 1
# otherwise, or when a run fails).
#
# Needs sqlite3, bc and /usr/bin/python3 with pyftpdlib. BENCH_MEMBERS_KEEP=1
# keeps the work folder; BENCH_MEMBERS_STORE=DIR keeps the packages in DIR and
# takes them from there in later runs of the same size.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

branches=${BENCH_MEMBERS_BRANCHES:-1000}
old_sizes=${BENCH_MEMBERS_OLD:-100}

source scripts/bench-ftp.sh
bench_build

work="$(mktemp -d "${TMPDIR:-/tmp}/tavex-bench-members.XXXXXX")"
cleanup() {
  ftp_stop
  if [ -n "${BENCH_MEMBERS_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config"

fail() {
  echo "bench-members: $*" >&2
  exit 1
}
now() { date +%s.%N; }
seconds() { printf '%.1f' "$(echo "$2 - $1" | bc)"; }
branch_name() { printf 'B%04d' "$1"; }

ftp_start members members

# Site $2's database $1, pointed at the server.
set_site() {
  "$T" settings --db "sqlite:$1" --set 801="$2" --set 1001=127.0.0.1 --set 1002="$user" \
    --set 1003="$password" >/dev/null
}
# Empty exchange folders, one download folder per branch up to $1.
fresh_folders() {
  local i
  rm -rf "$work/ftp/ForUpload" "$work/ftp/ForDownload"
  mkdir -p "$work/ftp/ForUpload" "$work/ftp/ForDownload/HQ"
  for ((i = 1; i <= $1; i++)); do mkdir "$work/ftp/ForDownload/$(branch_name "$i")"; done
}

# The sample every site starts from: no member row waiting to be sent.
"$T" sample-db --db "sqlite:$work/template.db" --branch B0000 --bills 0 --days 1 >/dev/null
sqlite3 "$work/template.db" "UPDATE mb_Member SET IsUploaded=1; UPDATE mb_MemberCard SET
  IsUploaded=1; UPDATE mb_Consume SET IsUploaded=1; UPDATE mb_Summary SET IsUploaded=1;
  UPDATE mb_GiftSend SET IsUploaded=1;"
mapfile -t members < <(sqlite3 "$work/template.db" "SELECT MemberID FROM mb_Member ORDER BY 1")
[ "${#members[@]}" -gt 0 ] || fail "the sample has no members"
cp "$work/template.db" "$work/hq-template.db"
set_site "$work/hq-template.db" HQ

# Branch i changes member i mod (number of members): several branches change
# the same member, and the one taken last (the highest number) wins.
member_of() { echo "${members[$(($1 % ${#members[@]}))]}"; }

# ---- 1. the packages, made by the branches' own member run ------------------

# Branches first, first+2, ... up to $branches; two such workers side by side.
make_branches() {
  local first=$1 home="$work/gen/home-$1" i branch db
  make_home "$home"
  for ((i = first; i <= branches; i += 2)); do
    branch=$(branch_name "$i")
    db="$work/gen/$branch.db"
    cp "$work/template.db" "$db"
    set_site "$db" "$branch"
    sqlite3 "$db" "UPDATE mb_Member SET Remark='$branch', IsUploaded=0
      WHERE MemberID='$(member_of "$i")'"
    "$T" members --db "sqlite:$db" --home "$home" >"$work/gen/members-$first.out" 2>&1 ||
      { cat "$work/gen/members-$first.out" >&2; return 1; }
    rm -f "$db"
  done
}

store="${BENCH_MEMBERS_STORE:-$work/store}"
mkdir -p "$store"
if [ "$(find "$store" -name '*-M.pkg' | wc -l)" != "$branches" ]; then
  echo "== $branches member packages, made by tavexdata members"
  rm -f "$store"/*.pkg
  mkdir -p "$work/gen"
  fresh_folders "$branches"
  start=$(now)
  make_branches 1 &
  worker=$!
  make_branches 2 || fail "making the packages failed"
  wait "$worker" || fail "making the packages failed"
  mv "$work"/ftp/ForUpload/*.pkg "$store/"
  echo "made in $(seconds "$start" "$(now)") s"
fi
made=$(find "$store" -name '*-M.pkg' | wc -l)
[ "$made" = "$branches" ] || fail "$made packages made, $branches expected"

# ---- 2. the cycles ----------------------------------------------------------

status=0
results=()

# One cycle of $1 branches, the way $2 ("new" or "old"): prints its line.
cycle() {
  local size=$1 way=$2 hq="$work/hq.db" home="$work/hq-home" i start relayed downloaded
  local merged copies all_copies expected got
  fresh_folders "$size"
  for ((i = 1; i <= size; i++)); do cp "$store/$(branch_name "$i")"-*-M.pkg "$work/ftp/ForUpload/"; done
  cp "$work/hq-template.db" "$hq"
  make_home "$home"
  [ "$way" = new ] || printf '[Members]\nBundle=0\n' >"$home/Octopus/RELAY.INI"
  sync
  start=$(now)
  "$T" relay --db "sqlite:$hq" --home "$home" >"$work/relay.out" 2>&1 ||
    { tail -n 20 "$work/relay.out" >&2; fail "the relay failed ($way, $size)"; }
  relayed=$(now)
  "$T" download --db "sqlite:$hq" --home "$home" >"$work/download.out" 2>&1 ||
    { tail -n 20 "$work/download.out" >&2; fail "head office's download failed ($way, $size)"; }
  downloaded=$(now)
  [ -z "$(ls -A "$work/ftp/ForUpload")" ] || fail "the relay left packages in ForUpload"

  # Head office holds the latest change of every member changed.
  expected=""
  for ((i = size; i >= 1; i--)); do
    case " $expected " in *" $(member_of "$i")="*) ;; *) expected+=" $(member_of "$i")=$(branch_name "$i")" ;; esac
  done
  got=""
  for pair in $expected; do
    got+=" ${pair%%=*}=$(sqlite3 "$hq" "SELECT Remark FROM mb_Member WHERE MemberID='${pair%%=*}'")"
  done
  [ "$got" = "$expected" ] || { echo "head office's members differ ($way, $size)" >&2; status=1; }

  copies=$(find "$work/ftp/ForDownload/B0001" -name '*.pkg' | wc -l)
  all_copies=$(find "$work/ftp/ForDownload" -name '*.pkg' | wc -l)
  # One branch merges what waits for it.
  cp "$work/template.db" "$work/b0001.db"
  set_site "$work/b0001.db" B0001
  make_home "$work/b0001-home"
  start_merge=$(now)
  "$T" members --db "sqlite:$work/b0001.db" --home "$work/b0001-home" >"$work/branch.out" 2>&1 ||
    { tail -n 20 "$work/branch.out" >&2; fail "B0001's merge failed ($way, $size)"; }
  merged=$(seconds "$start_merge" "$(now)")
  printf '%-4s %5s branches: relay %7s s, download %6s s, together %7s s; copies: %s in B0001, %s in all; B0001 merges in %s s\n' \
    "$way" "$size" "$(seconds "$start" "$relayed")" "$(seconds "$relayed" "$downloaded")" \
    "$(seconds "$start" "$downloaded")" "$copies" "$all_copies" "$merged"
}

echo "== load before: $(uptime)"
for size in $old_sizes; do
  [ "$size" -le "$branches" ] || continue
  cycle "$size" old
  cycle "$size" new
done
cycle "$branches" new
echo "== load after: $(uptime)"
exit $status
