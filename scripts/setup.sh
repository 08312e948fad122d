#!/usr/bin/env bash
# Installs what building and testing the toolset needs on a Debian machine.
# Runs as root; does nothing when every package is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config time bc ccache
  libgtest-dev googletest
  unixodbc unixodbc-dev odbcinst
  libsqliteodbc sqlite3
  odbc-postgresql
  uuid-dev
  postgresql
  clang-tidy
  clang libclang-rt-dev
  man-db dpkg-dev file bash-completion lintian
  nlohmann-json3-dev
  gnucobol3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
