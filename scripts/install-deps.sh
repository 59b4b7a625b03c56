#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, run the
# demo and render the screenshots. Idempotent: packages already present are
# left alone and the package lists are refreshed only when something is
# missing. Runs as root, or through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates clang-format
  libsqlite3-dev sqlite3
  libpq-dev postgresql
  libcurl4-openssl-dev
  libzstd-dev zstd
  libpugixml-dev
  libinih-dev
  libsodium-dev
  nlohmann-json3-dev
  libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pyftpdlib python3-openssl openssl
  # the SFTP tests, demo and benchmark start sshd of their own; where systemd
  # runs, the package also enables the system's SSH service
  openssh-server openssh-client
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-wqy-microhei
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
