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
# the run. Every site has a key: the packages travel signed, and a package
# forged in B01's name with the FTP login is rejected by the relay. A third
# branch, B03, has its download folder but never sends. Head office's
# overview of the chain ends the run, also written as a page
# (overview.html in the work folder). Everything lives in a fresh temporary
# folder (or in $TAVEX_DEMO_WORK, which must not exist yet); the server is
# stopped on exit.
#
# --sftp: the same over SFTP, through an OpenSSH server (sshd) started on
# 127.0.0.1 with a configuration, host key, login key and known_hosts file
# of its own, as the tests start it; every site pins the server's host key
# and logs in with the key. The run ends by showing what the client says
# of a server whose host key has changed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

protocol=ftp
for arg in "$@"; do
  case $arg in
    --sftp) protocol=sftp ;;
    -h | --help)
      sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
      exit 0
      ;;
    *)
      echo "unknown option: $arg (try --help)" >&2
      exit 2
      ;;
  esac
done

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

if [ -n "${TAVEX_DEMO_WORK:-}" ]; then
  work=$TAVEX_DEMO_WORK
  mkdir "$work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/tavex-demo.XXXXXX")
fi
server=
stop_server() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
}
trap stop_server EXIT

say() { printf '\n== %s\n' "$*"; }

mkdir -p "$work/ftp/ForUpload"
for site in HQ B01 B02 B03; do mkdir -p "$work/ftp/ForDownload/$site"; done
user=demo
password=demo
if [ "$protocol" = ftp ]; then
  # The FTP server (pyftpdlib, the one the tests use) prints its port first.
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
  options="Port=$port"
else
  # An OpenSSH server of the demo's own, serving SFTP only, every session
  # starting in the exchange tree; it lets in the user running the demo
  # (root as root) with a key made here, never with a password.
  ssh=$work/ssh
  mkdir -p "$ssh"
  chmod 700 "$ssh"
  ssh-keygen -q -t ed25519 -N '' -C tavex-demo -f "$ssh/host_ed25519"
  ssh-keygen -q -t ed25519 -N '' -C tavex-demo -f "$ssh/client_key"
  cp "$ssh/client_key.pub" "$ssh/authorized_keys"
  user=$(id -un)
  password=never-sent
  port=$(/usr/bin/python3 -c \
    'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  # sshd started by root separates its unprivileged half into /run/sshd,
  # which the system's service makes at boot.
  if [ "$(id -u)" -eq 0 ]; then mkdir -p -m 755 /run/sshd; fi
  printf '%s\n' "Port $port" "ListenAddress 127.0.0.1" "HostKey $ssh/host_ed25519" \
    "PidFile $ssh/sshd.pid" "AuthorizedKeysFile $ssh/authorized_keys" "StrictModes no" \
    "UsePAM no" "UseDNS no" "PasswordAuthentication no" "KbdInteractiveAuthentication no" \
    "PermitRootLogin prohibit-password" "AllowUsers $user" "DisableForwarding yes" \
    "PermitTTY no" "Subsystem sftp internal-sftp -d $work/ftp" \
    "ForceCommand internal-sftp -d $work/ftp" >"$ssh/sshd_config"
  /usr/sbin/sshd -D -E "$ssh/sshd.log" -f "$ssh/sshd_config" &
  server=$!
  for _ in $(seq 100); do
    grep -q "Server listening" "$ssh/sshd.log" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q "Server listening" "$ssh/sshd.log" 2>/dev/null; then
    echo "the SSH server did not start:" >&2
    cat "$ssh/sshd.log" >&2 || true
    exit 1
  fi
  # The host key every site pins: what `ssh-keyscan -t ed25519 -p PORT
  # 127.0.0.1` would fetch, taken here from the key file itself.
  printf '[127.0.0.1]:%s %s\n' "$port" "$(cut -d' ' -f1,2 "$ssh/host_ed25519.pub")" \
    >"$ssh/known_hosts"
  say "SFTP server (OpenSSH) on 127.0.0.1:$port for user $user, serving $work/ftp;" \
    "host key $(ssh-keygen -l -E sha256 -f "$ssh/host_ed25519.pub" | cut -d' ' -f2)"
  options="Protocol=sftp
Port=$port
KnownHosts=$ssh/known_hosts
PrivateKey=$ssh/client_key"
fi

db() { echo "sqlite:$work/$1.db"; }
run() {
  local site=$1 command=$2
  say "$site: tavexdata $command"
  # A status that needs attention: exit 1 is an answer here, not a failure
  # of the demo.
  "$T" "$command" --db "$(db "$site")" --home "$work/$site" || echo "(exit $?)"
}

say "sample databases: branches B01 (140 bills) and B02 (90 bills) over the last seven days," \
  "each with sample members not yet synchronised, and head office HQ"
seed=1
for site in HQ B01 B02; do
  mkdir -p "$work/$site/Octopus"
  printf '[FTP]\n%s\n' "$options" >"$work/$site/Octopus/MAIN.INI"
  case $site in
    HQ) sample=(--bills 0) ;;
    B01) sample=(--bills 140) ;;
    B02) sample=(--bills 90) ;;
  esac
  "$T" sample-db --db "$(db $site)" --branch "$site" "${sample[@]}" --days 7 --seed $((seed++)) \
    >/dev/null
  "$T" settings --db "$(db $site)" --set 1001=127.0.0.1 --set 1002="$user" \
    --set 1003="$password" >/dev/null
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
# The sample bills are moved to the seven days up to today, none sent yet.
shift=$((($(date -d "$(date +%F) -6 days" +%s) - $(date -d 2024-03-01 +%s)) / 86400))
for site in B01 B02; do
  sqlite3 "$work/$site.db" "UPDATE bi_Bill SET BillDate = datetime(BillDate, '+$shift days'),
    IsUploaded = 0"
done
sqlite3 "$work/HQ.db" "DELETE FROM mb_Member; DELETE FROM mb_MemberCard; DELETE FROM mb_Summary;
  DELETE FROM mb_GiftSend; DELETE FROM mb_Consume;"

# Someone holding the chain's FTP login, with a copy of B02's till data
# and no key, will later write a package in B01's name.
cp "$work/B02.db" "$work/forger.db"
"$T" settings --db "$(db forger)" --set 801=B01 >/dev/null
mkdir -p "$work/forger/Octopus"
cp "$work/B02/Octopus/MAIN.INI" "$work/forger/Octopus/MAIN.INI"

say "keys: each site makes its key pair; head office trusts the branches' keys and its own," \
  "each branch trusts head office's; signatures required, the relay signs what it forwards"
for site in HQ B01 B02; do
  "$T" keys init --home "$work/$site" >"$work/$site.pub"
  printf '%s: %s\n' "$site" "$(cat "$work/$site.pub")"
done
for site in HQ B01 B02; do
  "$T" keys trust "$site" "$(cat "$work/$site.pub")" --db "$(db HQ)" >/dev/null
done
for site in B01 B02; do
  "$T" keys trust HQ "$(cat "$work/HQ.pub")" --relay --db "$(db $site)" >/dev/null
done
for site in HQ B01 B02; do
  printf '[Signatures]\nRequired=1\nResign=1\n' >>"$work/$site/Octopus/MAIN.INI"
done
"$T" keys list --db "$(db HQ)"

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

say "a forged package: B02's bills in B01's name, unsigned, put into ForUpload with the FTP login"
"$T" upload --db "$(db forger)" --home "$work/forger" >/dev/null || true
ls "$work/ftp/ForUpload"
run HQ relay
for reason in "$work"/ftp/ForUpload/Rejected/*.txt; do
  printf 'rejected: %s: %s\n' "$(basename "$reason" .txt)" "$(cat "$reason")"
done
echo "bills of each branch at head office (unchanged):"
bills_at_hq

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

say "head office's overview of the chain (B03 never sent anything)"
"$T" overview --db "$(db HQ)" --home "$work/HQ" --days 7 --html "$work/overview.html" ||
  echo "(exit $?)"

if [ "$protocol" = sftp ]; then
  say "B01 checks the server: tavexdata status --check-server"
  "$T" status --check-server --db "$(db B01)" --home "$work/B01" | grep -A1 "^FTP" || true
  say "the same, had the server's host key changed (another key pinned for its address)"
  ssh-keygen -q -t ed25519 -N '' -C impostor -f "$ssh/impostor"
  printf '[127.0.0.1]:%s %s\n' "$port" "$(cut -d' ' -f1,2 "$ssh/impostor.pub")" \
    >"$ssh/changed_hosts"
  sed -i "s|^KnownHosts=.*|KnownHosts=$ssh/changed_hosts|" "$work/B01/Octopus/MAIN.INI"
  "$T" status --check-server --db "$(db B01)" --home "$work/B01" | grep -A1 "^FTP" || true
  sed -i "s|^KnownHosts=.*|KnownHosts=$ssh/known_hosts|" "$work/B01/Octopus/MAIN.INI"
fi
echo
echo "Files are in $work (each site's folder holds its backup copies in BckPackage"
echo "and its synchronisation log in Log; overview.html is head office's page)."
