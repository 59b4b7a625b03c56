# shellcheck shell=bash
# shellcheck disable=SC2034,SC2154 # $T, $port ... are for the caller; $root, $work are its
# Sourced by the bench scripts whose sites exchange through the tests' FTP
# server, from the repository's root with $root set to it and $work to the
# script's work folder, and `fail` defined.

# Builds tavexdata for release (no sanitizers, no tests) into build/bench and
# sets $T to it.
bench_build() {
  local build=build/bench
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVEX_SANITIZE=OFF \
    -DTAVEX_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j 2 --target tavexdata
  T="$root/$build/src/cli/tavexdata"
}

# ftp_start USER PASSWORD: the tests' FTP server on loopback, serving
# $work/ftp (ForUpload and ForDownload/HQ made) to that login, its log in
# $work/ftp.log; sets $user, $password, $port and $server_pid.
ftp_start() {
  user=$1
  password=$2
  mkdir -p "$work/ftp/ForUpload" "$work/ftp/ForDownload/HQ"
  # The server prints its port first.
  coproc FTP { exec /usr/bin/python3 "$root/tests/support/ftp_server.py" --root "$work/ftp" \
    --user "$user" --password "$password" 2>"$work/ftp.log"; }
  server_pid=$FTP_PID
  read -r port <&"${FTP[0]}"
  [ -n "$port" ] || fail "the FTP server did not start"
}

# Stops the server ftp_start started, if any.
ftp_stop() {
  if [ -n "${server_pid:-}" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
}

# make_home FOLDER: a plug-in folder pointing at the server.
make_home() {
  rm -rf "$1"
  mkdir -p "$1/Octopus"
  printf '[FTP]\nPort=%s\nTimeOut=60\n' "$port" >"$1/Octopus/MAIN.INI"
}
