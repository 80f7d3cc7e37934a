#!/usr/bin/env bash
# The program's main job on its embedded default: a stand-in SQL Server on 127.0.0.1, the program's
# database layer asking it for a backup file, and the Windows program starting in the tray.
#
# Not yet built: the scheduled backup run itself (packing with WinRAR, the copies, the balloon) and
# the start-up connection. Until they land, this runs what exists and says so.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=${DW_JOBS:-2}
demo=$root/build/demo
rm -rf "$demo"
mkdir -p "$demo/BakDir"

echo "== packages and builds =="
bash scripts/bootstrap.sh
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host -j"$jobs" --target dw_tds_server dw_db_call >/dev/null
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j"$jobs" --target dumpwarden >/dev/null

echo "== stand-in SQL Server (development tool) =="
build/host/tools/tds_server/dw_tds_server --port 0 --user sa --password dumpwarden --database QEL \
  --log "$demo/server.log" >"$demo/server.out" &
server=$!
xvfb=""
cleanup() {
  kill "$server" 2>/dev/null || true
  if [ -n "$xvfb" ]; then
    (source scripts/wine-env.sh && wineserver -k) >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
  fi
}
trap cleanup EXIT
for _ in $(seq 100); do grep -q 'listening on' "$demo/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$demo/server.out")
echo "listening on 127.0.0.1:$port"

echo "== one CreateBakFile call through the program's database layer =="
file=$(build/host/tools/db_call/dw_db_call --server "127.0.0.1,$port" --database QEL --user sa \
       --password dumpwarden --to-dir "$demo/BakDir" --driver FreeTDS)
echo "the server wrote: $file ($(stat -c %s "$demo/BakDir/$file") bytes)"

echo "== dumpwarden.exe in the notification area (Wine, Xvfb) for 8 seconds =="
export DW_WINEPREFIX=$root/build/wineprefix
bash scripts/wine-prefix.sh
display=:$((200 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
xvfb=$!
export DISPLAY=$display
source scripts/wine-env.sh
"$WINELOADER" build/win64/src/dumpwarden.exe </dev/null >/dev/null 2>&1 &
sleep 8
import -window root "$demo/screen.png" 2>/dev/null && echo "screenshot: $demo/screen.png"
echo
echo "Scheduled backups (archive, copies, balloon) arrive with the backup-run work; see README."
