#!/usr/bin/env bash
# The program at rest, beside the minimal Win32 program bench/idle_baseline.cpp, in one run: each is
# started under Wine (the shipped 32-bit build where the kernel runs 32-bit programs, else the 64-bit
# build), left to settle, then watched for DW_IDLE_SECONDS (default 60). The program runs against the
# stand-in SQL Server: its start-up check connects, and its backup times are hours away. Prints per
# program:
#   - wake-ups per idle minute of its message loops, counted in Wine's trace of the messages each thread
#     takes (WINEDEBUG=+msg, with timestamps): messages that one thread takes within 2 ms of each other
#     count as one wake-up; the WM_TIMER messages among them are counted too;
#   - CPU time (user and system) and resident memory over the same seconds.
# Targets: at most 134 wake-ups a minute (the clock's 450 ms tick), resident memory at most 1.5 times
# the baseline's. Called by bench/backup-bench.sh; runs alone as well. DW_IDLE_PROGRAM names another
# dumpwarden.exe to measure (for example an older build, for a before-and-after figure).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${DW_IDLE_SECONDS:-60}
settle=${DW_IDLE_SETTLE:-20}
work=$root/build/idle-bench
program=$work/program
winpath() { echo "Z:${1//\//\\}"; }

if reason=$(bash scripts/probe-32bit.sh); then
  export DW_WINE_ARCH=win32 build=build/win32 toolchain=cmake/toolchain-mingw-i686.cmake
  echo "Wine: 32-bit, build/win32"
else
  export DW_WINE_ARCH=win64 build=build/win64 toolchain=cmake/toolchain-mingw-x86_64.cmake
  echo "Wine: 64-bit, build/win64 (32-bit programs do not run here: $reason)"
fi
if [ ! -x build/host/tools/tds_server/dw_tds_server ]; then
  cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  nice -n 10 cmake --build build/host -j1 --target dw_tds_server >/dev/null
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
nice -n 10 cmake --build "$build" -j1 --target dumpwarden dw_write_credentials dw_idle_baseline >/dev/null
exe=${DW_IDLE_PROGRAM:-$build/src/dumpwarden.exe}

rm -rf "$work"
mkdir -p "$program/Connect" "$program/Bak_Info" "$work/BakDir"
cp "$exe" "$program/dumpwarden.exe"

server="" xvfb=""
cleanup() {
  (source scripts/wine-env.sh && wineserver -k) >/dev/null 2>&1 || true
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
}
trap cleanup EXIT

user=dumpwarden password=Bak-Up-2024
build/host/tools/tds_server/dw_tds_server --port 0 --user "$user" --password "$password" --database QEL \
  --map 'Z:\=/' --log "$work/server.log" >"$work/server.out" &
server=$!
for _ in $(seq 100); do grep -q 'listening on' "$work/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*listening on 127.0.0.1:\([0-9]*\).*/\1/p' "$work/server.out")
[ -n "$port" ] || { echo "idle-bench: the stand-in server did not start"; exit 1; }

bash scripts/wine-prefix.sh
source scripts/xvfb.sh
start_xvfb 1024x768
xvfb=$xvfb_pid
source scripts/wine-env.sh

printf '[Connect]\r\nServer=127.0.0.1,%s\r\nDB=QEL\r\n' "$port" >"$program/Connect/Connect.ini"
"$WINELOADER" "$build/tools/write_credentials/dw_write_credentials.exe" "$(winpath "$program/Connect/Data.dat")" \
  "$user" "$password" </dev/null
# Two backup times six and eighteen hours ahead, in ascending order as the settings dialog stores them.
first=$(date -d '+6 hours' +%H:%M) second=$(date -d '+18 hours' +%H:%M)
if [[ "$second" < "$first" ]]; then read -r first second <<<"$second $first"; fi
printf '[BAK]\r\nTimeCount=2\r\nTime_1=%s\r\nTime_2=%s\r\nBakDir=%s\r\nRarProgram=%s\r\n' "$first" "$second" \
  "$(winpath "$work/BakDir")" "$(winpath "$program/none.exe")" >"$program/Bak_Info/Bak_Info.ini"

# Wake-ups of a trace's message loops between two line numbers: "+timestamp,+pid" lines start
# "SECONDS.MS:PID:TID:trace:msg:". Counts the process that took the most messages (the program, not
# a helper of Wine's that may share its error output). Prints "wakeups timer_messages".
count_wakeups() {
  sed -n "$(($2 + 1)),$3p" "$1" | awk -F: '
    /:peek_message got / {
      ms = $1 * 1000; thread = $2 ":" $3
      if (!(thread in last) || ms - last[thread] > 2) wakeups[$2]++
      last[thread] = ms
      if ($0 ~ /[(]WM_TIMER[)]/) timers[$2]++
    }
    END {
      best = ""
      for (p in wakeups) if (best == "" || wakeups[p] > wakeups[best]) best = p
      printf "%d %d\n", (best == "" ? 0 : wakeups[best]), (best == "" ? 0 : timers[best])
    }'
}

# Starts a program with the message trace on, lets it settle and watches it for the idle seconds;
# prints its figures. $1 label, $2 exe, $3 pgrep pattern for its Linux process.
measure() {
  local label=$1 exe=$2 pattern=$3 trace=$work/$1.trace pid tick before after from to cpu rss
  WINEDEBUG=-all,+timestamp,+pid,+msg "$WINELOADER" "$(winpath "$exe")" </dev/null >/dev/null 2>"$trace" &
  sleep "$settle"
  pid=$(pgrep -f "$pattern" | head -n 1)
  [ -n "$pid" ] || { echo "idle-bench: $label did not start"; exit 1; }
  tick=$(getconf CLK_TCK)
  before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  from=$(wc -l <"$trace")
  sleep "$seconds"
  after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  to=$(wc -l <"$trace")
  cpu=$(( (after - before) * 1000 / tick ))
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
  read -r wakeups timers < <(count_wakeups "$trace" "$from" "$to")
  awk -v l="$label" -v c="$cpu" -v r="$rss" -v w="$wakeups" -v t="$timers" -v s="$seconds" 'BEGIN {
    printf "idle %d s, %s: cpu_ms=%d rss_kib=%d wakeups_per_min=%.0f timer_messages_per_min=%.0f\n", s, l, c, r, w * 60 / s, t * 60 / s }' \
    | tee -a "$work/figures"
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
}

: >"$work/figures"
echo "== dumpwarden.exe idle ($seconds s after $settle s to start and check its connection) =="
measure dumpwarden.exe "$program/dumpwarden.exe" 'idle-bench\\program\\dumpwarden.exe'
grep -q -i login "$work/server.log" || echo "idle-bench: the start-up check never reached the server"
echo "== the minimal program idle =="
measure baseline "$root/$build/bench/dw_idle_baseline.exe" 'dw_idle_baseline.exe'
read -r p_cpu p_rss p_wake < <(sed -n 's/.*dumpwarden.exe: cpu_ms=\([0-9]*\) rss_kib=\([0-9]*\) wakeups_per_min=\([0-9]*\).*/\1 \2 \3/p' "$work/figures")
read -r b_cpu b_rss < <(sed -n 's/.*baseline: cpu_ms=\([0-9]*\) rss_kib=\([0-9]*\).*/\1 \2/p' "$work/figures")
echo "== idle figures =="
awk -v pc="$p_cpu" -v bc="$b_cpu" -v pr="$p_rss" -v br="$b_rss" -v pw="$p_wake" 'BEGIN {
  printf "idle wake-ups: %d a minute (target at most 134, the clock'"'"'s)\n", pw
  printf "idle CPU: %d ms against the baseline'"'"'s %d ms\n", pc, bc
  printf "idle memory: %.1f MiB against %.1f MiB, %.2f times the baseline (target at most 1.5)\n", pr / 1024, br / 1024, pr / br }'
