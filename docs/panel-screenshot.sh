#!/usr/bin/env bash
# Takes docs/panel.png: the main window's panel as it looks once connected, shown by the GUI test
# host of a 64-bit Windows build, under Wine inside a private Xvfb display.
# Usage: docs/panel-screenshot.sh [build-dir]   (default build/win64; needs Xvfb and ImageMagick)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win64}
host=$build/tests/gui/dw_gui_host.exe
[ -f "$host" ] || { echo "no $host: build the x86_64 Windows tree first" >&2; exit 1; }

source "$root/scripts/xvfb.sh"
start_xvfb 1024x768
"$root/scripts/wine-prefix.sh"
source "$root/scripts/wine-env.sh"
"$WINELOADER" "$host" connected show >/dev/null 2>&1 &
program=$!
cleanup() {
  kill "$program" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# The panel's X window carries its caption (so does the application's 1x1 task-bar window): wait until
# a mapped one of real size is there, and for the clock to have ticked.
geometry=$(window_geometry 'QEL 26.1 Dumpwarden')
[ -n "$geometry" ] || { echo "the panel did not show" >&2; exit 1; }
sleep 2
import -window root -crop "$geometry" +repage "$root/docs/panel.png"
echo "docs/panel.png: $geometry"
