#!/usr/bin/env bash
# Takes docs/settings-dialog.png: the backup settings dialog with example settings, opened as "Set
# time..." opens it, by the GUI test host of a 64-bit Windows build, under Wine inside a private Xvfb.
# Usage: docs/settings-dialog-screenshot.sh [build-dir]   (default build/win64; needs Xvfb and ImageMagick)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win64}
host=$build/tests/gui/dw_gui_host.exe
[ -f "$host" ] || { echo "no $host: build the x86_64 Windows tree first" >&2; exit 1; }

# The settings the dialog shows, in the host's own Bak_Info folder (removed again afterwards).
bak_info=$build/tests/gui/Bak_Info
mkdir -p "$bak_info"
printf '[BAK]\r\nTimeCount=3\r\nTime_1=08:00\r\nTime_2=13:30\r\nTime_3=20:30\r\nBakDir=D:\\SqlBackup\r\nRarProgram=C:\\Program Files\\WinRAR\\WinRAR.exe\r\nKeepDays=7\r\nKeepCount=3\r\n[copy]\r\ncount=2\r\nCopy1=E:\\Mirror\\\r\nCopy2=F:\\Archive\\Sql\\\r\n[notify]\r\nSuccessUrl=https://hc-ping.com/0f2a6c1e-8d1b-4c55-9a57-3f1e2d4c5b6a\r\nFailureUrl=https://hooks.slack.com/services/T0000000/B0000000/XXXXXXXX\r\n' \
  >"$bak_info/Bak_Info.ini"

source "$root/scripts/xvfb.sh"
start_xvfb 1024x768
"$root/scripts/wine-prefix.sh"
source "$root/scripts/wine-env.sh"
"$WINELOADER" "$host" connected settings >/dev/null 2>&1 &
program=$!
cleanup() {
  kill "$program" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$bak_info"
}
trap cleanup EXIT

geometry=$(window_geometry 'Backup settings\\.\\.\\.')
[ -n "$geometry" ] || { echo "the dialog did not show" >&2; exit 1; }
sleep 2
import -window root -crop "$geometry" +repage "$root/docs/settings-dialog.png"
echo "docs/settings-dialog.png: $geometry"
