#!/usr/bin/env bash
# One scheduled backup of a 1 GiB backup file (stand-in server and archiver, the program under Wine),
# measured in one run, then 60 idle seconds of the program beside a minimal Win32 program. Prints:
#   - the run's own overhead: its wall time less the server call, the archiver and the copies (from
#     the phase times of its history line); target under 50 ms;
#   - the copy step's throughput beside cp of the same file on the same disk (a ratio that shows what
#     the platform's copy costs under Wine; not a target);
#   - the program's peak resident memory during the run;
#   - the same backup file packed and tested with 7-Zip (Debian's 7zz, the program's 7-Zip command
#     line): times and archive size beside the stand-in archiver's stored archive;
#   - its idle CPU time and resident memory beside the baseline after the run; targets 1.2 and 1.5 times;
#   - then bench/idle-bench.sh: the program at rest after its start-up check, beside the baseline, with
#     its wake-ups per idle minute (target at most the clock's 134) and its memory (at most 1.5 times).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
out=build/demo-bench.log
DW_BAK_SIZE=${DW_BAK_SIZE:-1G} DW_BENCH_IDLE=${DW_BENCH_IDLE:-60} bash scripts/run-main-job.sh | tee "$out"

line=$(cat build/demo/program/Bak_Info/history.log)
field() { tr '\t' '\n' <<<"$line" | sed -n "s/^$1=//p"; }
connect=$(field connect_ms) server=$(field server_ms) archiver=$(field archiver_ms) copies=$(field copies_ms)
delete=$(field delete_ms) total=$(field total_ms)
bytes=$(field archive_bytes) made=$(field copies | cut -d/ -f1)
archive=$(ls build/demo/BakDir/*.rar | head -n 1)
start=$(date +%s%N)
cp "$archive" build/demo/cp-copy.rar
sync build/demo/cp-copy.rar
cp_ms=$(( ($(date +%s%N) - start) / 1000000 ))
rm -f build/demo/cp-copy.rar

# 7-Zip: the backup file, taken back out of the stand-in's archive, packed in its folder with the
# switches the program gives 7-Zip and tested; natively, as the launcher of the tests adds only its start.
sevenzip=build/demo/7zip
rm -rf "$sevenzip" && mkdir -p "$sevenzip"
bak_name=$(7zz l -slt -ba "$archive" | sed -n 's/^Path = //p' | head -n 1)
7zz x -so "$archive" "$bak_name" >"$sevenzip/$bak_name"
sync "$sevenzip/$bak_name"
bak_bytes=$(stat -c %s "$sevenzip/$bak_name")
sevenzip_archive=${bak_name:0:${#bak_name}-4}.7z
start=$(date +%s%N)
(cd "$sevenzip" && 7zz a -t7z -mx=1 -y "$PWD/$sevenzip_archive" "$PWD/$bak_name" >/dev/null && sync "$sevenzip_archive")
sevenzip_pack_ms=$(( ($(date +%s%N) - start) / 1000000 ))
start=$(date +%s%N)
(cd "$sevenzip" && 7zz t "$PWD/$sevenzip_archive" >/dev/null)
sevenzip_test_ms=$(( ($(date +%s%N) - start) / 1000000 ))
sevenzip_bytes=$(stat -c %s "$sevenzip/$sevenzip_archive")
rm -rf "$sevenzip"

echo
echo "== figures =="
echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), $(free -g | awk '/Mem:/ {print $2}') GiB"
echo "archive: $bytes bytes; phases: connect ${connect} ms, server ${server} ms, archiver (pack and test) ${archiver} ms, copies ${copies} ms, delete ${delete} ms"
echo "overhead of the run: $((total - server - archiver - copies)) ms (of ${total} ms; target under 50 ms)"
echo "  of which the login ${connect} ms and the removal of the backup file ${delete} ms;" \
     "the rest: $((total - connect - server - archiver - copies - delete)) ms"
program_mibs=$(awk -v b="$bytes" -v n="$made" -v ms="$copies" 'BEGIN { if (ms > 0) printf "%.0f", b * n / 1048576 / (ms / 1000); else print "-" }')
cp_mibs=$(awk -v b="$bytes" -v ms="$cp_ms" 'BEGIN { if (ms > 0) printf "%.0f", b / 1048576 / (ms / 1000); else print "-" }')
echo "7-Zip $(7zz i 2>/dev/null | sed -n 's/^7-Zip (z) \([^ ]*\).*/\1/p' | head -n 1) (a -t7z -mx=1): pack ${sevenzip_pack_ms} ms, test ${sevenzip_test_ms} ms," \
     "archive $sevenzip_bytes bytes ($(awk -v a="$sevenzip_bytes" -v b="$bak_bytes" 'BEGIN { printf "%.1f", 100 * a / b }') % of the $bak_bytes-byte backup file);" \
     "stand-in archiver (stored): pack and test ${archiver} ms, archive $bytes bytes"
echo "copy throughput: program ${program_mibs} MiB/s ($made copies), cp ${cp_mibs} MiB/s; ratio $(awk -v a="$program_mibs" -v b="$cp_mibs" 'BEGIN { if (b > 0) printf "%.2f", a / b }')"
grep -E '^peak resident|^idle ' "$out"
read -r p_cpu p_rss < <(sed -n 's/^idle .*dumpwarden.exe: cpu_ms=\([0-9]*\) rss_kib=\([0-9]*\)/\1 \2/p' "$out")
read -r b_cpu b_rss < <(sed -n 's/^idle .*baseline: cpu_ms=\([0-9]*\) rss_kib=\([0-9]*\)/\1 \2/p' "$out")
awk -v pc="$p_cpu" -v bc="$b_cpu" -v pr="$p_rss" -v br="$b_rss" 'BEGIN {
  if (bc > 0) printf "idle CPU: %.2f times the baseline (target 1.2)\n", pc / bc; else printf "idle CPU: %d ms against a baseline of 0 ms\n", pc
  printf "idle memory: %.2f times the baseline (target 1.5)\n", pr / br }'

echo
echo "== at rest after the start-up check (bench/idle-bench.sh) =="
bash bench/idle-bench.sh | sed -n '/^idle/p'
