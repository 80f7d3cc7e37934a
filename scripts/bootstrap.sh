#!/usr/bin/env bash
# Installs every Debian package that the host build, the Windows builds and their tests need.
# Idempotent: apt runs only when something is missing.
#
# The shipped program is a 32-bit Windows build (mingw-w64 i686). The machines this project is built
# and tested on run 64-bit user code only, so the Windows-side tests are built a second time as
# 64-bit programs (mingw-w64 x86_64) and run under 64-bit Wine, whose ODBC layer hands over to the
# host's unixODBC and FreeTDS.
set -euo pipefail

packages=(
  cmake make g++ googletest pkg-config
  unixodbc-dev tdsodbc freetds-bin
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 fonts-wine
  xvfb x11-utils imagemagick
  p7zip-full unzip
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
fi
echo "bootstrap: all packages present"
