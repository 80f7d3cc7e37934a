#!/usr/bin/env bash
# Builds the libFuzzer targets (build/fuzz, clang), replays every checked-in corpus
# (fuzz/corpus/<target>/), then fuzzes each target for SECONDS (default 5). Prints one line per
# target with its seconds, executions and result, and fails when any target fails.
# New inputs go to build/fuzz/work/<target>/, failing ones to build/fuzz/findings/<target>/;
# a failing input belongs in the checked-in corpus once its fault is fixed.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-5}
jobs=${DW_JOBS:-2}
build=build/fuzz
targets=(ini_round_trip credentials_file parse_time_alarm connection_string backup_settings_form time_mask
         tds_packet tds_prelogin tds_login7 tds_rpc)

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is missing (scripts/bootstrap.sh installs it)" >&2
  echo "fuzz: 0 passed, ${#targets[@]} failed"
  exit 1
fi
mkdir -p "$build"
# The preset "fuzz" (CMakePresets.json): clang at -O1 with line tables, what libFuzzer's coverage
# and the sanitizers' reports need, built quickly.
if ! { cmake --preset fuzz && cmake --build "$build" -j"$jobs" --target dw_fuzz_all; } >"$build/build.log" 2>&1; then
  tail -n 30 "$build/build.log"
  echo "fuzz: the targets did not build (see $build/build.log)" >&2
  echo "fuzz: 0 passed, ${#targets[@]} failed"
  exit 1
fi

passed=0
failed=0
options=(-rss_limit_mb=2048 -timeout=20 -max_len=16384 -print_final_stats=1)
for t in "${targets[@]}"; do
  binary=$build/fuzz/fuzz_$t
  corpus=fuzz/corpus/$t
  work=$build/work/$t
  findings=$build/findings/$t
  mkdir -p "$work" "$findings"
  log=$build/$t.log
  result=passed
  # The replay: every checked-in input once, each must hold every property.
  if ! "$binary" "${options[@]}" -runs=0 "$corpus" >"$log" 2>&1; then
    result="failed (replay of $corpus)"
  elif [ "$seconds" -gt 0 ] && ! "$binary" "${options[@]}" -max_total_time="$seconds" \
         -artifact_prefix="$findings/" "$work" "$corpus" >>"$log" 2>&1; then
    result="failed (input in $findings/)"
  fi
  runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | awk '{s += $2} END {print s + 0}')
  if [ "$result" = passed ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    grep -m 3 -E 'property failed|ERROR:|SUMMARY' "$log" | sed 's/^/    /'
  fi
  printf 'fuzz %-22s %4ss %10s executions  %s\n' "$t" "$seconds" "$runs" "$result"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
