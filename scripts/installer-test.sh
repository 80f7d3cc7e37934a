#!/usr/bin/env bash
# Builds dumpwarden-setup.exe with Debian's NSIS and tests it under Wine in a prefix of its own:
# a silent install into a folder with a space in its name, the installed program starting with its
# tray icon, an install over an older copy and an uninstall, both keeping the settings files.
# Where the kernel runs no 32-bit programs (scripts/probe-32bit.sh), the shipped 32-bit installer is
# only built, and a 64-bit installer of the 64-bit build (NSIS's amd64 stubs) is tested under 64-bit
# Wine instead; one line says so. An install that did not happen is one failure, and the checks after
# it are not run: they would pass on nothing.
# Usage: scripts/installer-test.sh [program build folder]   (default: build/win32 where 32-bit
# programs run, else build/win64). Prints one line per check and "installer: N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
work=$root/build/installer-test
rm -rf "$work"
mkdir -p "$work"
export DW_WINEPREFIX=$work/prefix
shipped_setup=$root/build/dumpwarden-setup.exe
passed=0
failed=0
check() {  # check "what" command...
  local what=$1
  shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
# Ends the test with what was counted and one more failure, said in one line.
stop() {
  echo "FAILED: $*"
  echo "installer: $passed passed, $((failed + 1)) failed"
  exit 1
}

# The shipped installer: 32-bit, of the shipped 32-bit program.
makensis -V2 -DPROGRAM="$root/build/win32/src/dumpwarden.exe" -DOUTFILE="$shipped_setup" installer/dumpwarden.nsi \
  || stop "the shipped installer did not build (is build/win32 built?)"
if reason=$(bash scripts/probe-32bit.sh); then
  export DW_WINE_ARCH=win32 build=${1:-build/win32}
  setup=$shipped_setup
  if [ "$build" != build/win32 ]; then
    setup=$work/dumpwarden-setup.exe
    makensis -V2 -DPROGRAM="$root/$build/src/dumpwarden.exe" -DOUTFILE="$setup" installer/dumpwarden.nsi \
      || stop "the installer of $build did not build"
  fi
else
  export DW_WINE_ARCH=win64 build=${1:-build/win64}
  setup=$work/dumpwarden-setup-x64.exe
  echo "installer: the shipped 32-bit installer is only built, and a 64-bit installer of $build is tested under 64-bit Wine: $reason"
  makensis -V2 -DAMD64 -DPROGRAM="$root/$build/src/dumpwarden.exe" -DOUTFILE="$setup" installer/dumpwarden.nsi \
    || stop "the 64-bit installer of $build did not build"
fi

source scripts/xvfb.sh
start_xvfb 1024x768 || stop "no X display (Xvfb did not start)"
cleanup() {
  (source scripts/wine-env.sh && wineserver -k) >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
bash scripts/wine-prefix.sh
source scripts/wine-env.sh
wine() { "$WINELOADER" "$@" </dev/null >/dev/null 2>&1; }

# What the install makes and the uninstall must remove; before the uninstall each is looked for too,
# so that a check of its removal passes only when the thing was there.
has_program() { test -e "$unix/dumpwarden.exe"; }
has_run_entry() {
  "$WINELOADER" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Dumpwarden </dev/null 2>/dev/null \
    | grep -q dumpwarden.exe
}
has_menu_entry() { find "$WINEPREFIX/drive_c" -iname 'QEL 26.1 Dumpwarden.lnk' | grep -q .; }
removed() {  # removed EXIT_STATUS_BEFORE test...: it was there before and is gone now
  local before=$1
  shift
  [ "$before" -eq 0 ] && ! "$@"
}

folder='C:\Program Data Test\Dump warden'
unix=$WINEPREFIX/drive_c/Program\ Data\ Test/Dump\ warden
# NSIS takes /D= unquoted at the end of its command line: the words are left split, and Wine joins
# them with single spaces again.
# shellcheck disable=SC2086
wine "$setup" /S /STARTUP /D=$folder
status=$?
[ -f "$unix/dumpwarden.exe" ] || stop "nothing was installed: $(basename "$setup") under $DW_WINE_ARCH Wine ended with status $status"
check "silent install into a folder with a space" test -f "$unix/dumpwarden.exe"
check "Connect and Bak_Info created beside it" test -d "$unix/Connect" -a -d "$unix/Bak_Info"
check "uninstaller written" test -f "$unix/uninstall.exe"
check "Start-menu entry" has_menu_entry
check "uninstaller registered" bash -c "'$WINELOADER' reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Dumpwarden' </dev/null 2>/dev/null | grep -q InstallLocation"
check "start with Windows registered by /STARTUP" has_run_entry

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
before=$(sums) || stop "the settings files could not be written into the installed folder"
printf 'older copy' >"$unix/dumpwarden.exe"
# shellcheck disable=SC2086
wine "$setup" /S /D=$folder
check "an install over an older copy replaces the program" cmp -s "$unix/dumpwarden.exe" "$root/$build/src/dumpwarden.exe"
check "an install over an older copy keeps the settings" test "$(sums)" = "$before"

has_program; program_before=$?
has_run_entry; run_before=$?
has_menu_entry; menu_before=$?
# shellcheck disable=SC2086
wine "$unix/uninstall.exe" /S _?=$folder
check "uninstall removes the program" removed "$program_before" has_program
check "uninstall removes the start with Windows" removed "$run_before" has_run_entry
check "uninstall removes the Start-menu entry" removed "$menu_before" has_menu_entry
check "uninstall keeps the settings files" test "$(sums 2>/dev/null)" = "$before"

echo "installer: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
