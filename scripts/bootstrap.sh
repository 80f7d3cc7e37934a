#!/usr/bin/env bash
# Installs every Debian package that the host build, the Windows builds and their tests need.
# Idempotent: apt runs only when something is missing.
#
# The shipped program is a 32-bit Windows build (mingw-w64 i686). Its tests run under 32-bit Wine,
# whose ODBC layer hands over to the i386 unixODBC and FreeTDS, wherever the kernel runs 32-bit
# programs (some kernels run 64-bit user code only: scripts/probe-32bit.sh tells). The same tests are
# always built a second time as 64-bit programs (mingw-w64 x86_64) and run under 64-bit Wine.
# clang with its runtime libraries (libFuzzer, the sanitizers) builds the fuzz targets; NSIS builds
# the installer. faketime moves the wall clock of the tests of midnight and of a clock set back.
# 7zip is the real 7-Zip (7zz) that the tests of the program's 7-Zip support run under Wine.
# python3's http.server is the web receiver of the notification tests (tools/notify_receiver).
set -euo pipefail

packages=(
  cmake make g++ googletest pkg-config
  unixodbc-dev tdsodbc freetds-bin
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 fonts-wine
  xvfb x11-utils imagemagick
  p7zip-full 7zip unzip
  clang libclang-rt-dev
  nsis
  faketime libfaketime
  python3
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# 32-bit Wine and the 32-bit ODBC stack, only where they can run.
if bash "$(dirname "${BASH_SOURCE[0]}")/probe-32bit.sh" >/dev/null; then
  packages+=(wine32:i386 libodbc2:i386 tdsodbc:i386 libfaketime:i386)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  case " ${missing[*]} " in
    *:i386*)
      dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
      ;;
  esac
  # A mirror in the middle of a sync fails an index now and then: try again, and if one index
  # still fails, go on with what was fetched; the install below says whether it was enough.
  for attempt in 1 2 3; do
    as_root apt-get update -q && break
    echo "bootstrap: apt-get update failed (attempt $attempt)" >&2
    [ "$attempt" -eq 3 ] || sleep $((attempt * 10))
  done
  if ! as_root apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null; then
    # With the security index of one architecture missing, its libraries cannot match the other
    # architecture's newer ones. The release's own packages exist for both architectures alike.
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    echo "bootstrap: apt-get install failed; trying again with the packages of $codename itself" >&2
    as_root apt-get install -y -q --no-install-recommends -t "$codename" "${missing[@]}" </dev/null \
      || { echo "bootstrap: apt-get install failed" >&2; exit 1; }
  fi
fi
echo "bootstrap: all packages present"
