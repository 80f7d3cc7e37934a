#!/usr/bin/env bash
# A whole day in the real program: twelve backup times, two hours apart, with the program's clock
# running sixty times as fast from 00:50 (faketime), so that the day passes in about 22 minutes.
# It shows that each of the twelve backups runs once, in order, on the same day. Too long for the
# test command; run it on its own:
#   bash scripts/day-test.sh
# It builds what it needs in build/day-<arch> and ends with ctest's summary.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=${DW_JOBS:-2}

bash scripts/bootstrap.sh >/dev/null
if bash scripts/probe-32bit.sh >/dev/null; then
  export DW_WINE_ARCH=win32
  toolchain=cmake/toolchain-mingw-i686.cmake
  options=(-DDW_WINE32_TESTS=ON)
  targets=(dw_time64_shim)
else
  export DW_WINE_ARCH=win64
  toolchain=cmake/toolchain-mingw-x86_64.cmake
  options=()
  targets=()
fi
build=build/day-$DW_WINE_ARCH
# A prefix of its own: windows are looked up by class and caption within one Wine, so the day can
# pass while other Wine tests run.
export DW_WINEPREFIX=$root/$build/wineprefix
echo "day-test: $DW_WINE_ARCH Wine, build in $build"
cmake --preset host >/dev/null
cmake --build build/host -j"$jobs" --target dw_tds_server >/dev/null
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release -DDW_DAY_TEST=ON \
  -DDW_TDS_SERVER="$root/build/host/tools/tds_server/dw_tds_server" "${options[@]}" >/dev/null
cmake --build "$build" -j"$jobs" --target dumpwarden dw_gui_host dw_rar_standin dw_backup_e2e_tests "${targets[@]}" \
  >/dev/null

source scripts/xvfb.sh
start_xvfb 1280x1024
trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
bash scripts/wine-prefix.sh
set +e
(cd "$build" && ctest -R '^(odbc_tds_server_.*|FakedClockTest[.]ADayOfTwelveEntriesRunsEachOnce)$' \
   --output-on-failure </dev/null)
status=$?
(source scripts/wine-env.sh && wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1)
exit $status
