#!/usr/bin/env bash
# Installs what is missing, builds the host and the Windows builds, runs every test, and ends with
# one summary line "N passed, N failed".
#   build/host   native build: window-free code, stand-in servers, their tests (GoogleTest)
#   build/host-asan, build/host-tsan  the host tests again under AddressSanitizer and
#                UndefinedBehaviorSanitizer, and the tick hand-over's tests under ThreadSanitizer
#   build/fuzz   the libFuzzer targets (clang): every corpus replayed, each target fuzzed briefly
#   build/win32  the shipped 32-bit program dumpwarden.exe and its Windows tests, run under 32-bit
#                Wine where the kernel runs 32-bit programs (scripts/probe-32bit.sh); elsewhere only
#                compiled, with its imports checked, and one line says the run was skipped and why
#   build/win64  the same sources as 64-bit Windows programs, tested under 64-bit Wine
#   build/dumpwarden-setup.exe  the installer (NSIS), tested under Wine by scripts/installer-test.sh
# Both Windows test runs happen inside one Xvfb display.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=${DW_JOBS:-2}
log_dir=build/logs
passed=0
failed=0

step() { printf '\n== %s ==\n' "$*"; }
die() { echo "test-all: $*" >&2; echo "0 passed, 1 failed"; exit 1; }

# Adds the counts of a ctest run from its closing line "... tests failed out of N".
count_ctest() {
  local line total bad
  line=$(grep -E 'tests failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    echo "test-all: no ctest summary in $1" >&2
    return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* tests failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

step "packages"
bash scripts/bootstrap.sh || die "package installation failed"
mkdir -p "$log_dir"

step "host build"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log_dir/host-configure.log" 2>&1 \
  || { cat "$log_dir/host-configure.log"; die "host configure failed"; }
cmake --build build/host -j"$jobs" 2>&1 | tee "$log_dir/host-build.log" | grep -E 'warning|error' ; \
  [ "${PIPESTATUS[0]}" -eq 0 ] || die "host build failed"

step "host tests"
(cd build/host && ctest -j"$jobs" --timeout 300 --output-on-failure) 2>&1 | tee "$log_dir/host-tests.log" | tail -n 15
count_ctest "$log_dir/host-tests.log"

# Builds one sanitizer variant of the host tests and runs them; $1 folder, $2 log name, then the
# cmake options. The time each step takes is printed, so that its share of the whole stays known.
sanitized_tests() {
  local dir=$1 name=$2 start=$SECONDS
  shift 2
  # -O1 with line tables only: the sanitizers need no more, and the build takes half as long.
  if ! { cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS="-O1 -g1" -DCMAKE_C_FLAGS="-O1 -g1" "$@" \
           && cmake --build "$dir" -j"$jobs"; } >"$log_dir/$name-build.log" 2>&1; then
    tail -n 20 "$log_dir/$name-build.log"
    failed=$((failed + 1))
    echo "test-all: the $name build failed" >&2
    return
  fi
  (cd "$dir" && ctest -j"$jobs" --timeout 300 --output-on-failure) 2>&1 | tee "$log_dir/$name-tests.log" | tail -n 5
  count_ctest "$log_dir/$name-tests.log"
  echo "$name: $((SECONDS - start)) s"
}

step "host tests under AddressSanitizer and UndefinedBehaviorSanitizer"
sanitized_tests build/host-asan host-asan -DDW_SANITIZE=ON

step "the tick hand-over's tests under ThreadSanitizer"
sanitized_tests build/host-tsan host-tsan -DDW_TSAN=ON

step "fuzzing: every corpus replayed, each target fuzzed for a few seconds"
fuzz_start=$SECONDS
bash scripts/fuzz.sh "${DW_FUZZ_SECONDS:-3}" 2>&1 | tee "$log_dir/fuzz.log" | grep -E '^(fuzz|    )'
if fuzz_line=$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed' "$log_dir/fuzz.log" | tail -n 1); then
  passed=$((passed + $(sed -E 's/^fuzz: ([0-9]+) passed.*/\1/' <<<"$fuzz_line")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$fuzz_line")))
else
  failed=$((failed + 1))
  echo "test-all: no fuzzing summary in $log_dir/fuzz.log" >&2
fi
echo "fuzzing: $((SECONDS - fuzz_start)) s"

if win32_skip=$(bash scripts/probe-32bit.sh); then
  run_win32=1
  win32_options=(-DDW_WINE32_TESTS=ON -DDW_TDS_SERVER="$root/build/host/tools/tds_server/dw_tds_server")
else
  run_win32=0
  win32_options=(-DDW_WINE32_TESTS=OFF)
fi

step "win32 build (the shipped 32-bit program)"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
  "${win32_options[@]}" >"$log_dir/win32-configure.log" 2>&1 \
  || { cat "$log_dir/win32-configure.log"; die "win32 configure failed"; }
cmake --build build/win32 -j"$jobs" 2>&1 | tee "$log_dir/win32-build.log" | grep -E 'warning|error' ; \
  [ "${PIPESTATUS[0]}" -eq 0 ] || die "win32 build failed"

step "win64 build (Windows-side tests)"
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DDW_TDS_SERVER="$root/build/host/tools/tds_server/dw_tds_server" \
  >"$log_dir/win64-configure.log" 2>&1 || { cat "$log_dir/win64-configure.log"; die "win64 configure failed"; }
cmake --build build/win64 -j"$jobs" 2>&1 | tee "$log_dir/win64-build.log" | grep -E 'warning|error' ; \
  [ "${PIPESTATUS[0]}" -eq 0 ] || die "win64 build failed"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Runs one Windows build's tests under the Wine of that architecture, in its own prefix.
wine_tests() {
  local arch=$1 dir=$2 log=$3
  shift 3
  export DW_WINE_ARCH=$arch
  bash scripts/wine-prefix.sh || { failed=$((failed + 1)); echo "test-all: $arch wine prefix could not be made" >&2; return; }
  (cd "$dir" && ctest --timeout 300 --output-on-failure "$@" </dev/null) 2>&1 | tee "$log" | tail -n 15
  count_ctest "$log"
  (source scripts/wine-env.sh && wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1)
}

step "Windows tests under 64-bit Wine"
if [ "$run_win32" -eq 1 ]; then
  # The end-to-end backups wait for scheduled minutes; they run once, against the shipped 32-bit program.
  wine_tests win64 build/win64 "$log_dir/win64-tests.log" -E '^(BackupProgramTest[.]|FakedClockTest[.]|backup_e2e_)'
else
  wine_tests win64 build/win64 "$log_dir/win64-tests.log"
fi

if [ "$run_win32" -eq 1 ]; then
  step "the shipped 32-bit program's tests under 32-bit Wine"
  wine_tests win32 build/win32 "$log_dir/win32-tests.log"
else
  step "the shipped 32-bit program: imports only Windows' own DLLs"
  echo "32-bit Windows tests skipped: $win32_skip; the 64-bit build's tests stand in for them"
  (cd build/win32 && ctest -R '^dumpwarden_imports_only_windows_dlls$' --output-on-failure </dev/null) 2>&1 \
    | tee "$log_dir/win32-tests.log" | tail -n 3
  count_ctest "$log_dir/win32-tests.log"
fi
kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null

step "the installer: built with NSIS, installed, started, reinstalled and uninstalled under Wine"
bash scripts/installer-test.sh 2>&1 | tee "$log_dir/installer.log" | tail -n 16
if installer_line=$(grep -E '^installer: [0-9]+ passed, [0-9]+ failed' "$log_dir/installer.log" | tail -n 1); then
  passed=$((passed + $(sed -E 's/^installer: ([0-9]+) passed.*/\1/' <<<"$installer_line")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$installer_line")))
else
  failed=$((failed + 1))
  echo "test-all: no installer summary in $log_dir/installer.log" >&2
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
