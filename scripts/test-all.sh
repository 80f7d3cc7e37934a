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
# The Windows tests mostly wait (on windows, on scheduled minutes), so each Wine run goes in the
# background as soon as its build is done, on an Xvfb display and in a prefix of its own, while the
# compilers, at a lower priority, and the host tests use the cores. Their results are printed
# when they end. Each step prints the seconds since the start.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=${DW_JOBS:-2}
log_dir=build/logs
passed=0
failed=0

step() { printf '\n== %s == (at %d s)\n' "$*" "$SECONDS"; }
die() { echo "test-all: $*" >&2; echo "0 passed, 1 failed"; exit 1; }
# Background runs of Wine end with this script, whichever way it ends.
lanes=()
trap 'for pid in "${lanes[@]}"; do kill "$pid" 2>/dev/null; done; wait' EXIT

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
  [ "$bad" -eq 0 ] || show_failures "$1"
}

# Adds the counts of a script's closing line "$1: N passed, N failed" in the log $2.
count_summary() {
  local line
  if line=$(grep -E "^$1: [0-9]+ passed, [0-9]+ failed" "$2" | tail -n 1); then
    passed=$((passed + $(sed -E 's/^[^:]*: ([0-9]+) passed.*/\1/' <<<"$line")))
    failed=$((failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")))
  else
    failed=$((failed + 1))
    echo "test-all: no $1 summary in $2" >&2
  fi
}

# Prints what each failed test wrote (ctest's --output-on-failure puts it under the test's result
# line), so that a failure in CI can be understood from the printed part alone.
show_failures() {
  echo "-- output of the failed tests ($1):"
  awk '
    /^ *Start +[0-9]+:/ || /^ *[0-9]+\/[0-9]+ Test +#[0-9]+:/ { printing = 0 }
    / Test +#[0-9]+:.*(\*\*\*|[(]Failed[)]|[(]SEGFAULT[)]|Not Run)/ && !/ Passed / { printing = 1; shown = 0 }
    printing && shown < 80 { print; shown++ }
  ' "$1"
}

step "packages"
bash scripts/bootstrap.sh || die "package installation failed"
mkdir -p "$log_dir"
rm -f "$log_dir"/*-build.log  # the builds append to them
source scripts/xvfb.sh

# Configures one build from its preset in CMakePresets.json (build/<preset>); $1 preset, then
# options that depend on this machine.
configure() {
  local name=$1
  shift
  cmake --preset "$name" "$@" >"$log_dir/$name-configure.log" 2>&1 \
    || { cat "$log_dir/$name-configure.log"; die "$name configure failed"; }
}

# Builds in one folder at a lower priority than the Wine runs, whose windows and timers must keep
# up; prints only warnings and errors. $1 folder, $2 log name, then more build options.
compile() {
  local dir=$1 name=$2
  shift 2
  nice -n 10 cmake --build "$dir" -j"$jobs" "$@" 2>&1 | tee -a "$log_dir/$name-build.log" | grep -E 'warning|error' ; \
    [ "${PIPESTATUS[0]}" -eq 0 ] || die "$name build failed"
}

# Runs one Windows build's tests under the Wine of that architecture, in its own prefix and on a
# display of its own; meant for the background. $1 arch, $2 build folder, $3 ctest log, then more
# ctest options.
wine_tests() {
  local arch=$1 dir=$2 log=$3
  shift 3
  export DW_WINE_ARCH=$arch
  stop_wine() {
    (source scripts/wine-env.sh && wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1)
    kill "$xvfb_pid" 2>/dev/null
  }
  trap 'pkill -TERM -P "$BASHPID"; stop_wine; exit 143' TERM
  start_xvfb 1280x1024 || { echo "test-all: no X display for the $arch tests" >&2; return 1; }
  if bash scripts/wine-prefix.sh; then
    # Now and then a Windows program under a busy Wine ends at once without running (no output, a
    # failure in 0.01 s): each failed test gets one more try, and finish_wine_tests names every test
    # that passed only then, so that a test that really fails now and then stays in sight.
    (cd "$dir" && ctest -j"$jobs" --timeout 300 --output-on-failure --repeat until-pass:2 "$@" </dev/null) \
      >"$log" 2>&1
  else
    echo "test-all: $arch wine prefix could not be made" >&2
  fi
  stop_wine
}

# Waits for a background Wine run, prints its end and counts it. $1 pid, $2 its own log, $3 ctest log.
finish_wine_tests() {
  local pid=$1 lane_log=$2 log=$3
  wait "$pid"
  grep -E 'test-all:|xvfb:' "$lane_log" >&2
  [ -f "$log" ] && tail -n 15 "$log"
  count_ctest "$log"
  show_second_tries "$log"
}

# Names the tests of a ctest log that failed once and passed on their second try.
show_second_tries() {
  local failed_once passed retried
  failed_once=$(sed -nE 's/.*Test +#[0-9]+: ([^ ]+) .*\*\*\*(Failed|Exception|Timeout).*/\1/p' "$1" | sort -u)
  passed=$(sed -nE 's/.*Test +#[0-9]+: ([^ ]+) .* Passed .*/\1/p' "$1" | sort -u)
  retried=$(comm -12 <(echo "$failed_once") <(echo "$passed") | tr '\n' ' ')
  if [ -n "${retried// /}" ]; then
    echo "test-all: passed only on a second try ($1): $retried"
  fi
}

if win32_skip=$(bash scripts/probe-32bit.sh); then
  run_win32=1
  win32_options=(-DDW_WINE32_TESTS=ON -DDW_TDS_SERVER="$root/build/host/tools/tds_server/dw_tds_server")
else
  run_win32=0
  win32_options=(-DDW_WINE32_TESTS=OFF)
fi

step "configure: host, win32 (the shipped 32-bit program), win64 (Windows-side tests)"
# The flags are the presets' (CMakePresets.json): line tables only in the host build, the 64-bit
# test build at -O1.
configure host
configure win32 "${win32_options[@]}"
configure win64

step "the stand-in SQL Server, which the Windows tests use"
compile build/host host --target dw_tds_server

step "win32 build (the shipped 32-bit program)"
compile build/win32 win32
if [ "$run_win32" -eq 1 ]; then
  echo "its tests start under 32-bit Wine in the background"
  wine_tests win32 build/win32 "$log_dir/win32-tests.log" >"$log_dir/win32-wine.log" 2>&1 &
  win32_lane=$!
  lanes+=("$win32_lane")
fi

step "win64 build (Windows-side tests)"
compile build/win64 win64
echo "its tests start under 64-bit Wine in the background"
win64_only=()
if [ "$run_win32" -eq 1 ]; then
  # The end-to-end backups wait for scheduled minutes; they run once, against the shipped 32-bit program.
  win64_only=(-E '^(BackupProgramTest[.]|FakedClockTest[.]|NotifyClockTest[.]|backup_e2e_)')
fi
wine_tests win64 build/win64 "$log_dir/win64-tests.log" "${win64_only[@]}" >"$log_dir/win64-wine.log" 2>&1 &
win64_lane=$!
lanes+=("$win64_lane")
echo "the installer's test starts in the background"
bash scripts/installer-test.sh >"$log_dir/installer.log" 2>&1 &
installer_run=$!
lanes+=("$installer_run")

step "host build"
compile build/host host

step "host tests"
(cd build/host && ctest -j"$jobs" --timeout 300 --output-on-failure) 2>&1 | tee "$log_dir/host-tests.log" | tail -n 15
count_ctest "$log_dir/host-tests.log"

# Builds one sanitizer variant of the host tests from its preset and runs them; $1 preset (and
# folder build/$1). The time each step takes is printed, so that its share of the whole stays known.
sanitized_tests() {
  local name=$1 dir=build/$1 start=$SECONDS
  # The presets build them unoptimised, with line tables only: the sanitizers need no more, the
  # build takes a third less time than at -O1, and the tests take only seconds longer.
  if ! { cmake --preset "$name" && nice -n 10 cmake --build "$dir" -j"$jobs"; } >"$log_dir/$name-build.log" 2>&1; then
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
sanitized_tests host-asan

step "the tick hand-over's tests under ThreadSanitizer"
sanitized_tests host-tsan

step "fuzzing: every corpus replayed, each target fuzzed for a few seconds"
fuzz_start=$SECONDS
nice -n 10 bash scripts/fuzz.sh "${DW_FUZZ_SECONDS:-3}" 2>&1 | tee "$log_dir/fuzz.log" | grep -E '^(fuzz|    )'
count_summary fuzz "$log_dir/fuzz.log"
echo "fuzzing: $((SECONDS - fuzz_start)) s"

step "the installer: built with NSIS, installed, started, reinstalled and uninstalled under Wine"
wait "$installer_run"
tail -n 16 "$log_dir/installer.log"
count_summary installer "$log_dir/installer.log"

step "Windows tests under 64-bit Wine"
finish_wine_tests "$win64_lane" "$log_dir/win64-wine.log" "$log_dir/win64-tests.log"

if [ "$run_win32" -eq 1 ]; then
  step "the shipped 32-bit program's tests under 32-bit Wine"
  finish_wine_tests "$win32_lane" "$log_dir/win32-wine.log" "$log_dir/win32-tests.log"
else
  step "the shipped 32-bit program: imports only Windows' own DLLs"
  echo "32-bit Windows tests skipped: $win32_skip; the 64-bit build's tests stand in for them"
  (cd build/win32 && ctest -R '^dumpwarden_imports_only_windows_dlls$' --output-on-failure </dev/null) 2>&1 \
    | tee "$log_dir/win32-tests.log" | tail -n 3
  count_ctest "$log_dir/win32-tests.log"
fi

echo
echo "all steps: $SECONDS s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
