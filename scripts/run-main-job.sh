#!/usr/bin/env bash
# The program's main job on its embedded default: one scheduled backup, end to end.
#   - installs what it needs and builds the program, the stand-in archiver and two small helpers;
#   - starts the stand-in SQL Server on 127.0.0.1 (development tool, see tools/tds_server);
#   - prepares a program folder: Connect.ini, Data.dat written by the program's own encoder,
#     Bak_Info.ini with two backup times (a minute or two ahead, an hour later; ascending, as the
#     settings dialog stores them), two copy folders, the stand-in archiver;
#   - runs dumpwarden.exe under Wine (the shipped 32-bit build where the kernel runs 32-bit programs,
#     else the 64-bit build) on $DISPLAY if there is one, else in Xvfb;
#   - waits for the scheduled backup, prints what happened, checks the next time on the panel against
#     the one the schedule arms, saves a screenshot, stops what it started.
# Against a real SQL Server instead of the stand-in (the procedure of sql/CreateBakFile.sql installed):
#   DW_SERVER   server as the program's Connect.ini takes it, e.g. "dbhost,1433" or "dbhost\SQLEXPRESS"
#   DW_DATABASE database name (default QEL)      DW_USER, DW_PASSWORD  SQL Server login
#   DW_BAKDIR   the backup folder as a Windows path that the server writes to and Wine reads
#   DW_DRIVER   optional ODBC driver name for Connect.ini
# For bench/backup-bench.sh: DW_BAK_SIZE (the stand-in's backup size, e.g. 1G), DW_BENCH_IDLE=SECONDS
# (afterwards measures the program's idle CPU time and memory, then a minimal Win32 program's).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=${DW_JOBS:-2}
demo=$root/build/demo
program=$demo/program
winpath() { echo "Z:${1//\//\\}"; }
source scripts/schedule-times.sh

rm -rf "$demo"
mkdir -p "$program/Connect" "$program/Bak_Info" "$demo/BakDir" "$demo/Mirror 1" "$demo/Mirror2"

echo "== packages and builds =="
bash scripts/bootstrap.sh >/dev/null
if reason=$(bash scripts/probe-32bit.sh); then
  export DW_WINE_ARCH=win32 build=build/win32
  echo "Wine: the shipped 32-bit program (build/win32) under 32-bit Wine"
else
  export DW_WINE_ARCH=win64 build=build/win64
  echo "Wine: the 64-bit build (build/win64) under 64-bit Wine; 32-bit programs do not run here: $reason"
fi
# The test command's configurations (CMakePresets.json), so that both share their builds.
cmake --preset host >/dev/null
cmake --build build/host -j"$jobs" --target dw_tds_server >/dev/null
cmake --preset "$DW_WINE_ARCH" >/dev/null
cmake --build "$build" -j"$jobs" --target dumpwarden dw_rar_standin dw_write_credentials dw_window_text \
  dw_idle_baseline >/dev/null
cp "$build/src/dumpwarden.exe" "$program/"
cp "$(find "$build" -name dw_rar_standin.exe | head -n 1)" "$program/"  # built beside its tests
tools=$build/tools

server=""
xvfb=""
cleanup() {
  (source scripts/wine-env.sh && wineserver -k) >/dev/null 2>&1 || true
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
}
trap cleanup EXIT

database=${DW_DATABASE:-QEL}
if [ -n "${DW_SERVER:-}" ]; then
  echo "== a real SQL Server: $DW_SERVER =="
  server_name=$DW_SERVER user=${DW_USER:?set DW_USER} password=${DW_PASSWORD:?set DW_PASSWORD}
  bakdir=${DW_BAKDIR:?set DW_BAKDIR to a folder both the server and this machine reach}
else
  echo "== stand-in SQL Server (development tool) =="
  user=dumpwarden password=Bak-Up-2024
  build/host/tools/tds_server/dw_tds_server --port 0 --user "$user" --password "$password" --database "$database" \
    --map 'Z:\=/' --bak-size "${DW_BAK_SIZE:-4M}" --log "$demo/server.log" >"$demo/server.out" &
  server=$!
  for _ in $(seq 100); do grep -q 'listening on' "$demo/server.out" 2>/dev/null && break; sleep 0.1; done
  port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$demo/server.out")
  [ -n "$port" ] || { echo "the stand-in server did not start"; exit 1; }
  echo "listening on 127.0.0.1:$port"
  server_name="127.0.0.1,$port"
  bakdir=$(winpath "$demo/BakDir")
fi

echo "== Wine and the display =="
bash scripts/wine-prefix.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "on the display $DISPLAY"
else
  source scripts/xvfb.sh
  start_xvfb 1024x768
  xvfb=$xvfb_pid
  echo "in Xvfb $DISPLAY"
fi
source scripts/wine-env.sh
wine() { "$WINELOADER" "$@" </dev/null; }

echo "== the program folder: $program =="
printf '[Connect]\r\nServer=%s\r\nDB=%s\r\n' "$server_name" "$database" >"$program/Connect/Connect.ini"
if [ -n "${DW_DRIVER:-}" ]; then printf 'Driver=%s\r\n' "$DW_DRIVER" >>"$program/Connect/Connect.ini"; fi
wine "$tools/write_credentials/dw_write_credentials.exe" "$(winpath "$program/Connect/Data.dat")" "$user" "$password"
# A minute ahead when enough of this minute is left for the start-up check, else two.
now=$(date +%s)
lead=60
if [ $((now % 60)) -gt 40 ]; then lead=120; fi
at=$(date -d "@$((now + lead))" +%H:%M)
later=$(date -d "@$((now + lead + 3600))" +%H:%M)
# In ascending order, as the settings dialog stores them: from 23:00 on `later` is the next day's
# and comes first.
mapfile -t times < <(ascending_times "$at" "$later")
printf '[BAK]\r\nTimeCount=2\r\nTime_1=%s\r\nTime_2=%s\r\nBakDir=%s\r\nRarProgram=%s\r\n[copy]\r\ncount=2\r\nCopy1=%s\\\r\nCopy2=%s\\\r\n' \
  "${times[0]}" "${times[1]}" "$bakdir" "$(winpath "$program/dw_rar_standin.exe")" "$(winpath "$demo/Mirror 1")" "$(winpath "$demo/Mirror2")" \
  >"$program/Bak_Info/Bak_Info.ini"
sed 's/\r$//; s/^/    /' "$program/Bak_Info/Bak_Info.ini"

echo "== dumpwarden.exe in the notification area; the backup is due at $at =="
"$WINELOADER" "$(winpath "$program/dumpwarden.exe")" </dev/null >"$demo/wine.log" 2>&1 &
log=$program/Bak_Info/history.log
deadline=$((now + lead + 300))
peak_kib=0
while [ ! -s "$log" ] && [ "$(date +%s)" -lt "$deadline" ]; do
  pid=$(pgrep -f 'program\\dumpwarden.exe' | head -n 1 || true)
  if [ -n "$pid" ]; then
    rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    if [ "${rss:-0}" -gt "$peak_kib" ]; then peak_kib=$rss; fi
  fi
  sleep 0.2
done
sleep 2  # the balloon is up now; let it draw
import -window root "$demo/balloon.png" 2>/dev/null && echo "screenshot: $demo/balloon.png"
[ -s "$log" ] || { echo "no backup ran by $(date -d "@$deadline" +%T)"; exit 1; }
# The run armed its next time before it wrote its line: within this minute or the one before.
expected=$(next_scheduled_time 2 "$(date +%H:%M)" "${times[@]}")

echo "== what happened =="
echo "history line:"
sed 's/^/    /' "$log"
if [ -n "$server" ]; then
  echo "the server's requests:"
  grep -iE 'login|CreateBakFile|wrote' "$demo/server.log" | sed 's/^/    /' || true
  archive=$(ls "$demo/BakDir"/*.rar 2>/dev/null | head -n 1 || true)
  if [ -n "$archive" ]; then
    echo "the archive, tested with 7-Zip:"
    7z t "$archive" | grep -E '^(Testing|Everything|Path|Size|ERROR)' | sed 's/^/    /'
  else
    echo "no archive in $demo/BakDir"
  fi
  for mirror in "$demo/Mirror 1" "$demo/Mirror2"; do
    for copy in "$mirror"/*; do
      [ -e "$copy" ] || { echo "no copy in $mirror"; continue; }
      if cmp -s "$copy" "$archive"; then same="equal to the archive"; else same="DIFFERENT from the archive"; fi
      echo "copy: $copy ($same)"
    done
  done
  if ls "$demo/BakDir"/*.bak >/dev/null 2>&1; then echo "the backup file is still there"; else echo "the backup file is gone"; fi
fi
shown=$(wine "$tools/window_text/dw_window_text.exe" TForm1 100 108 109 | tr -d '\r' || true)
echo "next backup time on the panel: $shown (expected $expected)"

# CPU time (user + system, ms) and resident memory (KiB) of a process over SECONDS of idling.
idle_figures() {
  local pid=$1 seconds=$2 tick before after
  tick=$(getconf CLK_TCK)
  before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$seconds"
  after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  echo "$(( (after - before) * 1000 / tick )) $(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")"
}
if [ -n "${DW_BENCH_IDLE:-}" ]; then
  echo "peak resident memory during the run: $peak_kib KiB"
  pid=$(pgrep -f 'program\\dumpwarden.exe' | head -n 1)
  read -r cpu rss < <(idle_figures "$pid" "$DW_BENCH_IDLE")
  echo "idle $DW_BENCH_IDLE s, dumpwarden.exe: cpu_ms=$cpu rss_kib=$rss"
  "$WINELOADER" "$(winpath "$root/$build/bench/dw_idle_baseline.exe")" </dev/null >/dev/null 2>&1 &
  sleep 5
  base=$(pgrep -f 'dw_idle_baseline.exe' | head -n 1)
  read -r cpu rss < <(idle_figures "$base" "$DW_BENCH_IDLE")
  echo "idle $DW_BENCH_IDLE s, baseline: cpu_ms=$cpu rss_kib=$rss"
fi
tr -d '\r' <"$log" | grep -q $'\tok$' && [ "$shown" = "$expected" ]
