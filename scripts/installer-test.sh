#!/usr/bin/env bash
# Builds dumpwarden-setup.exe with Debian's NSIS and tests it under Wine in a prefix of its own:
# a silent install into a folder with a space in its name, the installed program starting with its
# tray icon, an install over an older copy and an uninstall, both keeping the settings files.
# Usage: scripts/installer-test.sh [program build folder]   (default: build/win32 where 32-bit
# programs run, else build/win64). Prints one line per check and "installer: N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
if bash scripts/probe-32bit.sh >/dev/null; then
  export DW_WINE_ARCH=win32 build=${1:-build/win32}
else
  export DW_WINE_ARCH=win64 build=${1:-build/win64}
fi
work=$root/build/installer-test
rm -rf "$work"
mkdir -p "$work"
export DW_WINEPREFIX=$work/prefix
setup=$root/build/dumpwarden-setup.exe
passed=0
failed=0
check() {  # check "what" command...
  local what=$1
  shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAILED: $what"; fi
}

makensis -V2 -DPROGRAM="$root/$build/src/dumpwarden.exe" -DOUTFILE="$setup" installer/dumpwarden.nsi \
  || { echo "installer: 0 passed, 1 failed"; exit 1; }

source scripts/xvfb.sh
start_xvfb 1024x768 || { echo "installer: 0 passed, 1 failed"; exit 1; }
cleanup() {
  (source scripts/wine-env.sh && wineserver -k) >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
bash scripts/wine-prefix.sh
source scripts/wine-env.sh
wine() { "$WINELOADER" "$@" </dev/null >/dev/null 2>&1; }

folder='C:\Program Data Test\Dump warden'
unix=$WINEPREFIX/drive_c/Program\ Data\ Test/Dump\ warden
# NSIS takes /D= unquoted at the end of its command line: the words are left split, and Wine joins
# them with single spaces again.
# shellcheck disable=SC2086
wine "$setup" /S /STARTUP /D=$folder
check "silent install into a folder with a space" test -f "$unix/dumpwarden.exe"
check "Connect and Bak_Info created beside it" test -d "$unix/Connect" -a -d "$unix/Bak_Info"
check "uninstaller written" test -f "$unix/uninstall.exe"
check "Start-menu entry" bash -c "find '$WINEPREFIX/drive_c' -iname 'QEL 26.1 Dumpwarden.lnk' | grep -q ."
check "uninstaller registered" bash -c "'$WINELOADER' reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Dumpwarden' </dev/null 2>/dev/null | grep -q InstallLocation"
check "start with Windows registered by /STARTUP" bash -c "'$WINELOADER' reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' /v Dumpwarden </dev/null 2>/dev/null | grep -q dumpwarden.exe"

# The installed program starts hidden and puts its icon into the tray (Wine's tray window appears).
"$WINELOADER" "$folder\\dumpwarden.exe" </dev/null >/dev/null 2>&1 &
icon=1
for _ in $(seq 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Wine System Tray"'; then icon=0; break; fi
  sleep 0.1
done
check "the installed program starts and shows its tray icon" test "$icon" -eq 0
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1

# Settings as an operator leaves them; an install over this copy and the uninstall keep them.
printf '[Connect]\r\nServer=db\r\nDB=QEL\r\n' >"$unix/Connect/Connect.ini"
printf 'scrambled' >"$unix/Connect/Data.dat"
printf '[BAK]\r\nTimeCount=1\r\nTime_1=02:00\r\n' >"$unix/Bak_Info/Bak_Info.ini"
sums() { (cd "$unix" && md5sum Connect/Connect.ini Connect/Data.dat Bak_Info/Bak_Info.ini); }
before=$(sums)
printf 'older copy' >"$unix/dumpwarden.exe"
# shellcheck disable=SC2086
wine "$setup" /S /D=$folder
check "an install over an older copy replaces the program" cmp -s "$unix/dumpwarden.exe" "$root/$build/src/dumpwarden.exe"
check "an install over an older copy keeps the settings" test "$(sums)" = "$before"

# shellcheck disable=SC2086
wine "$unix/uninstall.exe" /S _?=$folder
check "uninstall removes the program" test ! -e "$unix/dumpwarden.exe"
check "uninstall removes the start with Windows" bash -c "! '$WINELOADER' reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' /v Dumpwarden </dev/null >/dev/null 2>&1"
check "uninstall removes the Start-menu entry" bash -c "! find '$WINEPREFIX/drive_c' -iname 'QEL 26.1 Dumpwarden.lnk' | grep -q ."
check "uninstall keeps the settings files" test "$(sums 2>/dev/null)" = "$before"

echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
