#!/usr/bin/env bash
# Takes docs/history-window.png: the history window over an example log, opened as "History..." opens
# it, by the GUI test host of a 64-bit Windows build, under Wine inside a private Xvfb display.
# Usage: docs/history-window-screenshot.sh [build-dir]   (default build/win64; needs Xvfb and ImageMagick)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win64}
host=$build/tests/gui/dw_gui_host.exe
[ -f "$host" ] || { echo "no $host: build the x86_64 Windows tree first" >&2; exit 1; }

# The example log, in the host's own Bak_Info folder (removed again afterwards; a folder that was
# there before keeps everything but the example).
bak_info=$build/tests/gui/Bak_Info
made_folder=0
[ -d "$bak_info" ] || made_folder=1
mkdir -p "$bak_info"
[ ! -e "$bak_info/history.log" ] && [ ! -e "$bak_info/history.old.log" ] \
  || { echo "$bak_info already holds a history: not replaced" >&2; exit 1; }
run() {  # time kind file archive_bytes copies total_ms outcome
  printf '%s\t%s\tfile=%s\tarchiver=0\ttest=0\tarchive_bytes=%s\tcopies=%s\tconnect_ms=40\tserver_ms=850\tarchiver_ms=2400\tcopies_ms=120\tdelete_ms=3\tcleanup_ms=4\ttotal_ms=%s\t%s\r\n' "$@"
}
{
  run '2026-12-07 08:00:00.012' scheduled QEL_20261207_080000.bak 48213377 2/2 31544 ok
  run '2026-12-07 13:30:00.004' scheduled QEL_20261207_133000.bak 48390112 2/2 32010 ok
  run '2026-12-07 20:30:00.031' scheduled QEL_20261207_203000.bak 48402950 1/2 30877 'warning: 1 of 2 copies failed.'
  run '2026-12-08 08:00:00.008' scheduled - - 0/2 300412 'error: Server does not answer within 300 seconds'
  run '2026-12-08 09:12:41.377' immediate QEL_20261208_091241.bak 48511080 2/2 33102 ok
  printf '2026-12-08 09:13:14.000\tclean-up\tremoved\tE:\\Mirror\\Copy of QEL_20261201_080000.rar\tmade 2026-12-01 08:00:31\r\n'
  run '2026-12-08 13:30:00.019' scheduled QEL_20261208_133000.bak 48530217 2/2 32458 ok
  run '2026-12-08 20:30:00.002' scheduled QEL_20261208_203000.bak 48541660 2/2 31906 ok
  run '2026-12-09 08:00:00.011' scheduled QEL_20261209_080000.bak 48560005 2/2 32215 ok
} >"$bak_info/history.log"

source "$root/scripts/xvfb.sh"
start_xvfb 1024x768
"$root/scripts/wine-prefix.sh"
source "$root/scripts/wine-env.sh"
"$WINELOADER" "$host" connected history >/dev/null 2>&1 &
program=$!
cleanup() {
  kill "$program" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -f "$bak_info/history.log"
  [ "$made_folder" -eq 0 ] || rm -rf "$bak_info"
}
trap cleanup EXIT

geometry=$(window_geometry 'History')
[ -n "$geometry" ] || { echo "the history window did not show" >&2; exit 1; }
sleep 2
import -window root -crop "$geometry" +repage "$root/docs/history-window.png"
echo "docs/history-window.png: $geometry"
